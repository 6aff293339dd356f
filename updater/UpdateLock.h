#pragma once
#include <QString>
#include <functional>

// The gate of a program folder: held for a moment by whoever changes its hold
// on the folder (FolderLock), so that no such change is cut in by another.
// It is an flock() on update.lock, so the kernel lets go of it when its holder
// ends in any way, a kill included; nobody ever waits on a dead holder.
//
// The holder removes the file before it lets go, so that a folder is left as
// it was found. A waiter that then gets the lock of the removed file notices
// (the path no longer names the file it holds) and tries again with the new one.
class UpdateLock
{
public:
    static constexpr char FileName[] = "update.lock";
    // How long a second run waits for the first before it gives up.
    static constexpr int DefaultWaitMs = 30000;
    // Tests of the real programs shorten that wait through this variable.
    static constexpr char WaitVariable[] = "ZORBEL_UPDATE_WAIT_MS";
    static int waitMs();

    explicit UpdateLock(QString programFolder);
    ~UpdateLock();
    UpdateLock(const UpdateLock &) = delete;
    UpdateLock &operator=(const UpdateLock &) = delete;

    // Tries until the lock is held or `waitMs` have passed. `whileWaiting`
    // runs between the tries (the updater lets its window repaint there);
    // when it gives false the wait ends at once. False, with the reason, when
    // the lock was not got.
    bool acquire(int waitMs = DefaultWaitMs, const std::function<bool()> &whileWaiting = {},
                 QString *error = nullptr);
    void release();
    bool held() const { return m_fd >= 0; }
    // True when acquire() found the lock taken and had to wait.
    bool waited() const { return m_waited; }

private:
    bool tryOnce(QString *error);

    QString m_path;
    int m_fd = -1;
    bool m_waited = false;
};
