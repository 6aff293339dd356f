#include "core/GameProcessFinder.h"

#include "platform/ProcessTable.h"

void GameProcessFinder::start(qint64 heldPid)
{
    m_held = heldPid;
    m_launchTime = heldPid > 0 ? m_table.startTime(heldPid) : 0;
    m_pid = 0;
    m_pidStart = 0;
    m_everFound = false;
    m_lastSearch.invalidate();
}

qint64 GameProcessFinder::find(const QString &executable, quint64 base)
{
    if (m_pid != 0) {
        // The start time tells the process from a later one given its pid.
        if (m_table.startTime(m_pid) == m_pidStart)
            return m_pid;
        m_pid = 0;
    }
    if (m_held <= 0 || m_launchTime == 0)
        return 0;
    if (m_lastSearch.isValid() && m_lastSearch.elapsed() < m_searchInterval)
        return 0;
    m_lastSearch.start();

    if (m_table.startTime(m_held) == m_launchTime && m_table.mapsFileAt(m_held, executable, base)) {
        m_pid = m_held;
        m_pidStart = m_launchTime;
    } else {
        for (const ProcessTable::Process &p : m_table.processesSince(m_launchTime)) {
            if (p.pid != m_held && m_table.mapsFileAt(p.pid, executable, base)) {
                m_pid = p.pid;
                m_pidStart = p.startTime;
                break;
            }
        }
    }
    if (m_pid != 0)
        m_everFound = true;
    return m_pid;
}
