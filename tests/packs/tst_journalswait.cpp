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
#include "tests/fixtures/TestFiles.h"
#include "tests/packs/InstallCrashHarness.h"

#include <QTest>
#include <algorithm>
#include <optional>
#include <sys/stat.h>

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
        , ops(ops)
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
            InstallTribePalettes({f.setup.ProgramFolder, f.setup.GamePath, boxColour}, f.chat, ops);
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
    GameFileOperations &ops;
    PackInstaller installer;
};

QByteArray journals(const Fixture &f)
{
    return Files::ReadAll(f.client("backup/backup.txt")) + "|" + Files::ReadAll(f.client("modbackup/backup.txt"));
}

QStringList savedPalettes(const Fixture &f)
{
    return QDir(f.client("palbackup")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                                 | QDir::System);
}

// The status lines that tell of the wait.
qsizetype waitLines(const Fixture &f)
{
    return std::count_if(f.chat.systemMessages.cbegin(), f.chat.systemMessages.cend(), [](const QByteArray &line) {
        return line.startsWith("Kept for a later restore: the pack backups wait for the palette files");
    });
}

// Runs `body` in a child that kills itself after its n-th file operation:
// true when it was killed, false when it ran through.
template <typename Body>
bool killedAfter(int killAfter, Body body)
{
    const pid_t child = ::fork();
    if (child < 0)
        qFatal("cannot fork");
    if (child == 0) {
        KillingOperations ops(killAfter);
        body(ops);
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        qFatal("cannot wait for the child");
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (!killed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        qFatal("the child ended oddly at kill point %d", killAfter);
    return killed;
}

// How a saved palette copy cannot go back.
enum class Blocked { Unreadable, Link, Pipe };

} // namespace

class tst_JournalsWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gameFolderComesBackWhole_data();
    void gameFolderComesBackWhole();
    void killedWhileTheWaitingFilesGoBack();
    void killedDuringTheColourSetUp();
};

void tst_JournalsWait::gameFolderComesBackWhole_data()
{
    // Each letter is one step while the palette copies cannot be read, each
    // followed by a start of the client: M a mod install that fails, P a map
    // install that fails, G a launch with both good packs and custom colours
    // whose client is killed during the game, E the same game played to its
    // end.
    // The copy of the first palette cannot be read, or it was replaced by a
    // link to a file outside the client's folder or by a pipe: none of them
    // is a copy the client saved, and the link's file is never written.
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<Blocked>("blocked");
    QTest::newRow("nothing but starts") << QByteArray() << Blocked::Unreadable;
    QTest::newRow("failing mod install") << QByteArray("M") << Blocked::Unreadable;
    QTest::newRow("failing map install") << QByteArray("P") << Blocked::Unreadable;
    QTest::newRow("good install, killed") << QByteArray("G") << Blocked::Unreadable;
    QTest::newRow("game end") << QByteArray("E") << Blocked::Unreadable;
    QTest::newRow("all in turn") << QByteArray("MPGE") << Blocked::Unreadable;
    QTest::newRow("all in turn, twice, the other way") << QByteArray("EGPMEGPM") << Blocked::Unreadable;
    QTest::newRow("a link in palbackup") << QByteArray("GEMP") << Blocked::Link;
    QTest::newRow("a pipe in palbackup") << QByteArray("GEMP") << Blocked::Pipe;
}

void tst_JournalsWait::gameFolderComesBackWhole()
{
    QFETCH(QByteArray, steps);
    QFETCH(Blocked, blocked);
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

    // The palette copy cannot go back from now on: nothing of the game's
    // files moves, whatever comes.
    const QString copy = f.client("palbackup/pal0-0.dat");
    const QByteArray saved = Files::ReadAll(copy);
    const QString outside = QDir(f.setup.ProgramFolder).absoluteFilePath("../outside.dat");
    const QByteArray outsideBytes = filler('o', 1024);
    QByteArray reason = QFile::encodeName(copy) + " is not a plain file";
    switch (blocked) {
    case Blocked::Unreadable:
        ops.refuse = true;
        reason = QFile::encodeName(copy) + ": Permission denied";
        break;
    case Blocked::Link:
        writeFile(outside, outsideBytes);
        QVERIFY(QFile::remove(copy));
        QVERIFY(QFile::link(outside, copy));
        break;
    case Blocked::Pipe:
        QVERIFY(QFile::remove(copy));
        QCOMPARE(::mkfifo(QFile::encodeName(copy).constData(), 0600), 0);
        break;
    }
    // What the starts leave while the copy waits: the palettes that can go
    // back do, the rest stays.
    Snapshot held = killed;
    const auto unchanged = [&](const char *when) {
        const QString diff = difference(held, snapshot(f.setup.GamePath));
        QVERIFY2(diff.isEmpty(), qPrintable(QString::fromLatin1(when) + QStringLiteral(": ") + diff));
        QVERIFY2(journals(f) == pending, when);
        QVERIFY2(QFileInfo::exists(f.client("pal.dat")), when);
        if (blocked == Blocked::Link)
            QVERIFY2(Files::ReadAll(outside) == outsideBytes, when);
    };
    const auto refused = [&](const QByteArray &kind) {
        QVERIFY2(f.chat.hasSystemMessage("The " + kind
                                         + " is not installed: the saved palette files could not be put back ("
                                         + reason + ")"),
                 f.chat.systemMessages.join('\n').constData());
        QVERIFY(f.chat.hasSystemMessage("they go back after the next game or at the next start"));
        QVERIFY(f.chat.hasSystemMessage("The game starts without the " + kind + "."));
        QVERIFY(!f.chat.hasSystemMessage("Restoring"));
        QVERIFY(!f.chat.hasSystemMessage("Could not install"));
    };
    std::optional<ClientRun> run(std::in_place, f, ops);
    if (blocked != Blocked::Unreadable) {
        held = snapshot(f.setup.GamePath);
        QVERIFY(held.value("data/PAL0-A.DAT") == original.value("data/PAL0-A.DAT"));
        held["data/PAL0-A.DAT"] = killed.value("data/PAL0-A.DAT");
        QCOMPARE(difference(killed, held), QString());
        held = snapshot(f.setup.GamePath);
    }
    unchanged("the first start");
    QVERIFY2(f.chat.hasSystemMessage("Kept for a later restore: the pack backups wait for the palette files ("
                                     + reason + ")"),
             f.chat.systemMessages.join('\n').constData());
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
            if (blocked != Blocked::Unreadable)
                QVERIFY(f.chat.hasSystemMessage("Tribe colours could not be set up: " + reason));
            if (step == 'E') {
                // One line for the launch's wait, one for the game end's.
                QCOMPARE(waitLines(f), 1);
                run->gameEnds();
                QCOMPARE(waitLines(f), 2);
            }
            break;
        }
        if (step != 'E')
            QCOMPARE(waitLines(f), 1);
        QCOMPARE(f.commands.commands, QList<QByteArray>());
        unchanged(QByteArray(1, step).constData());
        // The client ends (or is killed) and starts again.
        f.chat.clear();
        run.emplace(f, ops);
        unchanged(QByteArray(1, step).constData());
        QCOMPARE(waitLines(f), 1);
    }

    // The copy is readable again (the player put it back): a normal start
    // puts everything back.
    ops.refuse = false;
    if (blocked != Blocked::Unreadable) {
        QVERIFY(QFile::remove(copy));
        writeFile(copy, saved);
    }
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
        const bool killed = killedAfter(killAfter, [&f](GameFileOperations &ops) { ClientRun run(f, ops); });

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

void tst_JournalsWait::killedDuringTheColourSetUp()
{
    // The launch's tribe-colour set-up is killed after each of its file
    // operations in turn (after writing a new file's bytes, before renaming
    // them into place, among them); the start after it gives back the game
    // folder byte for byte and leaves no temporary beside a palette, its
    // copy or the marker.
    Fixture f;
    prepare(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    f.saveTemplate();
    const auto clientLeftovers = [&f] {
        QStringList left = savedPalettes(f);
        for (const QString &name : QDir(f.setup.ProgramFolder).entryList({"pal.dat*", ".pal.dat*"},
                                                                         QDir::AllEntries | QDir::Hidden))
            left.append(name);
        return left;
    };

    int killAfter = 1;
    for (;; ++killAfter) {
        f.restoreTemplate();
        const bool killed = killedAfter(killAfter, [&f](GameFileOperations &ops) {
            InstallTribePalettes({f.setup.ProgramFolder, f.setup.GamePath, boxColour}, f.chat, ops);
        });
        if (!killed) {
            // The set-up ran through: the palettes are patched.
            QVERIFY(snapshot(f.setup.GamePath) != original);
        }

        GameFileOperations ops(false);
        ClientRun again(f, ops);
        const QString diff = difference(original, snapshot(f.setup.GamePath));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("kill after operation %1: %2").arg(killAfter).arg(diff)));
        QCOMPARE(clientLeftovers(), QStringList());
        if (!killed)
            break;
    }
    // The marker, then a copy and a patch of each of the two palettes, each
    // written and renamed.
    QVERIFY2(killAfter > 10, qPrintable(QString::number(killAfter)));
}

QTEST_GUILESS_MAIN(tst_JournalsWait)
#include "tst_journalswait.moc"
