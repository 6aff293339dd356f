// The layout rules on the real lobby window: widgets found by name take the
// rules' geometry, panels built later are placed as soon as they exist, and
// the hut area never hides the newest chat line. A whole client walks its
// tabs at several sizes: every control of the rules that shows lies in its
// container, uncovered, where the rules put it.
#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/ui/TabStrip.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/ChatLobby.h"
#include "tests/fixtures/DevPreviewContent.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/PackShop.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"
#include "lobby/BadWordList.h"
#include "lobby/ChatLogs.h"
#include "lobby/ui/ChatView.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/LobbyFormLayout.h"
#include "lobby/ui/TrimStrip.h"
#include "lobby/ui/UserListView.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QRect pixels(const LobbyLayout::Twips &t)
{
    return QRect(qRound(t.Left / 15), qRound(t.Top / 15), qRound(t.Width / 15), qRound(t.Height / 15));
}

// A tribe colour panel of a fixed height.
class TribeArea : public QWidget
{
public:
    TribeArea() { setObjectName(QStringLiteral("FraTribePal")); }
    QSize sizeHint() const override { return QSize(400, 340); }
};

// A hut area of a fixed height, as the game panel is.
class HutArea : public QWidget
{
public:
    HutArea() { setObjectName(QStringLiteral("frmGame")); }
    QSize sizeHint() const override { return QSize(300, 190); }
};

struct Rig
{
    ClientState state;
    LobbyEvents events;
    RecordingCommandSink commands;
    BadWordList badWords;
    ChatLogs logs{state.Options, badWords};
    LobbyForm form{state, events, commands};
    ChatView *view = new ChatView(logs);

    Rig()
    {
        form.place(LobbyForm::Place::ChatView, view);
        state.Users.growTo(3)->Name = "me";
        state.CurrentUser.OwnSlot = 3;
    }

    void show(QSize size)
    {
        form.resize(size);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.size(), size);
    }

    const LobbyLayout &model() const { return form.layout().model(); }
};

// A whole client, logged in to a lobby whose web host offers both catalogues.
struct Client
{
    QTemporaryDir home;
    WebHost web;
    LobbyServer lobby;
    FakeClientPlatform fakes;
    std::unique_ptr<ClientApp> app;

    bool start()
    {
        copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath("skins"));
        if (!DevPreviewContent::writePacks(home.path()) || !web.listen() || !lobby.listen())
            return false;
        lobby.actAsSimpleLobby();
        actAsChatLobby(lobby);
        // Bram hosts a hut (made up: the tests speak for it).
        lobby.addSimpleLobbyUserMessage("USER 102 Bram 10.1.0.2 user 502 00-16-3E-00-01-02");
        lobby.addSimpleLobbyUserMessage("USERSTATE 102 HOST 4 NONE");
        for (const ShopPack &p : openPackShop(web, home.filePath("shop")))
            (p.map ? missingMappack : missingModpack) = p.crc;
        Ini::WriteIni(home.filePath("qx.ini"), "general", "webhost", web.hostAndPort());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php",
                  "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        qputenv("ZORBEL_HOME", home.path().toLocal8Bit());
        app = std::make_unique<ClientApp>(fakes.platform());
        if (!app->Main())
            return false;
        return login();
    }

    bool login()
    {
        app->loginForm().UsernameField->setText(QStringLiteral("tester"));
        app->loginForm().PasswordField->setText(QStringLiteral("x"));
        app->loginForm().Loginme->click();
        // Shown, with the own record and the made-up host in the tables.
        return QTest::qWaitFor([this] {
            const UserRecord *own = app->state().own();
            return app->lobbyForm().isVisible() && own && own->Name == "tester" && app->state().Users.at(102)
                && app->state().Users.at(102)->State == "HOST";
        }, 5000);
    }

    // Messages from the lobby to the first login (slot 1).
    void tell(const QList<QByteArray> &messages)
    {
        for (const QByteArray &m : messages)
            lobby.send(0, m);
    }

    // Packs of the shop, which the client does not have.
    QByteArray missingMappack;
    QByteArray missingModpack;
};

// The tab panel a row of the rules lies on ("" for the window itself).
QByteArray tabOf(const QByteArray &row)
{
    QByteArray at = row;
    for (QByteArray c = LobbyLayout::containerOf(at); !c.isEmpty(); c = LobbyLayout::containerOf(at))
        at = c;
    return at == row ? QByteArray() : at;
}

void clickAtCentre(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

QScrollArea *scrollAreaOf(QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(p))
            return area;
    }
    return nullptr;
}

// Scrolls w into view where a scroll area holds it; then true when every
// pixel of it shows: inside each of its ancestors, and the window's topmost
// widget at its corners, edges and centre is w or one of its children.
bool wholeOnScreen(QWidget *w, QString *why)
{
    for (QScrollArea *area = scrollAreaOf(w); area; area = scrollAreaOf(area))
        area->ensureWidgetVisible(w, 0, 0);
    QCoreApplication::processEvents();
    QWidget *window = w->window();
    const QRect inWindow(w->mapTo(window, QPoint()), w->size());
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        const QRect r(w->mapTo(p, QPoint()), w->size());
        if (!p->rect().contains(r)) {
            *why = QStringLiteral("%1 cut by %2").arg(w->objectName(), p->objectName());
            return false;
        }
    }
    const QRect r = inWindow;
    for (QPoint at : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(), r.center(),
                      QPoint(r.center().x(), r.top()), QPoint(r.center().x(), r.bottom()),
                      QPoint(r.left(), r.center().y()), QPoint(r.right(), r.center().y())}) {
        QWidget *hit = window->childAt(at);
        if (hit != w && !w->isAncestorOf(hit)) {
            *why = QStringLiteral("%1 covered at %2,%3 by %4").arg(w->objectName()).arg(at.x()).arg(at.y())
                       .arg(hit ? hit->objectName() + QLatin1Char(' ') + QLatin1String(hit->metaObject()->className())
                                : QStringLiteral("nothing"));
            return false;
        }
    }
    return true;
}

// Where a player clicks a button: a check box or option button on its box
// (a wide one takes clicks on its box and caption only), others at the centre.
QPoint clickPoint(QWidget *w)
{
    const QPoint at = qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w)
        ? QPoint(qMin(8, w->width() / 2), w->height() / 2)
        : w->rect().center();
    return w->mapTo(w->window(), at);
}

// A real click through the window system on w as it shows.
void clickOnScreen(QWidget *w)
{
    QString why;
    QVERIFY2(wholeOnScreen(w, &why), qPrintable(why));
    QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {}, clickPoint(w));
}

// A real press on a button, released away from it: the button takes the
// press, nothing is clicked.
bool takesPress(QAbstractButton *b)
{
    QWindow *window = b->window()->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, clickPoint(b));
    const bool down = b->isDown();
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(1, 1));
    return down;
}

} // namespace

class tst_LobbyWindowLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void widgetsTakeTheRules_data();
    void widgetsTakeTheRules();
    void panelsBuiltLaterArePlaced();
    void chatLineVisibleInHut();
    void firstChatLineClearOfTribePanel();
    void onePassPerTabChangeAndResize();
    void everyControlOnEveryTab_data();
    void everyControlOnEveryTab();
    void popUpPanelsKeepToTheChatArea_data();
    void popUpPanelsKeepToTheChatArea();
    void optionsReadableInTheSmallestWindow();
    void hutAreaFollowsOwnState_data();
    void hutAreaFollowsOwnState();
    void cleanupTestCase();

private:
    Client *client();
    std::unique_ptr<Client> m_client;
    // What the first pass at the design size showed: tab, catalogue, row.
    QMap<QByteArray, QRect> m_designGeometry;
};

void tst_LobbyWindowLayout::widgetsTakeTheRules_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("design") << QSize(14235 / 15, 11040 / 15);
    QTest::newRow("maximised") << QSize(1400, 1000);
}

void tst_LobbyWindowLayout::widgetsTakeTheRules()
{
    QFETCH(QSize, size);
    Rig rig;
    rig.show(size);
    const LobbyLayout &m = rig.model();
    // The window's size in twips, frame and title bar counted.
    QCOMPARE(m.get("FrameMain").Width, size.width() * 15 + 120 - 420.0);
    QCOMPARE(rig.form.FrameMain()->geometry().size(), pixels(m.get("FrameMain")).size());
    QCOMPARE(rig.form.FrameMain()->mapTo(&rig.form, QPoint()), QPoint(8, 40));
    for (const char *name : {"lstUsers", "lstHuts", "ChatFrame", "frarooms"}) {
        const QWidget *w = rig.form.findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(w, name);
        QCOMPARE(w->parentWidget(), rig.form.FrameMain());
        QCOMPARE(w->geometry(), pixels(m.get(name)));
    }
    QCOMPARE(rig.view->geometry(), pixels(m.get("txtOut(0)")));
    QCOMPARE(rig.form.lstRanks()->parentWidget(), rig.form.frameranks());
    QCOMPARE(rig.form.lstRanks()->geometry(), pixels(m.get("lstRanks")));
    QCOMPARE(rig.form.frameranks()->size(), rig.form.FrameMain()->size());
    // Every strip exists, in its container, at the rules' place as far as
    // its container shows it.
    for (int i : TrimStrip::indexes()) {
        const QByteArray row = "Trim(" + QByteArray::number(i) + ')';
        const QWidget *strip = rig.form.findChild<QWidget *>(QStringLiteral("Trim%1").arg(i));
        QVERIFY2(strip, row.constData());
        QCOMPARE(strip->parentWidget()->objectName().toLatin1(), LobbyLayout::containerOf(row));
        const QRect rule = pixels(m.get(row));
        QCOMPARE(strip->geometry(), rule.intersected(QRect(QPoint(), strip->parentWidget()->size())));
    }
    // The user list keeps its distance from the panel's right edge.
    const QWidget *users = rig.form.lstUsers();
    QCOMPARE(rig.form.FrameMain()->width() - users->geometry().right() - 1, 200 / 15);
}

void tst_LobbyWindowLayout::panelsBuiltLaterArePlaced()
{
    Rig rig;
    rig.show(QSize(1200, 900));
    // Another panel's controls, made after the window: placed by name.
    auto *packs = new QListWidget(rig.form.FrameMaps());
    packs->setObjectName(QStringLiteral("lstPacks"));
    auto *menu = new QWidget(rig.form.FrameMaps());
    menu->setObjectName(QStringLiteral("picDLMapsMenu"));
    auto *list = new QListWidget(menu);
    list->setObjectName(QStringLiteral("lstMapPacks"));
    // One that its owner put into a Qt layout of its own is taken out of it
    // and into its container: no Qt layout places a control of the rules.
    auto *own = new QWidget(rig.form.FrameMods());
    auto *ownLayout = new QVBoxLayout(own);
    auto *mods = new QListWidget(own);
    mods->setObjectName(QStringLiteral("LstMods"));
    ownLayout->addWidget(mods);
    own->resize(200, 100);
    ownLayout->activate();
    const QRect modsBefore = mods->geometry();

    rig.form.resize(1300, 950);
    QTRY_COMPARE(rig.form.size(), QSize(1300, 950));
    const LobbyLayout &m = rig.model();
    QCOMPARE(packs->geometry(), pixels(m.get("lstPacks")));
    QCOMPARE(menu->geometry(), pixels(m.get("picDLMapsMenu")));
    QCOMPARE(list->geometry(), pixels(m.get("lstMapPacks")));
    QVERIFY(mods->geometry() != modsBefore);
    QCOMPARE(mods->parentWidget(), rig.form.FrameMods());
    QCOMPARE(mods->geometry(), pixels(m.get("LstMods")));
    QCOMPARE(ownLayout->indexOf(mods), -1);
    // The maps panel has the lobby panel's size.
    QCOMPARE(rig.form.FrameMaps()->size(), rig.form.FrameMain()->size());
}

void tst_LobbyWindowLayout::chatLineVisibleInHut()
{
    Rig rig;
    rig.state.own()->State = "HOST";
    auto *hut = new HutArea;
    rig.form.place(LobbyForm::Place::GamePanel, hut);
    rig.show(QSize(14235 / 15, 11040 / 15));
    hut->show();
    QTRY_VERIFY(hut->isVisible());
    // Over the top of the chat log, as wide as the log less 20 twips.
    QCOMPARE(hut->parentWidget(), rig.view->parentWidget());
    QCOMPARE(hut->pos(), rig.view->pos());
    QVERIFY(hut->height() >= 190);

    rig.logs.AddSystemMessage("hello from the hut");
    QTRY_VERIFY(rig.view->toPlainText().contains(QStringLiteral("hello from the hut")));
    // The line is drawn below the hut area, inside the log's visible part.
    QTextCursor end(rig.view->document());
    end.movePosition(QTextCursor::End);
    const QRect line = rig.view->cursorRect(end);
    const QPoint lineTop = rig.view->viewport()->mapTo(rig.view->parentWidget(), line.topLeft());
    QVERIFY2(lineTop.y() > hut->geometry().bottom(),
             qPrintable(QStringLiteral("line at %1, hut area to %2").arg(lineTop.y()).arg(hut->geometry().bottom())));
    QVERIFY(rig.view->viewport()->rect().contains(line));

    // Many lines: the newest still shows, the log scrolled to its end.
    for (int i = 0; i < 200; ++i)
        rig.logs.AddSystemMessage("line " + QByteArray::number(i));
    QTRY_COMPARE(rig.view->verticalScrollBar()->value(), rig.view->verticalScrollBar()->maximum());
    end.movePosition(QTextCursor::End);
    QVERIFY(rig.view->viewport()->rect().contains(rig.view->cursorRect(end)));
    QVERIFY(rig.view->viewport()->mapTo(rig.view->parentWidget(), rig.view->cursorRect(end).topLeft()).y()
            > hut->geometry().bottom());

    // Out of the hut the log has its whole height again.
    hut->hide();
    QTRY_COMPARE(rig.view->topMargin(), 0);
}

// The tribe panel stands below the hut area over the chat log: the log's
// first line starts below it, and gets its place back when the panel closes.
void tst_LobbyWindowLayout::firstChatLineClearOfTribePanel()
{
    Rig rig;
    rig.state.own()->State = "HOST";
    auto *hut = new HutArea;
    auto *tribes = new TribeArea;
    tribes->hide();
    rig.form.place(LobbyForm::Place::GamePanel, hut);
    rig.form.place(LobbyForm::Place::TribePanel, tribes);
    rig.show(QSize(1000, 900));
    hut->show();
    rig.logs.AddSystemMessage("first line");
    QTRY_VERIFY(rig.view->toPlainText().contains(QStringLiteral("first line")));
    QTRY_COMPARE(rig.view->topMargin(), hut->geometry().bottom() + 1 - rig.view->geometry().top());

    tribes->show();
    QTRY_VERIFY(tribes->isVisible());
    QVERIFY(tribes->height() >= 340);
    QCOMPARE(tribes->parentWidget(), rig.view->parentWidget());
    QTRY_COMPARE(rig.view->topMargin(), tribes->geometry().bottom() + 1 - rig.view->geometry().top());
    QTextCursor start(rig.view->document());
    const QRect line = rig.view->cursorRect(start);
    const QPoint lineTop = rig.view->viewport()->mapTo(rig.view->parentWidget(), line.topLeft());
    QVERIFY2(lineTop.y() > tribes->geometry().bottom(),
             qPrintable(QStringLiteral("line at %1, panel to %2").arg(lineTop.y()).arg(tribes->geometry().bottom())));

    tribes->hide();
    QTRY_COMPARE(rig.view->topMargin(), hut->geometry().bottom() + 1 - rig.view->geometry().top());
}

// A tab change makes one placement pass, however many pop-up panels show on
// the tab that comes up; a resize makes one, whatever the chat log's scroll
// bar does.
void tst_LobbyWindowLayout::onePassPerTabChangeAndResize()
{
    Rig rig;
    rig.state.own()->State = "HOST";
    auto *hut = new HutArea;
    auto *tribes = new TribeArea;
    rig.form.place(LobbyForm::Place::GamePanel, hut);
    rig.form.place(LobbyForm::Place::TribePanel, tribes);
    rig.show(QSize(14235 / 15, 11040 / 15));
    hut->show();
    tribes->show();
    QTRY_VERIFY(hut->isVisible() && tribes->isVisible());
    auto *strip = rig.form.findChild<TabStrip *>();
    QVERIFY(strip);
    for (int tab : {2, 0, 3, 0, 1, 0}) {
        QCoreApplication::processEvents();
        const int before = rig.form.layoutPasses();
        clickAtCentre(strip->TabText(tab));
        QCOMPARE(rig.form.currentTab(), tab);
        QCOMPARE(rig.form.layoutPasses() - before, 1);
    }
    QVERIFY(hut->isVisible() && tribes->isVisible());
    for (QSize size : {QSize(1400, 1000), QSize(640, 480)}) {
        QCoreApplication::processEvents();
        const int before = rig.form.layoutPasses();
        rig.form.resize(size);
        QTRY_COMPARE(rig.form.size(), size);
        QCoreApplication::processEvents();
        QCOMPARE(rig.form.layoutPasses() - before, 1);
    }
}

// The tabs in the order Lobby, Maps, Lobby, Maps, Mods, Maps, each with the
// catalogue of its tab closed and then opened by a click on its opener, at the
// design size, 1400 x 1000, 640 x 480 and the design size again. The rows run
// in order on one logged-in client.
void tst_LobbyWindowLayout::everyControlOnEveryTab_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("pass");   // 0: first design size, 1: other sizes, 2: design size again
    const QSize design(14235 / 15, 11040 / 15);
    const struct { QSize size; int pass; const char *name; } sizes[] = {
        {design, 0, "design"}, {QSize(1400, 1000), 1, "1400x1000"}, {QSize(640, 480), 1, "640x480"},
        {design, 2, "design again"}};
    const int tabs[] = {0, 2, 0, 2, 3, 2};
    for (const auto &size : sizes) {
        for (int i = 0; i < 6; ++i) {
            for (bool open : {false, true}) {
                QTest::addRow("%s, step %d (tab %d), catalogue %s", size.name, i, tabs[i], open ? "open" : "closed")
                    << size.size << tabs[i] << open << size.pass;
            }
        }
    }
}

void tst_LobbyWindowLayout::everyControlOnEveryTab()
{
    QFETCH(QSize, size);
    QFETCH(int, tab);
    QFETCH(bool, open);
    QFETCH(int, pass);
    QVERIFY(client());
    LobbyForm &form = m_client->app->lobbyForm();
    WebHost &web = m_client->web;
    const LobbyFormLayout &layout = form.layout();
    if (form.size() != size) {
        form.resize(size);
        QTRY_COMPARE(form.size(), size);
    }
    if (form.currentTab() != tab) {
        auto *strip = form.findChild<TabStrip *>();
        QVERIFY(strip);
        clickAtCentre(strip->TabText(tab));
        QTRY_COMPARE(form.currentTab(), tab);
    }

    // The catalogue of this tab: opened by its opener, closed by its close button.
    const QByteArray panelRow = tab == 2 ? "picDLMapsMenu" : tab == 3 ? "framoddownload" : "";
    if (!panelRow.isEmpty()) {
        QWidget *panel = layout.widget(panelRow);
        QVERIFY(panel);
        if (open && panel->isHidden()) {
            QWidget *opener = layout.widget(tab == 2 ? "cmdDownloadQX" : "cmdmodsDownload");
            QVERIFY(opener && opener->isVisible());
            const QByteArray page = tab == 2 ? "/qx_mappacks.php" : "/qx_modpacks.php";
            const int before = web.requestCount(page);
            clickAtCentre(opener);
            QTRY_VERIFY(panel->isVisible());
            QTRY_COMPARE(web.requestCount(page), before + 1);
            auto *list = panel->findChild<QListWidget *>();
            QVERIFY(list);
            QTRY_VERIFY(list->count() > 0);
        } else if (!open && !panel->isHidden()) {
            auto *close = panel->findChild<QPushButton *>(tab == 2 ? QStringLiteral("cmdDoneMaps")
                                                                   : QStringLiteral("ModDownloadClose"));
            QVERIFY(close && close->isVisible());
            clickAtCentre(close);
            QTRY_VERIFY(panel->isHidden());
        }
    }
    QWidget *openPanel = panelRow.isEmpty() ? nullptr : layout.widget(panelRow);
    if (openPanel && openPanel->isHidden())
        openPanel = nullptr;

    const QByteArray tabName = tab == 0 ? "FrameMain" : tab == 2 ? "FrameMaps" : "FrameMods";
    int checked = 0;
    for (const QByteArray &row : layout.model().names()) {
        if (tabOf(row) != tabName)
            continue;
        QWidget *w = layout.widget(row);
        QVERIFY2(w, row.constData());
        if (!w->isVisible())
            continue;
        ++checked;
        const QByteArray what = row + " at " + QByteArray::number(size.width()) + "x"
            + QByteArray::number(size.height());
        QWidget *container = layout.widget(LobbyLayout::containerOf(row));
        QVERIFY2(container, what.constData());
        QVERIFY2(w->parentWidget() == container,
                 qPrintable(QString::fromLatin1(what) + QStringLiteral(" in ") + w->parentWidget()->objectName()));
        // The rules alone place it: no Qt layout of its container manages it.
        QVERIFY2(!container->layout() || container->layout()->indexOf(w) < 0, what.constData());
        const QRect r = w->geometry();
        QVERIFY2(!r.isEmpty(), what.constData());
        QVERIFY2(container->rect().contains(r),
                 qPrintable(QStringLiteral("%1: %2,%3 %4x%5 outside %6x%7").arg(QString::fromLatin1(what))
                                .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                                .arg(container->width()).arg(container->height())));
        QCOMPARE(r, layout.placedRect(row, container).value_or(QRect()));
        // Nothing lies over its centre, but what the design lays over it: the
        // room close button over its frame piece, an open catalogue over the
        // controls of its tab beneath it.
        QWidget *hit = nullptr;
        const QObjectList &siblings = container->children();
        for (auto it = siblings.crbegin(); it != siblings.crend() && !hit; ++it) {
            auto *sibling = qobject_cast<QWidget *>(*it);
            if (sibling && !sibling->isWindow() && !sibling->isHidden() && sibling->geometry().contains(r.center()))
                hit = sibling;
        }
        const bool own = hit == w;
        const bool underCatalogue = openPanel && hit && (hit == openPanel || openPanel->isAncestorOf(hit))
            && w != openPanel && !openPanel->isAncestorOf(w);
        const bool designed = row == "Trim(10)" && hit == layout.widget("cmdRoomClose");
        QVERIFY2(own || underCatalogue || designed,
                 qPrintable(QString::fromLatin1(what) + QStringLiteral(" covered by ")
                            + (hit ? hit->objectName() + QLatin1Char(' ') + QString::fromLatin1(hit->metaObject()->className())
                                   : QStringLiteral("nothing"))));
        // The same size shows the same layout, whatever came before.
        const QByteArray key = QByteArray::number(tab) + (open ? "+" : "-") + row;
        if (pass == 0)
            m_designGeometry.insert(key, r);
        else if (pass == 2 && m_designGeometry.contains(key))
            QCOMPARE(r, m_designGeometry.value(key));
    }
    QVERIFY(checked > (tab == 0 ? 30 : tab == 2 ? 8 : 5));
}

Client *tst_LobbyWindowLayout::client()
{
    if (!m_client) {
        QStandardPaths::setTestModeEnabled(true);
        UrlDownload::setDefaultTimeout(3000);
        m_client = std::make_unique<Client>();
        if (!m_client->start()) {
            m_client.reset();
            return nullptr;
        }
        // Every row of the rules names a real widget of the window.
        const LobbyFormLayout &layout = m_client->app->lobbyForm().layout();
        for (const QByteArray &row : layout.model().names()) {
            if (!layout.widget(row)) {
                qWarning("no widget for %s", row.constData());
                m_client.reset();
                return nullptr;
            }
        }
    }
    return m_client.get();
}

// A host with its game menu and the tribe colours open; then a joiner of a
// hut whose map pack and mod pack are both missing here, with the tribe
// colours open: at the design size, 800 x 600 and 640 x 480 every panel that
// shows lies inside the chat area, clear of the chat input and of the others,
// and each of its buttons shows whole and takes a real press.
void tst_LobbyWindowLayout::popUpPanelsKeepToTheChatArea_data()
{
    QTest::addColumn<bool>("joined");
    QTest::addColumn<QSize>("size");
    for (bool joined : {false, true}) {
        for (QSize size : {QSize(14235 / 15, 11040 / 15), QSize(800, 600), QSize(640, 480)}) {
            QTest::addRow("%s, %dx%d", joined ? "joined, packs missing" : "hosting, game menu", size.width(),
                          size.height()) << joined << size;
        }
    }
}

void tst_LobbyWindowLayout::popUpPanelsKeepToTheChatArea()
{
    QFETCH(bool, joined);
    QFETCH(QSize, size);
    Client *c = client();
    QVERIFY(c);
    LobbyForm &form = c->app->lobbyForm();
    const LobbyFormLayout &layout = form.layout();
    if (form.currentTab() != 0) {
        clickAtCentre(form.findChild<TabStrip *>()->TabText(0));
        QTRY_COMPARE(form.currentTab(), 0);
    }
    form.resize(size);
    QTRY_COMPARE(form.size(), size);
    QWidget *game = layout.widget("frmGame");
    QWidget *tribes = layout.widget("FraTribePal");
    QWidget *mapArea = layout.widget("PBMapDL");
    QWidget *modArea = layout.widget("PBModDL");
    QVERIFY(game && tribes && mapArea && modArea);
    auto *menu = game->findChild<QWidget *>(QStringLiteral("fraGameMenu"));
    auto *tribeTab = game->findChild<QAbstractButton *>(QStringLiteral("lbltribepal"));
    QVERIFY(menu && tribeTab);

    const QByteArray scene = joined ? "joined" : "hosting";
    if (c->lobby.property("scene").toByteArray() != scene) {
        c->lobby.setProperty("scene", scene);
        c->tell({"USERSTATE 1 IDLE"});
        QTRY_VERIFY(game->isHidden());
        if (joined) {
            c->tell({"USERSTATE 1 CLIENT 102 1", "USECUSTOMPALS 102 TRUE", "MAPPACK 102 " + c->missingMappack,
                     "MODPACK 102 " + c->missingModpack});
            QTRY_VERIFY(mapArea->isVisible() && modArea->isVisible());
        } else {
            c->tell({"USERSTATE 1 HOST 4 NONE"});
            QTRY_VERIFY(game->isVisible());
            auto *opener = game->findChild<QAbstractButton *>(QStringLiteral("GameMenu"));
            QVERIFY(opener);
            QTRY_VERIFY(opener->isEnabled());
            clickOnScreen(opener);
            QTRY_VERIFY(menu->isVisible());
            auto *colours = menu->findChild<QAbstractButton *>();
            for (QAbstractButton *b : menu->findChildren<QAbstractButton *>()) {
                if (b->text() == QStringLiteral("Custom tribe colours"))
                    colours = b;
            }
            clickOnScreen(colours);
        }
        QTRY_VERIFY(tribeTab->isVisible());
        clickOnScreen(tribeTab);
        QTRY_VERIFY(tribes->isVisible());
        QTRY_VERIFY(menu->isVisible() != joined);
    }
    QTRY_VERIFY(game->isVisible() && tribes->isVisible());
    QCOMPARE(mapArea->isVisible(), joined);
    QCOMPARE(modArea->isVisible(), joined);

    QWidget *chat = layout.widget("ChatFrame");
    QWidget *input = layout.widget("txtInput");
    QVERIFY(chat && input);
    QList<QWidget *> shown;
    for (QWidget *panel : {game, tribes, mapArea, modArea}) {
        if (!panel->isVisible())
            continue;
        const QString what = panel->objectName();
        QCOMPARE(panel->parentWidget(), chat);
        QVERIFY2(chat->rect().contains(panel->geometry()), qPrintable(what));
        QVERIFY2(!panel->geometry().intersects(input->geometry()), qPrintable(what));
        for (QWidget *other : shown)
            QVERIFY2(!panel->geometry().intersects(other->geometry()),
                     qPrintable(what + QStringLiteral(" over ") + other->objectName()));
        shown.append(panel);
    }
    QString why;
    QVERIFY2(wholeOnScreen(input, &why), qPrintable(why));
    for (QWidget *panel : shown) {
        for (QAbstractButton *b : panel->findChildren<QAbstractButton *>()) {
            if (!b->isVisible())
                continue;
            QVERIFY2(wholeOnScreen(b, &why), qPrintable(panel->objectName() + QLatin1String(": ") + why));
            if (b->isEnabled())
                QVERIFY2(takesPress(b), qPrintable(panel->objectName() + QLatin1String(": ") + b->objectName()));
        }
    }
    // The hut table's headers read whole.
    for (QLabel *header : game->findChildren<QLabel *>()) {
        if (header->text() != QStringLiteral("Mappack") && header->text() != QStringLiteral("Modpack"))
            continue;
        QVERIFY2(header->width() >= header->sizeHint().width(), qPrintable(header->text()));
        QVERIFY2(wholeOnScreen(header, &why), qPrintable(why));
    }
}

// The options tab in the smallest window: every caption shows whole, scrolled
// to where the tab does not hold it.
void tst_LobbyWindowLayout::optionsReadableInTheSmallestWindow()
{
    Client *c = client();
    QVERIFY(c);
    LobbyForm &form = c->app->lobbyForm();
    form.resize(640, 480);
    QTRY_COMPARE(form.size(), QSize(640, 480));
    clickAtCentre(form.findChild<TabStrip *>()->TabText(1));
    QTRY_COMPARE(form.currentTab(), 1);
    int checked = 0;
    QString why;
    for (QWidget *w : form.FrameSettings()->findChildren<QWidget *>()) {
        if (!w->isVisible())
            continue;
        auto *button = qobject_cast<QAbstractButton *>(w);
        auto *label = qobject_cast<QLabel *>(w);
        auto *box = qobject_cast<QComboBox *>(w);
        if (!(button && !button->text().isEmpty()) && !(label && !label->text().isEmpty() && !label->wordWrap()) && !box)
            continue;
        ++checked;
        QVERIFY2(w->width() >= w->sizeHint().width(),
                 qPrintable(QStringLiteral("%1: %2 of %3").arg(w->objectName()).arg(w->width()).arg(w->sizeHint().width())));
        QVERIFY2(wholeOnScreen(w, &why), qPrintable(why));
    }
    QVERIFY(checked > 20);
    clickAtCentre(form.findChild<TabStrip *>()->TabText(0));
    QTRY_COMPARE(form.currentTab(), 0);
}

// The own state as the server sends it, row after row on one client: the hut
// area shows exactly while the own user is in a hut, on screen where the
// rules put it; a host's game menu goes when the user stops hosting.
void tst_LobbyWindowLayout::hutAreaFollowsOwnState_data()
{
    QTest::addColumn<QByteArrayList>("messages");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("inHut");
    const QSize design(14235 / 15, 11040 / 15);
    QTest::newRow("client") << QByteArrayList{"USERSTATE 1 IDLE", "USERSTATE 1 CLIENT 102 1"} << design << true;
    QTest::newRow("idle") << QByteArrayList{"USERSTATE 1 IDLE"} << design << false;
    QTest::newRow("host, game menu open") << QByteArrayList{"USERSTATE 1 HOST 4 NONE"} << design << true;
    QTest::newRow("client of another hut") << QByteArrayList{"USERSTATE 1 CLIENT 102 1"} << design << true;
    QTest::newRow("idle, resized") << QByteArrayList{"USERSTATE 1 IDLE"} << QSize(800, 600) << false;
    QTest::newRow("client, resized") << QByteArrayList{"USERSTATE 1 CLIENT 102 2"} << QSize(640, 480) << true;
    QTest::newRow("gaming") << QByteArrayList{"USERSTATE 1 GAMING"} << QSize(640, 480) << false;
    QTest::newRow("host after the game") << QByteArrayList{"USERSTATE 1 HOST 4 NONE"} << design << true;
    QTest::newRow("lost connection") << QByteArrayList{"(drop)"} << design << false;
    QTest::newRow("new login, no hut") << QByteArrayList{"(login)"} << design << false;
}

void tst_LobbyWindowLayout::hutAreaFollowsOwnState()
{
    QFETCH(QByteArrayList, messages);
    QFETCH(QSize, size);
    QFETCH(bool, inHut);
    Client *c = client();
    QVERIFY(c);
    LobbyForm &form = c->app->lobbyForm();
    const LobbyFormLayout &layout = form.layout();
    QWidget *game = layout.widget("frmGame");
    QVERIFY(game);
    auto *menu = game->findChild<QWidget *>(QStringLiteral("fraGameMenu"));
    QVERIFY(menu);
    const bool menuWasOpen = menu->isVisible();
    for (const QByteArray &m : messages) {
        if (m == "(drop)") {
            c->lobby.disconnectClient(0);
            QTRY_VERIFY(!form.isVisible());
        } else if (m == "(login)") {
            QVERIFY(c->login());
        } else {
            c->tell({m});
        }
    }
    form.resize(size);
    QTRY_COMPARE(form.size(), size);
    if (!inHut) {
        QTRY_VERIFY(game->isHidden());
        QCoreApplication::processEvents();
        QVERIFY(!game->isVisible());
        QVERIFY(!menu->isVisible());
        return;
    }
    QTRY_VERIFY(game->isVisible());
    // At the top left of the first chat log, inside the chat area, showing.
    QWidget *log = layout.widget("txtOut(0)");
    QVERIFY(log);
    QCOMPARE(game->parentWidget(), log->parentWidget());
    QCOMPARE(game->pos(), log->pos());
    QVERIFY(game->parentWidget()->rect().contains(game->geometry()));
    QWidget *hit = form.childAt(game->mapTo(&form, QPoint(game->width() / 2, 4)));
    QVERIFY(hit == game || game->isAncestorOf(hit));
    if (QTest::currentDataTag() == QByteArray("host, game menu open")) {
        auto *opener = game->findChild<QAbstractButton *>(QStringLiteral("GameMenu"));
        QVERIFY(opener);
        QTRY_VERIFY(opener->isEnabled());
        if (!menu->isVisible())
            clickOnScreen(opener);
        QTRY_VERIFY(menu->isVisible());
    } else if (menuWasOpen) {
        // No longer the host: the host's menu is gone.
        QTRY_VERIFY(!menu->isVisible());
    }
}

void tst_LobbyWindowLayout::cleanupTestCase()
{
    m_client.reset();
    qunsetenv("ZORBEL_HOME");
}

QTEST_MAIN(tst_LobbyWindowLayout)
#include "tst_lobbywindowlayout.moc"
