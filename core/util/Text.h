#pragma once
#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The client's small text procedures, all working on code-page bytes.
namespace Text {

QByteArray NewLine();                          // CR LF
QByteArray CleanString(const QByteArray &text); // drop NULs, then trailing blanks
QByteArray EncodeText(const QByteArray &text);  // +43 per byte, then StrToHex
QByteArray DecodeText(const QByteArray &hex);   // HexToStr, then -43 per byte
QByteArray StrToHex(const QByteArray &text);    // two upper-case digits per byte
QByteArray HexToStr(const QByteArray &hex);     // pairs; junk reads as 0
QByteArray HexBytes(quint8 byte);               // "0A", "FF"
QByteArray MD5String(const QByteArray &text);   // 32 lower-case hex digits
bool StrToBool(const QByteArray &text);         // "true" without blanks, any case

// A number read as the lobby and the settings read them: the longest leading
// decimal number (with an optional sign), 0 when there is none, clamped to the
// range of the field. Words like "12abc" read as 12; leading blanks are
// skipped and a fraction rounds to the nearest whole number (half to even).
qint32 LeadingInt32(const QByteArray &text);
qint16 LeadingInt16(const QByteArray &text);

// The lines of a text file: split at LF, a CR before it dropped; a final
// line break opens no new line.
QList<QByteArray> Lines(const QByteArray &text);

// Wire encodings: user names carry '_' for blanks, free text byte 255.
QByteArray UnderscoresToBlanks(const QByteArray &name);
QByteArray BlanksToUnderscores(const QByteArray &name);
QByteArray FreeTextToBlanks(const QByteArray &text);
QByteArray BlanksToFreeText(const QByteArray &text);

} // namespace Text
