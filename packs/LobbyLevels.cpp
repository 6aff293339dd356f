#include "packs/LobbyLevels.h"

#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "core/util/WinPath.h"

namespace LobbyLevels {

QList<QByteArray> DefaultSlots()
{
    // Game level n lives in levl2<nnn>; the multiplayer levels lie above the
    // campaign's. Levels 101 to 116.
    QList<QByteArray> slots;
    for (int level = 101; level < 101 + MaxSlots; ++level)
        slots.append("2" + QByteArray::number(level).rightJustified(3, '0'));
    return slots;
}

QList<QByteArray> ParseOverride(const QByteArray &value)
{
    QList<QByteArray> slots;
    for (const QByteArray &part : value.split(',')) {
        const QByteArray slot = part.trimmed();
        if (slot.isEmpty() || slot.size() > 8 || slots.contains(slot))
            return {};
        for (const char c : slot) {
            if (c < '0' || c > '9')
                return {};
        }
        slots.append(slot);
    }
    if (slots.size() > MaxSlots)
        return {};
    return slots;
}

QList<QByteArray> Load(const QString &programFolder)
{
    using namespace SettingsKeys;
    const QByteArray value = Ini::ReadIni(WinPath::join(programFolder, QByteArray(QxIni)),
                                          SettingsKeys::LobbyLevels.section,
                                          SettingsKeys::LobbyLevels.key,
                                          SettingsKeys::LobbyLevels.defaultValue)
                                 .trimmed();
    if (value.isEmpty())
        return DefaultSlots();
    const QList<QByteArray> slots = ParseOverride(value);
    return slots.isEmpty() ? DefaultSlots() : slots;
}

QByteArray SlotFileName(const QByteArray &slot, const char *extension)
{
    return "levels\\levl" + slot + extension;
}

} // namespace LobbyLevels
