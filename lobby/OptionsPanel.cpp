#include "lobby/OptionsPanel.h"

#include "core/ClientState.h"
#include "core/Settings.h"
#include "core/api/ChatOutput.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/SettingsKeys.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"

namespace K = SettingsKeys;

namespace {

// The ten option boxes: the setting each one saves. The transparency box
// lives in the skin's own file; the others in qx.ini.
struct OptionKey
{
    OptionsPanel::Box box;
    const K::Key *key;
    bool inSkinFile;
};

const OptionKey OptionKeys[] = {
    {OptionsPanel::chkConvSmileys, &K::ConvSmileys, false},
    {OptionsPanel::chkDisableSound, &K::DisableSound, false},
    {OptionsPanel::chkDisLaunchSnd, &K::DisableLaunchSound, false},
    {OptionsPanel::chkDisPMSnd, &K::DisablePmSound, false},
    {OptionsPanel::chkDisStartSound, &K::DisableStartSound, false},
    {OptionsPanel::chkEnableTransparency, &K::TransEnable, true},
    {OptionsPanel::chkLangFilt, &K::LangFilter, false},
    {OptionsPanel::chkLowCas, &K::ForceLowCase, false},
    {OptionsPanel::chkTimeStamp, &K::TimeStamps, false},
    {OptionsPanel::chkVbMinimize, &K::TrayMinimize, false},
};

const OptionKey *optionKey(OptionsPanel::Box box)
{
    for (const OptionKey &k : OptionKeys) {
        if (k.box == box)
            return &k;
    }
    return nullptr;
}

// A skin is a folder directly below "skins": one plain name, nothing that
// could lead out of it.
bool isPlainFolderName(const QByteArray &name)
{
    if (name.isEmpty() || name == "." || name.contains(".."))
        return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ':')
            return false;
    }
    return true;
}

// A stored translucency, when it is one the slider can show.
bool readTransparency(const QByteArray &text, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < OptionsPanel::TransparencyMin || v > OptionsPanel::TransparencyMax)
        return false;
    *value = v;
    return true;
}

} // namespace

OptionsPanel::OptionsPanel(ClientState &state, ChatOutput &chat, Hooks hooks, QObject *parent)
    : QObject(parent), m_state(state), m_chat(chat), m_hooks(std::move(hooks))
{
}

const std::array<OptionsPanel::Box, 11> &OptionsPanel::fillOrder()
{
    static const std::array<Box, 11> order{chkDisableSound, chkConvSmileys, chkTimeStamp, chkEnableTransparency,
                                           chkDisStartSound, chkDisLaunchSnd, chkDisPMSnd, chkVbMinimize,
                                           chkLowCas, chkLangFilt, ChkFixTxture};
    return order;
}

const QList<QByteArray> &OptionsPanel::lstskinslist() const
{
    return m_state.Options.InstalledSkins;
}

QString OptionsPanel::qxIni() const
{
    return K::QxIniPath(m_state.Setup.ProgramFolder);
}

QString OptionsPanel::skinIni() const
{
    return K::QxSkinIniPath(m_state.Setup.ProgramFolder, m_state.Options.SkinPath);
}

void OptionsPanel::write(const QString &file, const char *section, const char *key, const QByteArray &value)
{
    QString error;
    if (!Ini::WriteIni(file, section, key, value, &error))
        m_chat.AddSystemMessage("The setting " + QByteArray(key) + " could not be saved: "
                                + CodePage::fromUnicode(error));
}

bool &OptionsPanel::flag(Box box)
{
    ClientOptions &o = m_state.Options;
    switch (box) {
    case chkVbMinimize: return o.TrayMinimize;
    case chkDisStartSound: return o.DisableStartSound;
    case chkDisLaunchSnd: return o.DisableLaunchSound;
    case chkDisPMSnd: return o.DisablePmSound;
    case chkLowCas: return o.ForceLowCase;
    case chkLangFilt: return o.LangFilter;
    case chkTimeStamp: return o.TimeStamps;
    case chkDisableSound: return o.DisableSound;
    case chkConvSmileys: return o.ConvSmileys;
    case chkEnableTransparency: return o.TransEnable;
    case chkCustomRes: return o.CustomRes;
    case ChkFixTxture:
    case BoxCount: break;
    }
    return o.TextureFix;
}

void OptionsPanel::OptionsFormData()
{
    ClientOptions &o = m_state.Options;
    const QString qx = qxIni();

    m_fontItems.clear();
    const QStringList fonts = m_hooks.screenFonts ? m_hooks.screenFonts() : QStringList();
    for (qsizetype i = 0; i < fonts.size() && i <= 100; ++i)
        m_fontItems.append(fonts.at(i));
    m_fontText = CodePage::toUnicode(o.ChatFont);

    m_txtFilePort = QByteArray::number(Text::LeadingInt32(K::read(qx, K::Port)));

    // A value the slider cannot take leaves it at its design value, and the
    // window opaque.
    int transparency = TransparencyMin;
    const bool transparencyValid = readTransparency(K::read(skinIni(), K::Transparency), &transparency);
    m_scrTransparency = transparency;

    o.CustomRes = Text::StrToBool(K::read(qx, K::CustomRes));
    o.TextureFix = Text::StrToBool(K::read(qx, K::TextureFix));
    o.ResWidth = K::read(qx, K::ResWidth);
    o.ResHeight = K::read(qx, K::ResHeight);

    if (o.TransEnable && transparencyValid && m_hooks.SetWindowAlpha)
        m_hooks.SetWindowAlpha(m_scrTransparency);

    if (o.CustomRes) {
        setChecked(chkCustomRes, true);
        m_txtwid = o.ResWidth;
        m_txthei = o.ResHeight;
    } else {
        setChecked(chkCustomRes, false);
    }
    for (Box box : fillOrder())
        setChecked(box, flag(box));
    setGraphicMode(o.UseD3D ? 1 : 0);
    Q_EMIT changed();
}

void OptionsPanel::setChecked(Box box, bool on)
{
    if (box < 0 || box >= BoxCount || m_checked[size_t(box)] == on)
        return;
    m_checked[size_t(box)] = on;
    boxClicked(box);
    Q_EMIT changed();
}

void OptionsPanel::boxClicked(Box box)
{
    if (box == chkCustomRes) {
        chkCustomRes_Click();
        return;
    }
    const OptionKey *k = optionKey(box);
    if (!k)
        return;   // shown only
    const bool on = m_checked[size_t(box)];
    flag(box) = on;
    write(k->inSkinFile ? skinIni() : qxIni(), k->key->section, k->key->key, K::flagText(on));
}

void OptionsPanel::chkCustomRes_Click()
{
    // The custom resolution is a hardware-mode setting.
    if (m_state.Setup.GameExeName.toLower() != "d3dpoptb.exe")
        return;
    const bool on = m_checked[chkCustomRes];
    m_cmdResEnabled = on;
    m_state.Options.CustomRes = on;
    write(qxIni(), K::CustomRes.section, K::CustomRes.key, K::flagText(on));
}

void OptionsPanel::setGraphicMode(int index)
{
    if ((index != 0 && index != 1) || m_graphicMode == index)
        return;
    m_graphicMode = index;
    optGraphicMode_Click();
    Q_EMIT changed();
}

void OptionsPanel::optGraphicMode_Click()
{
    GameSetup &setup = m_state.Setup;
    ClientOptions &o = m_state.Options;
    if (m_graphicMode == 0) {
        setup.GameExeName = "poptb.exe";
        o.UseD3D = false;
        o.CustomRes = false;
        setChecked(chkCustomRes, false);
        m_cmdResEnabled = false;
    } else {
        setup.GameExeName = "d3dpoptb.exe";
        o.UseD3D = true;
    }
    setup.GameExePath = '"' + setup.GamePathWindows + '\\' + setup.GameExeName + '"';
    write(qxIni(), K::ExeFile.section, K::ExeFile.key, setup.GameExeName);
    write(qxIni(), K::D3D.section, K::D3D.key, K::flagText(o.UseD3D));
}

void OptionsPanel::setScrTransparency(int value)
{
    m_scrTransparency = qBound(TransparencyMin, value, TransparencyMax);
}

void OptionsPanel::setSkinSelection(int row)
{
    m_skinIndex = (row >= 0 && row < lstskinslist().size()) ? row : -1;
}

void OptionsPanel::setResolutionText(const QByteArray &width, const QByteArray &height)
{
    m_txtwid = width;
    m_txthei = height;
}

void OptionsPanel::CmdTransparencyRefresh_Click()
{
    if (m_hooks.SetWindowAlpha)
        m_hooks.SetWindowAlpha(m_scrTransparency);
    write(skinIni(), K::Transparency.section, K::Transparency.key, QByteArray::number(m_scrTransparency));
}

void OptionsPanel::cmdRefreshSkinsList_Click()
{
    Settings::LoadInstalledSkins(m_state.Options, m_state.Setup.ProgramFolder);
    m_skinIndex = -1;
    if (m_hooks.skinListChanged)
        m_hooks.skinListChanged();
    Q_EMIT changed();
}

void OptionsPanel::cmdApplySkin_Click()
{
    if (m_skinIndex < 0 || m_skinIndex >= lstskinslist().size())
        return;
    const QByteArray name = lstskinslist().at(m_skinIndex);
    const QByteArray skinPath = "\\skins\\" + name;
    if (!isPlainFolderName(name) || !Files::DirExists(WinPath::join(m_state.Setup.ProgramFolder, skinPath))) {
        m_chat.AddSystemMessage("The skin \"" + name + "\" cannot be applied: there is no such skin folder.");
        return;
    }
    QString error;
    if (!K::write(qxIni(), K::SkinPath, skinPath, &error)) {
        m_chat.AddSystemMessage("The skin \"" + name + "\" cannot be applied: " + CodePage::fromUnicode(error));
        return;
    }
    m_state.Options.SkinPath = skinPath;
    if (m_hooks.LoadSettings)
        m_hooks.LoadSettings();
    // The new skin brings its own translucency flag; the boxes show the flags
    // as they now are, without saving them again.
    for (Box box : fillOrder())
        m_checked[size_t(box)] = flag(box);
    Q_EMIT changed();
}
