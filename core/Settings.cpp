#include "core/Settings.h"

#include "core/ClientState.h"
#include "core/util/SettingsKeys.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"

namespace Settings {

namespace K = SettingsKeys;

QString skinFile(const QString &programFolder, const QByteArray &skinPath, const QByteArray &name)
{
    return WinPath::join(programFolder, skinPath + name);
}

void LoadSettings(ClientOptions &o, const QString &programFolder, const QByteArray &skinPath)
{
    const QString qx = WinPath::join(programFolder, QByteArray(K::QxIni));
    const auto flag = [&qx](const K::Key &key) { return Text::StrToBool(K::read(qx, key)); };

    o.SkinPath = skinPath.isEmpty() ? K::read(qx, K::SkinPath) : skinPath;
    const QString skin = skinFile(programFolder, o.SkinPath, K::QxSkinIni);
    const auto colour = [&skin](const K::Key &key) { return Text::LeadingInt32(K::read(skin, key)); };

    o.DisableStartSound = flag(K::DisableStartSound);
    o.DisablePmSound = flag(K::DisablePmSound);
    o.DisableLaunchSound = flag(K::DisableLaunchSound);
    o.DisableSound = flag(K::DisableSound);
    o.TimeStamps = flag(K::TimeStamps);
    o.LoginBackground = skinFile(programFolder, o.SkinPath, "\\loginbg.jpg");
    o.ColorAdmin = colour(K::ColorAdmin);
    o.ColorMod = colour(K::ColorMod);
    o.ColorUser = colour(K::ColorUser);
    o.ListForeColor = 192 + 210 * 256 + 220 * 65536;
    o.ListBackColor = 0 + 34 * 256 + 45 * 65536;
    o.ConvSmileys = flag(K::ConvSmileys);
    o.ColorForeground = colour(K::ColorForeground) - 30;
    o.ColorBorder1 = colour(K::ColorBorder1);
    o.ColorBorder2 = colour(K::ColorBorder2);
    o.ColorBorder3 = colour(K::ColorBorder3);
    o.ColorBorder4 = colour(K::ColorBorder4);
    o.ColorClan = colour(K::ColorClan);
    o.ColorMe = colour(K::ColorMe);
    o.OptionsBackColor = colour(K::ColorBorder4);
    o.OptionsForeColor = colour(K::ColorForeground);
    o.ChatFont = K::read(qx, K::Font);
    o.CustomRes = flag(K::CustomRes);
    o.TextureFix = flag(K::TextureFix);
    o.LangFilter = flag(K::LangFilter);
    o.ForceLowCase = flag(K::ForceLowCase);
    o.TrayMinimize = flag(K::TrayMinimize);
    o.TransEnable = Text::StrToBool(K::read(skin, K::TransEnable));
    o.UseD3D = flag(K::D3D);
    if (o.CustomRes) {
        o.ResWidth = K::read(qx, K::ResWidth);
        o.ResHeight = K::read(qx, K::ResHeight);
    }
}

void LoadInstalledSkins(ClientOptions &o, const QString &programFolder)
{
    const QString inf = WinPath::join(programFolder, QByteArray(K::InstalledSkinsInf));
    const qint16 count = Text::LeadingInt16(K::read(inf, K::InstalledSkinCount));
    o.InstalledSkins.clear();
    for (qint16 n = 1; n > 0 && n <= count; ++n) {
        o.InstalledSkins.append(Ini::ReadIni(inf, K::InstalledSkinCount.section,
                                             K::InstalledSkinPrefix + QByteArray::number(n),
                                             K::InstalledSkinDefault));
    }
}

const QList<SkinPicture> &skinPictures()
{
    static const QList<SkinPicture> pictures{
        {"\\tabendselect.gif", "MainTabSelect(0)"},
        {"\\tabselect.gif", "MainTabSelect(1)"},
        {"\\tabendnormal.gif", "Maintab(0)"},
        {"\\tabnormal.gif", "Maintab(1)"},
        {"\\downloadmappacks.gif", "cmdDownloadQX"},
        {"\\refreshbttn.gif", "cmdRefreshQX"},
        {"\\selectnone.gif", "cmdSelectNone"},
        {"\\selectall.gif", "cmdSelectAll"},
        {"\\download.gif", "cmdDownloadMappacksM"},
        {"\\downloadmodpacks.gif", "cmdmodsDownload"},
        {"\\refreshbttn.gif", "cmdmodsRefresh"},
        {"\\refreshserv.gif", "RefreshList"},
    };
    return pictures;
}

} // namespace Settings
