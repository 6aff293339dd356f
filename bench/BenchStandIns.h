#pragma once
// What the benchmarks that start the client in their own process put in place
// of the player's machine: boxes answered at once, no sound, no browser, and
// a lobby web host on loopback whose version page says "up to date".
#include "core/ui/ClientApp.h"
#include "platform/Dialogs.h"
#include "platform/LinuxGameStarter.h"
#include "platform/LinuxMacAddress.h"
#include "platform/LinuxProcessMemory.h"
#include "platform/SoundPlayer.h"
#include "platform/WebBrowser.h"
#include "platform/WineRegistry.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace bench {

// The game's keys in a Wine prefix's system.reg: the game is installed in
// C:\Games\Populous.
constexpr char GameRegistry[] =
    "WINE REGISTRY Version 2\n\n[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning] 1700000000\n"
    "\"InstallPath\"=\"C:\\\\Games\\\\Populous\"\n\"Version\"=\"1.03\"\n\"Language\"=dword:00000000\n";

class QuietDialogs : public Dialogs
{
public:
    Answer message(const QString &, const QString &, Buttons buttons, Icon) override
    {
        return buttons == Buttons::RetryCancel ? Answer::Retry : (buttons == Buttons::Ok ? Answer::Ok : Answer::Yes);
    }
    std::optional<QString> input(const QString &, const QString &, const QString &defaultText) override
    {
        return defaultText;
    }
    void open(const QString &, const QString &, Buttons, Icon, Answered) override {}
};

class SilentSound : public SoundPlayer
{
public:
    bool play(const QString &, QString *) override { return true; }
};

class NoBrowser : public WebBrowser
{
public:
    bool open(const QUrl &) override { return false; }
};

// The player's machine for a client composed in this process as main() does:
// the game's registry in the Wine prefix at `prefix`, the rest real or quiet.
struct Machine
{
    explicit Machine(const QString &prefix) : registry(prefix) {}

    ClientApp::Platform platform() { return {&dialogs, &registry, &mac, &browser, &sound, &starter, &memory}; }

    QuietDialogs dialogs;
    WineRegistry registry;
    LinuxMacAddress mac;
    NoBrowser browser;
    SilentSound sound;
    LinuxGameStarter starter{QString()};
    LinuxProcessMemory memory;
};

// The lobby web host: the version page says "up to date", the server list is
// what `list` holds (one server unless set). On `clock`, the moment the list
// is asked for (ns) and the moment it has been sent (ms) are kept;
// `listAsked` runs when it is asked for, before it is sent.
class WebHost : public QObject
{
public:
    WebHost()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QByteArray hostAndPort() const { return "127.0.0.1:" + QByteArray::number(m_server.serverPort()); }

    QByteArray list = "newserver\nBench lobby\n127.0.0.1\n1\n";
    QElapsedTimer *clock = nullptr;
    qint64 listAskedAt = -1; // ns on the clock
    double listSentAt = -1;  // ms on the clock
    std::function<void()> listAsked;

private:
    void answer(QTcpSocket *s)
    {
        const QByteArray request = s->readAll();
        const bool isList = request.contains("/qxserver/list.php");
        if (isList) {
            if (clock)
                listAskedAt = clock->nsecsElapsed();
            if (listAsked)
                listAsked();
        }
        const QByteArray body = isList ? list : QByteArray("gatherhall\r\n1.0.0\r\nhttp://127.0.0.1/none.zip\r\n");
        s->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size())
                 + "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
        if (isList && clock)
            listSentAt = double(clock->nsecsElapsed()) / 1e6;
    }

    QTcpServer m_server;
};

} // namespace bench
