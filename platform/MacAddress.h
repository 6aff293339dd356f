#pragma once
#include <QByteArray>
#include <QHostAddress>

// The hardware address of the interface that holds a local IPv4 address.
class MacAddress
{
public:
    virtual ~MacAddress() = default;
    // Six bytes, or empty when no interface holds that address.
    virtual QByteArray GetMACAddress(const QHostAddress &localAddress) const = 0;
    // "00-1A-2B-3C-4D-5E": two upper-case hex digits a byte, joined by the
    // separator; empty unless there are exactly six bytes.
    static QByteArray FormatMACAddress(const QByteArray &sixBytes, char separator = '-');
};
