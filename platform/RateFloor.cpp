#include "platform/RateFloor.h"

RateFloor::RateFloor(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RateFloor::rearm);
}

void RateFloor::start(qint64 floorBytes, int windowMs)
{
    m_floor = floorBytes;
    m_window = windowMs;
    m_arrivals.clear();
    m_running = floorBytes > 0 && windowMs > 0;
    m_clock.start();
    if (m_running)
        rearm();
    else
        m_timer.stop();
}

void RateFloor::stop()
{
    m_running = false;
    m_arrivals.clear();
    m_timer.stop();
}

void RateFloor::arrived(qint64 bytes)
{
    if (!m_running || bytes <= 0)
        return;
    m_arrivals.append({m_clock.elapsed(), bytes});
    rearm();
}

void RateFloor::rearm()
{
    if (!m_running)
        return;
    // The window fails once the newest arrivals that together reach the floor
    // have all left it; before any window has passed, nothing fails.
    qint64 sum = 0;
    qsizetype oldestNeeded = -1;
    for (qsizetype i = m_arrivals.size() - 1; i >= 0; --i) {
        sum += m_arrivals[i].second;
        if (sum >= m_floor) {
            oldestNeeded = i;
            break;
        }
    }
    qint64 due = m_window;
    if (oldestNeeded >= 0) {
        m_arrivals.remove(0, oldestNeeded);
        due = qMax<qint64>(due, m_arrivals.first().first + m_window);
    }
    const qint64 now = m_clock.elapsed();
    if (now >= due) {
        stop();
        Q_EMIT tooSlow();
        return;
    }
    m_timer.start(int(due - now));
}
