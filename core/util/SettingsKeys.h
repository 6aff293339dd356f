#pragma once
#include "core/util/Ini.h"
#include "core/util/WinPath.h"

#include <QByteArray>
#include <QString>

// Every key of qx.ini, qxskin.ini and skins\InstalledSkins.inf, with the
// default its readers pass to ReadIni. Section and key are given as the
// callers have always spelt them; the files hold them in upper case.
namespace SettingsKeys {

struct Key
{
    const char *section;
    const char *key;
    const char *defaultValue;
};

// File names below the program folder (the skin file below the skin folder).
inline constexpr char QxIni[] = "\\qx.ini";
inline constexpr char QxSkinIni[] = "\\qxskin.ini";
inline constexpr char InstalledSkinsInf[] = "\\skins\\InstalledSkins.inf";

// qx.ini
inline constexpr Key UserName{"userinfo", "name", ""};
inline constexpr Key UserPassword{"userinfo", "password", ""}; // EncodeText of the password
inline constexpr Key SkinPath{"paths", "skinpath", "\\skins\\Default"};
// The default is the registry's "CurrentEXE"; callers pass that themselves.
inline constexpr Key ExeFile{"paths", "exefile", ""};
inline constexpr Key Launcher{"paths", "launcher", "wine"}; // empty runs the game directly
inline constexpr Key LobbyLevels{"paths", "lobbylevels", ""}; // comma list; empty: built-in table
inline constexpr Key DisableStartSound{"options", "disablestartsound", "FALSE"};
inline constexpr Key DisablePmSound{"options", "disablepmsound", "FALSE"};
inline constexpr Key DisableLaunchSound{"options", "disablelaunchsound", "FALSE"};
inline constexpr Key DisableSound{"options", "disablesound", "FALSE"};
inline constexpr Key TimeStamps{"options", "timestamps", "TRUE"};
inline constexpr Key ConvSmileys{"options", "convsmileys", "TRUE"};
inline constexpr Key Font{"options", "font", "MS Sans Seriff"}; // sic: the shipped spelling
inline constexpr Key CustomRes{"options", "customres", "TRUE"};
inline constexpr Key TextureFix{"options", "TextureFix", "TRUE"};
inline constexpr Key LangFilter{"options", "LangFilter", "TRUE"};
inline constexpr Key ForceLowCase{"options", "forcelowcase", "FALSE"};
inline constexpr Key TrayMinimize{"options", "trayminimize", "TRUE"};
inline constexpr Key D3D{"options", "D3D", "TRUE"};
// Width and height really are paired this way round.
inline constexpr Key ResWidth{"options", "wid", "768"};
inline constexpr Key ResHeight{"options", "hei", "1024"};
inline constexpr Key Port{"files", "port", "7576"};
inline constexpr Key BlockList{"general", "options", ""}; // every blocked id followed by "|"
inline constexpr char BlockListSeparator = '|';
// "host" or "host:port" of the lobby web host; empty: the compiled-in one.
inline constexpr Key WebHost{"general", "webhost", ""};

// qxskin.ini; colours are decimal 0x00BBGGRR, white by default.
inline constexpr char White[] = "16777215";
inline constexpr Key ColorAdmin{"skinning", "admin", White};
inline constexpr Key ColorMod{"skinning", "mod", White};
inline constexpr Key ColorUser{"skinning", "user", White};
inline constexpr Key ColorForeground{"skinning", "foreground", White};
inline constexpr Key ColorBorder1{"skinning", "border1", White};
inline constexpr Key ColorBorder2{"skinning", "border2", White};
inline constexpr Key ColorBorder3{"skinning", "border3", White};
inline constexpr Key ColorBorder4{"skinning", "border4", White};
inline constexpr Key ColorClan{"skinning", "clan", White};
inline constexpr Key ColorMe{"skinning", "me", White};
inline constexpr Key TransEnable{"skinning", "transenable", "FALSE"};
inline constexpr Key Transparency{"skinning", "transparency", ""};

// skins\InstalledSkins.inf: the count, then "SKIN1", "SKIN2", ...
inline constexpr Key InstalledSkinCount{"SKINS", "INSTALLEDSKINS", "0"};
inline constexpr char InstalledSkinPrefix[] = "SKIN";
inline constexpr char InstalledSkinDefault[] = "0";

// <program folder>\qx.ini and <program folder><skin path>\qxskin.ini.
inline QString QxIniPath(const QString &programFolder)
{
    return WinPath::join(programFolder, QByteArray(QxIni));
}

inline QString QxSkinIniPath(const QString &programFolder, const QByteArray &skinPath)
{
    return WinPath::join(WinPath::join(programFolder, skinPath), QByteArray(QxSkinIni));
}

// Readers and writers over a key of the table.
inline QByteArray read(const QString &file, const Key &key)
{
    return Ini::ReadIni(file, key.section, key.key, key.defaultValue);
}

inline QByteArray read(const QString &file, const Key &key, const QByteArray &defaultValue)
{
    return Ini::ReadIni(file, key.section, key.key, defaultValue);
}

inline bool write(const QString &file, const Key &key, const QByteArray &value,
                  QString *error = nullptr)
{
    return Ini::WriteIni(file, key.section, key.key, value, error);
}

// The text form of a flag, as the options panel writes it.
inline QByteArray flagText(bool on)
{
    return on ? QByteArrayLiteral("True") : QByteArrayLiteral("False");
}

} // namespace SettingsKeys
