#pragma once
// A second run of the folder, as the tests of the update lock need one: a
// child process that holds the folder's lock.
#include "updater/UpdateLock.h"

#include <QString>
#include <functional>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// Forks a child that takes the lock of `folder`. Without `whileHeld` it holds
// the lock until it is killed; with it, it runs `whileHeld`, lets go and ends
// with status 0. Returns the child's pid once it holds the lock, -1 when it
// could not get it.
inline pid_t holdLockInChild(const QString &folder, const std::function<void()> &whileHeld = {})
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        UpdateLock lock(folder);
        if (!lock.acquire(1000))
            ::_exit(1);
        const char c = 'x';
        (void)!::write(ready[1], &c, 1);
        if (whileHeld) {
            whileHeld();
            lock.release();
            ::_exit(0);
        }
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    const bool held = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    if (!held) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}
