#pragma once
#include <QByteArray>

// The one way out to the lobby server. The connection appends the NUL that
// ends a message; callers pass the command text only, and never wait for an
// answer: a command sent while the connection is down is simply lost.
class CommandSink
{
public:
    virtual ~CommandSink() = default;
    virtual void SendCommand(const QByteArray &command) = 0;
};
