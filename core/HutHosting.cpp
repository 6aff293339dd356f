#include "core/HutHosting.h"

#include "core/ClientState.h"
#include "core/HutPanels.h"
#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "platform/Dialogs.h"

namespace {

constexpr qint32 Grey = 128 + 128 * 256 + 128 * 65536;
constexpr qint32 Refusal = 128 + 32 * 256 + 32 * 65536;

QByteArray withoutQuotes(QByteArray text)
{
    text.replace('"', QByteArray());
    return text;
}

} // namespace

HutHosting::HutHosting(ClientState &state, CommandSink &commands, ChatOutput &chat,
                       Dialogs &dialogs, HutPanels &panels, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_commands(commands)
    , m_chat(chat)
    , m_dialogs(dialogs)
    , m_panels(panels)
{
}

bool HutHosting::isValidHutPassword(const QByteArray &password)
{
    return !password.contains(' ') && !password.contains('\xFF');
}

QByteArray HutHosting::gameExePath() const
{
    const GameSetup &setup = m_state.Setup;
    QByteArray path = setup.GamePathWindows;
    if (!path.isEmpty() && !path.endsWith('\\'))
        path += '\\';
    return withoutQuotes(path + setup.GameExeName);
}

bool HutHosting::CheckGameExecutable()
{
    const GameSetup &setup = m_state.Setup;
    const QByteArray exe = withoutQuotes(setup.GameExeName).trimmed();
    const bool found = !setup.GamePath.isEmpty() && !exe.isEmpty()
        && Files::FileExists(GameFolder::resolve(setup.GamePath, exe));
    if (found)
        return true;
    const qint16 room = m_chat.RoomFocus();
    m_chat.AddLogRTF("Populous executable not found, please select software or hardware mode in options panel!"
                         + Text::NewLine(),
                     room, Grey, "Arial", 10, false, false);
    m_chat.AddLogRTF("Populous executable currently set to: " + gameExePath() + Text::NewLine(), room,
                     ChatOutput::White, "Arial", 10, false, false);
    return false;
}

void HutHosting::cmdHost_Click()
{
    if (!m_state.Setup.GameInstalled) {
        m_dialogs.message(QStringLiteral("You cant host without the game installed!"));
        return;
    }
    const UserRecord *own = m_state.own();
    if (own && own->State == "HOST")
        return;
    m_panels.update([](HutPanels::State &s) { s.fraCreateHutVisible = !s.fraCreateHutVisible; });
}

void HutHosting::Player_Click(int index, const QByteArray &password)
{
    if (index >= 0 && index <= 2)
        m_hostHutSize = index + 2;
    m_state.Hut.SelectedTribe = 0; // a host plays tribe 0
    m_panels.update([](HutPanels::State &s) { s.fraCreateHutVisible = false; });

    if (!CheckGameExecutable())
        return;

    if (m_state.CurrentUser.InHut) {
        m_commands.SendCommand(m_state.Game.GameRunning ? "GAMING" : "BEIDLE");
        return;
    }
    if (m_state.Game.GameRunning) {
        if (m_state.Game.GameRole == "CLIENT") {
            m_chat.AddLogRTF("You can't host while being client in populous!", m_chat.RoomFocus(), Refusal,
                             "Arial", 10, false, false);
            return;
        }
        m_hostHutType = "WARP";
    } else {
        m_hostHutType = "GAME";
    }
    m_pendingPassword = password;
    SendHostRequest();
}

void HutHosting::SendHostRequest()
{
    const QByteArray password = m_pendingPassword;
    if (!isValidHutPassword(password)) {
        // The password travels as one word of the request.
        m_dialogs.message(QStringLiteral("The hut password may not contain blanks!"));
        return;
    }
    m_hostHutPassword = password.isEmpty() ? QByteArray("NONE") : password;
    const QByteArray size = QByteArray::number(m_hostHutSize);
    if (m_hostHutType == "WARP") {
        const UserRecord *own = m_state.own();
        const QByteArray mappack = own ? own->Mappack : QByteArray();
        m_commands.SendCommand("BEWARPHOST " + size + ' ' + m_hostHutPassword + ' ' + mappack);
    } else {
        m_commands.SendCommand("BEHOST " + size + ' ' + m_hostHutPassword);
    }
}

void HutHosting::lstHuts_DblClick(const HutNode &node)
{
    if (!m_state.Setup.GameInstalled) {
        m_dialogs.message(QStringLiteral("You cant join games without the game installed!"));
        return;
    }
    if (!CheckGameExecutable())
        return;
    if (!node.valid || node.hasChildren)
        return;

    if (node.key.startsWith("empty")) {
        if (node.parentKey.size() < 2)
            return;
        const qint32 hostSlot = Text::LeadingInt32(node.parentKey.mid(1));
        if (hostSlot != m_state.CurrentUser.OwnSlot) {
            const UserRecord *host = m_state.Users.at(hostSlot);
            if (!host)
                return;
            if (host->HutPassword != "NONE") {
                const std::optional<QString> answer = m_dialogs.input(
                    QStringLiteral("A password is required to join this hut!\r\n\r\nGive password:"),
                    QStringLiteral("Join Hut: Password Needed"), QString());
                if (!answer || answer->isEmpty())
                    return;
                if (CodePage::toLower(CodePage::fromUnicode(*answer)) != CodePage::toLower(host->HutPassword)) {
                    m_dialogs.message(QStringLiteral("Wrong password!"));
                    return;
                }
            }
            m_commands.SendCommand("BECLIENT " + QByteArray::number(hostSlot) + ' ' + node.tag);
            m_state.Hut.SelectedTribe = Text::LeadingInt16(node.tag);
        }
    }

    const UserRecord *own = m_state.own();
    if (own && (own->State == "CLIENT" || (own->State == "HOST" && own->CustomPals)))
        ShowTribeArrow();
}

void HutHosting::picExitHut_Click()
{
    m_commands.SendCommand("BEIDLE");
    m_panels.update([](HutPanels::State &s) { s.frmGameVisible = false; });
}

void HutHosting::SendBeIdle()
{
    m_commands.SendCommand("BEIDLE");
}

void HutHosting::ShowTribeArrow()
{
    if (m_showTribeArrow)
        m_showTribeArrow();
    else
        m_panels.ShowTribeArrow(m_state.Hut.SelectedTribe);
}
