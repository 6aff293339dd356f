#pragma once
#include <QByteArray>
#include <QObject>

class Dispatcher;
class LobbyConnection;
class MacAddress;
struct ClientState;

// The opening exchange of the lobby protocol: the "VERSION" answer sends the
// login command, the "LOGIN" answer either opens the lobby or shows why not
// and closes the connection.
class LobbyProtocol : public QObject
{
    Q_OBJECT
public:
    LobbyProtocol(ClientState &state, LobbyConnection &connection, const MacAddress &mac,
                  QObject *parent = nullptr);

    void registerHandlers(Dispatcher &dispatcher);

    // "LOGIN <name> <password field> <local address> <MAC>": the name with '_'
    // for blanks, the password field EncodeText of the MD5 digest text.
    static QByteArray loginCommand(const QByteArray &name, const QByteArray &passwordHash,
                                   const QByteArray &localIP, const QByteArray &mac);
    // The login window's text for a refused login (codes 2 to 11), else empty.
    static QByteArray loginResultText(qint32 code);

    // The MAC address sent at login: the last one found (empty until then).
    const QByteArray &LocalMAC() const { return m_localMAC; }

    void VERSION(const QList<QByteArray> &words);
    void LOGIN(const QList<QByteArray> &words);

Q_SIGNALS:
    // A text for the login window's status label.
    void status(const QByteArray &text);
    // Login code 1: the tables are cleared, "USERLIST" is sent; the lobby view
    // is to be set up (ShowLobby) and the lobby window shown.
    void loginAccepted();

private:
    ClientState &m_state;
    LobbyConnection &m_connection;
    const MacAddress &m_mac;
    QByteArray m_localMAC;
};
