#pragma once
#include <QByteArray>
#include <QString>

// Windows-1252, the single-byte code page of every text on the wire, in the
// settings files and in the game's files. Bytes stay bytes inside the client;
// they become a QString only where a widget shows them, through toUnicode.
namespace CodePage {

QString toUnicode(const QByteArray &bytes);
// Characters outside the code page become '?'.
QByteArray fromUnicode(const QString &text);

// Letter case by byte table: only the letters of the code page change, so
// byte 255 (the wire's blank inside free text) survives a round trip.
char toUpper(char c);
char toLower(char c);
QByteArray toUpper(const QByteArray &bytes);
QByteArray toLower(const QByteArray &bytes);

} // namespace CodePage
