#pragma once
#include <QByteArray>
#include <QString>

class KAFHandler;

// Reads one stored file of an opened pack into memory, so that the installers
// can write it into the game folder through their own file operations.
// False (and why in `error`) when the name is not stored, its record is empty
// or the archive cannot be read. With a `limit` of 0 or more, at most that
// many bytes from the start of the file are read.
bool ReadPackFile(const KAFHandler &kaf, const QByteArray &name, QByteArray *bytes,
                  QString *error, qint64 limit = -1);

// The whole stored file when it holds at most `limit` bytes; empty when it is
// missing, unreadable or larger (a preview reads no more than it can show).
QByteArray ReadSmallPackFile(const KAFHandler &kaf, const QByteArray &name, qint64 limit);
