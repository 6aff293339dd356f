#pragma once
// A second run of the folder, as the tests of the update lock need one: a
// child process that holds the folder's lock.
#include "updater/FolderLock.h"
#include "updater/UpdateLock.h"

#include <QString>
#include <functional>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// Forks a child that takes a hold with `take`. Without `whileHeld` it keeps
// it until it is killed; with it, it runs `whileHeld`, lets go with `letGo`
// and ends with status 0. Returns the child's pid once it holds it, -1 when
// it could not get it.
inline pid_t holdInChild(const std::function<bool()> &take, const std::function<void()> &letGo,
                         const std::function<void()> &whileHeld)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        if (!take())
            ::_exit(1);
        const char c = 'x';
        (void)!::write(ready[1], &c, 1);
        if (whileHeld) {
            whileHeld();
            letGo();
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

inline pid_t holdLockInChild(const QString &folder, const std::function<void()> &whileHeld = {})
{
    static UpdateLock *lock = nullptr; // the child's own
    return holdInChild(
        [folder] {
            lock = new UpdateLock(folder);
            return lock->acquire(1000);
        },
        [] { lock->release(); }, whileHeld);
}

// A child that holds the folder itself: exclusively as an updater at work,
// or shared as a running client.
inline pid_t holdFolderInChild(const QString &folder, bool exclusive, const std::function<void()> &whileHeld = {})
{
    static FolderLock *hold = nullptr; // the child's own
    return holdInChild(
        [folder, exclusive] {
            hold = new FolderLock(folder);
            return exclusive ? hold->tryExclusive() : hold->tryShared();
        },
        [] { hold->release(); }, whileHeld);
}
