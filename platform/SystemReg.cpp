#include "platform/SystemReg.h"

#include <QList>

namespace {

QString foldKey(const QString &key)
{
    QString out;
    for (const QString &part : key.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (!out.isEmpty())
            out += QLatin1Char('\\');
        out += part.toCaseFolded();
    }
    return out;
}

QString foldName(const QString &name)
{
    return name == QLatin1String("@") ? QString() : name.toCaseFolded();
}

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reads an escaped text that opens at text[*pos] and ends at `end`, with
// Wine's escapes (\\ \" \n \r \t \a \b \e \f \v, \xHHHH, \ooo). Leaves *pos
// after the closing character; false when the text never closes.
bool readEscaped(const QString &text, qsizetype *pos, QChar end, QString *out)
{
    qsizetype i = *pos + 1;
    out->clear();
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text[i];
        if (c == end) {
            *pos = i + 1;
            return true;
        }
        if (c != QLatin1Char('\\') || i + 1 >= n) {
            out->append(c);
            ++i;
            continue;
        }
        const QChar e = text[i + 1];
        i += 2;
        switch (e.unicode()) {
        case 'n': out->append(QLatin1Char('\n')); break;
        case 'r': out->append(QLatin1Char('\r')); break;
        case 't': out->append(QLatin1Char('\t')); break;
        case 'a': out->append(QChar(7)); break;
        case 'b': out->append(QChar(8)); break;
        case 'e': out->append(QChar(27)); break;
        case 'f': out->append(QChar(12)); break;
        case 'v': out->append(QChar(11)); break;
        case 'x': {
            uint code = 0;
            int digits = 0;
            while (digits < 4 && i < n && hexValue(text[i]) >= 0) {
                code = code * 16 + uint(hexValue(text[i]));
                ++i;
                ++digits;
            }
            out->append(digits ? QChar(char16_t(code)) : QLatin1Char('x'));
            break;
        }
        default:
            if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
                uint code = uint(e.unicode() - '0');
                int digits = 1;
                while (digits < 3 && i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('7')) {
                    code = code * 8 + uint(text[i].unicode() - '0');
                    ++i;
                    ++digits;
                }
                out->append(QChar(char16_t(code & 0xFFFF)));
            } else {
                out->append(e); // \\ and \" and anything else: the character itself
            }
        }
    }
    return false;
}

bool readQuoted(const QString &text, qsizetype *pos, QString *out)
{
    return readEscaped(text, pos, QLatin1Char('"'), out);
}

// "[Software\\Vendor] 1234" gives "Software\Vendor".
bool readKeyHeader(const QString &line, QString *key)
{
    qsizetype pos = 0;
    return line.startsWith(QLatin1Char('[')) && readEscaped(line, &pos, QLatin1Char(']'), key);
}

} // namespace

SystemReg SystemReg::parse(const QByteArray &fileText)
{
    SystemReg reg;
    // Lines ending in '\' continue (long hex values); join them first.
    const QStringList rawLines = QString::fromUtf8(fileText).split(QLatin1Char('\n'));
    QStringList lines;
    // The joined line grows in place: copying it again for every piece
    // would make a long continued value quadratic.
    QString pending;
    for (const QString &raw : rawLines) {
        QStringView line(raw);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!pending.isEmpty())
            pending += line.trimmed();
        else
            pending = line.toString();
        // Long hex values go on over lines ending in '\'; strings and key
        // headers end in '"' or a time stamp, never in a bare backslash.
        if (!pending.startsWith(QLatin1Char('[')) && pending.endsWith(QLatin1Char('\\'))) {
            pending.chop(1);
            continue;
        }
        lines.append(std::move(pending));
        pending = QString();
    }
    if (!pending.isEmpty())
        lines.append(pending);

    // The key being read, by its folded path (no pointer into the hash: an
    // insert may move its values).
    QString current;
    bool inKey = false;
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        QString key;
        if (readKeyHeader(line, &key)) {
            current = foldKey(key);
            reg.m_keys[current];
            inKey = true;
            continue;
        }
        if (!inKey)
            continue;
        QString name;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (line.startsWith(QLatin1Char('"'))) {
            if (!readQuoted(line, &pos, &name))
                continue;
        } else {
            continue;
        }
        if (pos >= line.size() || line[pos] != QLatin1Char('='))
            continue;
        ++pos;
        const QString data = line.mid(pos);
        Value v;
        if (data.startsWith(QLatin1Char('"'))) {
            qsizetype p = 0;
            if (!readQuoted(data, &p, &v.text))
                continue;
            v.type = Value::Type::String;
        } else if (data.startsWith(QLatin1String("str(2):\""))) {
            qsizetype p = 7;
            if (!readQuoted(data, &p, &v.text))
                continue;
            v.type = Value::Type::ExpandString;
        } else if (data.startsWith(QLatin1String("dword:"))) {
            bool ok = false;
            const QString digits = data.mid(6).trimmed();
            v.dword = digits.toUInt(&ok, 16);
            if (!ok || digits.size() > 8)
                continue;
            v.type = Value::Type::Dword;
        } else {
            v.type = Value::Type::Other; // hex:, hex(n):, str(7): ...
        }
        reg.m_keys[current].insert(foldName(name), v);
    }
    return reg;
}

bool SystemReg::hasKey(const QString &key) const
{
    return m_keys.contains(foldKey(key));
}

std::optional<SystemReg::Value> SystemReg::value(const QString &key, const QString &name) const
{
    const auto k = m_keys.constFind(foldKey(key));
    if (k == m_keys.constEnd())
        return std::nullopt;
    const auto v = k->constFind(foldName(name));
    if (v == k->constEnd())
        return std::nullopt;
    return *v;
}
