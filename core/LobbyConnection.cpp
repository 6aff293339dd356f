#include "core/LobbyConnection.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyMessage.h"

#include <QHostAddress>
#include <QPointer>

LobbyConnection::LobbyConnection(ClientState &state, Dispatcher &dispatcher, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_dispatcher(dispatcher)
{
    connect(&m_socket, &QTcpSocket::connected, this, &LobbyConnection::WSClient_Connect);
    connect(&m_socket, &QTcpSocket::readyRead, this, &LobbyConnection::WSClient_DataArrival);
    connect(&m_socket, &QTcpSocket::disconnected, this, &LobbyConnection::onDisconnected);
    connect(&m_socket, &QAbstractSocket::errorOccurred, this, &LobbyConnection::onError);
    m_attemptTimer.setSingleShot(true);
    m_attemptTimer.setInterval(ConnectTimeoutMs);
    connect(&m_attemptTimer, &QTimer::timeout, this, [this] {
        const int seconds = (m_attemptTimer.interval() + 999) / 1000;
        failAttempt("no answer within " + QByteArray::number(seconds) + (seconds == 1 ? " second" : " seconds"));
    });
    m_dispatcher.setAfterArrival([this] { refreshOwnState(); });
}

LobbyConnection::~LobbyConnection()
{
    m_socket.disconnect(this);
    m_dispatcher.setAfterArrival({});
    m_socket.abort();
}

void LobbyConnection::connectToServer(const QByteArray &host, quint16 port, const QByteArray &serverName)
{
    closeQuietly();
    ++m_connection;
    m_serverName = serverName.isEmpty() ? host : serverName;
    m_attempting = true;
    m_attemptTimer.start();
    m_socket.connectToHost(QString::fromLatin1(host), port);
}

void LobbyConnection::closeQuietly()
{
    m_attemptTimer.stop();
    m_attempting = false;
    m_lobbyOpen = false;
    m_closingHere = true;
    m_socket.abort();
    m_closingHere = false;
}

void LobbyConnection::failAttempt(const QByteArray &reason)
{
    if (!m_attempting)
        return;
    closeQuietly();
    Q_EMIT status("Could not connect to " + m_serverName + " (" + reason + ").");
    Q_EMIT connectFailed();
}

void LobbyConnection::onError(QAbstractSocket::SocketError error)
{
    if (m_closingHere || !m_attempting)
        return; // a connection that breaks later ends in disconnected()
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: failAttempt("connection refused"); break;
    case QAbstractSocket::HostNotFoundError: failAttempt("host not found"); break;
    case QAbstractSocket::RemoteHostClosedError: failAttempt("the server closed the connection"); break;
    case QAbstractSocket::SocketTimeoutError: failAttempt("no answer"); break;
    case QAbstractSocket::NetworkError: failAttempt("network unreachable"); break;
    default: failAttempt(m_socket.errorString().toLatin1()); break;
    }
}

void LobbyConnection::SendCommand(const QByteArray &command)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    QByteArray bytes = command;
    bytes.replace('\0', QByteArray());
    bytes.append('\0');
    m_socket.write(bytes);
}

QByteArray LobbyConnection::LocalIP() const
{
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return QByteArray();
    QHostAddress local = m_socket.localAddress();
    bool ok = false;
    const quint32 v4 = local.toIPv4Address(&ok);
    if (ok)
        local = QHostAddress(v4);
    return local.toString().toLatin1();
}

void LobbyConnection::WSClient_Connect()
{
    Q_EMIT status("Connected, checking version... (" + QByteArray::number(ProtocolVersion) + ")");
    m_framer.clear();
    SendCommand("VERSION " + QByteArray::number(ProtocolVersion));
    Q_EMIT connected();
}

void LobbyConnection::WSClient_DataArrival()
{
    // The server has answered: the attempt is over.
    m_attemptTimer.stop();
    m_attempting = false;
    // The socket does not signal new data while this slot runs; bytes that came
    // in while a handler waited are taken in the next round, after the
    // messages before them.
    do {
        const QByteArray bytes = m_socket.readAll();
        QList<LobbyMessage> messages;
        for (const QByteArray &text : m_framer.feed(bytes))
            messages.append(LobbyMessage(text));
        m_dispatcher.dispatchAll(messages);
        m_dispatcher.arrivalDone();
    } while (m_socket.bytesAvailable() > 0);
}

void LobbyConnection::onDisconnected()
{
    if (m_closingHere)
        return;
    // Data that came with the close is still handled before returning to the
    // login window.
    if (m_socket.bytesAvailable() > 0)
        WSClient_DataArrival();
    if (m_attempting) {
        failAttempt("the server closed the connection");
        return;
    }
    // After every message before it, also those still waiting for a page; a
    // connection started meanwhile is not this one.
    const quint64 connection = m_connection;
    QPointer<LobbyConnection> self(this);
    m_dispatcher.post([self, connection] {
        if (!self || self->m_connection != connection)
            return;
        const bool lobbyWasOpen = self->m_lobbyOpen;
        self->WSClient_Close();
        if (lobbyWasOpen)
            Q_EMIT self->status("The connection to the lobby server was lost.");
    });
}

void LobbyConnection::WSClient_Close()
{
    closeQuietly();
    Q_EMIT closed();
}

void LobbyConnection::refreshOwnState()
{
    const UserRecord *own = m_state.own();
    if (!own)
        return;
    m_state.CurrentUser.InHut = own->isHost() || own->isClient();
    Q_EMIT ownStateRefreshed(own->isHost());
}
