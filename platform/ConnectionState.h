#pragma once

// The machine's internet connection state, as the downloader's online check
// asks for it. Flags: 1 modem, 2 LAN, 4 proxy.
class ConnectionState
{
public:
    enum Flag { Modem = 1, Lan = 2, Proxy = 4 };
    struct Answer
    {
        bool connected = false;
        int flags = 0;
    };
    virtual ~ConnectionState() = default;
    virtual Answer query() = 0;
};

// This machine's answer from Qt's network information backend. A machine
// without a backend cannot tell, and then counts as connected over a LAN: an
// unknown state never stops a download.
class SystemConnectionState : public ConnectionState
{
public:
    Answer query() override;
};
