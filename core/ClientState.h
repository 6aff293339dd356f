#pragma once
#include "core/UserTable.h"
#include "core/api/GameSetup.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The process-wide state that the lobby dispatcher fills and the rest of the
// client reads. One instance lives as long as the client; capability classes
// hold a reference to it. Each block below belongs to one capability, which
// alone writes it.

// The logged-in user.
struct UserINF
{
    QByteArray Name;           // as typed (blanks, not '_')
    QByteArray PasswordHash;   // MD5String of the password
    qint32 OwnSlot = 0;
    bool InHut = false;
    QByteArray LangFile;
};

// Option flags and skin colours (settings and skin loading). Colours are 0x00BBGGRR.
struct ClientOptions
{
    QByteArray SkinPath = "\\skins\\Default";
    bool DisableStartSound = false;
    bool DisablePmSound = false;
    bool DisableLaunchSound = false;
    bool DisableSound = false;
    bool TimeStamps = true;
    bool ConvSmileys = true;
    bool CustomRes = true;
    bool TextureFix = true;
    bool LangFilter = true;
    bool ForceLowCase = false;
    bool TrayMinimize = true;
    bool UseD3D = true;
    bool TransEnable = false;
    QByteArray ChatFont = "MS Sans Seriff";
    QByteArray ResWidth;
    QByteArray ResHeight;
    qint32 ColorAdmin = 0xFFFFFF;
    qint32 ColorMod = 0xFFFFFF;
    qint32 ColorUser = 0xFFFFFF;
    qint32 ColorForeground = 0xFFFFFF - 30;
    qint32 ColorBorder1 = 0xFFFFFF;
    qint32 ColorBorder2 = 0xFFFFFF;
    qint32 ColorBorder3 = 0xFFFFFF;
    qint32 ColorBorder4 = 0xFFFFFF;
    qint32 ColorClan = 0xFFFFFF;
    qint32 ColorMe = 0xFFFFFF;
    qint32 OptionsBackColor = 0xFFFFFF;
    qint32 OptionsForeColor = 0xFFFFFF;
    qint32 ListForeColor = 192 + 210 * 256 + 220 * 65536;
    qint32 ListBackColor = 0 + 34 * 256 + 45 * 65536;
    QString LoginBackground;            // <program folder><SkinPath>\loginbg.jpg
    QList<QByteArray> InstalledSkins;   // skins\InstalledSkins.inf, in key order
};

// Launch and game state (game launch and game watch).
struct GameState
{
    qint64 GamePid = 0;
    bool GameRunning = false;
    QByteArray GameRole;       // "HOST" or "CLIENT"
    QByteArray GameMappack;
    QByteArray GameModpack;
    qint32 JoinCheckTicks = 0;
    QString PointsLogFile;
    bool CheatDetected = false;
    bool GamePatched = false;
    bool ConstantsChanged = false;
};

// Hut options of the own hut (hosting, host options, hut messages).
struct HutState
{
    bool HutMappackOn = false;
    bool HutModpackOn = false;
    qint16 SelectedTribe = 0;
};

struct ClientState
{
    GameSetup Setup;
    ClientOptions Options;
    UserINF CurrentUser;
    UserTable Users;
    RoomTable Rooms;
    GameState Game;
    HutState Hut;
    QList<QByteArray> BlockList;   // user ids whose chat is hidden

    UserRecord *own() { return Users.at(CurrentUser.OwnSlot); }
    const UserRecord *own() const { return Users.at(CurrentUser.OwnSlot); }
};
