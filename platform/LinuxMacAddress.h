#pragma once
#include "platform/MacAddress.h"

struct ifaddrs;

// The hardware address of the interface that holds the address, from
// getifaddrs. Loopback and other interfaces without a real hardware address
// (the first four bytes zero) give nothing, as the address resolution did.
class LinuxMacAddress : public MacAddress
{
public:
    QByteArray GetMACAddress(const QHostAddress &localAddress) const override;

    // The lookup over a given interface list (tests build their own).
    static QByteArray findIn(const ifaddrs *list, const QHostAddress &localAddress);
};
