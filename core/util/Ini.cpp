#include "core/util/Ini.h"

#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

const QByteArray kHeaderStart = QByteArrayLiteral("[SECTION=");
const QByteArray kSectionEnd = QByteArrayLiteral("[EOS]");

// Lines end with CR LF in files the client writes; a lone CR or LF (a file
// edited by hand) ends a line too.
QList<QByteArray> splitLines(const QByteArray &data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (data[i] == '\r' || data[i] == '\n') {
            lines.append(data.mid(start, i - start));
            if (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(data.mid(start));
    return lines;
}

bool isHeader(const QByteArray &line, QByteArray *name)
{
    if (line.size() < kHeaderStart.size() + 1 || !line.startsWith(kHeaderStart) || !line.endsWith(']'))
        return false;
    *name = line.mid(kHeaderStart.size(), line.size() - kHeaderStart.size() - 1);
    return true;
}

QByteArray withoutLineBreaks(QByteArray text)
{
    text.replace('\r', QByteArray());
    text.replace('\n', QByteArray());
    return text;
}

struct IniEntry
{
    QByteArray Key;
    QByteArray Value;
    bool HasEquals = true; // false: a stray line without '=', kept as it stood
};

struct IniSection
{
    QByteArray Name;
    QList<IniEntry> Entries;
};

} // namespace

namespace Ini {

QByteArray ReadIni(const QString &file, const QByteArray &section, const QByteArray &key,
                   const QByteArray &defaultValue)
{
    QFile f(file);
    if (file.isEmpty() || !QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly))
        return defaultValue;
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return defaultValue;

    const QByteArray wantedSection = CodePage::toUpper(section);
    // The whole key, then '=': "font" must not match a line "fontsize=...".
    const QByteArray prefix = CodePage::toUpper(key) + '=';
    QByteArray current;
    QByteArray found;
    for (const QByteArray &line : splitLines(data)) {
        QByteArray name;
        if (isHeader(line, &name))
            current = name;
        // "[EOS]" does not close the section here: later entry lines still
        // count for the section above them, and the last match wins.
        if (current == wantedSection && !line.startsWith('[') && line.startsWith(prefix))
            found = line.mid(prefix.size());
    }
    return found.isEmpty() ? defaultValue : found;
}

bool WriteIni(const QString &file, const QByteArray &section, const QByteArray &key,
              const QByteArray &value, QString *error)
{
    const QByteArray wantedSection = withoutLineBreaks(CodePage::toUpper(section));
    const QByteArray wantedKey = withoutLineBreaks(CodePage::toUpper(key));
    const QByteArray newValue = withoutLineBreaks(value);

    QByteArray data;
    if (QFileInfo::exists(file)) {
        QFile f(file);
        // A file that is there but cannot be read must not be replaced by a
        // file holding this one key.
        if (!f.open(QIODevice::ReadOnly)) {
            if (error)
                *error = file + QStringLiteral(": ") + f.errorString();
            return false;
        }
        data = f.readAll();
        if (f.error() != QFileDevice::NoError) {
            if (error)
                *error = file + QStringLiteral(": ") + f.errorString();
            return false;
        }
    }

    QList<IniSection> sections;
    for (const QByteArray &line : splitLines(data)) {
        QByteArray name;
        if (isHeader(line, &name)) {
            sections.append(IniSection{name, {}});
            continue;
        }
        if (line == kSectionEnd || line.trimmed().isEmpty())
            continue;
        if (sections.isEmpty())
            continue; // text before the first header belongs to no section
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            sections.last().Entries.append(IniEntry{line, QByteArray(), false});
        else
            sections.last().Entries.append(IniEntry{line.left(eq), line.mid(eq + 1), true});
    }

    bool matched = false;
    IniSection *first = nullptr;
    for (IniSection &s : sections) {
        if (s.Name != wantedSection)
            continue;
        if (!first)
            first = &s;
        for (IniEntry &e : s.Entries) {
            if (e.HasEquals && e.Key == wantedKey) {
                e.Value = newValue;
                matched = true;
            }
        }
    }
    if (!matched) {
        if (first) {
            first->Entries.append(IniEntry{wantedKey, newValue, true});
        } else {
            sections.append(IniSection{wantedSection, {IniEntry{wantedKey, newValue, true}}});
        }
    }

    QByteArray out;
    for (const IniSection &s : sections) {
        out += kHeaderStart + s.Name + "]\r\n";
        for (const IniEntry &e : s.Entries) {
            out += e.Key;
            if (e.HasEquals)
                out += '=' + e.Value;
            out += "\r\n";
        }
        out += kSectionEnd + "\r\n";
    }
    return AtomicFile::write(file, out, error);
}

} // namespace Ini
