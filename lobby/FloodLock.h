#pragma once
#include "core/UserTable.h"
#include "lobby/FloodLockMarker.h"

#include <QObject>
#include <QTimer>

struct ClientState;

// The send lock against flooding. Lines are counted in fixed windows of
// tmrMsgDisable (9 s): the 8th line within one window locks sending for
// Offences x 10 seconds, and the lock then counts down in 1-second ticks. The
// timer starts with the first message of the day and never stops; tests drive
// it by calling tmrMsgDisable_Timer() themselves.
class FloodLock : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxLinesPerWindow = 7;
    static constexpr int WindowMs = 9000;
    static constexpr int CountdownMs = 1000;

    FloodLock(ClientState &state, const FloodLockMarker &marker, QObject *parent = nullptr);

    QTimer &tmrMsgDisable() { return m_timer; }
    const FloodLockMarker &marker() const { return m_marker; }

    // "MOTDLINE": the timer is enabled (a running one keeps its phase), and a
    // lock that was on when the client last ran is put on again.
    void enableTimer();
    void restoreFromMarker();

    bool isLocked() const;
    // One Enter in the chat input. True when this line set off a lock (the
    // line itself is still sent).
    bool countLine();

    void tmrMsgDisable_Timer();

    static QByteArray countdownText(qint32 seconds);

Q_SIGNALS:
    void lockStarted(qint32 seconds);      // the input line becomes read-only
    void countdown(const QByteArray &text); // shown in the input line
    void lockEnded();                       // the input line is emptied and editable

private:
    UserRecord &own();

    ClientState &m_state;
    FloodLockMarker m_marker;
    QTimer m_timer;
    UserRecord m_detached;   // stands in until the own record exists
};
