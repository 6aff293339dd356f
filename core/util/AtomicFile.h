#pragma once
#include <QByteArray>
#include <QString>

// Writes that never leave a half-written file behind: the new contents go to a
// temporary file in the same folder, which is flushed and renamed over the
// target. A failed write leaves the old file exactly as it was.
namespace AtomicFile {

bool write(const QString &path, const QByteArray &contents, QString *error = nullptr);

// As write(), but without waiting for the disk: for a file that is checked
// whenever it is read and rebuilt when it does not match (a cache). It is
// still never seen half-written under its own name.
bool writeUnsynced(const QString &path, const QByteArray &contents, QString *error = nullptr);

// Copies `from` to `to` through a temporary file beside `to`.
bool copy(const QString &from, const QString &to, QString *error = nullptr);

// Each write above refuses an existing file that the user may not open for
// writing, as a plain write would. This asks the same question beforehand,
// for a caller with work to do before its write.
bool mayReplace(const QString &path, QString *error = nullptr);

// Whether the folder entry `entry` is the name a write of the file `target`
// (a name in the same folder) gives its temporary: "." + the name +
// ".zorbel-" + six letters or digits. The mark keeps it apart from a hidden
// file of the user's, such as ".qx.ini.backup", which is never one of ours.
bool isTemporaryOf(const QString &entry, const QString &target);

} // namespace AtomicFile
