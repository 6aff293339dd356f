// A burst of chat in one arrival: a local server writes 10,000 "MSG" lines
// at once over a real connection to the lobby window (user list, chat view on
// the main room's log, as the client composes them). Measured from the write:
// - the longest gap between two turns of the event loop (a 1 ms timer's
//   longest interval) until the last line is in the log and painted;
// - the click delay: a click on a button of the window made 150 ms after the
//   write (a mouse press and release queued for the window at that moment),
//   up to its clicked() signal;
// - the time until the last line is in the log.
// Each figure is the median of 7 runs, once with the dispatcher's slices (as
// the client runs) and once with the whole arrival handled in one go (for
// comparison). The aim: a click answers within 500 ms. Release build only.
//
//   bench_chatburst [lines]
#include "bench/BenchStandIns.h"
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/UserStateHandlers.h"
#include "lobby/Chat.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
#include "lobby/ui/ChatWidgets.h"
#include "lobby/ui/LobbyForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int ClickAtMs = 150;

struct Result
{
    double longestGapMs = 0;
    double clickDelayMs = -1;
    double allInMs = 0;
    bool ordered = false;
};

double msOf(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

Result runBurst(int lines, bool sliced)
{
    QTemporaryDir marker;
    ClientState state;
    state.CurrentUser.OwnSlot = 1;
    Dispatcher dispatcher;
    if (!sliced)
        dispatcher.setSliceMs(1 << 30);
    LobbyEvents events;
    LobbyConnection connection(state, dispatcher);
    bench::QuietDialogs dialogs;
    UserStateHandlers handlers(state, connection, events);
    handlers.registerHandlers(dispatcher);
    Chat chat(state, connection, dialogs, events, marker.path());
    chat.registerHandlers(dispatcher);
    auto form = std::make_unique<LobbyForm>(state, events, connection);
    ChatWidgets widgets(chat, state);
    widgets.placeInto(*form);
    form->Form_Load();
    form->show();
    form->ShowLobby();
    // The player's target: a button on the lobby window.
    auto *button = new QPushButton(QStringLiteral("Click me"), form.get());
    button->setGeometry(10, 10, 100, 30);
    button->show();

    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QTcpSocket *peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] { peer = server.nextPendingConnection(); });
    connection.connectToServer("127.0.0.1", server.serverPort());
    while (!peer || connection.WSClient().state() != QAbstractSocket::ConnectedState)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    dispatcher.dispatch(LobbyMessage("USER 2 chatty_cathy 10.0.0.2 user 1002 00-11-22-33-44-55"));
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    QByteArray burst;
    burst.reserve(lines * 48);
    for (int i = 0; i < lines; ++i)
        burst += "MSG chatty_cathy hello\xFFthere,\xFFline\xFF" + QByteArray::number(i) + " x 0" + '\0';
    const QString lastLine = QStringLiteral("line %1\n").arg(lines - 1);
    ChatLog *log = chat.logs().log(0);

    Result r;
    QElapsedTimer clock;
    double lastTick = 0;
    bool done = false;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double now = msOf(clock);
        r.longestGapMs = std::max(r.longestGapMs, now - lastTick);
        lastTick = now;
    });
    QObject::connect(button, &QPushButton::clicked, [&] { r.clickDelayMs = msOf(clock) - ClickAtMs; });
    QTimer clickAt;
    clickAt.setSingleShot(true);
    clickAt.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clickAt, &QTimer::timeout, [&] {
        // The press and release the window system hands over at this moment.
        const QPointF at(20, 15);
        const QPointF global = button->mapToGlobal(at);
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                            Qt::NoButton, Qt::NoModifier));
    });

    clock.start();
    ticks.start();
    clickAt.start(ClickAtMs);
    peer->write(burst);
    peer->flush();
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        if (r.allInMs == 0 && dispatcher.pending() == 0 && log->plainText().endsWith(lastLine)) {
            r.allInMs = msOf(clock);
            form->repaint();
        }
        done = r.allInMs > 0 && r.clickDelayMs >= 0;
    }
    ticks.stop();

    // Same lines, same order: the numbers in the (cut) log count up to the last.
    const QString text = log->plainText();
    r.ordered = true;
    int expected = -1;
    for (qsizetype at = text.indexOf(QStringLiteral("line ")); at >= 0; at = text.indexOf(QStringLiteral("line "), at + 5)) {
        qsizetype end = at + 5;
        while (end < text.size() && text.at(end).isDigit())
            ++end;
        const int n = text.mid(at + 5, end - at - 5).toInt();
        if (expected >= 0 && n != expected)
            r.ordered = false;
        expected = n + 1;
    }
    r.ordered = r.ordered && expected == lines && log->length() <= ChatLog::TrimAbove;
    delete peer;
    return r;
}

template<typename F> double median(const std::vector<Result> &runs, F field)
{
    std::vector<double> v;
    for (const Result &r : runs)
        v.push_back(field(r));
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    runBurst(1000, true); // warm-up
    bool ok = true;
    double slicedClick = 0;
    for (bool sliced : {true, false}) {
        std::vector<Result> runs;
        for (int i = 0; i < 7; ++i) {
            runs.push_back(runBurst(lines, sliced));
            ok = ok && runs.back().ordered;
        }
        const double gap = median(runs, [](const Result &r) { return r.longestGapMs; });
        const double click = median(runs, [](const Result &r) { return r.clickDelayMs; });
        const double all = median(runs, [](const Result &r) { return r.allInMs; });
        if (sliced)
            slicedClick = click;
        std::printf("%d chat lines in one arrival, %s: longest event-loop gap %.1f ms, click delay %.1f ms, "
                    "last line in the log after %.1f ms\n",
                    lines, sliced ? "in slices" : "in one go", gap, click, all);
    }
    std::printf("lines in order: %s; click within 500 ms: %s\n", ok ? "yes" : "NO",
                slicedClick <= 500 ? "ok" : "TOO SLOW");
    return ok && slicedClick <= 500 ? 0 : 1;
}
