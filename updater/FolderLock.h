#pragma once
#include <QString>

// The hold of a program folder that keeps an install and running clients
// apart: every client holds it shared for its whole run, an updater holds it
// exclusively for its whole run, and a client's start takes it exclusively
// for a moment to put back an interrupted install. It is an flock() on the
// folder itself, so there is no file to create or leave behind, and the kernel
// lets go of it when its holder ends in any way, a kill included.
//
// Every change of who holds it (taking it, or a client's step from exclusive
// to shared) happens while the holder has the folder's UpdateLock, so that
// such a step is never cut in by another: a client that finds the folder held
// exclusively while it has the UpdateLock knows an updater is at work.
class FolderLock
{
public:
    explicit FolderLock(QString programFolder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Without waiting. False when someone else holds it in a way that
    // excludes this; false with the reason when the folder cannot be opened.
    bool tryExclusive(QString *error = nullptr);
    bool tryShared(QString *error = nullptr);
    // From exclusive to shared; false (and nothing held) if that failed.
    bool toShared();
    void release();
    bool held() const { return m_held; }

private:
    bool tryLock(int how, QString *error);

    QString m_folder;
    int m_fd = -1;
    bool m_held = false;
};
