#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/ZipBuilder.h"
#include "updater/unzip/CGUnzipFiles.h"
#include "updater/unzip/CodeModule.h"
#include "updater/unzip/ConfinedName.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestUnzip : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int serial = 0;

    // A fresh sandbox: <tmp>/<n>/ holding the zip, and the extraction folder
    // <tmp>/<n>/out/deep, two levels down so that escapes have somewhere to go.
    QString sandbox()
    {
        const QString s = dir.filePath(QString::number(++serial));
        QDir().mkpath(s + QStringLiteral("/out/deep"));
        return s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(CGUnzipFiles().GetLastMessage().isEmpty());
    }

    void defaults()
    {
        CGUnzipFiles z;
        QCOMPARE(z.MessageLevel(), 2);
        QVERIFY(z.HonorDirectories());
        QVERIFY(z.OverWriteFiles());
        QVERIFY(z.CaseSensitive());
        QVERIFY(!z.ExtractNewer() && !z.SpaceToUnderScore() && !z.PromptOverwrite() && !z.WriteToStdOut());
        QVERIFY(!z.TestZip() && !z.ExtractOnlyNewer() && !z.DisplayComment() && !z.ConvertCRtoCRLF());
        QVERIFY(!z.Verbose());
        QCOMPARE(z.ExtractList(), 0);
        QCOMPARE(z.Privilege(), 0);
        QVERIFY(z.ZipFileName().isEmpty() && z.ExtractDir().isEmpty());
    }

    void extractsAndKeepsStoredNames()
    {
        const QString s = sandbox();
        QVERIFY(buildZip(s + QStringLiteral("/a.zip"),
                         {ZipEntry("top.txt", "top"), ZipEntry("sub/").dir(), ZipEntry("sub/inner.txt", "inner"),
                          ZipEntry("foo..bar", "dots"), ZipEntry("run.sh", "#!/bin/sh\n").mode(0755)}));
        QVERIFY(buildZip(s + QStringLiteral("/b.zip"), {ZipEntry("second.txt", "2")}));
        CGUnzipFiles z;
        z.setZipFileName(s + QStringLiteral("/a.zip"));
        z.setExtractDir(s + QStringLiteral("/out/deep"));
        QCOMPARE(z.Unzip(), 0);
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/top.txt")), QByteArray("top"));
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/sub/inner.txt")), QByteArray("inner"));
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/foo..bar")), QByteArray("dots"));
        QVERIFY(QFileInfo(s + QStringLiteral("/out/deep/run.sh")).isExecutable());
        QVERIFY(z.GetLastMessage().isEmpty()); // quiet level prints nothing on success

        // A new archive name replaces the stored one; the folder stays.
        QCOMPARE(z.Unzip(s + QStringLiteral("/b.zip")), 0);
        QCOMPARE(z.ZipFileName(), s + QStringLiteral("/b.zip"));
        QCOMPARE(z.ExtractDir(), s + QStringLiteral("/out/deep"));
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/second.txt")), QByteArray("2"));
        // No temporary files are left behind.
        for (const QString &f : fileTree(s))
            QVERIFY2(!f.contains(QLatin1String(".part")), qPrintable(f));
    }

    void hostileNamesAreRefusedWhole_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("parent") << QByteArray("../x");
        QTest::newRow("inner parent") << QByteArray("a/../../x");
        QTest::newRow("absolute") << QByteArray("/abs");
        QTest::newRow("drive and backslash") << QByteArray("C:\\x");
        QTest::newRow("drive relative") << QByteArray("C:x");
        QTest::newRow("backslash parents") << QByteArray("sub\\..\\..\\x");
        QTest::newRow("UNC") << QByteArray("\\\\s\\x");
        QTest::newRow("slash colon") << QByteArray("/:../x");
        QTest::newRow("double slash colon") << QByteArray("//:/../x");
        QTest::newRow("dot only") << QByteArray("./");
        QTest::newRow("trailing dots") << QByteArray("a/.../x");
    }

    void hostileNamesAreRefusedWhole()
    {
        QFETCH(QByteArray, name);
        const QString s = sandbox();
        QVERIFY(!QFileInfo::exists(QStringLiteral("/abs")));
        QString error;
        // A good entry first: a refused archive writes nothing at all.
        QVERIFY2(buildZip(s + QStringLiteral("/evil.zip"), {ZipEntry("good.txt", "good"), ZipEntry(name, "evil").asUtf8()}, &error),
                 qPrintable(error));
        CGUnzipFiles z;
        const qint32 result = z.Unzip(s + QStringLiteral("/evil.zip"), s + QStringLiteral("/out/deep"));
        QVERIFY(result != 0);
        QVERIFY(z.GetLastMessage().contains(QLatin1String("refused")));
        QCOMPARE(fileTree(s), (QStringList{QStringLiteral("evil.zip"), QStringLiteral("out"), QStringLiteral("out/deep")}));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/abs")));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("x"))));
    }

    void controlCharactersInNamesAreRefused()
    {
        const QString s = sandbox();
        QVERIFY(buildZip(s + QStringLiteral("/ctl.zip"), {ZipEntry("good.txt", "good"), ZipEntry("a___x", "evil")}));
        // Tabs, line ends and DEL are all libzip lets through unconverted.
        QVERIFY(patchZipNames(s + QStringLiteral("/ctl.zip"), "a___x", "a\n\x7f\tx"));
        CGUnzipFiles z;
        QVERIFY(z.Unzip(s + QStringLiteral("/ctl.zip"), s + QStringLiteral("/out/deep")) != 0);
        QVERIFY2(z.GetLastMessage().contains(QLatin1String("refused")), qPrintable(z.GetLastMessage()));
        QCOMPARE(fileTree(s + QStringLiteral("/out/deep")), QStringList());
    }

    void confinedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("plain") << QStringLiteral("a/b.txt") << QStringList{QStringLiteral("a"), QStringLiteral("b.txt")};
        QTest::newRow("backslash") << QStringLiteral("levels\\levl2001.dat")
                                   << QStringList{QStringLiteral("levels"), QStringLiteral("levl2001.dat")};
        QTest::newRow("dots inside") << QStringLiteral("foo..bar") << QStringList{QStringLiteral("foo..bar")};
        QTest::newRow("folder entry") << QStringLiteral("dir/") << QStringList{QStringLiteral("dir")};
        QTest::newRow("parent") << QStringLiteral("../x") << QStringList();
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only separators") << QStringLiteral("\\") << QStringList();
        QTest::newRow("stream") << QStringLiteral("a.txt:evil") << QStringList();
    }

    void confinedNames()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, parts);
        const std::optional<QStringList> got = ConfinedName::relativeParts(name);
        if (parts.isEmpty())
            QVERIFY(!got);
        else
            QCOMPARE(*got, parts);
        QVERIFY(!ConfinedName::relativeParts(QByteArray("a\0b", 3)));
    }

    void linksAreRefused()
    {
        const QString s = sandbox();
        QVERIFY(buildZip(s + QStringLiteral("/link.zip"),
                         {ZipEntry("ok.txt", "ok"), ZipEntry("link", "../../../etc/passwd").link()}));
        CGUnzipFiles z;
        QVERIFY(z.Unzip(s + QStringLiteral("/link.zip"), s + QStringLiteral("/out/deep")) != 0);
        QVERIFY(z.GetLastMessage().contains(QLatin1String("link")));
        QCOMPARE(fileTree(s + QStringLiteral("/out/deep")), QStringList());

        // A link already in the folder is never written through.
        const QString outside = s + QStringLiteral("/outside");
        QDir().mkpath(outside);
        QVERIFY(QFile::link(outside, s + QStringLiteral("/out/deep/via")));
        QVERIFY(buildZip(s + QStringLiteral("/via.zip"), {ZipEntry("via/x", "escaped")}));
        QVERIFY(z.Unzip(s + QStringLiteral("/via.zip")) != 0);
        QCOMPARE(fileTree(outside), QStringList());
    }

    void capsRefuseTheArchive_data()
    {
        QTest::addColumn<QString>("cap");
        QTest::newRow("entry count") << QStringLiteral("count");
        QTest::newRow("total size") << QStringLiteral("total");
        QTest::newRow("ratio") << QStringLiteral("ratio");
    }

    void capsRefuseTheArchive()
    {
        QFETCH(QString, cap);
        const QString s = sandbox();
        CodeModule::UnzipLimits limits;
        QList<ZipEntry> entries;
        if (cap == QLatin1String("count")) {
            limits.MaxEntries = 3;
            for (int i = 0; i < 4; ++i)
                entries.append(ZipEntry("f" + QByteArray::number(i), "x"));
        } else if (cap == QLatin1String("total")) {
            limits.MaxTotalSize = 1000;
            entries = {ZipEntry("a", QByteArray(600, 'a')).stored(), ZipEntry("b", QByteArray(600, 'b')).stored()};
        } else {
            limits.MaxRatio = 50;
            limits.RatioFreeSize = 1024;
            entries = {ZipEntry("zeros", QByteArray(200000, '\0'))};
        }
        QVERIFY(buildZip(s + QStringLiteral("/cap.zip"), entries));
        CGUnzipFiles z;
        z.setLimits(limits);
        QCOMPARE(z.Unzip(s + QStringLiteral("/cap.zip"), s + QStringLiteral("/out/deep")), qint32(CodeModule::PK_ERR));
        QCOMPARE(fileTree(s + QStringLiteral("/out/deep")), QStringList());
        // The default limits let the same archive through.
        CGUnzipFiles plain;
        QCOMPARE(plain.Unzip(s + QStringLiteral("/cap.zip"), s + QStringLiteral("/out/deep")), 0);
    }

    void aDamagedEntryNeverReplacesAGoodFile()
    {
        const QString s = sandbox();
        const QByteArray content(4000, 'G');
        QVERIFY(buildZip(s + QStringLiteral("/bad.zip"), {ZipEntry("game.dat", content).stored()}));
        // Damage the stored data in the middle of the file.
        QByteArray zip = readFile(s + QStringLiteral("/bad.zip"));
        const qsizetype at = zip.indexOf(content.left(100));
        QVERIFY(at > 0);
        zip[at + 2000] = 'X';
        writeFile(s + QStringLiteral("/bad.zip"), zip);
        writeFile(s + QStringLiteral("/out/deep/game.dat"), "original");

        CGUnzipFiles z;
        QVERIFY(z.Unzip(s + QStringLiteral("/bad.zip"), s + QStringLiteral("/out/deep")) != 0);
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/game.dat")), QByteArray("original"));
        QCOMPARE(fileTree(s + QStringLiteral("/out/deep")), QStringList{QStringLiteral("game.dat")});
        QVERIFY(!z.GetLastMessage().isEmpty());

        z.setTestZip(true);
        QVERIFY(z.Unzip() != 0);
        QVERIFY(z.GetLastMessage().contains(QLatin1String("bad")));
    }

    void notAZip()
    {
        const QString s = sandbox();
        writeFile(s + QStringLiteral("/junk.zip"), "this is no zip");
        CGUnzipFiles z;
        QCOMPARE(z.Unzip(s + QStringLiteral("/junk.zip"), s + QStringLiteral("/out/deep")), qint32(CodeModule::PK_NOZIP));
        QCOMPARE(z.Unzip(s + QStringLiteral("/missing.zip")), qint32(CodeModule::PK_NOZIP));
        QVERIFY(z.GetLastMessage().contains(QLatin1String("missing.zip")));
    }

    void overflowIsRaisedBeforeTheEngineRuns()
    {
        CodeModule::UnzipMessages = "marker";
        CGUnzipFiles z;
        z.setZipFileName(dir.filePath(QStringLiteral("none.zip")));
        z.setMessageLevel(40000);
        QCOMPARE(z.Unzip(), CGUnzipFiles::RaisedFailure);
        QCOMPARE(z.LastFailure().number, CGUnzipFiles::OverflowError);
        QCOMPARE(z.LastFailure().source, QStringLiteral("CGUnZipFiles::Unzip"));
        QCOMPARE(z.GetLastMessage(), QStringLiteral("marker"));
    }

    void printCallbackPieces()
    {
        CodeModule::UnzipMessages.clear();
        CodeModule::VBUnzip(QString(), QString(), 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0);
        const QByteArray start = CodeModule::UnzipMessages;
        CodeModule::UnzipPrintCallback("ab\0cd", 5);
        CodeModule::UnzipPrintCallback("\nlost text", 10);
        CodeModule::UnzipPrintCallback("xyz", 2);
        QCOMPARE(CodeModule::UnzipMessages, start + "ab\r\nxy");
    }

    void passwordRefusedOnceStopsAskingForThatRun()
    {
        const QString s = sandbox();
        QString error;
        if (!buildZip(s + QStringLiteral("/locked.zip"),
                      {ZipEntry("one.txt", "one").withPassword("secret"),
                       ZipEntry("two.txt", "two").withPassword("secret")},
                      &error))
            QSKIP(qPrintable(QStringLiteral("libzip cannot encrypt here: ") + error));
        FakeDialogs dialogs;
        dialogs.inputs = {QString()};
        CGUnzipFiles z(&dialogs);
        QVERIFY(z.Unzip(s + QStringLiteral("/locked.zip"), s + QStringLiteral("/out/deep")) != 0);
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.questions.first().text, QStringLiteral("Please Enter The Password!"));
        QVERIFY(CodeModule::PasswordRefused);
        QCOMPARE(fileTree(s + QStringLiteral("/out/deep")), QStringList());

        // The next run asks again; a wrong answer is asked again, the right one
        // serves every member.
        dialogs.inputs = {QStringLiteral("wrong"), QStringLiteral("secret")};
        QCOMPARE(z.Unzip(), 0);
        QCOMPARE(dialogs.questions.size(), 3);
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/one.txt")), QByteArray("one"));
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/two.txt")), QByteArray("two"));
    }

    // Strong encryption (flags 0x41) cannot be read whatever the password:
    // the archive is refused whole before anyone is asked for one.
    void unreadableEncryptionIsRefusedWithoutAsking()
    {
        const QString s = sandbox();
        const QString zip = s + QStringLiteral("/strong.zip");
        QString error;
        if (!buildZip(zip, {ZipEntry("plain.txt", "plain"), ZipEntry("locked.txt", "locked").withPassword("secret")},
                      &error))
            QSKIP(qPrintable(QStringLiteral("libzip cannot encrypt here: ") + error));
        QVERIFY(setZipFlagBits(zip, 0x40));
        FakeDialogs dialogs;
        dialogs.inputs = {QStringLiteral("secret")};
        CGUnzipFiles z(&dialogs);
        QCOMPARE(z.Unzip(zip, s + QStringLiteral("/out/deep")), qint32(CodeModule::PK_ERR));
        QVERIFY(dialogs.questions.isEmpty());
        QVERIFY(z.GetLastMessage().contains(QLatin1String("locked.txt")));
        QCOMPARE(fileTree(s + QStringLiteral("/out/deep")), QStringList());

        z.setExtractList(1);
        QCOMPARE(z.Unzip(), qint32(CodeModule::PK_ERR));
        QVERIFY(dialogs.questions.isEmpty());
    }

    void passwordBufferIsCutToItsSize()
    {
        CodeModule::VBUnzip(QString(), QString(), 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0);
        FakeDialogs dialogs;
        dialogs.inputs = {QStringLiteral("abcdefgh")};
        CodeModule::SetDialogs(&dialogs);
        char buffer[5];
        std::memset(buffer, 'z', sizeof buffer);
        QCOMPARE(CodeModule::UnzipPasswordCallback(buffer, 5, "p", "n"), 0);
        QCOMPARE(QByteArray(buffer, 5), QByteArray("abcd\0", 5));
        CodeModule::SetDialogs(nullptr);
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<int>("questions");
        QTest::newRow("yes") << int(Dialogs::Answer::Yes) << QByteArray("new1") << QByteArray("new2") << 2;
        QTest::newRow("no") << int(Dialogs::Answer::No) << QByteArray("old1") << QByteArray("new2") << 2;
        QTest::newRow("cancel is no to all") << int(Dialogs::Answer::Cancel) << QByteArray("old1") << QByteArray("old2") << 1;
    }

    void overwriteQuestion()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(int, questions);
        const QString s = sandbox();
        QVERIFY(buildZip(s + QStringLiteral("/new.zip"), {ZipEntry("1.txt", "new1"), ZipEntry("2.txt", "new2")}));
        writeFile(s + QStringLiteral("/out/deep/1.txt"), "old1");
        writeFile(s + QStringLiteral("/out/deep/2.txt"), "old2");
        FakeDialogs dialogs;
        dialogs.answers = {Dialogs::Answer(answer), Dialogs::Answer::Yes};
        CGUnzipFiles z(&dialogs);
        z.setOverWriteFiles(false);
        z.setPromptOverwrite(true);
        QCOMPARE(z.Unzip(s + QStringLiteral("/new.zip"), s + QStringLiteral("/out/deep")), 0);
        QCOMPARE(dialogs.questions.size(), questions);
        QVERIFY(dialogs.questions.first().text.startsWith(QStringLiteral("Overwrite ")));
        QVERIFY(dialogs.questions.first().text.endsWith(QStringLiteral("1.txt?")));
        QCOMPARE(dialogs.questions.first().title, QStringLiteral("VBUnZip32 - File Already Exists!"));
        QCOMPARE(dialogs.questions.first().buttons, Dialogs::Buttons::YesNoCancel);
        QCOMPARE(dialogs.questions.first().icon, Dialogs::Icon::Warning);
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/1.txt")), first);
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/2.txt")), second);
    }

    void newerOptions()
    {
        const QString s = sandbox();
        const QString out = s + QStringLiteral("/out/deep");
        QVERIFY(buildZip(s + QStringLiteral("/n.zip"),
                         {ZipEntry("old.txt", "zip"), ZipEntry("future.txt", "zip"), ZipEntry("absent.txt", "zip")}));
        auto prepare = [&] {
            QDir(out).removeRecursively();
            QDir().mkpath(out);
            writeFile(out + QStringLiteral("/old.txt"), "disk");
            writeFile(out + QStringLiteral("/future.txt"), "disk");
            QFile old(out + QStringLiteral("/old.txt"));
            QVERIFY(old.open(QIODevice::ReadWrite));
            QVERIFY(old.setFileTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
            QFile future(out + QStringLiteral("/future.txt"));
            QVERIFY(future.open(QIODevice::ReadWrite));
            QVERIFY(future.setFileTime(QDateTime::currentDateTime().addDays(2), QFileDevice::FileModificationTime));
        };
        // Only newer: replaces older files, adds missing ones.
        prepare();
        CGUnzipFiles update;
        update.setExtractOnlyNewer(true);
        QCOMPARE(update.Unzip(s + QStringLiteral("/n.zip"), out), 0);
        QCOMPARE(readFile(out + QStringLiteral("/old.txt")), QByteArray("zip"));
        QCOMPARE(readFile(out + QStringLiteral("/future.txt")), QByteArray("disk"));
        QCOMPARE(readFile(out + QStringLiteral("/absent.txt")), QByteArray("zip"));
        // Newer (freshen): only files that are there.
        prepare();
        CGUnzipFiles freshen;
        freshen.setExtractNewer(true);
        QCOMPARE(freshen.Unzip(s + QStringLiteral("/n.zip"), out), 0);
        QCOMPARE(readFile(out + QStringLiteral("/old.txt")), QByteArray("zip"));
        QCOMPARE(readFile(out + QStringLiteral("/future.txt")), QByteArray("disk"));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/absent.txt")));
        // Neither overwrite nor prompt: existing files stay.
        prepare();
        CGUnzipFiles keep;
        keep.setOverWriteFiles(false);
        QCOMPARE(keep.Unzip(s + QStringLiteral("/n.zip"), out), 0);
        QCOMPARE(readFile(out + QStringLiteral("/old.txt")), QByteArray("disk"));
        QCOMPARE(readFile(out + QStringLiteral("/absent.txt")), QByteArray("zip"));
    }

    void optionRows()
    {
        const QString s = sandbox();
        QVERIFY(buildZip(s + QStringLiteral("/opt.zip"), {ZipEntry("sub/my file.txt", "a\nb\r\nc")}));
        CGUnzipFiles z;
        z.setHonorDirectories(false);
        z.setSpaceToUnderScore(true);
        z.setConvertCRtoCRLF(true);
        QCOMPARE(z.Unzip(s + QStringLiteral("/opt.zip"), s + QStringLiteral("/out/deep")), 0);
        QCOMPARE(fileTree(s + QStringLiteral("/out/deep")), QStringList{QStringLiteral("my_file.txt")});
        QCOMPARE(readFile(s + QStringLiteral("/out/deep/my_file.txt")), QByteArray("a\r\nb\r\nc"));

        // To "standard output": the contents go to the printed messages.
        CGUnzipFiles out;
        out.setWriteToStdOut(true);
        QCOMPARE(out.Unzip(s + QStringLiteral("/opt.zip"), s + QStringLiteral("/out/stdout")), 0);
        QCOMPARE(out.GetLastMessage(), QStringLiteral("a\nb\r\nc"));
        QVERIFY(!QFileInfo::exists(s + QStringLiteral("/out/stdout")));

        // Listing and testing write nothing.
        CGUnzipFiles list;
        list.setExtractList(1);
        QCOMPARE(list.Unzip(s + QStringLiteral("/opt.zip"), s + QStringLiteral("/out/listed")), 0);
        QVERIFY(!QFileInfo::exists(s + QStringLiteral("/out/listed")));
        CGUnzipFiles test;
        test.setTestZip(true);
        test.setMessageLevel(0);
        QCOMPARE(test.Unzip(s + QStringLiteral("/opt.zip"), s + QStringLiteral("/out/tested")), 0);
        QVERIFY(test.GetLastMessage().contains(QLatin1String("OK")));
        QVERIFY(!QFileInfo::exists(s + QStringLiteral("/out/tested")));
    }
};

QTEST_GUILESS_MAIN(TestUnzip)
#include "tst_unzip.moc"
