#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Caught[] = {SIGTERM, SIGINT, SIGHUP};

// [0] is written by the handler, [1] read by the event loop.
int s_pair[2] = {-1, -1};
struct sigaction s_previous[sizeof Caught / sizeof Caught[0]];

extern "C" void onTerminationSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pair (signals far faster than the loop reads) loses nothing
    // that matters: one byte waiting is enough to end.
    [[maybe_unused]] const ssize_t n = ::write(s_pair[0], &byte, 1);
    errno = saved;
}

bool nonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (s_pair[0] >= 0)
        return;   // another object has them already
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_pair) != 0) {
        s_pair[0] = s_pair[1] = -1;
        return;
    }
    if (!nonBlocking(s_pair[0]) || !nonBlocking(s_pair[1])) {
        ::close(s_pair[0]);
        ::close(s_pair[1]);
        s_pair[0] = s_pair[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(s_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < sizeof Caught / sizeof Caught[0]; ++i)
        ::sigaction(Caught[i], &action, &s_previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < sizeof Caught / sizeof Caught[0]; ++i)
        ::sigaction(Caught[i], &s_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(s_pair[0]);
    ::close(s_pair[1]);
    s_pair[0] = s_pair[1] = -1;
}

void TerminationSignals::readPending()
{
    // Several signals waiting end the program once: the first one names it.
    unsigned char bytes[16];
    int first = 0;
    ssize_t n;
    while ((n = ::read(s_pair[1], bytes, sizeof bytes)) > 0) {
        if (first == 0)
            first = bytes[0];
    }
    if (first != 0)
        Q_EMIT received(first);
}
