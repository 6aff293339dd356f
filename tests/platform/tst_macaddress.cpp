#include "platform/LinuxMacAddress.h"

#include <QTest>

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <netinet/in.h>

namespace {

// A hand-built interface list: eth0 with 10.0.0.5 and a MAC, lo with
// 127.0.0.1 and a zero MAC.
struct FakeInterfaces
{
    sockaddr_in ethIp{};
    sockaddr_ll ethMac{};
    sockaddr_in loIp{};
    sockaddr_ll loMac{};
    ifaddrs nodes[4]{};
    char eth[5] = "eth0";
    char lo[3] = "lo";

    FakeInterfaces()
    {
        ethIp.sin_family = AF_INET;
        ethIp.sin_addr.s_addr = htonl(0x0A000005);
        ethMac.sll_family = AF_PACKET;
        ethMac.sll_halen = 6;
        const unsigned char mac[6] = {0, 26, 43, 60, 77, 94};
        std::memcpy(ethMac.sll_addr, mac, 6);
        loIp.sin_family = AF_INET;
        loIp.sin_addr.s_addr = htonl(0x7F000001);
        loMac.sll_family = AF_PACKET;
        loMac.sll_halen = 6;
        // The packet entries come first, as getifaddrs lists them.
        nodes[0] = {&nodes[1], lo, 0, reinterpret_cast<sockaddr *>(&loMac), nullptr, {nullptr}, nullptr};
        nodes[1] = {&nodes[2], eth, 0, reinterpret_cast<sockaddr *>(&ethMac), nullptr, {nullptr}, nullptr};
        nodes[2] = {&nodes[3], lo, 0, reinterpret_cast<sockaddr *>(&loIp), nullptr, {nullptr}, nullptr};
        nodes[3] = {nullptr, eth, 0, reinterpret_cast<sockaddr *>(&ethIp), nullptr, {nullptr}, nullptr};
    }
};

} // namespace

class TstMacAddress : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void format_data();
    void format();
    void lookup_data();
    void lookup();
    void realLoopbackHasNone();
};

void TstMacAddress::format_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("six bytes") << QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6) << '-' << QByteArray("00-1A-2B-3C-4D-5E");
    QTest::newRow("colon") << QByteArray("\xFF\x01\x02\x03\x04\x05", 6) << ':' << QByteArray("FF:01:02:03:04:05");
    QTest::newRow("five bytes") << QByteArray("\x01\x02\x03\x04\x05", 5) << '-' << QByteArray();
    QTest::newRow("seven bytes") << QByteArray(7, '\x01') << '-' << QByteArray();
    QTest::newRow("empty") << QByteArray() << '-' << QByteArray();
}

void TstMacAddress::format()
{
    QFETCH(QByteArray, bytes);
    QFETCH(char, separator);
    QFETCH(QByteArray, text);
    QCOMPARE(MacAddress::FormatMACAddress(bytes, separator), text);
}

void TstMacAddress::lookup_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("mac");
    QTest::newRow("eth0") << "10.0.0.5" << QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6);
    QTest::newRow("mapped IPv6 form") << "::ffff:10.0.0.5" << QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6);
    QTest::newRow("loopback: zero MAC") << "127.0.0.1" << QByteArray();
    QTest::newRow("no such address") << "10.0.0.6" << QByteArray();
    QTest::newRow("0.0.0.0") << "0.0.0.0" << QByteArray();
    QTest::newRow("IPv6") << "fe80::1" << QByteArray();
}

void TstMacAddress::lookup()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, mac);
    FakeInterfaces list;
    QCOMPARE(LinuxMacAddress::findIn(&list.nodes[0], QHostAddress(address)), mac);
}

void TstMacAddress::realLoopbackHasNone()
{
    LinuxMacAddress real;
    QCOMPARE(real.GetMACAddress(QHostAddress::LocalHost), QByteArray());
}

QTEST_GUILESS_MAIN(TstMacAddress)
#include "tst_macaddress.moc"
