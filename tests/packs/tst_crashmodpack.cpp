// Crash safety of a mod pack install without a map pack (see InstallCrashHarness.h).

#include "tests/packs/InstallCrashHarness.h"

using namespace InstallTest;

namespace {

// No map pack: the mod install clears the headers (one header missing) and
// the launch backs the headers up after it.
Launch modOnlyScenario(Fixture &f)
{
    f.setLobbyLevels("2101,2102,2103");
    f.writeGameFile("LEVELS/LEVL2101.HDR", header('j'));
    f.writeGameFile("LEVELS/levl2103.hdr", header('k'), true);
    f.writeGameFile("LEVELS/levl2103.dat", filler('l', 700));
    f.writeGameFile("DATA/PAL0-0.DAT", filler('m', 1024), true);
    f.writeGameFile("language/lang00.dat", languageFileOfSize(740, 0));
    Launch launch;
    launch.modpack = f.addModpack(
        "palettes.kaf",
        {{"modpack.txt", "creator\r\ntitle\r\n" + modLine("pal.dat", "data\\pal0-0.dat")},
         {"pal.dat", filler('0', 1024)}});
    return launch;
}

} // namespace

class tst_CrashModpack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKillPointRestores() { sweepKillPoints(&modOnlyScenario, 20); }
};

QTEST_GUILESS_MAIN(tst_CrashModpack)
#include "tst_crashmodpack.moc"
