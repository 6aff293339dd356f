#include "packs/PackFileReader.h"

#include "core/util/CodePage.h"
#include "packs/KAFHandler.h"

#include <QFile>
#include <QFileInfo>

bool ReadPackFile(const KAFHandler &kaf, const QByteArray &name, QByteArray *bytes,
                  QString *error, qint64 limit)
{
    // The first record of that name, as ExtractFile picks it.
    const qint32 i = kaf.IndexOf(name);
    if (i >= 0) {
        const qint32 offset = kaf.getOffset(i);
        const qint32 size = kaf.getSize(i);
        if (size <= 0 || offset < 1) {
            if (error)
                *error = CodePage::toUnicode(name) + QStringLiteral(": empty in the pack");
            return false;
        }
        QFile file(kaf.getCurrentFile());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(offset - 1)) {
            if (error)
                *error = kaf.getCurrentFile() + QStringLiteral(": ") + file.errorString();
            return false;
        }
        const qint64 wanted = limit >= 0 ? qMin<qint64>(size, limit) : size;
        *bytes = file.read(wanted);
        if (bytes->size() != wanted) {
            if (error)
                *error = kaf.getCurrentFile() + QStringLiteral(": the pack is cut short");
            return false;
        }
        return true;
    }
    if (error)
        *error = CodePage::toUnicode(name) + QStringLiteral(": not in the pack");
    return false;
}

QByteArray ReadSmallPackFile(const KAFHandler &kaf, const QByteArray &name, qint64 limit)
{
    QByteArray bytes;
    if (!ReadPackFile(kaf, name, &bytes, nullptr, limit + 1) || bytes.size() > limit)
        return QByteArray();
    return bytes;
}

QByteArray PackText::cutLine(const QByteArray &text)
{
    return text.size() > MaxLineChars ? text.left(MaxLineChars) : text;
}

QByteArray PackText::breakLongLines(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / DisplayLineChars * 2);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        const bool last = end < 0;
        if (last)
            end = text.size();
        qsizetype body = end;
        if (!last && body > start && text.at(body - 1) == '\r')
            --body;
        const QByteArray lineEnd = last ? QByteArray() : text.mid(body, end + 1 - body);
        for (qsizetype at = start; at < body; at += DisplayLineChars) {
            const qsizetype n = qMin(DisplayLineChars, body - at);
            out.append(text.constData() + at, n);
            if (at + n < body)
                out += lineEnd.isEmpty() ? QByteArray("\r\n") : lineEnd;
        }
        out += lineEnd;
        start = end + 1;
    }
    return out;
}

const KAFHandler *KeptPack::open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        forget();
        return nullptr;
    }
    const qint64 size = info.size();
    const QDateTime modified = info.lastModified();
    if (path != m_path || size != m_size || modified != m_modified) {
        m_path = path;
        m_size = size;
        m_modified = modified;
        m_ok = m_kaf.OpenFile(path);
        ++m_reads;
    }
    return m_ok ? &m_kaf : nullptr;
}

void KeptPack::forget()
{
    m_path.clear();
    m_size = -1;
    m_modified = QDateTime();
    m_ok = false;
}
