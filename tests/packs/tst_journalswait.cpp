// A client killed during a game with custom tribe colours and a mod pack that
// brings its own palette file leaves the palettes patched and both pack
// journals pending. When the saved palette files cannot be read back at the
// next start, the journals wait for them as a whole: whatever installs,
// failures, games and kills come meanwhile, no journal is replayed or added
// to, and once the palettes can go back the game folder is byte for byte as
// it was before the first launch.

#include "core/util/Files.h"
#include "packs/PackInstaller.h"
#include "packs/TribePalettes.h"
#include "tests/packs/InstallCrashHarness.h"

#include <QTest>
#include <optional>

using namespace InstallTest;

namespace {

// Reads of the saved palette copies fail while `refuse` is set, as when the
// player's account may no longer read them.
class RefusingPaletteReads : public GameFileOperations
{
public:
    explicit RefusingPaletteReads(const QString &programFolder)
        : GameFileOperations(false)
        , PaletteBackups(QDir::cleanPath(WinPath::join(programFolder, QByteArray("palbackup"))))
    {
    }

    bool readFile(const QString &path, QByteArray *bytes, QString *error) override
    {
        if (refuse && QFileInfo(path).absolutePath() == PaletteBackups)
            return failWith(error, path + QStringLiteral(": Permission denied"));
        return GameFileOperations::readFile(path, bytes, error);
    }

    bool refuse = false;

private:
    QString PaletteBackups;
};

qint32 boxColour(int tribe, int shade)
{
    return (40 * tribe + shade) + 256 * (90 + shade) + 65536 * (170 + tribe);
}

// A pack archive whose table bound is over what is accepted: refused on open.
QByteArray addOversizedPack(const QString &folder, QList<InstalledPack> &list, const QString &name)
{
    QByteArray bytes(4 + 2 * KAFHandler::RecordSize, '\0');
    const qint32 bound = KAFHandler::MaxNumFI + 300000;
    memcpy(bytes.data(), &bound, sizeof bound);
    QFile file(WinPath::join(folder, name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write a pack");
    const QByteArray crc = crc8(clsCRC32::ofBytes(bytes));
    list.append(InstalledPack{name, crc});
    return crc;
}

struct Packs
{
    QByteArray map;
    QByteArray paletteMod;
    QByteArray brokenMap;
    QByteArray brokenMod;
};

Packs prepare(Fixture &f)
{
    const HutPacks hut = prepareGameFolder(f);
    Packs packs;
    packs.map = hut.mappack;
    // A texture and the pack's own copy of the first palette file.
    packs.paletteMod = f.addModpack(
        "palettes.kaf", {{"modpack.txt", "creator\r\ntitle\r\n" + modLine("foo.dat", "sound\\foo.dat")
                                             + modLine("pal0-0.dat", "data\\pal0-0.dat")},
                         {"foo.dat", filler('7', 300)},
                         {"pal0-0.dat", filler('m', 1024)}});
    packs.brokenMap = addOversizedPack(f.setup.MappacksFolder, f.packs.InstalledMappacks, "huge.kaf");
    packs.brokenMod = addOversizedPack(f.setup.ModpacksFolder, f.packs.InstalledModpacks, "huge.kaf");
    return packs;
}

// One run of the client: its installer lives from its start to its end (or
// its kill).
class ClientRun
{
public:
    ClientRun(Fixture &f, GameFileOperations &ops)
        : f(f)
        , installer(f.setup, f.packs, f.commands, f.chat, ops)
    {
        installer.CheckPaletteRestore();
        installer.RestoreMapBackup();
        installer.RestoreModBackup();
        installer.CheckHeaderRestore();
        installer.CheckConstantRestore();
    }

    // The launch's part in the game files, as GameLaunch orders it.
    void launch(const QByteArray &mappack, const QByteArray &modpack, bool customColours)
    {
        mapOn = installer.InstallMappack(mappack);
        installer.InstallModpack(modpack);
        if (customColours)
            InstallTribePalettes({f.setup.ProgramFolder, f.setup.GamePath, boxColour}, f.chat);
        if (!mapOn)
            installer.BackupPackLevelHeaders();
    }

    // The end of the game, as GameWatch orders it.
    void gameEnds()
    {
        installer.RestorePaletteFiles();
        if (!mapOn)
            installer.RestoreLevelHeaderFiles();
        installer.RestoreModBackup();
        installer.RestoreMapBackup();
    }

    bool mapOn = false;

private:
    Fixture &f;
    PackInstaller installer;
};

QByteArray journals(const Fixture &f)
{
    return Files::ReadAll(f.client("backup/backup.txt")) + "|" + Files::ReadAll(f.client("modbackup/backup.txt"));
}

QStringList savedPalettes(const Fixture &f)
{
    return QDir(f.client("palbackup")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class tst_JournalsWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gameFolderComesBackWhole_data();
    void gameFolderComesBackWhole();
    void killedWhileTheWaitingFilesGoBack();
};

void tst_JournalsWait::gameFolderComesBackWhole_data()
{
    // Each letter is one step while the palette copies cannot be read, each
    // followed by a start of the client: M a mod install that fails, P a map
    // install that fails, G a launch with both good packs and custom colours
    // whose client is killed during the game, E the same game played to its
    // end.
    QTest::addColumn<QByteArray>("steps");
    QTest::newRow("nothing but starts") << QByteArray();
    QTest::newRow("failing mod install") << QByteArray("M");
    QTest::newRow("failing map install") << QByteArray("P");
    QTest::newRow("good install, killed") << QByteArray("G");
    QTest::newRow("game end") << QByteArray("E");
    QTest::newRow("all in turn") << QByteArray("MPGE");
    QTest::newRow("all in turn, twice, the other way") << QByteArray("EGPMEGPM");
}

void tst_JournalsWait::gameFolderComesBackWhole()
{
    QFETCH(QByteArray, steps);
    Fixture f;
    const Packs packs = prepare(f);
    RefusingPaletteReads ops(f.setup.ProgramFolder);
    const Snapshot original = snapshot(f.setup.GamePath);

    // The first game: both packs and custom colours; the client is killed
    // while it runs.
    {
        ClientRun run(f, ops);
        run.launch(packs.map, packs.paletteMod, true);
        QVERIFY2(run.mapOn && !f.chat.hasSystemMessage("Could not install"),
                 f.chat.systemMessages.join('\n').constData());
    }
    QCOMPARE(Files::ReadAll(f.client("palbackup/pal0-0.dat")), filler('m', 1024));
    QVERIFY(QFileInfo::exists(f.client("pal.dat")));
    const Snapshot killed = snapshot(f.setup.GamePath);
    const QByteArray pending = journals(f);
    QVERIFY(killed != original);

    // The palette copies cannot be read from now on: nothing of the game's
    // files moves, whatever comes.
    ops.refuse = true;
    const auto unchanged = [&](const char *when) {
        const QString diff = difference(killed, snapshot(f.setup.GamePath));
        QVERIFY2(diff.isEmpty(), qPrintable(QString::fromLatin1(when) + QStringLiteral(": ") + diff));
        QVERIFY2(journals(f) == pending, when);
        QVERIFY2(QFileInfo::exists(f.client("pal.dat")), when);
    };
    const auto refused = [&](const QByteArray &kind) {
        QVERIFY2(f.chat.hasSystemMessage("The " + kind
                                         + " is not installed: the saved palette files could not be put back ("
                                         + QFile::encodeName(f.client("palbackup/pal0-0.dat"))
                                         + ": Permission denied)"),
                 f.chat.systemMessages.join('\n').constData());
        QVERIFY(f.chat.hasSystemMessage("they go back after the next game or at the next start"));
        QVERIFY(f.chat.hasSystemMessage("The game starts without the " + kind + "."));
        QVERIFY(!f.chat.hasSystemMessage("Restoring"));
        QVERIFY(!f.chat.hasSystemMessage("Could not install"));
    };
    std::optional<ClientRun> run(std::in_place, f, ops);
    unchanged("the first start");
    for (const char step : steps) {
        f.chat.clear();
        f.commands.clear();
        switch (step) {
        case 'M':
            run->launch("OFF", packs.brokenMod, false);
            refused("modpack");
            break;
        case 'P':
            run->launch(packs.brokenMap, "OFF", false);
            refused("mappack");
            break;
        case 'G':
        case 'E':
            run->launch(packs.map, packs.paletteMod, true);
            refused("mappack");
            refused("modpack");
            unchanged("a launch");
            if (step == 'E')
                run->gameEnds();
            break;
        }
        QCOMPARE(f.commands.commands, QList<QByteArray>());
        unchanged(QByteArray(1, step).constData());
        // The client ends (or is killed) and starts again.
        run.emplace(f, ops);
        unchanged(QByteArray(1, step).constData());
    }

    // The copies can be read again: a normal start puts everything back.
    ops.refuse = false;
    f.chat.clear();
    run.emplace(f, ops);
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
    QVERIFY(!QFileInfo::exists(f.client("pal.dat")));
    QCOMPARE(savedPalettes(f), QStringList());
    QCOMPARE(leftInBackupFolders(f), QStringList());
    QVERIFY2(!f.chat.hasSystemMessage("ERROR"), f.chat.systemMessages.join('\n').constData());

    // And the packs install again.
    f.chat.clear();
    run->launch(packs.map, packs.paletteMod, true);
    QVERIFY(run->mapOn);
    QVERIFY(!f.chat.hasSystemMessage("not installed"));
    QVERIFY(snapshot(f.setup.GamePath) != original);
    run->gameEnds();
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
    QCOMPARE(savedPalettes(f), QStringList());
    QCOMPARE(leftInBackupFolders(f), QStringList());
}

void tst_JournalsWait::killedWhileTheWaitingFilesGoBack()
{
    // The start that can read the palette copies again is killed after each
    // of its file operations in turn; the start after it still gives back
    // the game folder whole.
    Fixture f;
    const Packs packs = prepare(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    {
        GameFileOperations ops(false);
        ClientRun run(f, ops);
        run.launch(packs.map, packs.paletteMod, true);
        QVERIFY(run.mapOn);
    }
    {
        RefusingPaletteReads ops(f.setup.ProgramFolder);
        ops.refuse = true;
        ClientRun waiting(f, ops);
        waiting.launch(packs.map, packs.paletteMod, true);
        QVERIFY(f.chat.hasSystemMessage("The modpack is not installed"));
    }
    f.saveTemplate();

    int killAfter = 1;
    for (;; ++killAfter) {
        f.restoreTemplate();
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            KillingOperations ops(killAfter);
            ClientRun run(f, ops);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        QVERIFY(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0));

        GameFileOperations ops(false);
        ClientRun again(f, ops);
        const QString diff = difference(original, snapshot(f.setup.GamePath));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("kill after operation %1: %2").arg(killAfter).arg(diff)));
        QVERIFY(!QFileInfo::exists(f.client("pal.dat")));
        QCOMPARE(savedPalettes(f), QStringList());
        QCOMPARE(leftInBackupFolders(f), QStringList());
        if (!killed)
            break;
    }
    // Two palettes, the marker, the texture, the palette and the level files.
    QVERIFY2(killAfter > 10, qPrintable(QString::number(killAfter)));
}

QTEST_GUILESS_MAIN(tst_JournalsWait)
#include "tst_journalswait.moc"
