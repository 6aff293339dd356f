#include "core/ClientExit.h"
#include "core/ClientState.h"
#include "core/FindGamePath.h"
#include "core/Settings.h"
#include "core/StartupSequence.h"
#include "core/util/Files.h"
#include "core/util/Ini.h"
#include "platform/SoundPlayer.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FakeErrorReporter.h"
#include "tests/fixtures/FakeRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

class RecordingSound : public SoundPlayer
{
public:
    bool play(const QString &waveFile, QString *error) override
    {
        played.append(waveFile);
        if (error)
            *error = failure;
        return failure.isEmpty();
    }
    QStringList played;
    QString failure;
};

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}

} // namespace

// The start-up sequence with fakes for everything around it: the order of
// its steps and captions, and what it decides on the way.
class tst_Startup : public QObject
{
    Q_OBJECT

    struct Rig
    {
        QTemporaryDir home;
        ClientState state;
        FakeRegistry registry;
        FakeDialogs dialogs;
        RecordingSound sound;
        FakeErrorReporter errors;
        QStringList log;   // hooks and captions, in call order
        bool exitNow = false;
        VersionCheck::Result version = VersionCheck::Result::Continue;
        StartupSequence::Hooks hooks;

        Rig()
        {
            state.Setup.ProgramFolder = home.path();
            registry.driveC = home.filePath("drive_c");
            touch(home.filePath("skins/Default/loading.wav"));
            const auto record = [this](const char *name) {
                return [this, name] { log.append(QString::fromLatin1(name)); };
            };
            hooks.showSplash = record("showSplash");
            hooks.caption = [this](const QByteArray &c) { log.append("caption:" + QString::fromLatin1(c)); };
            hooks.loadSkinPictures = record("loadSkinPictures");
            hooks.showLogin = record("showLogin");
            hooks.FindGamePath = [this] {
                log.append("FindGamePath");
                FindGamePath(registry, dialogs, state.Setup);
            };
            hooks.CheckVersion = [this](const QByteArray &product) {
                log.append("CheckVersion " + QString::fromLatin1(product));
                return version;
            };
            hooks.CheckPaletteRestore = record("CheckPaletteRestore");
            hooks.RestoreMapBackup = record("RestoreMapBackup");
            hooks.RestoreModBackup = record("RestoreModBackup");
            hooks.CheckHeaderRestore = record("CheckHeaderRestore");
            hooks.InitTribeShades = record("InitTribeShades");
            hooks.CheckConstantRestore = record("CheckConstantRestore");
            hooks.SetDefaultTribeColours = record("SetDefaultTribeColours");
            hooks.BuildMappackCrcList = record("BuildMappackCrcList");
            hooks.BuildModpackCrcList = record("BuildModpackCrcList");
            hooks.skinListLoaded = record("skinListLoaded");
            hooks.LoadBlockList = record("LoadBlockList");
            hooks.exiting = [this] { return exitNow; };
        }
        bool run()
        {
            StartupSequence sequence(state, registry, sound, errors, hooks);
            return sequence.Main();
        }
        void installGame(qint32 language = 3)
        {
            QDir().mkpath(home.filePath("drive_c/Games/Pop"));
            registry.installGame("C:\\Games\\Pop", "1.01", language, "d3dpoptb.exe");
        }
    };

private Q_SLOTS:
    void order()
    {
        Rig rig;
        rig.installGame();
        QVERIFY(rig.run());
        QCOMPARE(rig.log, (QStringList{
            "showSplash", "loadSkinPictures", "FindGamePath", "caption:Getting Version Status..",
            "CheckVersion gatherhall", "caption:Loading Skin Textures..",
            "caption:Checking for Backup Data..", "CheckPaletteRestore", "RestoreMapBackup", "RestoreModBackup",
            "CheckHeaderRestore", "InitTribeShades", "CheckConstantRestore", "SetDefaultTribeColours",
            "caption:Generating CRC32 for Mappacks", "BuildMappackCrcList",
            "caption:Generating CRC32 for Modpacks", "BuildModpackCrcList", "skinListLoaded",
            "LoadBlockList", "caption:Done!", "showLogin"}));
        QCOMPARE(rig.sound.played, QStringList{rig.home.filePath("skins/Default/loading.wav")});
        QCOMPARE(rig.state.Setup.GameExeName, QByteArray("d3dpoptb.exe"));
        QCOMPARE(rig.state.Setup.GameVersion, QByteArray("1.01"));
        QCOMPARE(rig.state.CurrentUser.LangFile, QByteArray("LANG03.DAT"));
        QVERIFY(rig.dialogs.questions.isEmpty());
    }

    // No game: its message, start-up reaches "Done!", the language step is skipped.
    void gameKeyAbsent()
    {
        Rig rig;
        QVERIFY(rig.run());
        QCOMPARE(rig.dialogs.questions.size(), 1);
        QCOMPARE(rig.dialogs.questions[0].text, GameNotInstalledMessage());
        QVERIFY(rig.log.contains("caption:Done!"));
        QCOMPARE(rig.log.last(), QStringLiteral("showLogin"));
        QVERIFY(!rig.state.Setup.GameInstalled);
        QVERIFY(rig.state.CurrentUser.LangFile.isEmpty());
        QVERIFY(rig.state.Setup.GameExeName.isEmpty());
    }

    void exeFromSettingsWins()
    {
        Rig rig;
        rig.installGame();
        Ini::WriteIni(rig.home.filePath("qx.ini"), "paths", "exefile", "poptb.exe");
        QVERIFY(rig.run());
        QCOMPARE(rig.state.Setup.GameExeName, QByteArray("poptb.exe"));
    }

    void packFolders()
    {
        Rig rig;
        QVERIFY(!QFileInfo::exists(rig.home.filePath("mappacks")));
        touch(rig.home.filePath("modpacks/keep.kaf"));
        // Created before the version check runs.
        rig.hooks.CheckVersion = [&rig](const QByteArray &) {
            rig.log.append(QStringLiteral("mappacks %1").arg(Files::DirExists(rig.home.filePath("mappacks"))));
            return VersionCheck::Result::Continue;
        };
        QVERIFY(rig.run());
        QVERIFY(rig.log.contains("mappacks 1"));
        QVERIFY(Files::DirExists(rig.home.filePath("mappacks")));
        QVERIFY(Files::FileExists(rig.home.filePath("modpacks/keep.kaf")));
        QCOMPARE(rig.state.Setup.MappacksFolder, rig.home.filePath("mappacks"));
        QCOMPARE(rig.state.Setup.ModpacksFolder, rig.home.filePath("modpacks"));
    }

    void startSound_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("plays");
        QTest::newRow("default plays") << QByteArray() << true;
        QTest::newRow("start sound off") << QByteArray("disablestartsound") << false;
        QTest::newRow("all sound off") << QByteArray("disablesound") << false;
    }

    void startSound()
    {
        QFETCH(QByteArray, key);
        QFETCH(bool, plays);
        Rig rig;
        if (!key.isEmpty())
            Ini::WriteIni(rig.home.filePath("qx.ini"), "options", key, "True");
        QVERIFY(rig.run());
        QCOMPARE(rig.sound.played.size(), plays ? 1 : 0);
        QVERIFY(rig.errors.calls.isEmpty());
    }

    // A start sound that is missing or cannot be played is a status line,
    // never a report: the start goes on in silence when the default skin's
    // own sound is the one that fails.
    void failingStartSoundIsAStatusLine_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("missing") << true << QString()
                                 << QByteArray("The start sound of the skin \"Default\" cannot be played "
                                               "(there is no loading.wav); the start is silent.");
        QTest::newRow("not a wave file")
            << false << QStringLiteral("loading.wav: not a wave file")
            << QByteArray("The start sound of the skin \"Default\" cannot be played "
                          "(loading.wav: not a wave file); the start is silent.");
    }

    void failingStartSoundIsAStatusLine()
    {
        QFETCH(bool, missing);
        QFETCH(QString, failure);
        QFETCH(QByteArray, status);
        Rig rig;
        if (missing)
            QFile::remove(rig.home.filePath("skins/Default/loading.wav"));
        rig.sound.failure = failure;
        QList<QByteArray> lines;
        rig.hooks.status = [&lines](const QByteArray &line) { lines.append(line); };
        QVERIFY(rig.run());
        QCOMPARE(lines, QList<QByteArray>{status});
        QVERIFY(rig.errors.calls.isEmpty());
        QCOMPARE(rig.sound.played.size(), missing ? 0 : 1);
        QCOMPARE(rig.log.last(), QStringLiteral("showLogin"));
    }

    void updateHandOverEnds()
    {
        Rig rig;
        rig.version = VersionCheck::Result::Exit;
        QVERIFY(!rig.run());
        QCOMPARE(rig.log.last(), QStringLiteral("CheckVersion gatherhall"));
    }

    // Cancel in an error report ends start-up right after the failing step.
    void cancelStopsAtOnce_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("skin pictures") << "loadSkinPictures";
        QTest::newRow("a restore") << "RestoreModBackup";
        QTest::newRow("crc list") << "BuildMappackCrcList";
    }

    void cancelStopsAtOnce()
    {
        QFETCH(QString, step);
        Rig rig;
        const auto exitIn = [&rig, step](std::function<void()> &hook) {
            hook = [&rig, step] {
                rig.log.append(step);
                rig.exitNow = true;
            };
        };
        if (step == "loadSkinPictures")
            exitIn(rig.hooks.loadSkinPictures);
        else if (step == "RestoreModBackup")
            exitIn(rig.hooks.RestoreModBackup);
        else
            exitIn(rig.hooks.BuildMappackCrcList);
        QVERIFY(!rig.run());
        QCOMPARE(rig.log.last(), step);
        QVERIFY(!rig.log.contains("showLogin"));
    }

    // A window's close waits for the refusal's OK; a termination signal,
    // handled as an event, shows it without waiting.
    void exitRefusedWhileGameRuns_data()
    {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("window closed") << false;
        QTest::newRow("signal") << true;
    }

    void exitRefusedWhileGameRuns()
    {
        QFETCH(bool, bySignal);
        FakeDialogs dialogs;
        QStringList done;
        bool running = true;
        ClientExit exit(dialogs, {
            .gameWatchRunning = [&] { return running; },
            .stopEverything = [&] { done << "stop"; },
            .saveBadWordList = [&] { done << "save"; },
            .unloadWindows = [&] { done << "unload"; },
            .quit = [&] { done << "quit"; },
        });
        const auto end = [&] { return bySignal ? exit.endRequested() : exit.ExitClient(); };
        QVERIFY(!end());
        QVERIFY(!exit.exiting());
        QVERIFY(done.isEmpty());
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.questions[0].waited, !bySignal);
        QCOMPARE(dialogs.questions[0].text,
                 QStringLiteral("Populous is running! Can't exit the client! Don't try to close the "
                                "qx in any other way or the current game will count as a loss!"));
        QCOMPARE(dialogs.questions[0].buttons, Dialogs::Buttons::Ok);

        running = false;
        QVERIFY(end());
        QVERIFY(exit.exiting());
        QCOMPARE(done, (QStringList{"stop", "save", "unload", "quit"}));
        QVERIFY(exit.ExitClient());   // once only
        QVERIFY(exit.endRequested());
        QCOMPARE(done.size(), 4);
    }

    // A chosen skin that cannot be loaded gives way to the default skin for
    // the run, with one status line, when the default skin can be loaded.
    void brokenSkinGivesWay_data()
    {
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QByteArrayList>("broken");
        QTest::addColumn<QByteArrayList>("soundless");   // skins without loading.wav
        QTest::addColumn<QByteArray>("used");
        QTest::addColumn<QList<QByteArray>>("status");
        QTest::addColumn<QByteArray>("soundFrom");       // the skin whose sound plays
        const QByteArray glass = "\\skins\\Glass";
        const QByteArray fallback = "\\skins\\Default";
        QTest::newRow("chosen skin loads") << glass << QByteArrayList{} << QByteArrayList{} << glass
                                           << QList<QByteArray>{} << glass;
        QTest::newRow("chosen skin broken")
            << glass << QByteArrayList{glass} << QByteArrayList{} << fallback
            << QList<QByteArray>{"The skin \"Glass\" cannot be loaded (bad); the default skin is used instead."}
            << fallback;
        QTest::newRow("default skin broken too")
            << glass << QByteArrayList{glass, fallback} << QByteArrayList{} << glass << QList<QByteArray>{} << glass;
        QTest::newRow("default skin chosen") << fallback << QByteArrayList{fallback} << QByteArrayList{} << fallback
                                             << QList<QByteArray>{} << fallback;
        // The start sound is one of the skin's files too: the default skin's
        // sound stands in, with one status line and no prompt.
        QTest::newRow("chosen skin without loading.wav")
            << glass << QByteArrayList{} << QByteArrayList{glass} << glass
            << QList<QByteArray>{"The start sound of the skin \"Glass\" cannot be played (there is no "
                                 "loading.wav); the default skin's sound is played instead."}
            << fallback;
        QTest::newRow("no loading.wav in either skin")
            << glass << QByteArrayList{} << QByteArrayList{glass, fallback} << glass
            << QList<QByteArray>{"The start sound of the skin \"Glass\" cannot be played (there is no "
                                 "loading.wav); the start is silent."}
            << QByteArray();
    }

    void brokenSkinGivesWay()
    {
        QFETCH(QByteArray, chosen);
        QFETCH(QByteArrayList, broken);
        QFETCH(QByteArrayList, soundless);
        QFETCH(QByteArray, used);
        QFETCH(QList<QByteArray>, status);
        QFETCH(QByteArray, soundFrom);
        Rig rig;
        const QString qx = rig.home.filePath("qx.ini");
        Ini::WriteIni(qx, "paths", "skinpath", chosen);
        touch(rig.home.filePath("skins/Glass/loading.wav"));
        Ini::WriteIni(rig.home.filePath("skins/Glass/qxskin.ini"), "skinning", "border4", "77");
        for (const QByteArray &skin : soundless)
            QVERIFY(QFile::remove(rig.home.filePath("skins/" + skin.mid(7) + "/loading.wav")));
        rig.hooks.skinFault = [&broken](const QByteArray &skin) {
            return broken.contains(skin) ? QByteArray("bad") : QByteArray();
        };
        QList<QByteArray> lines;
        rig.hooks.status = [&lines](const QByteArray &line) { lines.append(line); };
        QByteArray dressed;
        rig.hooks.loadSkinPictures = [&] { dressed = rig.state.Options.SkinPath; };
        QVERIFY(rig.run());
        QCOMPARE(lines, status);
        QVERIFY(rig.errors.calls.isEmpty());
        QCOMPARE(dressed, used);
        QCOMPARE(rig.state.Options.SkinPath, used);
        QCOMPARE(rig.state.Options.OptionsBackColor == 77, used == "\\skins\\Glass");
        QCOMPARE(rig.sound.played, soundFrom.isEmpty()
                                       ? QStringList()
                                       : QStringList{rig.home.filePath("skins/" + soundFrom.mid(7) + "/loading.wav")});
        QCOMPARE(Ini::ReadIni(qx, "paths", "skinpath", ""), chosen);
    }

    void settingsDefaults()
    {
        QTemporaryDir home;
        ClientOptions o;
        o.ResWidth = "earlier";
        Ini::WriteIni(home.filePath("qx.ini"), "options", "customres", "False");
        Settings::LoadSettings(o, home.path());
        QCOMPARE(o.SkinPath, QByteArray("\\skins\\Default"));
        QCOMPARE(o.ColorAdmin, 16777215);
        QCOMPARE(o.ColorForeground, 16777185);
        QCOMPARE(o.OptionsForeColor, 16777215);
        QVERIFY(o.TimeStamps && o.ConvSmileys && o.LangFilter && o.UseD3D && !o.CustomRes);
        QVERIFY(!o.DisableStartSound && !o.ForceLowCase && !o.TransEnable);
        QCOMPARE(o.ChatFont, QByteArray("MS Sans Seriff"));
        QCOMPARE(o.ResWidth, QByteArray("earlier"));
        QCOMPARE(o.LoginBackground, home.filePath("skins/Default/loginbg.jpg"));

        Ini::WriteIni(home.filePath("qx.ini"), "options", "customres", "True");
        Ini::WriteIni(home.filePath("qx.ini"), "paths", "skinpath", "\\skins\\Blue");
        QDir().mkpath(home.filePath("skins/Blue"));
        Ini::WriteIni(home.filePath("skins/Blue/qxskin.ini"), "skinning", "foreground", "1000.6");
        Ini::WriteIni(home.filePath("skins/Blue/qxskin.ini"), "skinning", "border4", "77");
        Settings::LoadSettings(o, home.path());
        QCOMPARE(o.ResWidth, QByteArray("768"));
        QCOMPARE(o.ResHeight, QByteArray("1024"));
        QCOMPARE(o.ColorForeground, 1001 - 30);
        QCOMPARE(o.OptionsBackColor, 77);
    }

    void installedSkins_data()
    {
        QTest::addColumn<QByteArray>("count");
        QTest::addColumn<QByteArrayList>("skins");
        QTest::newRow("three in key order") << QByteArray("3") << QByteArrayList{"One", "Two", "0"};
        QTest::newRow("none") << QByteArray("0") << QByteArrayList{};
        QTest::newRow("not a number") << QByteArray("many") << QByteArrayList{};
        QTest::newRow("negative") << QByteArray("-2") << QByteArrayList{};
    }

    void installedSkins()
    {
        QFETCH(QByteArray, count);
        QFETCH(QByteArrayList, skins);
        QTemporaryDir home;
        const QString inf = home.filePath("skins/InstalledSkins.inf");
        QDir().mkpath(home.filePath("skins"));
        Ini::WriteIni(inf, "SKINS", "SKIN2", "Two");
        Ini::WriteIni(inf, "SKINS", "SKIN1", "One");
        Ini::WriteIni(inf, "SKINS", "INSTALLEDSKINS", count);
        ClientOptions o;
        o.InstalledSkins = {"stale"};
        Settings::LoadInstalledSkins(o, home.path());
        QCOMPARE(o.InstalledSkins, skins);
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
