#pragma once
#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

class ProcessTable;

// Which process holds the game's memory. The process the launch started (the
// held process) when its memory maps the game's executable at the game's
// base address; otherwise a process of this user, started after the launch,
// that maps it there (a launcher such as wine64 starts the game as a process
// of its own and waits for it). Nothing is found before the executable is
// mapped, so no read or write ever reaches a launcher or a half-loaded game.
class GameProcessFinder
{
public:
    explicit GameProcessFinder(const ProcessTable &table) : m_table(table) {}

    // A new game: forgets the last one's process.
    void start(qint64 heldPid);
    // The game's process, or 0 while none is found. A search through every
    // process runs at most once per search interval; a process once found is
    // kept while it lives.
    qint64 find(const QString &executable, quint64 base);
    // True once a process has been found for this game.
    bool everFound() const { return m_everFound; }

    void setSearchInterval(int ms) { m_searchInterval = ms; }

private:
    const ProcessTable &m_table;
    qint64 m_held = 0;
    quint64 m_launchTime = 0;
    qint64 m_pid = 0;
    quint64 m_pidStart = 0;
    bool m_everFound = false;
    QElapsedTimer m_lastSearch;
    int m_searchInterval = 250;
};
