// Filling the skinned list box with many items, against Qt's own list:
// 20,000 server names into the login window's server list (its stored look,
// 282 x 232 with its picture) and 500 pack names into the sorted pack list
// of the Maps tab, each filled as the client fills it (drawing held, one
// paint at the end) and the same items into a QListWidget of the same size,
// each timed up to the list drawn on screen. Prints the medians and
// "ratio morph/qlistwidget" for both; the aim is at most 2. For scale, a
// fill of 1,000 servers that paints every item (as the list did before the
// hold) is timed once.
//
// Then the client itself, composed as main() does, started against a local
// web host whose server list holds 3 and then 20,000 records: the time from
// start-up to the login window on screen, and "ratio 20000/3" (aim at most 2).
// Release build only.
#include "bench/BenchStandIns.h"
#include "controls/MorphListBox.h"
#include "controls/MorphListBoxPresets.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace bench;

constexpr int Rounds = 9;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

QStringList serverNames(int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("Lobby server %1 (EU west)").arg(i);
    return out;
}

// Pack names in no order, as the folder listing gives them.
QStringList packNames(int n)
{
    QRandomGenerator random(28);
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("Pack %1 - %2").arg(random.bounded(100000), 5, 10, QLatin1Char('0')).arg(i);
    return out;
}

// The window both lists sit in, shown.
QWidget &window()
{
    static QWidget *w = [] {
        auto *w = new QWidget;
        w->resize(700, 600);
        w->show();
        return w;
    }();
    return *w;
}

double fillMorph(MorphListBox &list, const QStringList &items, bool hold)
{
    QElapsedTimer t;
    t.start();
    if (hold)
        list.holdDrawing();
    list.Clear();
    for (const QString &item : items)
        list.AddItem(item);
    list.setListIndex(0);
    if (hold)
        list.releaseDrawing();
    list.repaint(); // on screen
    const double ms = msSince(t);
    if (list.ListCount() != items.size() || list.ListIndex() != 0)
        qFatal("the list was not filled");
    return ms;
}

double fillWidget(QListWidget &list, const QStringList &items)
{
    QElapsedTimer t;
    t.start();
    list.clear();
    for (const QString &item : items)
        list.addItem(item);
    list.setCurrentRow(0);
    list.repaint();
    const double ms = msSince(t);
    if (list.count() != items.size())
        qFatal("the list was not filled");
    return ms;
}

struct Pair
{
    double morph = 0, widget = 0;
};

Pair compare(const MorphListBoxStore &preset, QSize size, const QStringList &items, bool sorted)
{
    MorphListBox morph(&window());
    morph.ReadProperties(preset);
    morph.setSorted(sorted);
    morph.setGeometry(QRect(QPoint(0, 0), size));
    morph.show();
    QListWidget widget(&window());
    widget.setSortingEnabled(sorted);
    widget.setGeometry(QRect(QPoint(size.width() + 10, 0), size));
    widget.show();
    QCoreApplication::processEvents();
    std::vector<double> m, w;
    fillMorph(morph, items, true);
    fillWidget(widget, items);
    for (int r = 0; r < Rounds; ++r) {
        m.push_back(fillMorph(morph, items, true));
        w.push_back(fillWidget(widget, items));
    }
    return {median(m), median(w)};
}

// ---- the client against a local web host ---------------------------------

QByteArray serverRecords(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += "newserver\nLobby server " + QByteArray::number(i) + "\n10.0." + QByteArray::number(i / 250 % 250)
               + "." + QByteArray::number(i % 250) + "\n7000\n";
    return out;
}

QString makeHome(const QString &parent, const QByteArray &webHost)
{
    const QString home = QDir(parent).filePath(QStringLiteral("home"));
    QDir().mkpath(home + QStringLiteral("/prefix/drive_c/Games/Populous"));
    QFile::link(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home + QStringLiteral("/skins"));
    Ini::WriteIni(home + QStringLiteral("/qx.ini"), "general", "webhost", webHost);
    QFile reg(home + QStringLiteral("/prefix/system.reg"));
    if (!reg.open(QIODevice::WriteOnly))
        qFatal("cannot write system.reg");
    reg.write(bench::GameRegistry);
    return home;
}

struct Start
{
    double toLogin = 0;  // start-up to the login window shown, ms
    double afterList = 0; // from the server list sent to the login window shown
    int servers = 0;
};

Start startClient(const QString &home, WebHost &web)
{
    Machine machine(home + QStringLiteral("/prefix"));
    qputenv("ZORBEL_HOME", home.toLocal8Bit());
    QElapsedTimer clock;
    web.clock = &clock;
    web.listSentAt = -1;
    Start result;
    clock.start();
    {
        ClientApp app(machine.platform());
        if (!app.Main())
            qFatal("start-up ended early");
        app.loginForm().repaint();
        result.toLogin = msSince(clock);
        if (!app.loginForm().isVisible())
            qFatal("no login window");
        result.servers = app.loginForm().lstservers->ListCount();
    }
    web.clock = nullptr;
    qunsetenv("ZORBEL_HOME");
    result.afterList = result.toLogin - web.listSentAt;
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList servers = serverNames(20000);
    const QStringList packs = packNames(500);
    const QSize serverSize = MorphListBoxPresets::ServerListPicture().size();
    const Pair s = compare(MorphListBoxPresets::lstservers(), serverSize, servers, false);
    const Pair p = compare(MorphListBoxPresets::lstPacks(), QSize(220, 300), packs, true);
    double unheld = 0;
    {
        MorphListBox list(&window());
        list.ReadProperties(MorphListBoxPresets::lstservers());
        list.setGeometry(QRect(QPoint(0, 0), serverSize));
        list.show();
        unheld = fillMorph(list, servers.mid(0, 1000), false);
    }
    std::printf("Filling the list box (median of %d, up to the list drawn on screen):\n", Rounds);
    std::printf("                                      MorphListBox   QListWidget\n");
    std::printf("  20,000 servers, lstservers' look    %9.2f ms  %9.2f ms\n", s.morph, s.widget);
    std::printf("  ratio morph/qlistwidget             %9.2f                    (aim at most 2)\n",
                s.morph / s.widget);
    std::printf("  500 sorted packs, lstPacks' look    %9.2f ms  %9.2f ms\n", p.morph, p.widget);
    std::printf("  ratio morph/qlistwidget             %9.2f                    (aim at most 2)\n",
                p.morph / p.widget);
    std::printf("  for scale: 1,000 servers painting every item %.1f ms\n", unheld);
    std::fflush(stdout);

    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_listfill-XXXXXX")));
    WebHost web;
    const QString home = makeHome(dir.path(), web.hostAndPort());
    std::vector<double> few, many, manyAfterList;
    int fewCount = 0, manyCount = 0;
    for (int r = 0; r <= 5; ++r) {
        web.list = serverRecords(3);
        const Start a = startClient(home, web);
        web.list = serverRecords(20000);
        const Start b = startClient(home, web);
        if (r == 0)
            continue; // files and fonts are in memory from here on
        few.push_back(a.toLogin);
        many.push_back(b.toLogin);
        manyAfterList.push_back(b.afterList);
        fewCount = a.servers;
        manyCount = b.servers;
    }
    std::printf("The client, start-up to the login window on screen (median of 5):\n");
    std::printf("  %5d servers   %8.1f ms\n", fewCount, median(few));
    std::printf("  %5d servers   %8.1f ms   (%.1f ms of it after the list was sent)\n", manyCount, median(many),
                median(manyAfterList));
    std::printf("  ratio 20000/3   %8.2f      (aim at most 2)\n", median(many) / median(few));
    return 0;
}
