#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

struct ClientState;

// The user ids whose chat this user does not want to see. The list lives in
// ClientState::BlockList (decimal texts); qx.ini keeps it between runs under
// [general] options as every id followed by "|".
namespace BlockList {

// True when `id` is not 0 and some entry has it as its numeric value.
bool IsUserBlocked(const ClientState &state, qint32 id);
// The same for a UserRecord's UserId text (its leading number; none is 0).
bool IsUserIdBlocked(const ClientState &state, const QByteArray &userId);

// Appends and saves an id that is not blocked yet. An id of 0 (a user
// without an account number) can never match, so it is not stored.
void BlockUser(ClientState &state, qint32 id);
// Removes every entry with that numeric value and saves.
void UnblockUser(ClientState &state, qint32 id);

// "12|345|" for the ids 12 and 345; "" for none.
QByteArray storedForm(const QList<QByteArray> &entries);
// The reverse: pieces ended by "|", each taken by its numeric value ("007"
// is 7, "abc" is 0); empty pieces are skipped and a last piece without its
// "|" is dropped.
QList<QByteArray> parseStoredForm(const QByteArray &stored);

// qx.ini in the program folder (ClientState::Setup.ProgramFolder, else
// Files::ProgramFolder()).
QString settingsFile(const ClientState &state);
bool SaveBlockList(const ClientState &state);
void LoadBlockList(ClientState &state);

} // namespace BlockList
