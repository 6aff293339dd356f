#include "lobby/BlockList.h"

#include "core/ClientState.h"
#include "core/util/Files.h"
#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"

namespace BlockList {

bool IsUserBlocked(const ClientState &state, qint32 id)
{
    if (id == 0)
        return false;
    for (const QByteArray &entry : state.BlockList) {
        if (Text::LeadingInt32(entry) == id)
            return true;
    }
    return false;
}

bool IsUserIdBlocked(const ClientState &state, const QByteArray &userId)
{
    if (state.BlockList.isEmpty())
        return false;
    return IsUserBlocked(state, Text::LeadingInt32(userId));
}

void BlockUser(ClientState &state, qint32 id)
{
    if (id == 0 || IsUserBlocked(state, id))
        return;
    state.BlockList.append(QByteArray::number(id));
    SaveBlockList(state);
}

void UnblockUser(ClientState &state, qint32 id)
{
    if (state.BlockList.isEmpty())
        return;
    state.BlockList.removeIf([id](const QByteArray &entry) { return Text::LeadingInt32(entry) == id; });
    SaveBlockList(state);
}

QByteArray storedForm(const QList<QByteArray> &entries)
{
    QByteArray out;
    for (const QByteArray &entry : entries) {
        out += entry;
        out += SettingsKeys::BlockListSeparator;
    }
    return out;
}

QList<QByteArray> parseStoredForm(const QByteArray &stored)
{
    QList<QByteArray> entries;
    QByteArray piece;
    for (char c : stored) {
        if (c != SettingsKeys::BlockListSeparator) {
            piece += c;
            continue;
        }
        if (!piece.isEmpty())
            entries.append(QByteArray::number(Text::LeadingInt32(piece)));
        piece.clear();
    }
    return entries;
}

QString settingsFile(const ClientState &state)
{
    const QString folder =
        state.Setup.ProgramFolder.isEmpty() ? Files::ProgramFolder() : state.Setup.ProgramFolder;
    return WinPath::join(folder, QByteArray(SettingsKeys::QxIni));
}

bool SaveBlockList(const ClientState &state)
{
    return Ini::WriteIni(settingsFile(state), SettingsKeys::BlockList.section,
                         SettingsKeys::BlockList.key, storedForm(state.BlockList));
}

void LoadBlockList(ClientState &state)
{
    state.BlockList = parseStoredForm(Ini::ReadIni(settingsFile(state), SettingsKeys::BlockList.section,
                                                   SettingsKeys::BlockList.key, QByteArray()));
}

} // namespace BlockList
