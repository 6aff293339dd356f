// Appends 100,000 chat lines with smileys and time stamps to one chat log, as
// the "MSG" handler writes them, and prints what the first and the last
// 10,000 lines cost. Trimming and smiley conversion must not make appends
// slower as the log fills: the ratio should stay near 1.
//
//   bench_chatlog [--view]   (--view: the log is shown in a chat view as well)
#include "core/ClientState.h"
#include "core/util/CodePage.h"
#include "lobby/BadWordList.h"
#include "lobby/ChatColours.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>
#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool withView = app.arguments().contains(QStringLiteral("--view"));

    ClientOptions options;
    BadWordList words;
    words.setWords({"darn", "heck"});
    ChatLogs logs(options, words);

    std::unique_ptr<QTextEdit> view;
    if (withView) {
        view = std::make_unique<QTextEdit>();
        view->setReadOnly(true);
        view->resize(570, 560);
        view->setDocument(logs.log(0)->document());
        view->show();
    }

    const QByteArray texts[] = {
        "hello all :) anyone up for a game?",
        "gg :D that was close >:( next time 8)",
        "who wants to play on the new map pack ;) :lol:",
        "brb -> coffee [h] :woot:",
        "no smileys in this one, just plain text to pad the line a bit",
        "|:| hmm :? :i16: ok :o",
    };
    const QByteArray names[] = {"alice", "big_bob", "carol", "dave_the_brave"};

    constexpr int Lines = 100000;
    constexpr int Block = 10000;
    QElapsedTimer timer;
    qint64 first = 0;
    qint64 last = 0;
    timer.start();
    for (int i = 0; i < Lines; ++i) {
        const QByteArray stamp = CodePage::fromUnicode(logs.timeStamp());
        logs.AddLogRTF(stamp, 0, ChatColours::TimeStamp, "Arial", 10, true);
        logs.AddLogRTF(" | ", 0, ChatColours::Separator, "Arial", 10, true);
        logs.AddLogRTF(names[i % 4], 0, ChatColours::SenderName, "Arial", 10, true);
        logs.AddLogRTF(" | ", 0, ChatColours::Separator, "Arial", 10, true);
        logs.AddLogRTF(texts[i % 6] + " #" + QByteArray::number(i) + "\n", 0, options.ColorUser, "Arial", 10, true);
        if (withView && i % 50 == 0)
            app.processEvents();
        if (i + 1 == Block) {
            first = timer.nsecsElapsed();
        } else if (i + 1 == Lines - Block) {
            timer.restart();
        }
    }
    last = timer.nsecsElapsed();

    const ChatLog *log = logs.log(0);
    std::printf("chat log: %d lines%s, log at the end %d characters, %d pictures\n", Lines,
                withView ? " (shown in a view)" : "", log->length(), log->pictureCount());
    std::printf("first %d lines: %.1f ms (%.1f us a line)\n", Block, first / 1e6, first / 1e3 / Block);
    std::printf("last  %d lines: %.1f ms (%.1f us a line)\n", Block, last / 1e6, last / 1e3 / Block);
    std::printf("ratio last/first: %.2f\n", double(last) / double(first));
    return 0;
}
