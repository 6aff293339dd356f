#pragma once
#include <QByteArray>
#include <QString>

class KAFHandler;

// Reads one stored file of an opened pack into memory, so that the installers
// can write it into the game folder through their own file operations.
// False (and why in `error`) when the name is not stored, its record is empty
// or the archive cannot be read.
bool ReadPackFile(const KAFHandler &kaf, const QByteArray &name, QByteArray *bytes,
                  QString *error);
