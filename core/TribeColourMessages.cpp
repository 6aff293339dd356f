#include "core/TribeColourMessages.h"

#include "core/Dispatcher.h"
#include "core/LobbyMessage.h"
#include "packs/TribeColours.h"
#include "packs/TribePreviews.h"

TribeColourMessages::TribeColourMessages(TribeColours &colours, TribePreviews &previews)
    : m_colours(colours)
    , m_previews(previews)
{
}

void TribeColourMessages::registerHandlers(Dispatcher &dispatcher)
{
    for (int tribe = 0; tribe < TribeColours::TribeCount; ++tribe) {
        dispatcher.on(TribeColours::TribeWord(tribe),
                      [this, tribe](const LobbyMessage &m) { onColours(tribe, m); });
    }
}

namespace {

// A colour word: decimal digits (an optional sign) and nothing else, within
// 0 to 0xFFFFFF. Anything else leaves its box as it was.
bool parseColour(const QByteArray &word, qint32 *colour)
{
    if (word.isEmpty())
        return false;
    bool ok = false;
    const qlonglong value = word.toLongLong(&ok, 10);
    if (!ok || value < 0 || value > 0xFFFFFF)
        return false;
    *colour = qint32(value);
    return true;
}

} // namespace

void TribeColourMessages::onColours(int tribe, const LobbyMessage &m)
{
    if (m.word(1) != "1")
        return;
    for (int k = 0; k < TribeColours::ShadeCount; ++k) {
        qint32 colour = 0;
        if (parseColour(m.word(3 + k), &colour))
            m_colours.setColour(tribe, k, colour);
    }
    m_previews.RecolourTribePreview(tribe);
}
