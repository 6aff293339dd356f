#include "packs/LangFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray units(const QList<quint16> &values)
{
    QByteArray out;
    for (quint16 v : values) {
        char b[2];
        qToLittleEndian<quint16>(v, b);
        out.append(b, 2);
    }
    return out;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLangFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString file(const QString &name) const { return dir.filePath(name); }

private Q_SLOTS:
    void loadsLinesAndSavesThemBack()
    {
        const QString path = file(QStringLiteral("LANG00.DAT"));
        const QByteArray bytes = units({'A', 'B', 0, 'C', 0});
        writeFile(path, bytes);
        clsLangFile lang(dir.path());
        QVERIFY(lang.LoadFile(path));
        QCOMPARE(lang.LineCount(), 2);
        QCOMPARE(lang.GetLine(0), QByteArray("AB"));
        QCOMPARE(lang.GetLine(1), QByteArray("C"));
        QCOMPARE(lang.GetLine(2), QByteArray());
        QCOMPARE(lang.GetLine(3), QByteArray());
        QCOMPARE(lang.GetLine(-1), QByteArray());
        QCOMPARE(lang.FileName(), path);
        QVERIFY(lang.SaveLang());
        QCOMPARE(readFile(path), bytes);
        QCOMPARE(readFile(file(QStringLiteral("langout.dat"))), bytes); // the work file stays
    }

    void setLineTable_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray original = units({'A', 'B', 0, 'C', 0});
        QTest::newRow("first line") << 0 << QByteArray("Level") << units({'L', 'e', 'v', 'e', 'l', 0, 'C', 0});
        QTest::newRow("code page byte") << 1 << QByteArray("\xe9") << units({'A', 'B', 0, 0xE9, 0});
        QTest::newRow("trailing entry is not saved") << 2 << QByteArray("X") << original;
        QTest::newRow("beyond the end") << 3 << QByteArray("X") << original;
        QTest::newRow("negative") << -1 << QByteArray("X") << original;
        QTest::newRow("empty text") << 0 << QByteArray() << units({0, 'C', 0});
    }

    void setLineTable()
    {
        QFETCH(int, line);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, saved);
        const QString path = file(QStringLiteral("set.dat"));
        writeFile(path, units({'A', 'B', 0, 'C', 0}));
        clsLangFile lang(dir.path());
        QVERIFY(lang.LoadFile(path));
        lang.SetLine(line, text);
        QVERIFY(lang.SaveLang());
        QCOMPARE(readFile(path), saved);
    }

    void wideUnitsAndTrailingTextSurvive()
    {
        const QString path = file(QStringLiteral("wide.dat"));
        // A unit that no single byte holds, and text after the last line end.
        writeFile(path, units({0x4E2D, 'x', 0, 'y', 0, 'T', 'a', 'i', 'l'}) + QByteArray("\x01", 1));
        clsLangFile lang(dir.path());
        QVERIFY(lang.LoadFile(path));
        QCOMPARE(lang.LineCount(), 2);
        QCOMPARE(lang.GetLineUnits(0), (QList<quint16>{0x4E2D, 'x'}));
        QCOMPARE(lang.GetLine(0), QByteArray("?x"));
        QCOMPARE(lang.GetLine(2), QByteArray("Tail"));
        lang.SetLine(1, "z");
        QVERIFY(lang.SaveLang());
        QCOMPARE(readFile(path), units({0x4E2D, 'x', 0, 'z', 0}));
    }

    void missingFileLoadsAsOneEmptyLine()
    {
        clsLangFile lang(dir.path());
        QVERIFY(!lang.LoadFile(file(QStringLiteral("none.dat"))));
        QCOMPARE(lang.LineCount(), 0);
        QCOMPARE(lang.GetLine(0), QByteArray());
    }

    void saveIntoAMissingFolderFails()
    {
        const QString path = file(QStringLiteral("ok.dat"));
        writeFile(path, units({'A', 0}));
        clsLangFile lang(file(QStringLiteral("no/such/folder")));
        QVERIFY(lang.LoadFile(path));
        QVERIFY(!lang.SaveLang());
        QCOMPARE(readFile(path), units({'A', 0}));
    }

    void languageFileName_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("0") << 0 << QByteArray("LANG00.DAT");
        QTest::newRow("3") << 3 << QByteArray("LANG03.DAT");
        QTest::newRow("5") << 5 << QByteArray("LANG05.DAT");
        QTest::newRow("10") << 10 << QByteArray("LANG10.DAT");
        QTest::newRow("12") << 12 << QByteArray("LANG12.DAT");
        QTest::newRow("123") << 123 << QByteArray("LANG123.DAT");
    }

    void languageFileName()
    {
        QFETCH(int, language);
        QFETCH(QByteArray, name);
        QCOMPARE(LanguageFileName(language), name);
    }
};

QTEST_GUILESS_MAIN(TestLangFile)
#include "tst_langfile.moc"
