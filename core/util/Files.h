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

// The file the running program was started from, as an absolute path. Read
// from the running image once, at the first call (the top of main), so that
// an install renaming a new release over the name at that moment does not
// hide it. Empty when it cannot be known.
QString ProgramFile();

// The same for the process whose executable link is `exeLink`
// ("/proc/self/exe", "/proc/<pid>/exe"): its target, without the
// " (deleted)" the kernel adds once the name was renamed over or removed.
QString ProgramFileOf(const QString &exeLink);

// The program folder: the folder of ProgramFile(), or ZORBEL_HOME when that is
// set (tests, a read-only install). Every file the client keeps beside itself
// lives here. Empty (never relative) when it cannot be known.
QString ProgramFolder();

} // namespace Files
