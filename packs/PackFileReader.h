#pragma once
#include "packs/KAFHandler.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

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

// Texts from packs are cut before they reach a widget: a widget's layout of
// one long line grows much faster than the line, and a pack may carry
// anything its author liked.
namespace PackText {

constexpr qsizetype MaxLineChars = 255;              // a name, a creator, a title
constexpr qint64 MaxDescriptionBytes = 64 * 1024;    // a description

// At most MaxLineChars characters (the pack's texts are one byte a character).
QByteArray cutLine(const QByteArray &text);

// A text box lays out a whole paragraph at once, however little of it shows,
// while paragraphs below the visible part cost nothing until they scroll in.
// Lines longer than this are therefore shown as paragraphs of this length,
// each wrapping anywhere in the box.
constexpr qsizetype DisplayLineChars = 512;
// `text` with every line longer than DisplayLineChars broken after each
// DisplayLineChars characters (with the line's own end, "\r\n" or "\n").
QByteArray breakLongLines(const QByteArray &text);

} // namespace PackText

// One pack archive kept open for a preview: its table is read again only when
// another pack is asked for or the file changed on disk since (a download
// replaced it), so clicking around one pack reads its table once.
class KeptPack
{
public:
    // The table of `path`, read now or kept from before; nullptr when the
    // pack cannot be read.
    const KAFHandler *open(const QString &path);
    void forget();
    // How many times a table was read (the tests count them).
    int tableReads() const { return m_reads; }

private:
    KAFHandler m_kaf;
    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
    bool m_ok = false;
    int m_reads = 0;
};
