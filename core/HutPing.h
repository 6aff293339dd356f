#pragma once
#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>

class CommandSink;
class QTcpServer;
class QTcpSocket;

// The hut ping. A host listens (WSPingHost) and answers every arrival of data
// on one of its ten accepted sockets (WSPingClient) with "P"; a client's probe
// (WSPingChecker) sends "PING" on every tick of tmrPing and reports the round
// trip to the lobby server as "PINGRES <ms>".
//
// The user-state handler opens and closes the two ends as the own state
// changes; the game launch closes both.
class HutPing : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 7575;
    static constexpr int SlotCount = 10;

    // Monotonic time in nanoseconds; tests inject their own.
    using Clock = std::function<qint64()>;

    // `port` is where the listener listens and where the probe connects; 0 lets
    // the listener pick a free port (tests), see listeningPort().
    explicit HutPing(CommandSink &commands, quint16 port = DefaultPort, QObject *parent = nullptr);
    ~HutPing() override;

    void setClock(Clock clock);

    // Host side. OpenPingHost closes any earlier listener first; it returns
    // false when the port cannot be bound (the flag is still set, as the user
    // state says the listener should run; a later open retries).
    bool OpenPingHost();
    void ClosePingHost();          // closes the listener and every accepted socket
    bool PingHostListening() const { return m_hostListening; }
    quint16 listeningPort() const; // the bound port, 0 when not listening

    // Client side: closes the probe, connects it to `hostAddress` on `port`
    // (0: the port given to the constructor) and sets PingProbeConnected.
    void ConnectPingProbe(const QByteArray &hostAddress, quint16 port = 0);
    // Stops tmrPing, closes the probe, clears PingProbeConnected.
    void ClosePingProbe();
    bool PingProbeConnected() const { return m_probeConnected; }

    // The launch: both ends closed, both flags cleared.
    void CloseAll();

    // One tick of tmrPing: "PING" on the probe, or the timer stops itself once
    // the probe is no longer wanted.
    void tmrPing_Timer();

    // For tests and the status of the host side.
    int busySlots() const;
    bool probeOpen() const; // WSPingChecker is connected to its host
    const QTimer &pingTimer() const { return tmrPing; }

Q_SIGNALS:
    void pingReported(qint32 milliseconds); // after each "PINGRES" sent

private:
    void WSPingHost_ConnectionRequest();
    void WSPingHost_Error();
    void WSPingClient_DataArrival(int index);
    void WSPingClient_Close(int index);
    void WSPingChecker_Connect();
    void WSPingChecker_DataArrival();
    void WSPingChecker_Error();

    CommandSink &m_commands;
    quint16 m_port;
    Clock m_clock;

    QTcpServer *WSPingHost;
    std::array<QTcpSocket *, SlotCount> WSPingClient {}; // nullptr: the slot is free
    std::array<bool, SlotCount> PingSlotBusy {};
    QTcpSocket *WSPingChecker;
    QTimer tmrPing;

    qint64 PingStart = 0;       // clock value when the last "PING" went out
    bool m_pingOutstanding = false;
    bool m_hostListening = false;
    bool m_probeConnected = false;
};
