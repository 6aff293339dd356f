// The options tab's logic: what each control writes, the panel's filling at
// load (with the write-back it makes), the executable choice, translucency
// and the skin list.
#include "core/ClientState.h"
#include "core/Settings.h"
#include "core/StartupSequence.h"
#include "core/util/Ini.h"
#include "lobby/OptionsPanel.h"
#include "tests/fixtures/FakeErrorReporter.h"
#include "tests/fixtures/FakeRegistry.h"
#include "tests/fixtures/FakeSoundPlayer.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(OptionsPanel::Box)

namespace {

struct Rig
{
    QTemporaryDir home;
    ClientState state;
    RecordingChatOutput chat;
    QList<int> alphas;
    int loadSettingsCalls = 0;
    int skinListCalls = 0;
    QStringList fonts{QStringLiteral("Arial"), QStringLiteral("Verdana")};
    std::unique_ptr<OptionsPanel> panel;

    Rig()
    {
        state.Setup.ProgramFolder = home.path();
        state.Setup.GamePathWindows = "C:\\Games\\Populous";
        writeFile(skinIni(), QByteArray());
        QDir(home.path()).mkpath(QStringLiteral("skins/Other"));
        OptionsPanel::Hooks hooks;
        hooks.SetWindowAlpha = [this](int a) { alphas.append(a); };
        hooks.LoadSettings = [this] {
            ++loadSettingsCalls;
            Settings::LoadSettings(state.Options, state.Setup.ProgramFolder);
        };
        hooks.skinListChanged = [this] { ++skinListCalls; };
        hooks.screenFonts = [this] { return fonts; };
        panel = std::make_unique<OptionsPanel>(state, chat, hooks);
    }

    // The next start of the same client folder.
    void takeFilesOf(const Rig &earlier)
    {
        QFile::remove(skinIni());
        copyTree(earlier.home.path(), home.path());
    }

    QString qx() const { return home.filePath(QStringLiteral("qx.ini")); }
    QString skinIni() const { return home.filePath(QStringLiteral("skins/Default/qxskin.ini")); }
    QByteArray qxValue(const char *section, const char *key) const
    {
        return Ini::ReadIni(qx(), section, key, "<none>");
    }
};

} // namespace

class tst_OptionsPanel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachBoxWritesItsKey_data();
    void eachBoxWritesItsKey();
    void fixTextureBoxOnlyShows();
    void failedWriteIsReported();
    void emptyQxIniAtStartup();
    void loadWritesBackTickedFlagsOnly();
    void customResolution_data();
    void customResolution();
    void softwareModeClearsCustomRes();
    void hardwareModeQuotesThePath();
    void portAndFonts_data();
    void portAndFonts();
    void translucencyOnLoad_data();
    void translucencyOnLoad();
    void translucencyRefreshWithBoxCleared();
    void applySkin_data();
    void applySkin();
    void applyWithNothingSelected();
    void refreshSkinList();
};

void tst_OptionsPanel::eachBoxWritesItsKey_data()
{
    QTest::addColumn<OptionsPanel::Box>("box");
    QTest::addColumn<bool>("skinFile");
    QTest::addColumn<QByteArray>("key");
    QTest::newRow("chkConvSmileys") << OptionsPanel::chkConvSmileys << false << QByteArray("CONVSMILEYS");
    QTest::newRow("chkDisableSound") << OptionsPanel::chkDisableSound << false << QByteArray("DISABLESOUND");
    QTest::newRow("chkDisLaunchSnd") << OptionsPanel::chkDisLaunchSnd << false << QByteArray("DISABLELAUNCHSOUND");
    QTest::newRow("chkDisPMSnd") << OptionsPanel::chkDisPMSnd << false << QByteArray("DISABLEPMSOUND");
    QTest::newRow("chkDisStartSound") << OptionsPanel::chkDisStartSound << false << QByteArray("DISABLESTARTSOUND");
    QTest::newRow("chkEnableTransparency") << OptionsPanel::chkEnableTransparency << true << QByteArray("TRANSENABLE");
    QTest::newRow("chkLangFilt") << OptionsPanel::chkLangFilt << false << QByteArray("LANGFILTER");
    QTest::newRow("chkLowCas") << OptionsPanel::chkLowCas << false << QByteArray("FORCELOWCASE");
    QTest::newRow("chkTimeStamp") << OptionsPanel::chkTimeStamp << false << QByteArray("TIMESTAMPS");
    QTest::newRow("chkVbMinimize") << OptionsPanel::chkVbMinimize << false << QByteArray("TRAYMINIMIZE");
}

void tst_OptionsPanel::eachBoxWritesItsKey()
{
    QFETCH(OptionsPanel::Box, box);
    QFETCH(bool, skinFile);
    QFETCH(QByteArray, key);
    Rig rig;
    // Every flag starts the other way round from the box, so a change shows.
    ClientOptions &o = rig.state.Options;
    const QList<bool *> flags{&o.ConvSmileys, &o.DisableSound, &o.DisableLaunchSound, &o.DisablePmSound,
                              &o.DisableStartSound, &o.TransEnable, &o.LangFilter, &o.ForceLowCase,
                              &o.TimeStamps, &o.TrayMinimize, &o.CustomRes, &o.UseD3D};
    for (bool *f : flags)
        *f = false;
    const QString file = skinFile ? rig.skinIni() : rig.qx();
    const QString other = skinFile ? rig.qx() : rig.skinIni();
    const QByteArray otherBytes = readFile(other);
    const char *section = skinFile ? "skinning" : "options";

    rig.panel->setChecked(box, true);
    QVERIFY(rig.panel->checked(box));
    QCOMPARE(Ini::ReadIni(file, section, key, "<none>"), QByteArray("True"));
    QCOMPARE(readFile(file).count("\r\n"), 3); // header, that key alone, end
    QCOMPARE(std::count_if(flags.begin(), flags.end(), [](bool *f) { return *f; }), 1);
    rig.panel->setChecked(box, false);
    QCOMPARE(Ini::ReadIni(file, section, key, "<none>"), QByteArray("False"));
    QCOMPARE(std::count_if(flags.begin(), flags.end(), [](bool *f) { return *f; }), 0);
    QCOMPARE(readFile(other), otherBytes);
    for (OptionsPanel::Box b : OptionsPanel::fillOrder()) {
        if (b != box)
            QVERIFY(!rig.panel->checked(b));
    }
    QVERIFY(rig.state.Setup.GameExeName.isEmpty());
    QVERIFY(rig.chat.systemMessages.isEmpty());
}

void tst_OptionsPanel::fixTextureBoxOnlyShows()
{
    Rig rig;
    rig.state.Options.TextureFix = true;
    rig.panel->setChecked(OptionsPanel::ChkFixTxture, true);
    rig.panel->setChecked(OptionsPanel::ChkFixTxture, false);
    QVERIFY(rig.state.Options.TextureFix);
    QVERIFY(!QFile::exists(rig.qx()));
}

void tst_OptionsPanel::failedWriteIsReported()
{
    Rig rig;
    QVERIFY(QDir(rig.home.path()).mkpath(QStringLiteral("qx.ini"))); // not a file: cannot be written
    rig.panel->setChecked(OptionsPanel::chkLowCas, true);
    QVERIFY(rig.state.Options.ForceLowCase); // in force for this run
    QCOMPARE(rig.chat.systemMessages.size(), 1);
    QVERIFY(rig.chat.systemMessages.first().startsWith("The setting forcelowcase could not be saved: "));
}

void tst_OptionsPanel::emptyQxIniAtStartup()
{
    // The real start-up: loading the lobby window (inside the settings step)
    // fills the panel, which writes the executable choice that start-up then reads.
    Rig rig;
    FakeRegistry registry;
    FakeSoundPlayer sound;
    FakeErrorReporter errors;
    registry.setString(StartupSequence::ExeKey, "CurrentEXE", "poptb.exe");
    StartupSequence::Hooks hooks;
    hooks.loadSkinPictures = [&rig] { rig.panel->OptionsFormData(); };
    StartupSequence startup(rig.state, registry, sound, errors, hooks);
    startup.LoadSettings();
    startup.chooseExecutable();

    QCOMPARE(rig.panel->txtFilePort(), QByteArray("7576"));
    QVERIFY(rig.panel->checked(OptionsPanel::chkCustomRes));
    QCOMPARE(rig.panel->txtwid(), QByteArray("768"));
    QCOMPARE(rig.panel->txthei(), QByteArray("1024"));
    QCOMPARE(rig.panel->graphicMode(), 1);

    for (const char *key : {"convsmileys", "LangFilter", "timestamps", "trayminimize", "D3D"})
        QCOMPARE(rig.qxValue("options", key), QByteArray("True"));
    QCOMPARE(rig.qxValue("paths", "exefile"), QByteArray("d3dpoptb.exe"));
    // GameExeName was still empty when the box was ticked.
    QCOMPARE(rig.qxValue("options", "customres"), QByteArray("<none>"));
    for (const char *key : {"disablesound", "disablestartsound", "disablelaunchsound", "disablepmsound",
                            "forcelowcase"})
        QCOMPARE(rig.qxValue("options", key), QByteArray("<none>"));
    QCOMPARE(Ini::ReadIni(rig.skinIni(), "skinning", "transenable", "<none>"), QByteArray("<none>"));
    // Start-up reads the choice just written, not the registry's.
    QCOMPARE(rig.state.Setup.GameExeName, QByteArray("d3dpoptb.exe"));
    QCOMPARE(rig.state.Setup.GameExePath, QByteArray("C:\\Games\\Populous\\d3dpoptb.exe"));
    QVERIFY(rig.alphas.isEmpty());
}

void tst_OptionsPanel::loadWritesBackTickedFlagsOnly()
{
    Rig rig;
    writeFile(rig.qx(), "[SECTION=OPTIONS]\r\nDISABLESOUND=true\r\nTIMESTAMPS=false\r\nD3D=False\r\n[EOS]\r\n");
    Settings::LoadSettings(rig.state.Options, rig.home.path());
    rig.panel->OptionsFormData();
    QVERIFY(rig.panel->checked(OptionsPanel::chkDisableSound));
    QVERIFY(!rig.panel->checked(OptionsPanel::chkTimeStamp));
    QCOMPARE(rig.qxValue("options", "disablesound"), QByteArray("True")); // written back
    QCOMPARE(rig.qxValue("options", "timestamps"), QByteArray("false"));  // untouched
    QCOMPARE(rig.panel->graphicMode(), 0);
    QCOMPARE(rig.qxValue("paths", "exefile"), QByteArray("poptb.exe"));
    QCOMPARE(rig.qxValue("options", "D3D"), QByteArray("False"));
}

void tst_OptionsPanel::customResolution_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("changes");
    QTest::newRow("software") << 0 << false;
    QTest::newRow("hardware") << 1 << true;
}

void tst_OptionsPanel::customResolution()
{
    QFETCH(int, mode);
    QFETCH(bool, changes);
    Rig rig;
    rig.state.Options.CustomRes = false;
    rig.panel->setGraphicMode(mode);
    const QByteArray before = readFile(rig.qx());
    rig.panel->setChecked(OptionsPanel::chkCustomRes, true);
    QCOMPARE(rig.state.Options.CustomRes, changes);
    QCOMPARE(rig.qxValue("options", "customres"), changes ? QByteArray("True") : QByteArray("<none>"));
    if (!changes)
        QCOMPARE(readFile(rig.qx()), before);
    QCOMPARE(rig.panel->cmdResEnabled(), mode == 1);
    if (changes) {
        rig.panel->setChecked(OptionsPanel::chkCustomRes, false);
        QVERIFY(!rig.state.Options.CustomRes);
        QVERIFY(!rig.panel->cmdResEnabled());
        QCOMPARE(rig.qxValue("options", "customres"), QByteArray("False"));
    }
}

void tst_OptionsPanel::softwareModeClearsCustomRes()
{
    Rig rig;
    writeFile(rig.qx(), "[SECTION=OPTIONS]\r\nCUSTOMRES=True\r\nWID=1280\r\nHEI=960\r\n[EOS]\r\n");
    Settings::LoadSettings(rig.state.Options, rig.home.path());
    rig.state.Setup.GameExeName = "d3dpoptb.exe";
    rig.panel->OptionsFormData();
    QVERIFY(rig.panel->checked(OptionsPanel::chkCustomRes));
    QCOMPARE(rig.panel->txtwid(), QByteArray("1280"));
    QVERIFY(rig.panel->cmdResEnabled());

    rig.panel->setGraphicMode(0);
    QVERIFY(!rig.panel->checked(OptionsPanel::chkCustomRes));
    QVERIFY(!rig.panel->cmdResEnabled());
    QVERIFY(!rig.state.Options.CustomRes);
    QVERIFY(!rig.state.Options.UseD3D);
    QCOMPARE(rig.state.Setup.GameExeName, QByteArray("poptb.exe"));
    QCOMPARE(rig.qxValue("options", "customres"), QByteArray("True")); // the file keeps it
    QCOMPARE(rig.qxValue("paths", "exefile"), QByteArray("poptb.exe"));
    QCOMPARE(rig.qxValue("options", "D3D"), QByteArray("False"));
    QCOMPARE(rig.panel->txtwid(), QByteArray("1280")); // the boxes keep their text

    // The next load reads the kept value, and software mode clears the box
    // again as the panel fills; the file still keeps the choice.
    Rig again;
    again.takeFilesOf(rig);
    Settings::LoadSettings(again.state.Options, again.home.path());
    QVERIFY(again.state.Options.CustomRes);
    again.panel->OptionsFormData();
    QCOMPARE(again.panel->graphicMode(), 0);
    QVERIFY(!again.panel->checked(OptionsPanel::chkCustomRes));
    QCOMPARE(again.qxValue("options", "customres"), QByteArray("True"));
}

void tst_OptionsPanel::hardwareModeQuotesThePath()
{
    Rig rig;
    rig.panel->setGraphicMode(0);
    QCOMPARE(rig.state.Setup.GameExePath, QByteArray("\"C:\\Games\\Populous\\poptb.exe\""));
    rig.panel->setGraphicMode(1);
    QCOMPARE(rig.state.Setup.GameExeName, QByteArray("d3dpoptb.exe"));
    QVERIFY(rig.state.Options.UseD3D);
    QCOMPARE(rig.state.Setup.GameExePath, QByteArray("\"C:\\Games\\Populous\\d3dpoptb.exe\""));
    QCOMPARE(rig.qxValue("paths", "exefile"), QByteArray("d3dpoptb.exe"));
    QCOMPARE(rig.qxValue("options", "D3D"), QByteArray("True"));
}

void tst_OptionsPanel::portAndFonts_data()
{
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("missing") << QByteArray() << QByteArray("7576");
    QTest::newRow("number") << QByteArray("8000") << QByteArray("8000");
    QTest::newRow("trailing text") << QByteArray("8001x") << QByteArray("8001");
    QTest::newRow("not a number") << QByteArray("abc") << QByteArray("0");
}

void tst_OptionsPanel::portAndFonts()
{
    QFETCH(QByteArray, port);
    QFETCH(QByteArray, shown);
    Rig rig;
    if (!port.isEmpty())
        writeFile(rig.qx(), "[SECTION=FILES]\r\nPORT=" + port + "\r\n[EOS]\r\n");
    rig.fonts.clear();
    for (int i = 0; i < 150; ++i)
        rig.fonts.append(QStringLiteral("Font %1").arg(i));
    rig.state.Options.ChatFont = "Verdana";
    rig.panel->OptionsFormData();
    QCOMPARE(rig.panel->txtFilePort(), shown);
    QCOMPARE(rig.panel->cmbFontItems().size(), 101);
    QCOMPARE(rig.panel->cmbFontItems().last(), QStringLiteral("Font 100"));
    QCOMPARE(rig.panel->cmbFontText(), QStringLiteral("Verdana"));
}

void tst_OptionsPanel::translucencyOnLoad_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("slider");
    QTest::addColumn<bool>("applied");
    QTest::newRow("valid, enabled") << QByteArray("200") << true << 200 << true;
    QTest::newRow("valid, disabled") << QByteArray("200") << false << 200 << false;
    QTest::newRow("lowest") << QByteArray("90") << true << 90 << true;
    QTest::newRow("highest") << QByteArray("255") << true << 255 << true;
    QTest::newRow("missing") << QByteArray() << true << 90 << false;
    QTest::newRow("below") << QByteArray("89") << true << 90 << false;
    QTest::newRow("above") << QByteArray("256") << true << 90 << false;
    QTest::newRow("zero") << QByteArray("0") << true << 90 << false;
    QTest::newRow("not a number") << QByteArray("clear") << true << 90 << false;
    QTest::newRow("fraction") << QByteArray("200.5") << true << 90 << false;
}

void tst_OptionsPanel::translucencyOnLoad()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, enabled);
    QFETCH(int, slider);
    QFETCH(bool, applied);
    Rig rig;
    if (!stored.isEmpty())
        writeFile(rig.skinIni(), "[SECTION=SKINNING]\r\nTRANSPARENCY=" + stored + "\r\n[EOS]\r\n");
    rig.state.Options.TransEnable = enabled;
    rig.panel->OptionsFormData();
    QCOMPARE(rig.panel->scrTransparency(), slider);
    QCOMPARE(rig.alphas, applied ? QList<int>{slider} : QList<int>{});
    QCOMPARE(rig.panel->checked(OptionsPanel::chkEnableTransparency), enabled);
}

void tst_OptionsPanel::translucencyRefreshWithBoxCleared()
{
    Rig rig;
    rig.panel->OptionsFormData();
    QVERIFY(!rig.panel->checked(OptionsPanel::chkEnableTransparency));
    rig.panel->setScrTransparency(180);
    rig.panel->CmdTransparencyRefresh_Click();
    QCOMPARE(rig.alphas, QList<int>{180}); // at once, whatever the box says
    QCOMPARE(Ini::ReadIni(rig.skinIni(), "skinning", "transparency", ""), QByteArray("180"));
    QCOMPARE(Ini::ReadIni(rig.skinIni(), "skinning", "transenable", "<none>"), QByteArray("<none>"));
    // The next start stays opaque: the box is still cleared.
    Rig next;
    next.takeFilesOf(rig);
    Settings::LoadSettings(next.state.Options, next.home.path());
    next.panel->OptionsFormData();
    QCOMPARE(next.panel->scrTransparency(), 180);
    QVERIFY(next.alphas.isEmpty());
    // The slider cannot leave its range.
    rig.panel->setScrTransparency(20);
    QCOMPARE(rig.panel->scrTransparency(), 90);
}

void tst_OptionsPanel::applySkin_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("applied");
    QTest::newRow("good") << QByteArray("Other") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("no folder") << QByteArray("Missing") << false;
    QTest::newRow("parent") << QByteArray("..") << false;
    QTest::newRow("dot") << QByteArray(".") << false;
    QTest::newRow("up and over") << QByteArray("..\\skins\\Other") << false;
    QTest::newRow("backslash") << QByteArray("Other\\..\\Default") << false;
    QTest::newRow("slash") << QByteArray("Other/../Default") << false;
    QTest::newRow("drive") << QByteArray("C:") << false;
    QTest::newRow("control") << QByteArray("Oth\ner") << false;
    QTest::newRow("a file") << QByteArray("InstalledSkins.inf") << false;
}

void tst_OptionsPanel::applySkin()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, applied);
    Rig rig;
    writeFile(rig.home.filePath(QStringLiteral("skins/Other/qxskin.ini")),
              "[SECTION=SKINNING]\r\nTRANSENABLE=True\r\n[EOS]\r\n");
    writeFile(rig.home.filePath(QStringLiteral("skins/InstalledSkins.inf")), "[SECTION=SKINS]\r\n[EOS]\r\n");
    rig.state.Options.InstalledSkins = {"Default", name};
    rig.panel->setSkinSelection(1);
    rig.panel->cmdApplySkin_Click();
    if (applied) {
        QCOMPARE(rig.qxValue("paths", "skinpath"), "\\skins\\" + name);
        QCOMPARE(rig.state.Options.SkinPath, "\\skins\\" + name);
        QCOMPARE(rig.loadSettingsCalls, 1);
        QVERIFY(rig.chat.systemMessages.isEmpty());
        // The new skin's own flag shows, and is not written anywhere again.
        QVERIFY(rig.state.Options.TransEnable);
        QVERIFY(rig.panel->checked(OptionsPanel::chkEnableTransparency));
    } else {
        QVERIFY(!QFile::exists(rig.qx()));
        QCOMPARE(rig.state.Options.SkinPath, QByteArray("\\skins\\Default"));
        QCOMPARE(rig.loadSettingsCalls, 0);
        QCOMPARE(rig.chat.systemMessages.size(), 1);
        QVERIFY(rig.chat.systemMessages.first().contains("cannot be applied"));
    }
}

void tst_OptionsPanel::applyWithNothingSelected()
{
    Rig rig;
    rig.state.Options.InstalledSkins = {"Other"};
    rig.panel->cmdApplySkin_Click();
    rig.panel->setSkinSelection(5); // beyond the list: no selection
    rig.panel->cmdApplySkin_Click();
    QCOMPARE(rig.panel->lstskinslistIndex(), -1);
    QVERIFY(!QFile::exists(rig.qx()));
    QCOMPARE(rig.loadSettingsCalls, 0);
    QVERIFY(rig.chat.systemMessages.isEmpty());
}

void tst_OptionsPanel::refreshSkinList()
{
    Rig rig;
    writeFile(rig.home.filePath(QStringLiteral("skins/InstalledSkins.inf")),
              "[SECTION=SKINS]\r\nINSTALLEDSKINS=3\r\nSKIN1=Default\r\nSKIN2=Other\r\nSKIN3=Third\r\n[EOS]\r\n");
    rig.state.Options.InstalledSkins = {"Stale"};
    rig.panel->setSkinSelection(0);
    rig.panel->cmdRefreshSkinsList_Click();
    QCOMPARE(rig.panel->lstskinslist(), (QList<QByteArray>{"Default", "Other", "Third"}));
    QCOMPARE(rig.panel->lstskinslistIndex(), -1);
    QCOMPARE(rig.skinListCalls, 1);
}

QTEST_GUILESS_MAIN(tst_OptionsPanel)
#include "tst_optionspanel.moc"
