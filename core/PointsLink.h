#pragma once
#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// The game-traffic link: the game is pointed at 127.0.0.1:7589 by its command
// line; its connection is accepted into WSPoints2 and everything that happens
// on it is written as a line into points.txt, from which the point report is
// built when the game ends. points.txt is capped: past the cap one closing
// line is written and further traffic is only answered, not recorded.
class PointsLink : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 7589;
    static constexpr qint64 MaxLogSize = 256 * 1024;

    explicit PointsLink(QObject *parent = nullptr);
    ~PointsLink() override;

    // Closes any open log, opens `file` for output (earlier content is
    // discarded) with its "Game Start: " line, and (re)starts the listener on
    // 127.0.0.1:`port` (0 picks a free port). False when the log cannot be
    // opened or the port cannot be bound; the other half still runs.
    bool StartPointsLog(const QString &file, quint16 port);

    // Appends `line` and CR LF. Lines past the cap are dropped, but a
    // `closing` line (the end of the game) always fits.
    void appendLine(const QByteArray &line, bool closing = false);
    // Reads what the game sent that has not been handled yet.
    void drainPending();
    // Closes WSPoints and WSPoints2.
    void closeSockets();
    void closeLog();

    bool isLogOpen() const { return m_log.isOpen(); }
    bool isListening() const;
    quint16 listeningPort() const;
    bool gameConnected() const { return WSPoints2 != nullptr; }

    // The time of day as the log writes it.
    static QByteArray timeText();

Q_SIGNALS:
    void connectionAccepted();
    void dataRecorded(const QByteArray &bytes);

private:
    void WSPoints_ConnectionRequest();
    void WSPoints2_DataArrival();
    void WSPoints2_Close();

    QTcpServer *WSPoints;
    QTcpSocket *WSPoints2 = nullptr;
    QFile m_log;
    bool m_full = false;
};
