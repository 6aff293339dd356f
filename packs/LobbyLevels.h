#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

// The game level slots that map packs use: entry k (0-based here) receives
// level k + 1 of a pack. A slot text n names the game files
// levels\levl<n>.dat and levels\levl<n>.hdr.
//
// The built-in table is a best guess that has not been checked against a real
// lobby; qx.ini can replace it ([paths] lobbylevels=2101,2102,... up to 16
// slot texts of digits), so it can be corrected without a new build.
namespace LobbyLevels {

constexpr int MaxSlots = 16;

QList<QByteArray> DefaultSlots();

// The override from qx.ini in `programFolder`, or the built-in table when the
// key is missing or invalid (empty entries, non-digits, repeats, more than 16).
QList<QByteArray> Load(const QString &programFolder);
// The same rule on one value; an empty list for an invalid one.
QList<QByteArray> ParseOverride(const QByteArray &value);

// "levels\levl" & slot & extension, extension ".dat" or ".hdr".
QByteArray SlotFileName(const QByteArray &slot, const char *extension);

} // namespace LobbyLevels
