#include "packs/TribeColourBroadcast.h"

#include "core/api/CommandSink.h"
#include "packs/TribeColours.h"
#include "packs/TribePreviews.h"

TribeColourBroadcast::TribeColourBroadcast(CommandSink &commands, const TribeColours &colours,
                                           TribePreviews &previews, const qint16 &selectedTribe)
    : m_commands(commands)
    , m_colours(colours)
    , m_previews(previews)
    , m_selectedTribe(selectedTribe)
{
}

QByteArray TribeColourBroadcast::commandFor(const TribeColours &colours, int tribe)
{
    if (!TribeColours::isTribe(tribe))
        return {};
    QByteArray command = TribeColours::TribeWord(tribe) + " 1";
    for (qint32 c : colours.shades(tribe))
        command += ' ' + QByteArray::number(c);
    return command;
}

void TribeColourBroadcast::SendTribeColours()
{
    const int tribe = m_selectedTribe;
    if (!TribeColours::isTribe(tribe))
        return;
    m_commands.SendCommand(commandFor(m_colours, tribe));
    m_previews.RecolourAll();
}
