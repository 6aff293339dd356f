#pragma once
#include <QByteArray>
#include <QString>

// File helpers that never throw and never report: every failure is false, 0 or
// an empty result.
namespace Files {

bool FileExists(const QString &path); // a readable regular file
bool DirExists(const QString &path);
qint64 FileLength(const QString &path); // 0 when FileExists is false

// Whole-file read; an empty result and ok=false on failure.
QByteArray ReadAll(const QString &path, bool *ok = nullptr);

// The program folder: where the running executable lies, or ZORBEL_HOME when
// that is set (tests, a read-only install). Every file the client keeps beside
// itself lives here.
QString ProgramFolder();

} // namespace Files
