// Chat lines in a crowded lobby: the table is filled with n users through
// "USER" messages, then 20,000 "MSG", "CLAN" and "ME" lines arrive, most of
// them from names the table does not hold (what a hostile server may send),
// the rest from listed users. Every line looks its sender up; with 10,000
// users a line must cost no more than with 10 (ratio at most 1.3), so that
// the lookup is an index lookup and no scan of the table.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "core/UserStateHandlers.h"
#include "core/api/CommandSink.h"
#include "lobby/Chat.h"
#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

class NullSink : public CommandSink
{
public:
    void SendCommand(const QByteArray &) override {}
};

class NullDialogs : public Dialogs
{
public:
    Answer message(const QString &, const QString &, Buttons, Icon) override { return Answer::Ok; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    void open(const QString &, const QString &, Buttons, Icon, Answered) override {}
};

double cpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

constexpr int Lines = 20000;

// Processor time of the chat lines alone, the table filled beforehand.
double runFlood(int users)
{
    QTemporaryDir marker;
    ClientState state;
    state.CurrentUser.OwnSlot = 1;
    NullSink sink;
    NullDialogs dialogs;
    LobbyEvents events;
    Dispatcher dispatcher;
    UserStateHandlers table(state, sink, events);
    table.registerHandlers(dispatcher);
    Chat chat(state, sink, dialogs, events, marker.path());
    chat.registerHandlers(dispatcher);
    for (int s = 1; s <= users; ++s) {
        dispatcher.dispatch(LobbyMessage("USER " + QByteArray::number(s) + " player_" + QByteArray::number(s)
                                         + " 10.0.0.1 user " + QByteArray::number(1000 + s)));
    }

    std::vector<QByteArray> lines;
    lines.reserve(Lines);
    static const char *const words[] = {"MSG", "CLAN", "ME"};
    for (int i = 0; i < Lines; ++i) {
        const QByteArray from = i % 4 == 0 ? "player_" + QByteArray::number(1 + i % users)
                                           : "stranger_" + QByteArray::number(i);
        lines.push_back(QByteArray(words[i % 3]) + ' ' + from + " hello\xFFthere 0 0");
    }
    const double start = cpuMs();
    for (const QByteArray &line : lines)
        dispatcher.dispatch(LobbyMessage(line));
    return cpuMs() - start;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    runFlood(10); // warm-up
    std::vector<double> smalls, larges;
    for (int i = 0; i < 5; ++i) {
        smalls.push_back(runFlood(10));
        larges.push_back(runFlood(10000));
    }
    auto median = [](std::vector<double> runs) {
        std::sort(runs.begin(), runs.end());
        return runs[runs.size() / 2];
    };
    const double small = median(smalls);
    const double large = median(larges);
    const double ratio = large / small;
    std::printf("%d chat lines, 10 users: %.1f ms processor time (%.1f us a line)\n", Lines, small,
                small * 1000.0 / Lines);
    std::printf("%d chat lines, 10000 users: %.1f ms processor time (%.1f us a line)\n", Lines, large,
                large * 1000.0 / Lines);
    std::printf("ratio: %.2f (limit 1.3): %s\n", ratio, ratio <= 1.3 ? "ok" : "TOO SLOW");
    return ratio <= 1.3 ? 0 : 1;
}
