#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

// One record of a .kaf archive's table, as it lies on disk (281 bytes):
// three fixed-width text fields, then the 1-based data position and size.
struct KafFileInfo
{
    static constexpr int FileNameWidth = 255;
    static constexpr int DateWidth = 10;
    static constexpr int TimeWidth = 8;

    QByteArray FileName;  // exactly FileNameWidth bytes, NUL- or blank-padded
    QByteArray DateAdded; // exactly DateWidth bytes
    QByteArray TimeAdded; // exactly TimeWidth bytes
    qint32 Offset = 0;    // 1-based position of the first data byte
    qint32 Size = 0;
};

// The .kaf pack archive: a 4-byte upper bound NumFI, NumFI + 1 records of 281
// bytes, then the stored files' bytes. A pack's bytes are its identity on the
// wire, so OpenFile and ExtractFile never write to the archive; only
// CreateFile, AddFile, DeleteFile and Reorganise do, and each of those
// replaces the archive atomically (a failure leaves the old file as it was).
//
// Archives come from the network: OpenFile refuses a table that does not fit
// the file, a record whose data lies outside it, and a stored name that could
// act as a path (separators, "." or "..", ':', NUL or control characters).
// Failures return false and leave a reason in lastError().
class KAFHandler
{
public:
    static constexpr qint64 HeaderSize = 4;
    static constexpr qint64 RecordSize = 281;
    // A table larger than this is refused by CreateFile and OpenFile (28 MB
    // of records).
    static constexpr qint32 MaxNumFI = 99999;

    // Reads the table of `KAFFile` (read-only) and makes it the current archive.
    bool OpenFile(const QString &KAFFile);
    // Adds the file at host path `FileName` under its name without folder, or
    // replaces the record of that name. False for an empty or missing source.
    bool AddFile(const QString &FileName);
    // A new table of NumFINeeded + 1 empty slots at the start of the file.
    bool CreateFile(const QString &FileName, qint32 NumFINeeded);
    // Blanks every record with that stored name; the data bytes stay.
    bool DeleteFile(const QByteArray &FileNameInKaf);
    // Writes the first record of that name to the host path ExtractFileName
    // (through a temporary file: the target is untouched on any failure).
    bool ExtractFile(const QByteArray &FileNameInKaf, const QString &ExtractFileName);
    // Compacts the archive: the same files in table order, no dead space, ten
    // spare slots.
    bool Reorganise();
    // Adds every regular file of a folder.
    void AddDirectory(const QString &DirName);

    // Record fields by index 0..getNumFileInfos(); out of range gives "" / 0.
    QByteArray GetFileName(qint32 index) const;
    QByteArray getDateAdded(qint32 index) const;
    QByteArray getTimeAdded(qint32 index) const;
    qint32 getOffset(qint32 index) const;
    qint32 getSize(qint32 index) const;
    qint32 getNumFileInfos() const { return NumFI; } // the upper bound, -1 when none
    QString getCurrentFile() const { return CurrentFile; }

    // The stored (stripped) names of the non-empty records, in table order.
    QList<QByteArray> FileNames() const;
    // True when some record carries that name (compared without case).
    bool Contains(const QByteArray &FileNameInKaf) const;
    // The index of the first record of that name (compared without case,
    // trailing blanks ignored), -1 when none; without reading the table again.
    int IndexOf(const QByteArray &FileNameInKaf) const;

    // The part of a path after its last '\' or '/', as code-page bytes.
    static QByteArray getRealFileName(const QString &FN);
    // Trailing NULs and blanks removed.
    static QByteArray TrimFixedString(const QByteArray &text);
    // A name that may be stored: non-empty after stripping, at most 255
    // bytes, no '\', '/', ':', NUL or control character, not "." or "..".
    static bool IsSafeStoredName(const QByteArray &name);

    QString lastError() const { return LastError; }

private:
    int findRecord(const QByteArray &lowerName) const;
    qint64 dataStart() const;
    qint64 nextDataPosition() const;
    QByteArray tableBytes() const;
    bool fail(const QString &why);

    QList<KafFileInfo> Records;
    // Lower-cased stored name -> first record of that name; rebuilt on the
    // next look-up after the table changed.
    mutable QHash<QByteArray, int> Index;
    mutable bool IndexValid = false;
    qint32 NumFI = -1;
    QString CurrentFile;
    QString LastError;
};
