#include "core/LobbyProtocol.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyConnection.h"
#include "core/LobbyMessage.h"
#include "core/util/Text.h"
#include "platform/MacAddress.h"

#include <QHostAddress>

LobbyProtocol::LobbyProtocol(ClientState &state, LobbyConnection &connection,
                             const MacAddress &mac, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_connection(connection)
    , m_mac(mac)
{
}

void LobbyProtocol::registerHandlers(Dispatcher &dispatcher)
{
    dispatcher.on("VERSION", [this](const LobbyMessage &m) { VERSION(m.words()); });
    dispatcher.on("LOGIN", [this](const LobbyMessage &m) { LOGIN(m.words()); });
}

QByteArray LobbyProtocol::loginCommand(const QByteArray &name, const QByteArray &passwordHash,
                                       const QByteArray &localIP, const QByteArray &mac)
{
    return "LOGIN " + Text::BlanksToUnderscores(name) + ' ' + Text::EncodeText(passwordHash) + ' '
        + localIP + ' ' + mac;
}

QByteArray LobbyProtocol::loginResultText(qint32 code)
{
    switch (code) {
    case 2: return "Username not registered!";
    case 3: return "Invalid password!";
    case 4: return "IP already used!";
    case 5: return "User already online!";
    case 6: return "Internal error!";
    case 7: return "Unknown error!";
    case 8: return "Account not verified, check your e-mail";
    case 9: return "You are banned!";
    case 10: return "Invalid username! Please only use normal characters!";
    case 11: return "BETA Testers Only!";
    default: return QByteArray();
    }
}

void LobbyProtocol::VERSION(const QList<QByteArray> &words)
{
    if (words.value(1) != "OK") {
        Q_EMIT status("Wrong version!");
        m_connection.SendCommand("END");
        return;
    }
    const QByteArray localIP = m_connection.LocalIP();
    const QByteArray mac = MacAddress::FormatMACAddress(m_mac.GetMACAddress(QHostAddress(QString::fromLatin1(localIP))), '-');
    if (!mac.isEmpty())
        m_localMAC = mac;
    const UserINF &user = m_state.CurrentUser;
    m_connection.SendCommand(loginCommand(user.Name, user.PasswordHash, localIP, m_localMAC));
    Q_EMIT status("Version ok! Logging in as " + user.Name + "...");
}

void LobbyProtocol::LOGIN(const QList<QByteArray> &words)
{
    const qint32 code = Text::LeadingInt32(words.value(1));
    if (code == 1) {
        m_state.CurrentUser.OwnSlot = Text::LeadingInt32(words.value(2));
        // A new login starts from empty tables: nothing of an earlier session
        // may pass for a user of this one.
        m_state.Users.clear();
        m_state.Rooms.clear();
        m_connection.setLobbyOpen();
        m_connection.SendCommand("USERLIST");
        Q_EMIT status("Login OK! Requesting userlist...");
        Q_EMIT loginAccepted();
        return;
    }
    if (code <= 1)
        return;
    const QByteArray text = loginResultText(code);
    if (!text.isEmpty())
        Q_EMIT status(text);
    m_connection.WSClient_Close();
}
