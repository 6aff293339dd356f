#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The CRC-32 of zip and PNG (reflected polynomial 0xEDB88320, preset
// 0xFFFFFFFF, final inversion). A pack's CRC-32 is its identity between
// clients, server and web host, so this must match zlib's crc32 exactly.
//
// Checksumming a pack reads it in full; the result is kept beside the file in
// <file>.crc (four CR LF lines: the register before the final inversion as
// signed decimal, the size, the last-modified and the creation time texts) so
// that unchanged packs are not read again at every start.
class clsCRC32
{
public:
    clsCRC32();

    // The file's length in bytes; -1 when it cannot be opened.
    qint64 FileSize(const QString &FileName) const;
    // The file's CRC-32; from the cache file when UseCache is set and the
    // cache still matches the file's size and times, otherwise computed and
    // the cache rewritten. 0 (and no cache) when the file cannot be read; use
    // Checksum to tell that apart from a real 0.
    quint32 CRC32(const QString &FileName, bool UseCache);
    // As CRC32, but false when the file cannot be read.
    bool Checksum(const QString &FileName, bool UseCache, quint32 *crc);

    // Continues a running CRC (standard form: start from 0, result is final).
    static quint32 update(quint32 crc, const char *data, qint64 length);
    static quint32 ofBytes(const QByteArray &bytes) { return update(0, bytes.constData(), bytes.size()); }

    // While a folder is open, the files in it are looked up by name relative
    // to it (a scan of many packs walks the folder's path once, not once a
    // file). Other files are looked up by their full path as always.
    class FolderScan
    {
    public:
        FolderScan(clsCRC32 &calculator, const QString &folder);
        ~FolderScan();
        FolderScan(const FolderScan &) = delete;
        FolderScan &operator=(const FolderScan &) = delete;

    private:
        clsCRC32 &m_calculator;
    };

    // The cache file of a checksummed file.
    static QString CacheFileName(const QString &FileName) { return FileName + QStringLiteral(".crc"); }
    // The time texts written on lines 3 and 4 of the cache file.
    static QByteArray LastModifiedText(const QString &FileName);
    static QByteArray CreatedText(const QString &FileName);

private:
    QString m_scanFolder;   // the open folder of a FolderScan, cleaned
    int m_scanFd = -1;
};

// "0" put in front until the text has at least 8 characters.
QByteArray PadTo8(QByteArray text);
// The identity of a pack on the wire: eight upper-case hexadecimal digits.
QByteArray crc8(quint32 crc);
// True for the identities that mean "no pack": "", "00000000" and "OFF".
bool IsNoPack(const QByteArray &crc);
// True for exactly eight hexadecimal digits (either case).
bool IsCrc8(const QByteArray &text);
