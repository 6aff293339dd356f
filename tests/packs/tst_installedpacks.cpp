#include "core/api/GameSetup.h"
#include "packs/CRC32.h"
#include "packs/InstalledPacks.h"
#include "tests/fixtures/RecordingChatOutput.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList names(const QList<InstalledPack> &table)
{
    QStringList out;
    for (const InstalledPack &p : table)
        out.append(p.FileName);
    return out;
}

} // namespace

class TestInstalledPacks : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    GameSetup setup;

private Q_SLOTS:
    void init()
    {
        setup.ProgramFolder = dir.path();
        setup.MappacksFolder = dir.filePath(QStringLiteral("mappacks"));
        setup.ModpacksFolder = dir.filePath(QStringLiteral("modpacks"));
        QDir(setup.MappacksFolder).removeRecursively();
        QDir(setup.ModpacksFolder).removeRecursively();
        QDir().mkpath(setup.MappacksFolder);
        QDir().mkpath(setup.ModpacksFolder);
    }

    void scanIsSortedWithoutCaseAndChecksummed()
    {
        writeFile(setup.MappacksFolder + QStringLiteral("/b.kaf"), "bbb");
        writeFile(setup.MappacksFolder + QStringLiteral("/A.KAF"), "123456789");
        writeFile(setup.MappacksFolder + QStringLiteral("/c.Kaf"), "c");
        writeFile(setup.MappacksFolder + QStringLiteral("/notes.txt"), "not a pack");
        QDir().mkpath(setup.MappacksFolder + QStringLiteral("/folder.kaf"));

        RecordingChatOutput chat;
        InstalledPacks packs(setup, chat);
        QSignalSpy changed(&packs, &InstalledPacks::MappacksChanged);
        QCOMPARE(packs.BuildMappackCrcList(), -1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(names(packs.InstalledMappacks),
                 (QStringList{QStringLiteral("A.KAF"), QStringLiteral("b.kaf"), QStringLiteral("c.Kaf")}));
        QCOMPARE(packs.InstalledMappackCount(), 3);
        QCOMPARE(packs.InstalledMappacks.at(0).Crc, QByteArray("CBF43926"));
        QCOMPARE(packs.InstalledMappacks.at(1).Crc, crc8(clsCRC32::ofBytes("bbb")));
        QCOMPARE(packs.InstalledMappacks.at(2).DisplayName(), QStringLiteral("c"));
        QVERIFY(chat.systemMessages.isEmpty());
        // Each pack got its cache file.
        QVERIFY(QFile::exists(setup.MappacksFolder + QStringLiteral("/A.KAF.crc")));
    }

    void unreadablePackIsLeftOutWithAStatusLine()
    {
        writeFile(setup.ModpacksFolder + QStringLiteral("/good.kaf"), "good");
        QVERIFY(QFile::link(setup.ModpacksFolder + QStringLiteral("/gone"),
                            setup.ModpacksFolder + QStringLiteral("/broken.kaf")));
        RecordingChatOutput chat;
        InstalledPacks packs(setup, chat);
        QSignalSpy changed(&packs, &InstalledPacks::ModpacksChanged);
        packs.BuildModpackCrcList();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(names(packs.InstalledModpacks), QStringList{QStringLiteral("good.kaf")});
        QCOMPARE(chat.systemMessages.size(), 1);
        QVERIFY(chat.hasSystemMessage("broken.kaf"));
        for (const InstalledPack &p : packs.InstalledModpacks)
            QVERIFY(p.Crc != "00000000");
    }

    void selectionFollowsTheChecksum()
    {
        writeFile(setup.MappacksFolder + QStringLiteral("/m.kaf"), "middle");
        writeFile(setup.MappacksFolder + QStringLiteral("/z.kaf"), "last");
        RecordingChatOutput chat;
        InstalledPacks packs(setup, chat);
        packs.BuildMappackCrcList();
        const QByteArray chosen = packs.InstalledMappacks.at(0).Crc; // m.kaf
        // A new pack sorts in front; the selected row moves with its pack.
        writeFile(setup.MappacksFolder + QStringLiteral("/a.kaf"), "first");
        QCOMPARE(packs.BuildMappackCrcList(0), 1);
        QCOMPARE(packs.InstalledMappacks.at(1).Crc, chosen);
        // A copy under another name: the last one with that checksum wins.
        QFile::copy(setup.MappacksFolder + QStringLiteral("/m.kaf"), setup.MappacksFolder + QStringLiteral("/y.kaf"));
        QCOMPARE(packs.BuildMappackCrcList(1), 2); // a, m, y, z
        QCOMPARE(packs.findMappack(chosen)->FileName, QStringLiteral("y.kaf"));
        QCOMPARE(packs.BuildMappackCrcList(-1), -1);
        QCOMPARE(packs.BuildMappackCrcList(99), -1);
        QVERIFY(!packs.findMappack("00000000"));
    }

    void noPacksGiveEmptyTables()
    {
        RecordingChatOutput chat;
        InstalledPacks packs(setup, chat);
        packs.BuildMappackCrcList();
        packs.BuildModpackCrcList();
        QCOMPARE(packs.InstalledMappackCount(), 0);
        QCOMPARE(packs.InstalledModpackCount(), 0);
        // A missing folder is the same as an empty one.
        setup.MappacksFolder = dir.filePath(QStringLiteral("nothere"));
        packs.BuildMappackCrcList();
        QCOMPARE(packs.InstalledMappackCount(), 0);
    }

    void touchedPackIsChecksummedAgain()
    {
        const QString pack = setup.MappacksFolder + QStringLiteral("/t.kaf");
        writeFile(pack, "one");
        RecordingChatOutput chat;
        InstalledPacks packs(setup, chat);
        packs.BuildMappackCrcList();
        QCOMPARE(packs.InstalledMappacks.at(0).Crc, crc8(clsCRC32::ofBytes("one")));
        // Same size, new contents and time: the cache must not answer.
        writeFile(pack, "two");
        QFile f(pack);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        f.close();
        packs.BuildMappackCrcList();
        QCOMPARE(packs.InstalledMappacks.at(0).Crc, crc8(clsCRC32::ofBytes("two")));
    }
};

QTEST_GUILESS_MAIN(TestInstalledPacks)
#include "tst_installedpacks.moc"
