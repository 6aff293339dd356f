#include "core/HutPing.h"

#include "core/api/CommandSink.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <cmath>

namespace {

qint64 monotonicNanoseconds()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.nsecsElapsed();
}

} // namespace

HutPing::HutPing(CommandSink &commands, quint16 port, QObject *parent)
    : QObject(parent)
    , m_commands(commands)
    , m_port(port)
    , m_clock(monotonicNanoseconds)
    , WSPingHost(new QTcpServer(this))
    , WSPingChecker(new QTcpSocket(this))
{
    tmrPing.setInterval(2000);
    connect(&tmrPing, &QTimer::timeout, this, &HutPing::tmrPing_Timer);

    connect(WSPingHost, &QTcpServer::newConnection, this, &HutPing::WSPingHost_ConnectionRequest);
    connect(WSPingHost, &QTcpServer::acceptError, this, &HutPing::WSPingHost_Error);

    connect(WSPingChecker, &QTcpSocket::connected, this, &HutPing::WSPingChecker_Connect);
    connect(WSPingChecker, &QTcpSocket::readyRead, this, &HutPing::WSPingChecker_DataArrival);
    connect(WSPingChecker, &QTcpSocket::errorOccurred, this, &HutPing::WSPingChecker_Error);

}

HutPing::~HutPing()
{
    // Keep the sockets' last signals from reaching a half-destroyed object.
    for (QTcpSocket *socket : WSPingClient) {
        if (socket)
            socket->disconnect(this);
    }
    WSPingChecker->disconnect(this);
}

void HutPing::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(monotonicNanoseconds);
}

bool HutPing::OpenPingHost()
{
    WSPingHost->close();
    m_hostListening = true;
    return WSPingHost->listen(QHostAddress::AnyIPv4, m_port);
}

void HutPing::ClosePingHost()
{
    WSPingHost->close();
    for (int i = 0; i < SlotCount; ++i)
        WSPingClient_Close(i);
    m_hostListening = false;
}

quint16 HutPing::listeningPort() const
{
    return WSPingHost->isListening() ? WSPingHost->serverPort() : 0;
}

void HutPing::ConnectPingProbe(const QByteArray &hostAddress, quint16 port)
{
    WSPingChecker->abort();
    m_pingOutstanding = false;
    m_probeConnected = true;
    WSPingChecker->connectToHost(QString::fromLatin1(hostAddress), port ? port : m_port);
}

void HutPing::ClosePingProbe()
{
    tmrPing.stop();
    WSPingChecker->abort();
    m_pingOutstanding = false;
    m_probeConnected = false;
}

void HutPing::CloseAll()
{
    ClosePingHost();
    ClosePingProbe();
}

int HutPing::busySlots() const
{
    int n = 0;
    for (bool busy : PingSlotBusy)
        n += busy ? 1 : 0;
    return n;
}

bool HutPing::probeOpen() const
{
    return WSPingChecker->state() == QAbstractSocket::ConnectedState;
}

void HutPing::WSPingHost_ConnectionRequest()
{
    while (QTcpSocket *pending = WSPingHost->nextPendingConnection()) {
        int slot = -1;
        for (int i = 0; i < SlotCount; ++i) {
            if (!PingSlotBusy[i]) {
                slot = i;
                break;
            }
        }
        if (slot < 0) {
            // All ten are busy: the request is refused rather than left hanging.
            pending->abort();
            pending->deleteLater();
            continue;
        }
        pending->setParent(this);
        WSPingClient[slot] = pending;
        PingSlotBusy[slot] = true;
        connect(pending, &QTcpSocket::readyRead, this, [this, slot] { WSPingClient_DataArrival(slot); });
        connect(pending, &QTcpSocket::disconnected, this, [this, slot] { WSPingClient_Close(slot); });
        connect(pending, &QTcpSocket::errorOccurred, this, [this, slot] { WSPingClient_Close(slot); });
        if (pending->bytesAvailable() > 0)
            WSPingClient_DataArrival(slot);
    }
}

void HutPing::WSPingHost_Error()
{
    WSPingHost->close();
    WSPingHost->listen(QHostAddress::AnyIPv4, m_port);
}

void HutPing::WSPingClient_DataArrival(int index)
{
    QTcpSocket *socket = WSPingClient[index];
    if (!socket)
        return;
    socket->readAll();
    socket->write("P");
}

void HutPing::WSPingClient_Close(int index)
{
    QTcpSocket *socket = WSPingClient[index];
    WSPingClient[index] = nullptr;
    PingSlotBusy[index] = false;
    if (!socket)
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void HutPing::WSPingChecker_Connect()
{
    tmrPing.setInterval(5000);
    tmrPing.start();
}

void HutPing::tmrPing_Timer()
{
    if (!m_probeConnected) {
        tmrPing.stop();
        return;
    }
    if (WSPingChecker->state() != QAbstractSocket::ConnectedState)
        return; // a send on a closed probe goes nowhere
    PingStart = m_clock();
    m_pingOutstanding = true;
    WSPingChecker->write("PING");
}

void HutPing::WSPingChecker_DataArrival()
{
    WSPingChecker->readAll();
    // Only an answer to our own "PING" is a round trip; anything else a host
    // sends would be reported as a made-up time.
    if (!m_pingOutstanding)
        return;
    m_pingOutstanding = false;
    const double ms = double(m_clock() - PingStart) / 1e6;
    const qint32 rounded = qint32(qBound(-2147483648.0, std::nearbyint(ms), 2147483647.0));
    m_commands.SendCommand("PINGRES " + QByteArray::number(rounded));
    Q_EMIT pingReported(rounded);
}

void HutPing::WSPingChecker_Error()
{
    WSPingChecker->abort();
    m_pingOutstanding = false;
}
