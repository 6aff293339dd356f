// The login to a crowded lobby: a local server sends n "USER" and
// "USERSTATE" records (a few hundred of them hosts with clients) and
// "ENDUSERS" over a real connection; the client frames them, dispatches them
// to the table handlers and shows them in the lobby window's user list and
// huts tree. Prints the time for 10,000 and 20,000 users and their ratio,
// which must stay at most 2.2 (linear growth). "bench_login N" runs one login
// of N users, for a profiler.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/UserStateHandlers.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/UserListModel.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/UserListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

QByteArray loginStream(int users)
{
    QByteArray out;
    out.reserve(users * 80);
    auto add = [&](const QByteArray &m) {
        out += m;
        out += '\0';
    };
    add("LOGIN 1 1");
    // Every 40th user hosts a hut of four; the next three join it.
    for (int s = 1; s <= users; ++s) {
        const QByteArray n = QByteArray::number(s);
        const char *rank = s % 97 == 0 ? "admin" : (s % 53 == 0 ? "mod" : "user");
        add("USER " + n + " player_" + QByteArray::number((s * 7919) % 100003) + " 10." + QByteArray::number(s % 250)
            + ".0.1 " + rank + " " + QByteArray::number(1000 + s) + " 00-11-22-33-44-55");
        const int inHut = s % 40;
        if (inHut == 1)
            add("USERSTATE " + n + " HOST 4 " + (s % 80 == 1 ? "NONE" : "secret"));
        else if (inHut >= 2 && inHut <= 4)
            add("USERSTATE " + n + " CLIENT " + QByteArray::number(s - inHut + 1) + " "
                + QByteArray::number(inHut - 1));
        else if (s % 11 == 0)
            add("USERSTATE " + n + " GAMING");
        else
            add("USERSTATE " + n + " IDLE");
        if (s % 13 == 0)
            add("USERSTATUS " + n + " away");
    }
    add("ENDUSERS");
    return out;
}

class NullSink : public CommandSink
{
public:
    void SendCommand(const QByteArray &) override {}
};

// Processor time of this process: on a machine shared with other work it
// varies far less than the wall clock.
double cpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

struct Result
{
    double ms = 0;       // processor time
    double wallMs = 0;
    int waiting = 0;
    int playing = 0;
    int huts = 0;
};

Result runLogin(int users)
{
    ClientState state;
    state.CurrentUser.OwnSlot = 1;
    Dispatcher dispatcher;
    LobbyEvents events;
    LobbyConnection connection(state, dispatcher);
    NullSink sink;
    UserStateHandlers handlers(state, connection, events);
    handlers.registerHandlers(dispatcher);
    auto form = std::make_unique<LobbyForm>(state, events, sink);
    form->Form_Load();
    form->show();

    bool done = false;
    dispatcher.on("LOGIN", [&](const LobbyMessage &) { form->ShowLobby(); });
    dispatcher.on("ENDUSERS", [&](const LobbyMessage &) { done = true; });

    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const QByteArray stream = loginStream(users);
    QTcpSocket *peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] { peer = server.nextPendingConnection(); });
    connection.connectToServer("127.0.0.1", server.serverPort());
    while (!peer || connection.WSClient().state() != QAbstractSocket::ConnectedState)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuMs();
    peer->write(stream);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // Let the views lay out and paint what arrived (the user list takes its
    // model back once the burst is over).
    QCoreApplication::processEvents();
    while (form->lstUsers()->isDeferred())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
    Result r;
    r.ms = cpuMs() - cpuStart;
    r.wallMs = double(timer.nsecsElapsed()) / 1e6;
    r.waiting = form->userList().groupCount(UserListModel::Waiting);
    r.playing = form->userList().groupCount(UserListModel::Playing);
    r.huts = form->huts().hutCount();
    form.reset();
    delete peer;
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // "bench_login N": one login of N users (for profilers).
    if (argc > 1) {
        const int users = QByteArray(argv[1]).toInt();
        const Result r = runLogin(users);
        std::printf("login %d users: %.1f ms processor time, %.1f ms wall\n", users, r.ms, r.wallMs);
        return 0;
    }
    // The machine may be busy: the two sizes take turns, seven times each,
    // and the median time of each size counts.
    runLogin(2000); // warm-up
    std::vector<Result> smalls, larges;
    for (int i = 0; i < 7; ++i) {
        smalls.push_back(runLogin(10000));
        larges.push_back(runLogin(20000));
    }
    auto median = [](std::vector<Result> runs) {
        std::sort(runs.begin(), runs.end(), [](const Result &a, const Result &b) { return a.ms < b.ms; });
        return runs[runs.size() / 2];
    };
    const Result small = median(smalls);
    const Result large = median(larges);
    const double ratio = large.ms / small.ms;
    std::printf("login 10000 users: %.1f ms processor time, %.1f ms wall (%d waiting, %d playing, %d huts)\n",
                small.ms, small.wallMs, small.waiting, small.playing, small.huts);
    std::printf("login 20000 users: %.1f ms processor time, %.1f ms wall (%d waiting, %d playing, %d huts)\n",
                large.ms, large.wallMs, large.waiting, large.playing, large.huts);
    std::printf("ratio: %.2f (limit 2.2): %s\n", ratio, ratio <= 2.2 ? "ok" : "TOO SLOW");
    return ratio <= 2.2 ? 0 : 1;
}
