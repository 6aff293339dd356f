#include "core/util/Files.h"
#include "lobby/BadWordList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_BadWords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filter_data()
    {
        QTest::addColumn<QList<QByteArray>>("words");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("inside a word, any case") << QList<QByteArray>{"ass"} << QByteArray("ClASSic pASSes")
                                                 << QByteArray("Cl****ic p****es");
        QTest::newRow("always four") << QList<QByteArray>{"a", "longword"} << QByteArray("LongWord a")
                                     << QByteArray("**** ****");
        QTest::newRow("last entry first") << QList<QByteArray>{"abc", "bc"} << QByteArray("abc")
                                          << QByteArray("a****");
        QTest::newRow("empty entry skipped") << QList<QByteArray>{"", "x"} << QByteArray("axb")
                                             << QByteArray("a****b");
        QTest::newRow("none") << QList<QByteArray>{} << QByteArray("text") << QByteArray("text");
        QTest::newRow("code page letters") << QList<QByteArray>{"\xE4rger"} << QByteArray("\xC4RGER!")
                                           << QByteArray("****!");
        QTest::newRow("adjacent") << QList<QByteArray>{"ab"} << QByteArray("ababab")
                                  << QByteArray("************");
    }

    void filter()
    {
        QFETCH(QList<QByteArray>, words);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, shown);
        BadWordList list;
        list.setWords(words);
        QCOMPARE(list.FilterBadWords(text), shown);
    }

    void longLineFullOfMatches()
    {
        BadWordList list;
        list.setWords({"s"});
        const QByteArray shown = list.FilterBadWords(QByteArray(65536, 'S'));
        QCOMPARE(shown, QByteArray(65536 * 4, '*'));
    }

    void fileFormat_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QList<QByteArray>>("words");
        QTest::newRow("three words") << QByteArray("one\r\ntwo\r\nthree\r\n")
                                     << QList<QByteArray>{"one", "two", "three"};
        QTest::newRow("no final CR LF") << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
        QTest::newRow("empty lines dropped") << QByteArray("\r\na\r\n\r\n") << QList<QByteArray>{"a"};
        QTest::newRow("lone LF stays inside") << QByteArray("a\nb\r\n") << QList<QByteArray>{"a\nb"};
        QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
        QTest::newRow("just CR LF") << QByteArray("\r\n") << QList<QByteArray>{};
    }

    void fileFormat()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QList<QByteArray>, words);
        QCOMPARE(BadWordList::parse(contents), words);
    }

    void saveAndLoad()
    {
        QTemporaryDir dir;
        BadWordList list;
        QVERIFY(list.load(dir.path()));   // missing: created empty
        QVERIFY(Files::FileExists(BadWordList::filePath(dir.path())));
        QVERIFY(list.words().isEmpty());
        QVERIFY(list.save(dir.path()));
        QCOMPARE(Files::ReadAll(BadWordList::filePath(dir.path())), QByteArray("\r\n"));

        list.add("one");
        list.add("");
        list.add("Two Words");
        list.add("three");
        QVERIFY(list.save(dir.path()));
        const QByteArray saved = Files::ReadAll(BadWordList::filePath(dir.path()));
        QCOMPARE(saved, QByteArray("one\r\nTwo Words\r\nthree\r\n"));
        BadWordList again;
        QVERIFY(again.load(dir.path()));
        QCOMPARE(again.words(), list.words());
        QVERIFY(again.save(dir.path()));
        QCOMPARE(Files::ReadAll(BadWordList::filePath(dir.path())), saved);

        again.removeAt(1);
        again.removeAt(7);
        QCOMPARE(again.words(), (QList<QByteArray>{"one", "three"}));
    }
};

QTEST_GUILESS_MAIN(tst_BadWords)
#include "tst_badwords.moc"
