#include "core/util/Text.h"

#include "core/util/CodePage.h"

#include <QCryptographicHash>

#include <cmath>
#include <limits>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray shifted(const QByteArray &text, int by)
{
    QByteArray out = text;
    for (char &c : out)
        c = static_cast<char>((static_cast<unsigned char>(c) + by + 256) % 256);
    return out;
}

QByteArray replaced(const QByteArray &text, char from, char to)
{
    QByteArray out = text;
    out.replace(from, to);
    return out;
}

// The leading number of `text`: blanks skipped, optional sign, digits, an
// optional fraction; rounded half to even, saturated to [lo, hi].
qint64 leadingNumber(const QByteArray &text, qint64 lo, qint64 hi)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Past 2^53 nothing of the range of a 32-bit field is left to decide,
    // so the digits saturate there.
    constexpr double cap = 9007199254740992.0;
    double value = 0;
    bool any = false;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        value = std::min(cap, value * 10 + (text[i] - '0'));
        any = true;
        ++i;
    }
    if (i < n && text[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            value += (text[i] - '0') * scale;
            scale /= 10;
            any = true;
            ++i;
        }
    }
    if (!any)
        return 0;
    double rounded = std::nearbyint(negative ? -value : value);
    if (rounded < static_cast<double>(lo))
        return lo;
    if (rounded > static_cast<double>(hi))
        return hi;
    return static_cast<qint64>(rounded);
}

} // namespace

namespace Text {

QByteArray NewLine()
{
    return QByteArrayLiteral("\r\n");
}

QByteArray CleanString(const QByteArray &text)
{
    QByteArray out = text;
    out.replace('\0', QByteArray());
    qsizetype end = out.size();
    while (end > 0 && out[end - 1] == ' ')
        --end;
    out.truncate(end);
    return out;
}

QByteArray EncodeText(const QByteArray &text)
{
    return StrToHex(shifted(text, 43));
}

QByteArray DecodeText(const QByteArray &hex)
{
    return shifted(HexToStr(hex), -43);
}

QByteArray StrToHex(const QByteArray &text)
{
    return text.toHex().toUpper();
}

QByteArray HexToStr(const QByteArray &hex)
{
    QByteArray out;
    out.reserve(hex.size() / 2 + 1);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        // Each pair is read as far as it holds hex digits: "A?" is 10, "?A" is 0.
        int code = 0;
        for (qsizetype j = i; j < i + 2 && j < hex.size(); ++j) {
            const int d = hexDigit(hex[j]);
            if (d < 0)
                break;
            code = code * 16 + d;
        }
        out.append(static_cast<char>(code));
    }
    return out;
}

QByteArray HexBytes(quint8 byte)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray out(2, '0');
    out[0] = digits[byte >> 4];
    out[1] = digits[byte & 0x0F];
    return out;
}

QByteArray MD5String(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

bool StrToBool(const QByteArray &text)
{
    QByteArray squeezed = text;
    squeezed.replace(' ', QByteArray());
    return CodePage::toLower(squeezed) == "true";
}

qint32 LeadingInt32(const QByteArray &text)
{
    return static_cast<qint32>(leadingNumber(text, std::numeric_limits<qint32>::min(),
                                             std::numeric_limits<qint32>::max()));
}

qint16 LeadingInt16(const QByteArray &text)
{
    return static_cast<qint16>(leadingNumber(text, std::numeric_limits<qint16>::min(),
                                             std::numeric_limits<qint16>::max()));
}

QList<QByteArray> Lines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
    }
    return lines;
}

QByteArray UnderscoresToBlanks(const QByteArray &name)
{
    return replaced(name, '_', ' ');
}

QByteArray BlanksToUnderscores(const QByteArray &name)
{
    return replaced(name, ' ', '_');
}

QByteArray FreeTextToBlanks(const QByteArray &text)
{
    return replaced(text, '\xFF', ' ');
}

QByteArray BlanksToFreeText(const QByteArray &text)
{
    return replaced(text, ' ', '\xFF');
}

} // namespace Text
