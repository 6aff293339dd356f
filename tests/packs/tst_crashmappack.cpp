// Crash safety of a map pack install (see InstallCrashHarness.h).

#include "tests/packs/InstallCrashHarness.h"

using namespace InstallTest;

namespace {

// Slots present and missing, read-only and upper-case game files, a small
// LANG00.DAT and a large second language file; a map pack only.
Launch slotsScenario(Fixture &f)
{
    f.setLobbyLevels("2101,2102,2103");
    f.writeGameFile("LEVELS/LEVL2101.DAT", filler('a', 3000), true);
    f.writeGameFile("LEVELS/LEVL2101.HDR", header('b'));
    f.writeGameFile("LEVELS/levl2103.hdr", header('c'), true);
    f.writeGameFile("LEVELS/levl0001.dat", filler('d', 500));
    f.writeGameFile("LANGUAGE/LANG00.DAT", languageFileOfSize(740, 0));
    f.writeGameFile("LANGUAGE/lang01.dat", languageFileOfSize(740, 120000));
    Launch launch;
    launch.mappack = f.addMappack(
        "twolevels.kaf",
        {{"mappack.txt",
          mapManifest({"NAME: First Level\r\nDAT: maps\\one.dat\r\nHDR: one.hdr\r\nCREATOR: me\r\n",
                       "NAME: Second\r\nDAT: two.dat\r\nHDR: absent.hdr\r\n"},
                      "LANG 5:Five: with a colon\r\nLANG 12:Twelve\r\n")},
         {"one.dat", filler('1', 2000)},
         {"one.hdr", header('2')},
         {"two.dat", filler('3', 2500)}});
    return launch;
}

} // namespace

class tst_CrashMappack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKillPointRestores() { sweepKillPoints(&slotsScenario, 40); }
};

QTEST_GUILESS_MAIN(tst_CrashMappack)
#include "tst_crashmappack.moc"
