#include "core/util/CodePage.h"
#include "core/util/Text.h"

#include <QTest>

class TstText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodeText_data();
    void encodeText();
    void encodeRoundTripAllCodes();
    void hexToStr_data();
    void hexToStr();
    void cleanString_data();
    void cleanString();
    void lines_data();
    void lines();
    void strToBool_data();
    void strToBool();
    void leadingInt_data();
    void leadingInt();
    void hexBytesAndMd5();
    void wireBlanks();
    void codePageRoundTrip();
    void codePageHighControls();
    void caseTable();
};

void TstText::encodeText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("code 0") << QByteArray(1, '\0') << QByteArray("2B");
    QTest::newRow("code 212") << QByteArray(1, char(212)) << QByteArray("FF");
    QTest::newRow("code 213 wraps") << QByteArray(1, char(213)) << QByteArray("00");
    QTest::newRow("code 255") << QByteArray(1, char(255)) << QByteArray("2A");
    QTest::newRow("word") << QByteArray("abc") << QByteArray("8C8D8E");
}

void TstText::encodeText()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, encoded);
    QCOMPARE(Text::EncodeText(text), encoded);
    QCOMPARE(Text::DecodeText(encoded), text);
}

void TstText::lines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
    QTest::newRow("LF") << QByteArray("a\nb\n") << QList<QByteArray>{"a", "b"};
    QTest::newRow("no final line end") << QByteArray("a\nb") << QList<QByteArray>{"a", "b"};
    QTest::newRow("empty lines kept") << QByteArray("\n\r\nx\n\n") << QList<QByteArray>{"", "", "x", ""};
    QTest::newRow("a CR inside stays") << QByteArray("a\rb\n") << QList<QByteArray>{"a\rb"};
}

void TstText::lines()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(Text::Lines(text), lines);
}

void TstText::encodeRoundTripAllCodes()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QByteArray encoded = Text::EncodeText(all);
    QCOMPARE(encoded.size(), 512);
    for (char c : encoded)
        QVERIFY((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    QCOMPARE(Text::DecodeText(encoded), all);
}

void TstText::hexToStr_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("pairs") << QByteArray("41FF00") << QByteArray("A\xFF\0", 3);
    QTest::newRow("lower case digits") << QByteArray("ff") << QByteArray("\xFF");
    QTest::newRow("odd length: last digit alone") << QByteArray("414") << QByteArray("A\x04");
    QTest::newRow("junk first reads 0") << QByteArray("ZA") << QByteArray(1, '\0');
    QTest::newRow("junk second stops") << QByteArray("AZ") << QByteArray("\x0A");
    QTest::newRow("all junk") << QByteArray("?x-z") << QByteArray(2, '\0');
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TstText::hexToStr()
{
    QFETCH(QByteArray, hex);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Text::HexToStr(hex), bytes);
}

void TstText::cleanString_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("clean");
    QTest::newRow("NUL inside joins") << QByteArray("ab\0cd", 5) << QByteArray("abcd");
    QTest::newRow("trailing blanks") << QByteArray("  ab  ") << QByteArray("  ab");
    QTest::newRow("blanks before NULs") << QByteArray("ab \0\0", 5) << QByteArray("ab");
    QTest::newRow("blanks only") << QByteArray("   ") << QByteArray();
    QTest::newRow("inner blank stays") << QByteArray("a b") << QByteArray("a b");
}

void TstText::cleanString()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, clean);
    QCOMPARE(Text::CleanString(text), clean);
}

void TstText::strToBool_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("value");
    QTest::newRow("True") << QByteArray("True") << true;
    QTest::newRow("TRUE") << QByteArray("TRUE") << true;
    QTest::newRow("blanks anywhere") << QByteArray(" t R u e ") << true;
    QTest::newRow("False") << QByteArray("False") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("yes") << QByteArray("yes") << false;
    QTest::newRow("1") << QByteArray("1") << false;
    QTest::newRow("truer") << QByteArray("truer") << false;
    QTest::newRow("tab is not a blank") << QByteArray("true\t") << false;
}

void TstText::strToBool()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, value);
    QCOMPARE(Text::StrToBool(text), value);
}

void TstText::leadingInt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint32>("int32");
    QTest::addColumn<qint16>("int16");
    QTest::newRow("plain") << QByteArray("7576") << 7576 << qint16(7576);
    QTest::newRow("trailing junk") << QByteArray("12abc") << 12 << qint16(12);
    QTest::newRow("none") << QByteArray("abc") << 0 << qint16(0);
    QTest::newRow("empty") << QByteArray() << 0 << qint16(0);
    QTest::newRow("negative") << QByteArray("-5") << -5 << qint16(-5);
    QTest::newRow("leading blanks") << QByteArray("  42") << 42 << qint16(42);
    QTest::newRow("fraction rounds") << QByteArray("12.7") << 13 << qint16(13);
    QTest::newRow("half to even") << QByteArray("2.5") << 2 << qint16(2);
    QTest::newRow("clamped") << QByteArray("99999999999999999999") << 2147483647 << qint16(32767);
    QTest::newRow("clamped low") << QByteArray("-40000") << -40000 << qint16(-32768);
    QTest::newRow("sign alone") << QByteArray("-") << 0 << qint16(0);
}

void TstText::leadingInt()
{
    QFETCH(QByteArray, text);
    QFETCH(qint32, int32);
    QFETCH(qint16, int16);
    QCOMPARE(Text::LeadingInt32(text), int32);
    QCOMPARE(Text::LeadingInt16(text), int16);
}

void TstText::hexBytesAndMd5()
{
    QCOMPARE(Text::HexBytes(0x0A), QByteArray("0A"));
    QCOMPARE(Text::HexBytes(0xFF), QByteArray("FF"));
    QCOMPARE(Text::HexBytes(0), QByteArray("00"));
    QCOMPARE(Text::StrToHex("\x01\xAB"), QByteArray("01AB"));
    QCOMPARE(Text::MD5String(""), QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(Text::MD5String("password"), QByteArray("5f4dcc3b5aa765d61d8327deb882cf99"));
    QCOMPARE(Text::NewLine(), QByteArray("\r\n"));
}

void TstText::wireBlanks()
{
    QCOMPARE(Text::UnderscoresToBlanks("Big_Bad_Wolf"), QByteArray("Big Bad Wolf"));
    QCOMPARE(Text::BlanksToUnderscores("Big Bad Wolf"), QByteArray("Big_Bad_Wolf"));
    QCOMPARE(Text::BlanksToFreeText("hi there"), QByteArray("hi\xFFthere"));
    QCOMPARE(Text::FreeTextToBlanks("hi\xFFthere"), QByteArray("hi there"));
}

void TstText::codePageRoundTrip()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QString text = CodePage::toUnicode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(CodePage::fromUnicode(text), all);
}

void TstText::codePageHighControls()
{
    QCOMPARE(CodePage::toUnicode("\x80"), QString(QChar(0x20AC)));
    QCOMPARE(CodePage::toUnicode("\x9F"), QString(QChar(0x0178)));
    QCOMPARE(CodePage::toUnicode("\xE9"), QString(QChar(0x00E9)));
    QCOMPARE(CodePage::fromUnicode(QString(QChar(0x2122))), QByteArray("\x99"));
    // Outside the code page: one '?' per character, a surrogate pair included.
    QCOMPARE(CodePage::fromUnicode(QString::fromUtf8("a\u4E2D\U0001F600b")), QByteArray("a??b"));
}

void TstText::caseTable()
{
    QCOMPARE(CodePage::toUpper(QByteArray("abc\xE9\x9A\xFF")), QByteArray("ABC\xC9\x8A\xFF"));
    QCOMPARE(CodePage::toLower(QByteArray("ABC\xC9\x8A\x9F")), QByteArray("abc\xE9\x9A\x9F"));
    QCOMPARE(CodePage::toUpper(QByteArray("\xF7\xDF\xB5")), QByteArray("\xF7\xDF\xB5"));
    QCOMPARE(CodePage::toUpper('q'), 'Q');
    QCOMPARE(CodePage::toLower('Q'), 'q');
}

QTEST_GUILESS_MAIN(TstText)
#include "tst_text.moc"
