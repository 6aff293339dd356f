// The layout rules on the real lobby window: widgets found by name take the
// rules' geometry, panels built later are placed as soon as they exist, and
// the hut area never hides the newest chat line.
#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "lobby/BadWordList.h"
#include "lobby/ChatLogs.h"
#include "lobby/ui/ChatView.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/LobbyFormLayout.h"
#include "lobby/ui/TrimStrip.h"
#include "lobby/ui/UserListView.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QRect pixels(const LobbyLayout::Twips &t)
{
    return QRect(qRound(t.Left / 15), qRound(t.Top / 15), qRound(t.Width / 15), qRound(t.Height / 15));
}

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

} // namespace

class tst_LobbyWindowLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void widgetsTakeTheRules_data();
    void widgetsTakeTheRules();
    void panelsBuiltLaterArePlaced();
    void chatLineVisibleInHut();
    void hutAreaHiddenOutsideAHut();
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
    // Every strip exists, in its container, at the rules' place.
    for (int i : TrimStrip::indexes()) {
        const QByteArray row = "Trim(" + QByteArray::number(i) + ')';
        const QWidget *strip = rig.form.findChild<QWidget *>(QStringLiteral("Trim%1").arg(i));
        QVERIFY2(strip, row.constData());
        QCOMPARE(strip->parentWidget()->objectName().toLatin1(), LobbyLayout::containerOf(row));
        QCOMPARE(strip->geometry(), pixels(m.get(row)));
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

void tst_LobbyWindowLayout::hutAreaHiddenOutsideAHut()
{
    Rig rig;
    rig.state.own()->State = "GAMING";
    auto *hut = new HutArea;
    rig.form.place(LobbyForm::Place::GamePanel, hut);
    hut->show();
    rig.show(QSize(1000, 800));
    QTRY_VERIFY(hut->isHidden());
    QCOMPARE(rig.view->topMargin(), 0);
}

QTEST_MAIN(tst_LobbyWindowLayout)
#include "tst_lobbywindowlayout.moc"
