#include "lobby/FloodLock.h"

#include "core/ClientState.h"

FloodLock::FloodLock(ClientState &state, const FloodLockMarker &marker, QObject *parent)
    : QObject(parent), m_state(state), m_marker(marker)
{
    m_timer.setInterval(WindowMs);
    connect(&m_timer, &QTimer::timeout, this, &FloodLock::tmrMsgDisable_Timer);
}

UserRecord &FloodLock::own()
{
    if (UserRecord *r = m_state.own())
        return *r;
    return m_detached;
}

void FloodLock::enableTimer()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void FloodLock::restoreFromMarker()
{
    if (!m_marker.exists())
        return;
    UserRecord &me = own();
    // A first line that is no number keeps the seconds but still locks.
    if (const std::optional<qint32> seconds = m_marker.readSeconds())
        me.LockSeconds = *seconds;
    me.SendLocked = true;
}

bool FloodLock::isLocked() const
{
    const UserRecord *r = m_state.own();
    return r ? r->SendLocked : m_detached.SendLocked;
}

bool FloodLock::countLine()
{
    UserRecord &me = own();
    me.RecentLines = qint16(me.RecentLines + 1);
    if (me.RecentLines <= MaxLinesPerWindow)
        return false;
    me.Offences += 1;
    me.SendLocked = true;
    me.LockSeconds = me.Offences * 10;
    Q_EMIT lockStarted(me.LockSeconds);
    m_marker.SaveFloodLock(me.LockSeconds);
    return true;
}

void FloodLock::tmrMsgDisable_Timer()
{
    UserRecord &me = own();
    if (!me.SendLocked) {
        me.RecentLines = 0;
        m_timer.setInterval(WindowMs);
        return;
    }
    me.LockSeconds -= 1;
    Q_EMIT countdown(countdownText(me.LockSeconds));
    m_timer.setInterval(CountdownMs);
    if (me.LockSeconds < 1) {
        me.RecentLines = 0;
        me.SendLocked = false;
        Q_EMIT lockEnded();
        m_marker.remove();
    }
}

QByteArray FloodLock::countdownText(qint32 seconds)
{
    return "[Send Messages Disabled: " + QByteArray::number(seconds) + " ] - Don't Spam!";
}
