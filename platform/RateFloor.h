#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <utility>

// The slowest a file transfer may be: at least `floorBytes` in every
// `windowMs`, counted from start(). A sender that keeps a connection alive
// with a byte now and then is no better than one that sends nothing, so this
// is a floor on the amount, not a bound on the silence. tooSlow() comes once,
// when the bytes of the last window fall below the floor.
class RateFloor : public QObject
{
    Q_OBJECT
public:
    explicit RateFloor(QObject *parent = nullptr);

    // A floor of 0 bytes or a window of 0 ms watches nothing.
    void start(qint64 floorBytes, int windowMs);
    void stop();
    bool running() const { return m_running; }
    void arrived(qint64 bytes);

    qint64 floorBytes() const { return m_floor; }
    int windowMs() const { return m_window; }

Q_SIGNALS:
    void tooSlow();

private:
    void rearm();

    QElapsedTimer m_clock;
    QTimer m_timer;
    // (ms since start, bytes) of the arrivals that can still matter, oldest first.
    QList<std::pair<qint64, qint64>> m_arrivals;
    qint64 m_floor = 0;
    int m_window = 0;
    bool m_running = false;
};
