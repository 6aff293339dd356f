// The lobby window shell: load, ShowLobby, tabs, close request, the user
// list's double-click and menu, the details window and the places.
#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "lobby/BlockList.h"
#include "lobby/HutDetailsModel.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/UserListModel.h"
#include "lobby/ui/FlatPanel.h"
#include "lobby/ui/HutDetailsView.h"
#include "lobby/ui/HutsTreeView.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/UserListView.h"
#include "lobby/ui/frmDetailed.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QKeySequence>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

class tst_LobbyForm : public QObject
{
    Q_OBJECT

    struct Rig
    {
        ClientState state;
        LobbyEvents events;
        RecordingCommandSink commands;
        LobbyForm form{state, events, commands};
        QStringList calls;
        bool allowExit = true;

        Rig()
        {
            LobbyForm::Hooks hooks;
            hooks.OptionsFormData = [this] { calls << "options"; };
            hooks.LoadBadWordList = [this] { calls << "badwords"; };
            hooks.ExitClient = [this] { calls << "exit"; return allowExit; };
            hooks.ResetRoomList = [this] { calls << "rooms " + QString::number(commands.commands.size()); };
            hooks.FillMapPackList = [this] { calls << "maps"; };
            hooks.GetRanks = [this] { calls << "ranks"; };
            form.setHooks(hooks);
        }

        void addUser(qint32 slot, const QByteArray &name, const QByteArray &rank, const QByteArray &id)
        {
            UserRecord *u = state.Users.growTo(slot);
            state.Users.setName(slot, name);
            u->Rank = rank;
            u->UserId = id;
            u->ExternalIP = "1.2.3." + QByteArray::number(slot);
            u->MAC = "AA-BB-" + QByteArray::number(slot);
            Q_EMIT events.userChanged(slot);
        }
    };

private Q_SLOTS:
    void formLoad();
    void showLobby();
    void tabs_data();
    void tabs();
    void closeRequest();
    void privateMessageDoubleClick();
    void userMenuActsOnCapturedUser();
    void detailsWindow();
    void places();
    void hutsDoubleClickReportsNode();
    void userListTakesBurstsInOneLayout();
};

void tst_LobbyForm::formLoad()
{
    Rig rig;
    rig.form.Form_Load();
    rig.form.Form_Load();
    QCOMPARE(rig.calls, (QStringList{"options", "badwords"}));
    QCOMPARE(rig.form.currentTab(), 0);
    QTreeWidget *ranks = rig.form.lstRanks();
    QCOMPARE(ranks->columnCount(), 7);
    const QStringList headers = {"", "#", "Name", "Lost", "Won", "Played", "Rating"};
    const int widths[7] = {280, 510, 2009, 629, 615, 884, 810};
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(ranks->headerItem()->text(i), headers[i]);
        QCOMPARE(ranks->columnWidth(i), widths[i] / 15);
    }
    QCOMPARE(rig.form.optionsPanel(LobbyForm::OptionsPanel::GeneralOptions)->Tag(),
             QByteArray("General Options  "));
    QCOMPARE(rig.form.optionsPanel(LobbyForm::OptionsPanel::GraphicMode)->Tag(), QByteArray("Graphic Mode "));
    QCOMPARE(rig.form.optionsPanel(LobbyForm::OptionsPanel::Skins)->objectName(), QStringLiteral("frmskins"));
}

void tst_LobbyForm::showLobby()
{
    Rig rig;
    rig.form.Form_Load();
    rig.form.TabText_Click(3);
    rig.calls.clear();
    QSignalSpy shown(&rig.events, &LobbyEvents::lobbyShown);
    rig.form.ShowLobby();
    QCOMPARE(rig.commands.commands, (QList<QByteArray>{"GETROOMLIST", "GETROOMS"}));
    // The room list is reset before the room requests go out, the map packs after.
    QCOMPARE(rig.calls, (QStringList{"rooms 0", "maps"}));
    QCOMPARE(rig.form.currentTab(), 0);
    QCOMPARE(shown.count(), 1);
    // A second login asks again.
    rig.form.ShowLobby();
    QCOMPARE(rig.commands.commands.size(), 4);
}

void tst_LobbyForm::tabs_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("lobby") << 0 << 0 << QStringList{};
    QTest::newRow("options") << 1 << 1 << QStringList{};
    QTest::newRow("maps") << 2 << 2 << QStringList{"maps"};
    QTest::newRow("mods") << 3 << 3 << QStringList{};
    QTest::newRow("rankings") << 4 << 4 << QStringList{"ranks"};
    QTest::newRow("out of range") << 5 << 1 << QStringList{};
    QTest::newRow("negative") << -1 << 1 << QStringList{};
}

void tst_LobbyForm::tabs()
{
    QFETCH(int, index);
    QFETCH(int, tab);
    QFETCH(QStringList, calls);
    Rig rig;
    rig.form.Form_Load();
    rig.form.TabText_Click(1);
    rig.calls.clear();
    rig.form.TabText_Click(index);
    QCOMPARE(rig.form.currentTab(), tab);
    QCOMPARE(rig.calls, calls);
    // Choosing the tab again repeats its work.
    rig.form.TabText_Click(index);
    QCOMPARE(rig.calls, calls + calls);
}

void tst_LobbyForm::closeRequest()
{
    Rig rig;
    rig.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
    rig.allowExit = false;
    QVERIFY(!rig.form.close());
    QVERIFY(rig.form.isVisible());
    QCOMPARE(rig.calls, QStringList{"exit"});
    rig.allowExit = true;
    QVERIFY(rig.form.close());
    QVERIFY(!rig.form.isVisible());
}

void tst_LobbyForm::privateMessageDoubleClick()
{
    Rig rig;
    rig.addUser(3, "two_words", "user", "30");
    QSignalSpy pvt(&rig.form, &LobbyForm::privateMessageRequested);
    UserListView *view = rig.form.lstUsers();
    // A group node, even an empty one, does nothing.
    view->lstUsers_DblClick(rig.form.userList().groupIndex(UserListModel::Playing));
    view->lstUsers_DblClick(rig.form.userList().groupIndex(UserListModel::Waiting));
    QCOMPARE(pvt.count(), 0);
    view->lstUsers_DblClick(rig.form.userList().indexOfSlot(3));
    QCOMPARE(pvt.count(), 1);
    QCOMPARE(pvt.at(0).at(0).toInt(), 3);
    QCOMPARE(pvt.at(0).at(1).toByteArray(), QByteArray("two_words"));
    QCOMPARE(rig.form.PvtUserSlot(), 3);
}

void tst_LobbyForm::userMenuActsOnCapturedUser()
{
    QTemporaryDir dir;
    Rig rig;
    rig.state.Setup.ProgramFolder = dir.path();
    rig.state.CurrentUser.OwnSlot = 1;
    rig.addUser(1, "me", "mod", "10");
    rig.addUser(2, "target", "user", "20");
    UserListView *view = rig.form.lstUsers();
    QVERIFY(!view->showUserMenu(0, QPoint()));
    QVERIFY(view->showUserMenu(2, QPoint(10, 10)));
    QVERIFY(view->mnuBlock->isVisible());
    QVERIFY(!view->mnuUnBlock->isVisible());
    QVERIFY(view->mnuDetailed->isVisible());
    QVERIFY(view->mnuKick->isVisible());
    QCOMPARE(view->mnuClNr->text(), QStringLiteral("2"));
    QCOMPARE(view->mnuUserName->text(), QStringLiteral("target"));
    view->mnuUser()->hide();
    // A name from the network is shown as it is: no "&" becomes a mnemonic.
    rig.addUser(3, "Cleo_x&amp;", "user", "30");
    QVERIFY(view->showUserMenu(3, QPoint(10, 10)));
    QCOMPARE(view->mnuUserName->text(), QStringLiteral("Cleo_x&&amp;"));
    QVERIFY(QKeySequence::mnemonic(view->mnuUserName->text()).isEmpty());
    view->mnuUser()->hide();
    QVERIFY(view->showUserMenu(2, QPoint(10, 10)));
    view->mnuUser()->hide();
    // The slot is taken over by someone else before the click: the menu
    // still blocks the user it was opened for.
    rig.addUser(2, "newcomer", "user", "99");
    view->mnuBlock->trigger();
    QCOMPARE(rig.state.BlockList, QList<QByteArray>{"20"});
    QCOMPARE(rig.form.userList().imageKeyOf(2), QByteArray("unknown"));
    rig.addUser(2, "target", "user", "20");
    QCOMPARE(rig.form.userList().imageKeyOf(2), QByteArray("blocked"));
    QVERIFY(view->showUserMenu(2, QPoint(10, 10)));
    QVERIFY(view->mnuUnBlock->isVisible());
    view->mnuUser()->hide();
    view->mnuUnBlock->trigger();
    QVERIFY(rig.state.BlockList.isEmpty());
    QCOMPARE(rig.form.userList().imageKeyOf(2), QByteArray("unknown"));
    // The own line: no block items.
    QVERIFY(view->showUserMenu(1, QPoint(10, 10)));
    QVERIFY(!view->mnuBlock->isVisible() && !view->mnuUnBlock->isVisible());
    QVERIFY(view->mnuSetStatus->isVisible() && !view->mnuSendFile->isVisible());
    view->mnuUser()->hide();
}

void tst_LobbyForm::detailsWindow()
{
    Rig rig;
    rig.state.CurrentUser.OwnSlot = 1;
    rig.addUser(1, "me", "admin", "10");
    rig.addUser(2, "first_one", "user", "20");
    rig.addUser(3, "<b>second</b>&", "user", "30");
    UserListView *view = rig.form.lstUsers();
    QVERIFY(view->showUserMenu(2, QPoint()));
    view->mnuUser()->hide();
    view->mnuDetailed->trigger();
    frmDetailed *w = rig.form.findChild<frmDetailed *>();
    QVERIFY(w);
    QVERIFY(!w->isModal());
    QCOMPARE(w->windowTitle(), QStringLiteral("first_one - Detailed Info"));
    QCOMPARE(w->fraDetails->title(), QStringLiteral("first_one"));
    QCOMPARE(w->lblIP->text(), QStringLiteral("1.2.3.2"));
    QCOMPARE(w->lblMAC->text(), QStringLiteral("AA-BB-2"));
    QCOMPARE(w->lblIP->textFormat(), Qt::PlainText);
    // Another user while it is open: the same window shows that user.
    QVERIFY(view->showUserMenu(3, QPoint()));
    view->mnuUser()->hide();
    view->mnuDetailed->trigger();
    QCOMPARE(rig.form.findChildren<frmDetailed *>().size(), 1);
    QCOMPARE(w->windowTitle(), QStringLiteral("<b>second</b>& - Detailed Info"));
    QCOMPARE(w->fraDetails->title(), QStringLiteral("<b>second</b>&&"));
    QCOMPARE(w->lblIP->text(), QStringLiteral("1.2.3.3"));
    QPointer<frmDetailed> guard(w);
    w->Command1->click();
    QTRY_VERIFY(!guard);
}

void tst_LobbyForm::places()
{
    Rig rig;
    rig.form.resize(900, 700);
    rig.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
    auto *chat = new QLabel(QStringLiteral("chat"));
    rig.form.place(LobbyForm::Place::ChatView, chat);
    auto *game = new QWidget;
    game->setObjectName(QStringLiteral("frmGame"));
    game->hide();
    rig.form.place(LobbyForm::Place::GamePanel, game);
    QCOMPARE(rig.form.placed(LobbyForm::Place::GamePanel), game);
    QVERIFY(rig.form.isAncestorOf(game));
    QVERIFY(!game->isVisible()); // visibility stays with the panel's owner
    game->show();
    QTRY_VERIFY(game->width() > 0);
    // Over the top left corner of the chat log.
    QCOMPARE(game->parentWidget(), chat->parentWidget());
    QCOMPARE(game->pos(), chat->pos());
    QVERIFY(chat->isVisible());
    // The details go into the game panel; replacing the panel keeps them.
    rig.form.hutDetails()->setParent(game);
    QTRY_VERIFY(!rig.form.hutDetails()->isHidden());
    QPointer<QWidget> oldGame(game);
    rig.form.place(LobbyForm::Place::GamePanel, new QWidget);
    QVERIFY(!oldGame);
    QVERIFY(rig.form.hutDetails());
    QCOMPARE(rig.form.hutDetails()->parentWidget(), &rig.form);
    QTRY_VERIFY(rig.form.hutDetails()->isHidden());
}

void tst_LobbyForm::hutsDoubleClickReportsNode()
{
    Rig rig;
    UserRecord *h = rig.state.Users.growTo(4);
    h->Name = "host";
    h->State = "HOST";
    h->HutSize = 3;
    h->HutPassword = "NONE";
    Q_EMIT rig.events.userChanged(4);
    QCOMPARE(rig.form.huts().hutCount(), 1);
    QSignalSpy spy(&rig.form, &LobbyForm::hutNodeDoubleClicked);
    const QModelIndex hut = rig.form.huts().index(0, 0);
    rig.form.lstHuts()->reportDoubleClick(rig.form.huts().index(1, 0, hut));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(spy.at(0).at(1).toBool(), false);
    QCOMPARE(spy.at(0).at(2).toByteArray(), QByteArray("empty4-2"));
    QCOMPARE(spy.at(0).at(3).toByteArray(), QByteArray("h4"));
    QCOMPARE(spy.at(0).at(4).toByteArray(), QByteArray("2"));
    rig.form.lstHuts()->reportDoubleClick(hut);
    QCOMPARE(spy.at(1).at(1).toBool(), true);
}

void tst_LobbyForm::userListTakesBurstsInOneLayout()
{
    Rig rig;
    rig.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
    UserListView *view = rig.form.lstUsers();
    rig.addUser(1, "first", "user", "1");
    QVERIFY(!view->isDeferred());
    // A login's worth of users within one event-loop turn.
    for (int s = 2; s <= 600; ++s)
        rig.addUser(s, "u" + QByteArray::number(s), "user", QByteArray::number(s));
    QVERIFY(view->isDeferred());
    QTRY_VERIFY(!view->isDeferred());
    QCOMPARE(view->model(), static_cast<QAbstractItemModel *>(&rig.form.userList()));
    const QModelIndex waiting = rig.form.userList().groupIndex(UserListModel::Waiting);
    QVERIFY(view->isExpanded(waiting));
    QCOMPARE(view->model()->rowCount(waiting), 600);
    // Single changes afterwards go straight to the view.
    rig.addUser(700, "late", "user", "700");
    QVERIFY(!view->isDeferred());
    QCOMPARE(view->model()->rowCount(waiting), 601);
}

QTEST_MAIN(tst_LobbyForm)
#include "tst_lobbyform.moc"
