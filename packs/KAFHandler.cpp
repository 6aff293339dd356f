#include "packs/KAFHandler.h"

#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTime>
#include <QtEndian>

#include <cstring>
#include <limits>

namespace {

QByteArray fixedField(const QByteArray &text, int width, char pad)
{
    QByteArray out = text.left(width);
    if (out.size() < width)
        out.append(width - out.size(), pad);
    return out;
}

qint32 readInt32(const char *p)
{
    return qFromLittleEndian<qint32>(p);
}

void appendInt32(QByteArray &out, qint32 v)
{
    char b[4];
    qToLittleEndian<qint32>(v, b);
    out.append(b, 4);
}

KafFileInfo emptyRecord(char pad)
{
    KafFileInfo r;
    r.FileName = QByteArray(KafFileInfo::FileNameWidth, pad);
    r.DateAdded = QByteArray(KafFileInfo::DateWidth, pad);
    r.TimeAdded = QByteArray(KafFileInfo::TimeWidth, pad);
    return r;
}

QByteArray todayText()
{
    return fixedField(CodePage::fromUnicode(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)),
                      KafFileInfo::DateWidth, ' ');
}

QByteArray nowText()
{
    return fixedField(CodePage::fromUnicode(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))),
                      KafFileInfo::TimeWidth, ' ');
}

} // namespace

QByteArray KAFHandler::TrimFixedString(const QByteArray &text)
{
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1) == '\0' || text.at(end - 1) == ' '))
        --end;
    return text.left(end);
}

bool KAFHandler::IsSafeStoredName(const QByteArray &name)
{
    if (name.isEmpty() || name.size() > KafFileInfo::FileNameWidth)
        return false;
    bool onlyDots = true;
    for (char c : name) {
        const uchar u = uchar(c);
        if (u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ':')
            return false;
        if (c != '.' && c != ' ')
            onlyDots = false;
    }
    return !onlyDots;
}

QByteArray KAFHandler::getRealFileName(const QString &FN)
{
    QString name = FN;
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return CodePage::fromUnicode(name.mid(name.lastIndexOf(QLatin1Char('\\')) + 1));
}

bool KAFHandler::fail(const QString &why)
{
    LastError = why;
    return false;
}

qint64 KAFHandler::dataStart() const
{
    return HeaderSize + (qint64(NumFI) + 1) * RecordSize; // bytes before the data area
}

qint64 KAFHandler::nextDataPosition() const
{
    // One past the first free position: each file leaves a one-byte gap after
    // the previous one, as the format has always been written.
    qint64 pos = dataStart() + 1;
    for (const KafFileInfo &r : Records)
        pos = qMax(pos, qint64(r.Offset) + qint64(r.Size) + 1);
    return pos;
}

QByteArray KAFHandler::tableBytes() const
{
    QByteArray out;
    out.reserve(qsizetype(dataStart()));
    appendInt32(out, NumFI);
    for (const KafFileInfo &r : Records) {
        out += r.FileName;
        out += r.DateAdded;
        out += r.TimeAdded;
        appendInt32(out, r.Offset);
        appendInt32(out, r.Size);
    }
    return out;
}

int KAFHandler::findRecord(const QByteArray &lowerName) const
{
    if (lowerName.isEmpty()) {
        for (int i = 0; i < Records.size(); ++i) {
            if (TrimFixedString(Records.at(i).FileName).isEmpty())
                return i;
        }
        return -1;
    }
    // A look-up per member of a large table would read every record each
    // time; the first record of each name is indexed once per table.
    if (!IndexValid) {
        Index.clear();
        Index.reserve(Records.size());
        for (int i = 0; i < Records.size(); ++i) {
            const QByteArray name = TrimFixedString(Records.at(i).FileName);
            if (name.isEmpty())
                continue;
            const QByteArray lower = CodePage::toLower(name);
            if (!Index.contains(lower))
                Index.insert(lower, i); // the first of a name wins
        }
        IndexValid = true;
    }
    return Index.value(lowerName, -1);
}

int KAFHandler::IndexOf(const QByteArray &FileNameInKaf) const
{
    const QByteArray lower = CodePage::toLower(TrimFixedString(FileNameInKaf));
    return lower.isEmpty() ? -1 : findRecord(lower);
}

bool KAFHandler::OpenFile(const QString &KAFFile)
{
    Records.clear();
    IndexValid = false;
    NumFI = -1;
    CurrentFile.clear();
    LastError.clear();

    QFile file(KAFFile);
    if (!file.open(QIODevice::ReadOnly))
        return fail(KAFFile + QStringLiteral(": ") + file.errorString());
    const qint64 length = file.size();
    const QByteArray head = file.read(HeaderSize);
    if (head.size() != HeaderSize)
        return fail(KAFFile + QStringLiteral(": too short for a pack archive"));
    const qint32 upper = readInt32(head.constData());
    if (upper < 0)
        return fail(KAFFile + QStringLiteral(": the record table bound is negative"));
    // The bound CreateFile keeps: a larger table is refused before any of it
    // is read, whatever the file's size allows.
    if (upper > MaxNumFI)
        return fail(KAFFile + QStringLiteral(": a table of ") + QString::number(qint64(upper) + 1)
                    + QStringLiteral(" records is refused"));
    const qint64 tableEnd = HeaderSize + (qint64(upper) + 1) * RecordSize;
    if (tableEnd > length)
        return fail(KAFFile + QStringLiteral(": the record table does not fit the file"));
    const QByteArray table = file.read(tableEnd - HeaderSize);
    if (table.size() != tableEnd - HeaderSize)
        return fail(KAFFile + QStringLiteral(": cannot read the record table"));

    QList<KafFileInfo> records;
    records.reserve(upper + 1);
    // Slots never written are all zero bytes; they share one record instead
    // of three allocations each, which is most of the cost of a large table.
    static const char zeros[RecordSize] = {};
    const KafFileInfo neverWritten = emptyRecord('\0');
    for (qint64 i = 0; i <= upper; ++i) {
        const char *p = table.constData() + i * RecordSize;
        if (std::memcmp(p, zeros, RecordSize) == 0) {
            records.append(neverWritten);
            continue;
        }
        KafFileInfo r;
        r.FileName = QByteArray(p, KafFileInfo::FileNameWidth);
        r.DateAdded = QByteArray(p + 255, KafFileInfo::DateWidth);
        r.TimeAdded = QByteArray(p + 265, KafFileInfo::TimeWidth);
        r.Offset = readInt32(p + 273);
        r.Size = readInt32(p + 277);
        const QByteArray name = TrimFixedString(r.FileName);
        const QString where = KAFFile + QStringLiteral(": record ") + QString::number(i);
        if (!name.isEmpty() && !IsSafeStoredName(name))
            return fail(where + QStringLiteral(" has a name that is not a plain file name"));
        if (r.Size < 0)
            return fail(where + QStringLiteral(" has a negative size"));
        if (r.Size > 0) {
            if (r.Offset <= tableEnd || qint64(r.Offset) - 1 + qint64(r.Size) > length)
                return fail(where + QStringLiteral(" has data outside the file"));
        } else if (r.Offset < 0 || r.Offset > length + 1) {
            return fail(where + QStringLiteral(" has a position outside the file"));
        }
        records.append(r);
    }
    Records = records;
    IndexValid = false;
    NumFI = upper;
    CurrentFile = KAFFile;
    return true;
}

bool KAFHandler::CreateFile(const QString &FileName, qint32 NumFINeeded)
{
    LastError.clear();
    if (NumFINeeded < 0 || NumFINeeded > MaxNumFI)
        return fail(FileName + QStringLiteral(": a table of ") + QString::number(qint64(NumFINeeded) + 1)
                    + QStringLiteral(" records is refused"));
    QList<KafFileInfo> records(NumFINeeded + 1, emptyRecord('\0'));
    const QList<KafFileInfo> oldRecords = Records;
    const qint32 oldNumFI = NumFI;
    Records = records;
    IndexValid = false;
    NumFI = NumFINeeded;
    // The table is written over the start of the file; anything beyond it in
    // an existing file stays (as dead space).
    QByteArray contents = tableBytes();
    if (QFileInfo::exists(FileName)) {
        bool ok = false;
        QFile old(FileName);
        QByteArray existing;
        if (old.open(QIODevice::ReadOnly)) {
            existing = old.readAll();
            ok = old.error() == QFileDevice::NoError;
        }
        if (!ok) {
            Records = oldRecords;
            IndexValid = false;
            NumFI = oldNumFI;
            return fail(FileName + QStringLiteral(": ") + old.errorString());
        }
        if (existing.size() > contents.size())
            contents += existing.mid(contents.size());
    }
    QString error;
    if (!AtomicFile::write(FileName, contents, &error)) {
        Records = oldRecords;
        IndexValid = false;
        NumFI = oldNumFI;
        return fail(error);
    }
    CurrentFile = FileName;
    return true;
}

bool KAFHandler::AddFile(const QString &FileName)
{
    LastError.clear();
    if (CurrentFile.isEmpty())
        return fail(QStringLiteral("no archive is open"));
    // Trailing blanks are padding in the table: the name is stored as it
    // will read back, so that it finds (and replaces) the record of that name.
    const QByteArray storedName = TrimFixedString(getRealFileName(FileName));
    if (!IsSafeStoredName(storedName))
        return fail(FileName + QStringLiteral(": not a name that can be stored"));

    QFile source(FileName);
    if (!source.open(QIODevice::ReadOnly) || source.size() == 0)
        return false; // a missing or empty source changes nothing
    if (source.size() > std::numeric_limits<qint32>::max())
        return fail(FileName + QStringLiteral(": too large for a pack archive"));
    const QByteArray data = source.readAll();
    source.close();
    if (data.isEmpty())
        return false;

    const QByteArray lower = CodePage::toLower(storedName);
    int slot = findRecord(lower);
    if (slot < 0)
        slot = findRecord(QByteArray());
    if (slot < 0) {
        if (!Reorganise())
            return false;
        slot = findRecord(QByteArray());
        if (slot < 0)
            return fail(CurrentFile + QStringLiteral(": no free record after compacting"));
    }

    const qint64 position = nextDataPosition();
    if (position - 1 + data.size() > std::numeric_limits<qint32>::max())
        return fail(CurrentFile + QStringLiteral(": the archive would grow beyond 2 GiB"));

    bool ok = false;
    QFile archive(CurrentFile);
    QByteArray contents;
    if (archive.open(QIODevice::ReadOnly)) {
        contents = archive.readAll();
        ok = archive.error() == QFileDevice::NoError;
    }
    if (!ok)
        return fail(CurrentFile + QStringLiteral(": ") + archive.errorString());
    archive.close();

    const KafFileInfo before = Records.at(slot);
    KafFileInfo &r = Records[slot];
    r.FileName = fixedField(storedName, KafFileInfo::FileNameWidth, ' ');
    r.DateAdded = todayText();
    r.TimeAdded = nowText();
    r.Offset = qint32(position);
    r.Size = qint32(data.size());
    IndexValid = false;

    const QByteArray table = tableBytes();
    const qint64 end = qMax<qint64>(contents.size(), position - 1 + data.size());
    contents.resize(qsizetype(end), '\0');
    std::copy(data.cbegin(), data.cend(), contents.begin() + (position - 1));
    std::copy(table.cbegin(), table.cend(), contents.begin());
    QString error;
    if (!AtomicFile::write(CurrentFile, contents, &error)) {
        Records[slot] = before;
        IndexValid = false;
        return fail(error);
    }
    return true;
}

bool KAFHandler::DeleteFile(const QByteArray &FileNameInKaf)
{
    LastError.clear();
    if (CurrentFile.isEmpty())
        return fail(QStringLiteral("no archive is open"));
    const QByteArray lower = CodePage::toLower(TrimFixedString(FileNameInKaf));
    const QList<KafFileInfo> before = Records;
    bool matched = false;
    for (KafFileInfo &r : Records) {
        if (!lower.isEmpty() && CodePage::toLower(TrimFixedString(r.FileName)) == lower) {
            r = emptyRecord(' ');
            matched = true;
        }
    }
    IndexValid = false;
    QFile archive(CurrentFile);
    QByteArray contents;
    bool ok = false;
    if (archive.open(QIODevice::ReadOnly)) {
        contents = archive.readAll();
        ok = archive.error() == QFileDevice::NoError;
    }
    if (!ok) {
        Records = before;
        IndexValid = false;
        return fail(CurrentFile + QStringLiteral(": ") + archive.errorString());
    }
    archive.close();
    const QByteArray table = tableBytes();
    if (contents.size() < table.size())
        contents.resize(table.size(), '\0');
    std::copy(table.cbegin(), table.cend(), contents.begin());
    QString error;
    if (!AtomicFile::write(CurrentFile, contents, &error)) {
        Records = before;
        IndexValid = false;
        return fail(error);
    }
    return matched;
}

bool KAFHandler::ExtractFile(const QByteArray &FileNameInKaf, const QString &ExtractFileName)
{
    LastError.clear();
    const int i = findRecord(CodePage::toLower(TrimFixedString(FileNameInKaf)));
    if (i < 0 || TrimFixedString(FileNameInKaf).isEmpty())
        return false;
    const KafFileInfo &r = Records.at(i);
    if (r.Size <= 0)
        return false;
    QFile archive(CurrentFile);
    if (!archive.open(QIODevice::ReadOnly))
        return fail(CurrentFile + QStringLiteral(": ") + archive.errorString());
    // The archive may have changed since it was opened: check again.
    if (qint64(r.Offset) - 1 + r.Size > archive.size() || !archive.seek(qint64(r.Offset) - 1))
        return fail(CurrentFile + QStringLiteral(": the data of ") + QString::fromLatin1(TrimFixedString(r.FileName))
                    + QStringLiteral(" lies outside the file"));
    const QByteArray data = archive.read(r.Size);
    archive.close();
    if (data.size() != r.Size)
        return fail(CurrentFile + QStringLiteral(": cannot read the stored file"));
    QString error;
    if (!AtomicFile::write(ExtractFileName, data, &error))
        return fail(error);
    return true;
}

bool KAFHandler::Reorganise()
{
    LastError.clear();
    if (CurrentFile.isEmpty())
        return fail(QStringLiteral("no archive is open"));
    const QString kept = CurrentFile;
    QFile archive(kept);
    if (!archive.open(QIODevice::ReadOnly))
        return fail(kept + QStringLiteral(": ") + archive.errorString());

    // Live records in table order; a name stored twice keeps the first one's
    // data, which is what extracting by that name gives.
    QList<KafFileInfo> live;
    QList<QByteArray> seen;
    for (const KafFileInfo &r : Records) {
        const QByteArray name = TrimFixedString(r.FileName);
        const QByteArray lower = CodePage::toLower(name);
        if (name.isEmpty() || seen.contains(lower))
            continue;
        seen.append(lower);
        live.append(r);
    }

    KAFHandler packed;
    packed.NumFI = qint32(live.size()) + 10;
    packed.Records = QList<KafFileInfo>(packed.NumFI + 1, emptyRecord('\0'));
    QByteArray data;
    qint64 position = packed.dataStart() + 1;
    int next = 0;
    for (int k = 0; k < live.size(); ++k) {
        const KafFileInfo &r = live.at(k);
        QByteArray bytes;
        if (r.Size > 0) {
            if (!archive.seek(qint64(r.Offset) - 1) || (bytes = archive.read(r.Size)).size() != r.Size)
                return fail(kept + QStringLiteral(": cannot read a stored file while compacting"));
        }
        if (bytes.isEmpty())
            continue; // an empty record is dropped, as adding an empty file does
        if (position - 1 + bytes.size() > std::numeric_limits<qint32>::max())
            return fail(kept + QStringLiteral(": too large to compact"));
        KafFileInfo &slot = packed.Records[next++];
        slot.FileName = fixedField(TrimFixedString(r.FileName), KafFileInfo::FileNameWidth, ' ');
        slot.DateAdded = todayText();
        slot.TimeAdded = nowText();
        slot.Offset = qint32(position);
        slot.Size = qint32(bytes.size());
        const qint64 gap = position - 1 - packed.dataStart() - data.size();
        if (gap > 0)
            data.append(qsizetype(gap), '\0');
        data += bytes;
        position += bytes.size() + 1;
    }
    archive.close();
    QString error;
    if (!AtomicFile::write(kept, packed.tableBytes() + data, &error))
        return fail(error);
    return OpenFile(kept);
}

void KAFHandler::AddDirectory(const QString &DirName)
{
    const QDir dir(DirName);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QString &name : names)
        AddFile(dir.filePath(name));
}

QByteArray KAFHandler::GetFileName(qint32 index) const
{
    return index >= 0 && index < Records.size() ? TrimFixedString(Records.at(index).FileName) : QByteArray();
}

QByteArray KAFHandler::getDateAdded(qint32 index) const
{
    return index >= 0 && index < Records.size() ? TrimFixedString(Records.at(index).DateAdded) : QByteArray();
}

QByteArray KAFHandler::getTimeAdded(qint32 index) const
{
    return index >= 0 && index < Records.size() ? TrimFixedString(Records.at(index).TimeAdded) : QByteArray();
}

qint32 KAFHandler::getOffset(qint32 index) const
{
    return index >= 0 && index < Records.size() ? Records.at(index).Offset : 0;
}

qint32 KAFHandler::getSize(qint32 index) const
{
    return index >= 0 && index < Records.size() ? Records.at(index).Size : 0;
}

QList<QByteArray> KAFHandler::FileNames() const
{
    QList<QByteArray> out;
    for (const KafFileInfo &r : Records) {
        const QByteArray name = TrimFixedString(r.FileName);
        if (!name.isEmpty())
            out.append(name);
    }
    return out;
}

bool KAFHandler::Contains(const QByteArray &FileNameInKaf) const
{
    const QByteArray lower = CodePage::toLower(TrimFixedString(FileNameInKaf));
    return !lower.isEmpty() && findRecord(lower) >= 0;
}
