#include "ChatLogRuns.h"

#include "core/ClientState.h"
#include "lobby/BadWordList.h"
#include "lobby/ChatColours.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
#include "lobby/Smileys.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

class tst_ChatLog : public QObject
{
    Q_OBJECT

private:
    static QString pic(int imageNumber) { return QStringLiteral("[smiley:%1]").arg(imageNumber); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void tableHas49Tags()
    {
        QCOMPARE(Smileys::tags().size(), 49);
        QCOMPARE(Smileys::tags().first(), QStringLiteral(":@"));
        QCOMPARE(Smileys::tags().at(46), QStringLiteral(":)"));
        QCOMPARE(Smileys::tags().last(), QStringLiteral(":o"));
        for (int i = 0; i < Smileys::Count; ++i) {
            const QImage image = Smileys::picture(i);
            QCOMPARE(image.size(), QSize(18, 18));
        }
    }

    void smileyRuns_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("smile") << "hi :)" << "hi " + pic(47);
        QTest::newRow("capital D") << ":D" << pic(14);
        QTest::newRow("lower d stays") << ":d" << ":d";
        QTest::newRow("two in a row") << ":):)" << pic(47) + pic(47);
        QTest::newRow("angry whole") << ">:(" << pic(6);
        QTest::newRow("party whole") << "<:o" << pic(41);
        QTest::newRow("bar colon bar") << "|:|" << "|" + pic(22);
        QTest::newRow("glasses") << "8)" << pic(9);
        QTest::newRow("named") << "a :lol: b :glass: c" << "a " + pic(5) + " b " + pic(25) + " c";
        QTest::newRow("earlier tag wins") << ":(:o" << ":" + pic(40) + "o";
        QTest::newRow("frown, open") << ":( :o" << pic(48) + " " + pic(49);
        QTest::newRow("no smileys") << "plain words" << "plain words";
        QTest::newRow("arrow") << "go -> there" << "go " + pic(10) + " there";
        QTest::newRow("tag in tag") << ":i16:" << pic(15);
    }

    void smileyRuns()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF(typed.toLatin1(), 0);
        QCOMPARE(shownText(logs.log(0)), shown);
    }

    void smileyAcrossTwoAppends()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF("look :", 0);
        logs.AddLogRTF(")", 0);
        QCOMPARE(shownText(logs.log(0)), "look " + pic(47));
    }

    void textLeftWhileOffIsConvertedLater()
    {
        ClientOptions options;
        options.ConvSmileys = false;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF("a :) b\r\n", 0);
        for (int i = 0; i < 50; ++i)
            logs.AddLogRTF("filler line\r\n", 0);
        QCOMPARE(logs.log(0)->pictureCount(), 0);
        options.ConvSmileys = true;
        logs.AddLogRTF("c ;)", 0);
        QCOMPARE(logs.log(0)->pictureCount(), 2);
        QVERIFY(shownText(logs.log(0)).startsWith("a " + pic(47) + " b\n"));
    }

    void smileysOnlyInTheRoomWritten()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.ensureLog(3);
        options.ConvSmileys = false;
        logs.AddLogRTF(":)", 0);
        options.ConvSmileys = true;
        logs.AddLogRTF(":)", 3);
        QCOMPARE(shownText(logs.log(3)), pic(47));
        QCOMPARE(shownText(logs.log(0)), QStringLiteral(":)"));
    }

    // The conversion of only the text not yet converted must give exactly what
    // searching the whole log after every append gives.
    void incrementalEqualsWholeLogSearch()
    {
        const QStringList pieces = {":", ")", "(", "8", "|", "-", "_", "<", ">", "o", "O", "D", "p",
                                    "i", "9", "[", "h", "]", "'", "?", "x", "X", "s", "S", "{", "}",
                                    ";", "/", "@", " ", "ab", "\r\n", ":glass:", ":i34:", "|:|", "yawn"};
        QRandomGenerator rng(20261210);
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        QString model;   // pictures as U+E000 + index
        const auto convertModel = [&model] {
            const QList<QString> &tags = Smileys::tags();
            for (int i = 0; i < tags.size(); ++i) {
                qsizetype at;
                while ((at = model.indexOf(tags[i])) >= 0)
                    model.replace(at, tags[i].size(), QChar(0xE000 + i));
            }
        };
        for (int step = 0; step < 4000; ++step) {
            options.ConvSmileys = rng.bounded(10) != 0;
            QString text;
            const int n = 1 + int(rng.bounded(6));
            for (int k = 0; k < n; ++k)
                text += pieces[rng.bounded(int(pieces.size()))];
            logs.AddLogRTF(text.toLatin1(), 0);
            model += QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            if (options.ConvSmileys)
                convertModel();
            if (model.size() > ChatLog::TrimAbove)
                model.remove(0, model.size() - ChatLog::TrimTo);
        }
        options.ConvSmileys = true;
        logs.AddLogRTF("end", 0);
        model += QStringLiteral("end");
        convertModel();
        QString expected;
        for (QChar c : model)
            expected += c.unicode() >= 0xE000 && c.unicode() < 0xE000 + Smileys::Count
                ? pic(c.unicode() - 0xE000 + 1) : QString(c);
        QCOMPARE(shownText(logs.log(0)), expected);
    }

    // A line as long as the connection lets through, made of smileys.
    void longLineOfSmileys()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        QByteArray line;
        while (line.size() < 60000)
            line += ":)";
        logs.AddLogRTF(line, 0);
        QCOMPARE(logs.log(0)->length(), 30000);
        QCOMPARE(logs.log(0)->pictureCount(), 30000);
    }

    void trimming_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("after");
        QTest::newRow("40,010 stays") << 40000 << 10 << 40010;
        QTest::newRow("exactly 41,000 stays") << 40990 << 10 << 41000;
        QTest::newRow("passing 41,000 cuts to 40,000") << 40995 << 10 << 40000;
        QTest::newRow("one 2,000-character line") << 39500 << 2000 << 40000;
        QTest::newRow("2,000 into an empty log") << 0 << 2000 << 2000;
        QTest::newRow("one huge line") << 100 << 45000 << 40000;
    }

    void trimming()
    {
        QFETCH(int, before);
        QFETCH(int, added);
        QFETCH(int, after);
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        // Oldest text first; what survives must be the newest.
        QByteArray old;
        for (int i = 0; i < before; ++i)
            old += char('a' + i % 26);
        if (before)
            logs.AddLogRTF(old, 0);
        const QByteArray line(added, 'Z');
        logs.AddLogRTF(line, 0);
        QCOMPARE(logs.log(0)->length(), after);
        const QString all = (QString::fromLatin1(old) + QString::fromLatin1(line)).right(after);
        QCOMPARE(logs.log(0)->plainText(), all);
    }

    void markupIsShownAsTyped_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("bold tag") << QByteArray("<b>bold?</b>");
        QTest::newRow("image tag") << QByteArray("<img src=\"file:///etc/passwd\"> <img src=x>");
        QTest::newRow("entity") << QByteArray("&amp; &lt; &#65;");
        QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi {\\pict\\wmetafile8 00}}");
    }

    void markupIsShownAsTyped()
    {
        QFETCH(QByteArray, text);
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF(text, 0);
        QCOMPARE(logs.log(0)->plainText(), QString::fromLatin1(text));
        QCOMPARE(logs.log(0)->pictureCount(), 0);
    }

    void filterAndLowerCaseChangeOnlyWhatIsShown()
    {
        ClientOptions options;
        options.ForceLowCase = true;
        BadWordList words;
        words.setWords({"ASS"});
        ChatLogs logs(options, words);
        const QByteArray text = "A ClAsSic Pass";
        logs.AddLogRTF(text, 0);
        QCOMPARE(logs.log(0)->plainText(), QStringLiteral("a cl****ic p****"));
        QCOMPARE(text, QByteArray("A ClAsSic Pass"));

        options.LangFilter = false;
        logs.clearLog(0);
        logs.AddLogRTF("A ClAsSic", 0);
        QCOMPARE(logs.log(0)->plainText(), QStringLiteral("a classic"));
    }

    void lowerCaseKeepsWireBlank()
    {
        ClientOptions options;
        options.ForceLowCase = true;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF("\xC4Z", 0);
        QCOMPARE(logs.log(0)->plainText(), QString::fromUtf8("\xC3\xA4z"));
    }

    void runFormats()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF("a", 0, ChatColours::rgb(1, 2, 3), "Arial", 10, true, true);
        logs.AddLogRTF("b", 0);   // white; size and font kept; not bold
        const QList<LogRun> runs = logRuns(logs.log(0)->document());
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].colour, QColor(1, 2, 3));
        QVERIFY(runs[0].bold);
        QVERIFY(runs[0].italic);
        QCOMPARE(runs[0].size, 10.0);
        QCOMPARE(runs[0].font, QStringLiteral("Arial"));
        QCOMPARE(runs[1].colour, QColor(255, 255, 255));
        QVERIFY(!runs[1].bold);
        QCOMPARE(runs[1].size, 10.0);
        QCOMPARE(runs[1].font, QStringLiteral("Arial"));
    }

    void systemMessage()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.ensureLog(2);
        logs.setRoomFocus(2);
        logs.setClock([] { return QTime(9, 7, 41); });
        logs.AddSystemMessage("Installing");
        const QList<LogRun> runs = logRuns(logs.log(2)->document());
        QCOMPARE(runs.size(), 4);
        QCOMPARE(runs[0].text, QStringLiteral("09:07"));
        QCOMPARE(runs[0].colour, QColor(128, 128, 128));
        QVERIFY(runs[0].bold);
        QCOMPARE(runs[1].text, QStringLiteral(" | "));
        QCOMPARE(runs[1].colour, QColor(230, 230, 230));
        QVERIFY(runs[1].bold);
        QCOMPARE(runs[2].text, QStringLiteral("Installing"));
        QCOMPARE(runs[2].colour, QColor(192, 192, 64));
        QVERIFY(!runs[2].bold);
        QCOMPARE(runs[2].size, 10.0);
        QCOMPARE(runs[3].text, QStringLiteral("\n"));
        QCOMPARE(shownText(logs.log(0)), QString());

        options.TimeStamps = false;
        logs.clearLog(2);
        logs.AddSystemMessage("x");
        QCOMPARE(shownText(logs.log(2)), QStringLiteral("x\n"));
    }

    void lineForARoomWithoutLogIsDropped()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF("lost", 32767);
        QVERIFY(!logs.hasRoom(32767));
        QCOMPARE(logs.rooms(), QList<qint16>{0});
        logs.setRoomFocus(5);   // a room that has no log yet
        logs.AddSystemMessage("also lost");
        QCOMPARE(shownText(logs.log(0)), QString());
    }

    void logsAreCreatedOnce()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        QSignalSpy created(&logs, &ChatLogs::logCreated);
        ChatLog *a = logs.ensureLog(4);
        QCOMPARE(logs.ensureLog(4), a);
        QCOMPARE(created.count(), 1);
        QVERIFY(!logs.ensureLog(-1));
    }

    void clearRemovesPictures()
    {
        ClientOptions options;
        BadWordList words;
        ChatLogs logs(options, words);
        logs.AddLogRTF(":) :(", 0);
        QCOMPARE(logs.log(0)->pictureCount(), 2);
        logs.clearLog(0);
        QCOMPARE(logs.log(0)->length(), 0);
        logs.AddLogRTF(":)", 0);
        QCOMPARE(shownText(logs.log(0)), pic(47));
    }

    void timeStampFormats()
    {
        QCOMPARE(ChatLogs::timeStampFor(QTime(14, 5, 33)), QStringLiteral("14:05"));
        QCOMPARE(ChatLogs::timeStampFor(QTime(0, 0, 0)), QStringLiteral("00:00"));
    }
};

QTEST_MAIN(tst_ChatLog)
#include "tst_chatlog.moc"
