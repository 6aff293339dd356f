// Crash safety of a map pack and a mod pack installed together (see InstallCrashHarness.h).

#include "tests/packs/InstallCrashHarness.h"

using namespace InstallTest;

namespace {

// A map pack and a mod pack that change the same files, two mod targets with
// one file name, a file the mod creates, and a large LANG00.DAT.
Launch mapAndModScenario(Fixture &f)
{
    f.setLobbyLevels("2101,2102");
    f.writeGameFile("levels/levl2101.dat", filler('e', 1500));
    f.writeGameFile("levels/levl2101.hdr", header('f'));
    f.writeGameFile("levels/levl2102.hdr", header('g'));
    f.writeGameFile("language/LANG00.DAT", languageFileOfSize(740, 130000), true);
    f.writeGameFile("data/foo.dat", filler('h', 800));
    f.writeGameFile("sound/FOO.DAT", filler('i', 900));
    Launch launch;
    launch.mappack = f.addMappack(
        "onelevel.kaf",
        {{"mappack.txt", mapManifest({"NAME: Only\r\nDAT: l1.dat\r\nHDR: l1.hdr\r\n"},
                                     "LANG 3:Three\r\n")},
         {"l1.dat", filler('4', 1800)},
         {"l1.hdr", header('5')}});
    launch.modpack = f.addModpack(
        "textures.kaf",
        {{"modpack.txt", "creator\r\ntitle\r\n" + modLine("mlevel.dat", "levels\\levl2101.dat")
                             + modLine("foo1.dat", "data\\foo.dat")
                             + modLine("foo2.dat", "sound\\foo.dat")
                             + modLine("new.dat", "data\\new.dat")},
         {"mlevel.dat", filler('6', 1700)},
         {"foo1.dat", filler('7', 300)},
         {"foo2.dat", filler('8', 400)},
         {"new.dat", filler('9', 100)}});
    return launch;
}

} // namespace

class tst_CrashMapModpack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKillPointRestores() { sweepKillPoints(&mapAndModScenario, 50); }
};

QTEST_GUILESS_MAIN(tst_CrashMapModpack)
#include "tst_crashmapmodpack.moc"
