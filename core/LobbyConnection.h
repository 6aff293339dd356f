#pragma once
#include "core/NulFramer.h"
#include "core/api/CommandSink.h"

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

class Dispatcher;
struct ClientState;

// The one TCP connection to the lobby server (WSClient). Incoming bytes are
// cut at NUL bytes into messages, split into words and handed to the
// dispatcher in stream order; after every arrival the own-state refresh runs.
// Commands go out through SendCommand, each followed by one NUL.
//
// Close (the return to the login window) runs only when the server closes the
// connection, or when the login answer asks for it; closing the socket from
// this side, as a new login does, is quiet.
class LobbyConnection : public QObject, public CommandSink
{
    Q_OBJECT
public:
    static constexpr int ProtocolVersion = 10;

    LobbyConnection(ClientState &state, Dispatcher &dispatcher, QObject *parent = nullptr);
    ~LobbyConnection() override;

    QTcpSocket &WSClient() { return m_socket; }

    // How long a connection attempt may take until the server's first answer.
    static constexpr int ConnectTimeoutMs = 15000;

    // Closes any earlier connection quietly, empties nothing else, and starts
    // connecting. An attempt that fails (refused, unreachable, no answer in
    // time, closed before a word) closes the socket and reports "Could not
    // connect to <serverName> (<reason>)." on status(); the caller may try
    // again. An empty name is the host.
    void connectToServer(const QByteArray &host, quint16 port, const QByteArray &serverName = QByteArray());
    // Closes the socket from this side without running Close.
    void closeQuietly();
    // Tests: a shorter bound for the attempt.
    void setConnectTimeout(int ms) { m_attemptTimer.setInterval(ms); }
    // The login was accepted: the lobby is on screen until the connection
    // closes, and a drop from now on reports the lost connection.
    void setLobbyOpen() { m_lobbyOpen = true; }
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    // Sends the command and one NUL in one write; does nothing when the
    // connection is not open. NUL bytes inside the command are left out, so
    // that one command never becomes two messages.
    void SendCommand(const QByteArray &command) override;

    // The connection's local IPv4 address as a dotted text ("" when not connected).
    QByteArray LocalIP() const;
    const QByteArray &ReceiveBuffer() const { return m_framer.ReceiveBuffer(); }

    // The Close procedure: socket closed, then closed() so that the windows
    // show the login window again, hide the lobby and enable the login button.
    void WSClient_Close();

Q_SIGNALS:
    // A text for the login window's status label (lblError).
    void status(const QByteArray &text);
    // The connection is up and "VERSION 10" has been sent.
    void connected();
    // Close ran: show the login window, hide the lobby, enable Loginme.
    void closed();
    // A connection attempt failed; its reason is on status().
    void connectFailed();
    // After every arrival (the own-state refresh): whether the own user hosts a
    // hut (the launch and game-menu buttons follow it). Not emitted while the
    // user table holds no record at the own slot.
    void ownStateRefreshed(bool ownUserHosts);

private:
    void WSClient_Connect();
    void WSClient_DataArrival();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void failAttempt(const QByteArray &reason);
    void refreshOwnState();

    ClientState &m_state;
    Dispatcher &m_dispatcher;
    QTcpSocket m_socket;
    NulFramer m_framer;
    QTimer m_attemptTimer;
    QByteArray m_serverName;
    quint64 m_connection = 0;    // counts the connections started
    bool m_closingHere = false;
    bool m_attempting = false;   // connecting, or connected without an answer yet
    bool m_lobbyOpen = false;
};
