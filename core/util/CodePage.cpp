#include "core/util/CodePage.h"

#include <array>

namespace {

// 0x80-0x9F of Windows-1252. The five codes the code page leaves unassigned
// map to the C1 control of the same number, so every byte survives
// toUnicode -> fromUnicode unchanged.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t unicodeOf(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F)
        return kHighControls[b - 0x80];
    return b; // the rest is Latin-1
}

int byteOf(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == u)
            return 0x80 + i;
    }
    return -1;
}

struct CaseTables
{
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};

    CaseTables()
    {
        for (int i = 0; i < 256; ++i)
            upper[i] = lower[i] = static_cast<unsigned char>(i);
        auto pair = [this](int up, int low) {
            upper[low] = static_cast<unsigned char>(up);
            lower[up] = static_cast<unsigned char>(low);
        };
        for (int c = 'A'; c <= 'Z'; ++c)
            pair(c, c + 32);
        for (int c = 0xC0; c <= 0xDE; ++c) {
            if (c != 0xD7) // multiplication sign; 0xF7 is the division sign
                pair(c, c + 32);
        }
        pair(0x8A, 0x9A); // S caron
        pair(0x8C, 0x9C); // OE
        pair(0x8E, 0x9E); // Z caron
        // 0xFF (y diaeresis) is left alone on purpose: it is the blank inside
        // free text on the wire and must never turn into 0x9F.
    }
};

const CaseTables &caseTables()
{
    static const CaseTables tables;
    return tables;
}

} // namespace

namespace CodePage {

QString toUnicode(const QByteArray &bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar *dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = QChar(unicodeOf(static_cast<unsigned char>(bytes[i])));
    return out;
}

QByteArray fromUnicode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append('?'); // one character outside the code page, one '?'
            ++i;
            continue;
        }
        const int b = byteOf(c.unicode());
        out.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

char toUpper(char c)
{
    return static_cast<char>(caseTables().upper[static_cast<unsigned char>(c)]);
}

char toLower(char c)
{
    return static_cast<char>(caseTables().lower[static_cast<unsigned char>(c)]);
}

QByteArray toUpper(const QByteArray &bytes)
{
    QByteArray out = bytes;
    for (char &c : out)
        c = toUpper(c);
    return out;
}

QByteArray toLower(const QByteArray &bytes)
{
    QByteArray out = bytes;
    for (char &c : out)
        c = toLower(c);
    return out;
}

} // namespace CodePage
