#include "platform/LinuxMacAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

QByteArray LinuxMacAddress::findIn(const ifaddrs *list, const QHostAddress &localAddress)
{
    // A socket's local address may come as an IPv4-mapped IPv6 address.
    bool isV4 = false;
    const quint32 wanted = localAddress.toIPv4Address(&isV4);
    if (!isV4 || wanted == 0)
        return QByteArray();

    const char *name = nullptr;
    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_name)
            continue;
        const auto *in = reinterpret_cast<const sockaddr_in *>(i->ifa_addr);
        if (ntohl(in->sin_addr.s_addr) == wanted) {
            name = i->ifa_name;
            break;
        }
    }
    if (!name)
        return QByteArray();

    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_PACKET || !i->ifa_name
            || std::strcmp(i->ifa_name, name) != 0)
            continue;
        const auto *ll = reinterpret_cast<const sockaddr_ll *>(i->ifa_addr);
        if (ll->sll_halen != 6)
            return QByteArray();
        const QByteArray mac(reinterpret_cast<const char *>(ll->sll_addr), 6);
        if (mac.left(4) == QByteArray(4, '\0'))
            return QByteArray();
        return mac;
    }
    return QByteArray();
}

QByteArray LinuxMacAddress::GetMACAddress(const QHostAddress &localAddress) const
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return QByteArray();
    const QByteArray mac = findIn(list, localAddress);
    freeifaddrs(list);
    return mac;
}
