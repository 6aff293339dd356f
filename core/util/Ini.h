#pragma once
#include <QByteArray>
#include <QString>

// The sectioned settings format of qx.ini, qxskin.ini and InstalledSkins.inf:
//   [SECTION=NAME]
//   KEY=value
//   [EOS]
// Files are read again on every call; there is no cache.
namespace Ini {

// The value of `key` in `section`, or `defaultValue` when the key is missing,
// its value is empty, or the file cannot be read. Section and key are compared
// in upper case; the key must match the whole text before '='.
QByteArray ReadIni(const QString &file, const QByteArray &section, const QByteArray &key,
                   const QByteArray &defaultValue);

// Sets `key` in `section` and rewrites the whole file atomically. Returns false
// (the old file left intact) when the file cannot be written. CR and LF are
// dropped from the value.
bool WriteIni(const QString &file, const QByteArray &section, const QByteArray &key,
              const QByteArray &value, QString *error = nullptr);

} // namespace Ini
