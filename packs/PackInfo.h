#pragma once
#include "core/api/GameSetup.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

class Dialogs;

// The pack information pages of the lobby web host (getmappack.php,
// getmodpack.php). The answer is saved as mappack.txt / modpack.txt in the
// program folder and its first line, the address of the pack's zip, is
// returned. Only a crc8 (eight hexadecimal digits) is ever put into the query;
// anything else, a failed download or a timeout gives "". Blocks the caller
// (with a local event loop) and gives up after `timeoutMs` without an answer.
QByteArray FetchMappackInfo(const GameSetup &setup, const QByteArray &crc, int timeoutMs = 15000);
QByteArray FetchModpackInfo(const GameSetup &setup, const QByteArray &crc, int timeoutMs = 15000);

// The parts of those look-ups, for the one that does not block (PackInfoLookUp):
// the page for `crc` (an empty URL when it is no crc8), the file its answer is
// saved in, and the download address in an answer (its first line).
QUrl PackInfoUrl(const GameSetup &setup, bool mappack, const QByteArray &crc);
QString PackInfoFile(const GameSetup &setup, bool mappack);
QByteArray PackInfoAddress(const QByteArray &answer);

// Unpacks a downloaded pack zip into `folder` (the program folder), keeping
// the zip's folders. A pack zip may only hold mappacks/<name>.kaf or
// modpacks/<name>.kaf (and those folders, named in any letter case): any
// other entry refuses the whole zip. A failure is shown with the extraction's last message in an OK box,
// or, when `failure` is given, put there instead of a box.
// True when the zip was unpacked.
bool UnzipPack(const QString &zip, const QString &folder, Dialogs &dialogs, QString *failure = nullptr);

// Every '/' of `path` turned into '\' (in place), and the part after the last
// '\' returned: the file name of a path or URL. Without any separator, the
// whole text.
QByteArray NormalizePath(QByteArray &path);
