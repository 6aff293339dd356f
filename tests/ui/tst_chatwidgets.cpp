#include "tests/lobby/ChatRig.h"

#include "core/util/Text.h"
#include "lobby/ChatLog.h"
#include "lobby/ui/ChatButtons.h"
#include "lobby/ui/ChatInputLine.h"
#include "lobby/ui/ChatTabs.h"
#include "lobby/ui/ChatView.h"
#include "lobby/ui/ChatWidgets.h"
#include "lobby/ui/CreateRoomPanel.h"
#include "lobby/ui/FrmLanguageList.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/RoomListView.h"
#include "lobby/ui/frmSmileys.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

struct Window : ChatRig
{
    LobbyForm form{state, events, commands};
    ChatWidgets widgets{chat, state};

    Window()
    {
        state.Options.TimeStamps = false;
        addUser(1, "me", "user");
        addUser(2, "big_bob");
        state.CurrentUser.OwnSlot = 1;
        widgets.placeInto(form);
        form.resize(950, 740);
        form.show();
    }

    void announce(qint16 n, const QByteArray &name)
    {
        RoomRecord *r = state.Rooms.entry(n);
        r->Name = name;
        r->Creator = "me";
        r->Password = "NONE";
        Q_EMIT events.roomAnnounced(n);
    }
};

} // namespace

class tst_ChatWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widgetsSitInTheirPlaces()
    {
        Window w;
        QCOMPARE(w.form.placed(LobbyForm::Place::ChatView), static_cast<QWidget *>(w.widgets.view()));
        QCOMPARE(w.form.placed(LobbyForm::Place::ChatInput), static_cast<QWidget *>(w.widgets.inputLine()));
        QCOMPARE(w.form.placed(LobbyForm::Place::RoomList), static_cast<QWidget *>(w.widgets.roomList()));
        QVERIFY(w.widgets.view()->isVisible());
        QCOMPARE(w.widgets.view()->document(), w.chat.logs().log(0)->document());
        QCOMPARE(w.widgets.tabs()->lblmain->text(), QStringLiteral("Main"));
    }

    void typingAndEnterSends()
    {
        Window w;
        ChatInputLine *line = w.widgets.inputLine();
        QTest::keyClicks(line, QStringLiteral("hi :)"));
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(w.commands.commands, QList<QByteArray>{"SENDMSG " + Text::EncodeText("hi :)") + " 0"});
        QCOMPARE(line->text(), QString());
    }

    void messagesShowAsPlainText()
    {
        Window w;
        w.dispatcher.dispatch(LobbyMessage("MSG big_bob <b>x</b>\xFF<img\xFFsrc=a>\xFF&amp;\xFF:) x 0"));
        QCOMPARE(w.widgets.view()->toPlainText(),
                 QStringLiteral("big bob | <b>x</b> <img src=a> &amp; ") + QChar(QChar::ObjectReplacementCharacter) + "\n");
    }

    // The longest line the connection lets through, all smileys, while the log is on screen.
    void longLineOfSmileysOnScreen()
    {
        Window w;
        QByteArray text;
        while (text.size() < 60000)
            text += ":)";
        w.dispatcher.dispatch(LobbyMessage("MSG big_bob " + text + " x 0"));
        QCoreApplication::processEvents();
        QCOMPARE(w.chat.logs().log(0)->pictureCount(), 30000);
    }

    void smileyPicker()
    {
        Window w;
        ChatInputLine *line = w.widgets.inputLine();
        QTest::keyClicks(line, QStringLiteral("!smileys"));
        QTest::keyClick(line, Qt::Key_Return);
        QVERIFY(w.commands.commands.isEmpty());
        frmSmileys *picker = w.widgets.smileyPicker();
        QVERIFY(picker);
        QVERIFY(picker->isVisible());
        QCOMPARE(picker->smils.size(), 49);
        QVERIFY(w.widgets.buttons()->bttnSmileys->property("pickerOpen").toBool());

        QTest::keyClicks(line, QStringLiteral("look "));
        QTest::mouseClick(picker->smils[46], Qt::LeftButton);
        QTest::mouseClick(picker->smils[5], Qt::LeftButton);
        QCOMPARE(line->text(), QStringLiteral("look :)>:("));
        QVERIFY(picker->isVisible());

        picker->close();
        QTRY_VERIFY(!w.widgets.smileyPicker());
        QVERIFY(!w.widgets.buttons()->bttnSmileys->property("pickerOpen").toBool());
        w.widgets.buttons()->bttnSmileys->click();
        QVERIFY(w.widgets.smileyPicker());
        QVERIFY(w.widgets.smileyPicker()->isVisible());
    }

    void roomsSwitchTheView()
    {
        Window w;
        w.announce(1, "one");
        RoomListView *list = w.widgets.roomList();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("one"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(w.chat.logs().RoomFocus(), qint16(1));
        QCOMPARE(w.widgets.view()->document(), w.chat.logs().log(1)->document());
        QCOMPARE(w.widgets.tabs()->Label1->text(), QStringLiteral("one"));

        w.widgets.tabs()->cmdRoomClose->click();
        QCOMPARE(w.commands.last(), QByteArray("KILLROOM 1 me user"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("<Free>"));
        QCOMPARE(w.widgets.view()->document(), w.chat.logs().log(0)->document());
        QCOMPARE(w.widgets.tabs()->lblmain->text(), QStringLiteral("Main"));
    }

    void createRoomPanel()
    {
        Window w;
        CreateRoomPanel *panel = w.widgets.createRoomPanel();
        QVERIFY(panel->isHidden());
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        QPushButton *open = w.widgets.buttons()->cmdShowRoomT;
        QTest::mouseClick(open, Qt::LeftButton, {}, open->rect().center());
        QTRY_VERIFY(panel->isVisible());
        QVERIFY(!panel->cmdCreateRoom->isEnabled());
        // Both boxes show a room name or password of some sixteen characters,
        // and the whole panel lies inside the window, standing on its button.
        const int sixteen = panel->fontMetrics().horizontalAdvance(QStringLiteral("abcdefghijklmnop"));
        QVERIFY2(panel->txtRoomName->width() >= sixteen, qPrintable(QString::number(panel->txtRoomName->width())));
        QVERIFY(panel->txtRoomPW->width() >= sixteen);
        const QRect inWindow(panel->mapTo(&w.form, QPoint()), panel->size());
        QVERIFY(w.form.rect().contains(inWindow));
        QVERIFY(qAbs(inWindow.bottom() + 1 - open->mapTo(&w.form, QPoint()).y()) <= 1);
        QTest::keyClicks(panel->txtRoomName, QStringLiteral("fun room"));
        QVERIFY(panel->cmdCreateRoom->isEnabled());
        panel->cmdCreateRoom->click();
        QCOMPARE(w.commands.last(), QByteArray("NWROOM fun_room 1 me NONE"));
        QVERIFY(panel->isHidden());
        QCOMPARE(panel->txtRoomName->text(), QString());
        QCOMPARE(panel->txtRoomPW->text(), QString());
    }

    void privateMessageFromTheUserList()
    {
        Window w;
        Q_EMIT w.form.privateMessageRequested(2, "big_bob");
        QCOMPARE(w.widgets.inputLine()->text(), QStringLiteral("/PVT big_bob: "));
        QTest::keyClicks(w.widgets.inputLine(), QStringLiteral("hello"));
        QTest::keyClick(w.widgets.inputLine(), Qt::Key_Return);
        QCOMPARE(w.widgets.inputLine()->text(), QStringLiteral("/PVT big_bob: "));
        QCOMPARE(w.widgets.view()->toPlainText(), QStringLiteral(" >> big bob | hello\n"));
    }

    void floodLockMakesTheLineReadOnly()
    {
        Window w;
        ChatInputLine *line = w.widgets.inputLine();
        for (int i = 0; i < 8; ++i) {
            QTest::keyClicks(line, QStringLiteral("x"));
            QTest::keyClick(line, Qt::Key_Return);
        }
        QVERIFY(line->isReadOnly());
        w.chat.flood().tmrMsgDisable_Timer();
        QCOMPARE(line->text(), QStringLiteral("[Send Messages Disabled: 9 ] - Don't Spam!"));
    }

    void badWordEditor()
    {
        Window w;
        w.widgets.showLanguageList();
        FrmLanguageList *editor = w.widgets.languageList();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Bad Words List.."));
        QTest::keyClicks(editor->txtWordAdd, QStringLiteral("heck"));
        editor->cmdAddWord->click();
        editor->cmdAddWord->click();   // empty: nothing added
        QCOMPARE(editor->lstDirtyWords->count(), 1);
        QCOMPARE(editor->txtWordAdd->text(), QString());
        w.dispatcher.dispatch(LobbyMessage("MSG big_bob what\xFFthe\xFFHECK x 0"));
        QCOMPARE(w.widgets.view()->toPlainText(), QStringLiteral("big bob | what the ****\n"));

        QListWidgetItem *item = editor->lstDirtyWords->item(0);
        const QRect r = editor->lstDirtyWords->visualItemRect(item);
        QTest::mouseClick(editor->lstDirtyWords->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(editor->lstDirtyWords->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(editor->lstDirtyWords->count(), 0);
        QVERIFY(w.chat.badWords().words().isEmpty());
        editor->cmdDone->click();
        QVERIFY(editor->isHidden());
    }
};

QTEST_MAIN(tst_ChatWidgets)
#include "tst_chatwidgets.moc"
