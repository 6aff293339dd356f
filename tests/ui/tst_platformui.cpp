#include "platform/ClosingDialogs.h"
#include "platform/ui/WidgetDialogs.h"
#include "platform/ui/WindowLooks.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// Acts on the next modal box once it is up; gives up after a few seconds.
void whenModal(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            timer->deleteLater();
            act(w);
        } else if (++*tries > 300) {
            timer->deleteLater();
        }
    });
    timer->start(10);
}

} // namespace

class TstPlatformUi : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void colourFromBgr();
    void windowAlpha_data();
    void windowAlpha();
    void treeBackColor();
    void messageAnswers_data();
    void messageAnswers();
    void messageTextIsPlain();
    void inputAnswers();
    void messageIcons_data();
    void messageIcons();
    void openDoesNotWait();
    void closedWhileBoxesShow_data();
    void closedWhileBoxesShow();
};

void TstPlatformUi::colourFromBgr()
{
    QCOMPARE(ColourFromBgr(0x2D2200), QColor(0, 34, 45));
    QCOMPARE(ColourFromBgr(16777215), QColor(255, 255, 255));
    QCOMPARE(ColourFromBgr(-1), QColor(255, 255, 255));
}

void TstPlatformUi::windowAlpha_data()
{
    QTest::addColumn<int>("opacity");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("expected");
    QTest::newRow("solid") << 255 << true << 1.0;
    QTest::newRow("clear") << 0 << true << 0.0;
    QTest::newRow("half") << 128 << true << 128 / 255.0;
    QTest::newRow("too high") << 256 << false << 1.0;
    QTest::newRow("negative") << -1 << false << 1.0;
}

void TstPlatformUi::windowAlpha()
{
    QFETCH(int, opacity);
    QFETCH(bool, ok);
    QFETCH(double, expected);
    QWidget w;
    QCOMPARE(SetWindowAlpha(&w, qint16(opacity)), ok);
    QVERIFY(qAbs(w.windowOpacity() - expected) < 0.01);
    QVERIFY(!SetWindowAlpha(nullptr, 10));
}

void TstPlatformUi::treeBackColor()
{
    QTreeWidget tree;
    auto *root = new QTreeWidgetItem(&tree, {QStringLiteral("hut")});
    new QTreeWidgetItem(root, {QStringLiteral("player")});
    SetTreeViewBackColor(&tree, 0x2D2200);
    QCOMPARE(tree.palette().color(QPalette::Base), QColor(0, 34, 45));
    QCOMPARE(root->child(0)->background(0).color(), QColor(0, 34, 45));
}

void TstPlatformUi::messageAnswers_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press");  // QMessageBox::StandardButton, 0: Escape
    QTest::addColumn<int>("answer");
    using B = Dialogs::Buttons;
    using A = Dialogs::Answer;
    QTest::newRow("ok") << int(B::Ok) << int(QMessageBox::Ok) << int(A::Ok);
    QTest::newRow("yes") << int(B::YesNo) << int(QMessageBox::Yes) << int(A::Yes);
    QTest::newRow("no") << int(B::YesNo) << int(QMessageBox::No) << int(A::No);
    QTest::newRow("retry") << int(B::RetryCancel) << int(QMessageBox::Retry) << int(A::Retry);
    QTest::newRow("cancel") << int(B::OkCancel) << int(QMessageBox::Cancel) << int(A::Cancel);
    QTest::newRow("escape on ok/cancel") << int(B::OkCancel) << 0 << int(A::Cancel);
    QTest::newRow("escape on yes/no") << int(B::YesNo) << 0 << int(A::No);
    QTest::newRow("yes/no/cancel: cancel") << int(B::YesNoCancel) << int(QMessageBox::Cancel) << int(A::Cancel);
}

void TstPlatformUi::messageAnswers()
{
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    WidgetDialogs dialogs;
    whenModal([press](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box)
            return;
        if (press == 0)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (QAbstractButton *b = box->button(QMessageBox::StandardButton(press)))
            b->click();
    });
    QCOMPARE(int(dialogs.message(QStringLiteral("Question?"), QStringLiteral("Zorbel"), Dialogs::Buttons(buttons))),
             answer);
}

void TstPlatformUi::messageTextIsPlain()
{
    WidgetDialogs dialogs;
    Qt::TextFormat format = Qt::RichText;
    QString shown;
    whenModal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box)
            return;
        format = box->textFormat();
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.message(QStringLiteral("<b>not bold</b>"));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shown, QStringLiteral("<b>not bold</b>"));
}

void TstPlatformUi::inputAnswers()
{
    WidgetDialogs dialogs;
    whenModal([](QWidget *w) {
        auto *d = qobject_cast<QInputDialog *>(w);
        if (!d)
            return;
        d->setTextValue(QStringLiteral("typed"));
        d->accept();
    });
    QCOMPARE(dialogs.input(QStringLiteral("Name?"), QString(), QStringLiteral("dflt")),
             std::optional<QString>(QStringLiteral("typed")));
    whenModal([](QWidget *w) {
        if (auto *d = qobject_cast<QInputDialog *>(w))
            d->reject();
    });
    QCOMPARE(dialogs.input(QStringLiteral("Name?")), std::optional<QString>());
}

void TstPlatformUi::messageIcons_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("shown");
    using B = Dialogs::Buttons;
    using I = Dialogs::Icon;
    QTest::newRow("ok, default") << int(B::Ok) << int(I::Default) << int(QMessageBox::Information);
    QTest::newRow("yes/no, default") << int(B::YesNo) << int(I::Default) << int(QMessageBox::Question);
    QTest::newRow("retry/cancel, none") << int(B::RetryCancel) << int(I::None) << int(QMessageBox::NoIcon);
    QTest::newRow("yes/no/cancel, warning") << int(B::YesNoCancel) << int(I::Warning) << int(QMessageBox::Warning);
}

void TstPlatformUi::messageIcons()
{
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(int, shown);
    WidgetDialogs dialogs;
    int seen = -1;
    whenModal([&seen](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box)
            return;
        seen = int(box->icon());
        box->reject();
    });
    dialogs.message(QStringLiteral("Which icon?"), QString(), Dialogs::Buttons(buttons), Dialogs::Icon(icon));
    QCOMPARE(seen, shown);
}

// A box opened without waiting: the call returns with the box on screen, not
// modal; the answer arrives when the user clicks.
void TstPlatformUi::openDoesNotWait()
{
    WidgetDialogs dialogs;
    QList<Dialogs::Answer> answers;
    dialogs.open(QStringLiteral("<b>broken</b>"), QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Default,
                 [&answers](Dialogs::Answer a) { answers.append(a); });
    QCOMPARE(dialogs.openBoxes().size(), 1);
    QMessageBox *box = dialogs.openBoxes().first();
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QVERIFY(answers.isEmpty());
    box->button(QMessageBox::Ok)->click();
    QCOMPARE(answers, QList<Dialogs::Answer>{Dialogs::Answer::Ok});
    QTRY_VERIFY(dialogs.openBoxes().isEmpty());

    // Escape on an open Retry/Cancel box is its Cancel; a box still open when
    // the dialogs go is closed with them.
    dialogs.open(QStringLiteral("again?"), QString(), Dialogs::Buttons::RetryCancel, Dialogs::Icon::None,
                 [&answers](Dialogs::Answer a) { answers.append(a); });
    QTest::keyClick(dialogs.openBoxes().first(), Qt::Key_Escape);
    QCOMPARE(answers.last(), Dialogs::Answer::Cancel);
    dialogs.open(QStringLiteral("left open"));
    QCOMPARE(dialogs.openBoxes().size(), 1);
}

// The program ends while a box waits for its answer (a message or an input)
// and another is open: both go at once, the waiting call returns the "no" of
// its buttons (or no text), the open box's answer is dropped, and no box
// shows after that.
void TstPlatformUi::closedWhileBoxesShow_data()
{
    QTest::addColumn<bool>("input");
    QTest::newRow("a message waits") << false;
    QTest::newRow("an input waits") << true;
}

void TstPlatformUi::closedWhileBoxesShow()
{
    QFETCH(bool, input);
    WidgetDialogs boxes;
    ClosingDialogs dialogs(boxes);
    QList<Dialogs::Answer> answers;
    dialogs.open(QStringLiteral("broken"), QString(), Dialogs::Buttons::YesNo, Dialogs::Icon::Default,
                 [&answers](Dialogs::Answer a) { answers.append(a); });
    QMessageBox *open = boxes.openBoxes().first();
    QWidget *waiting = nullptr;
    whenModal([&](QWidget *w) {
        waiting = w;
        dialogs.close();
    });
    if (input) {
        QCOMPARE(dialogs.input(QStringLiteral("Name?"), QString(), QStringLiteral("typed")), std::nullopt);
    } else {
        QCOMPARE(dialogs.message(QStringLiteral("Download?"), QString(), Dialogs::Buttons::YesNo),
                 Dialogs::Answer::No);
    }
    QVERIFY(waiting);
    QVERIFY(dialogs.closed());
    QVERIFY(!open->isVisible());
    QVERIFY(boxes.openBoxes().isEmpty());
    QCoreApplication::processEvents();
    QVERIFY(answers.isEmpty());

    // Asked after the end: answered at once (a box shown would wait for
    // good), nothing on screen.
    QCOMPARE(dialogs.message(QStringLiteral("Server file not found!")), Dialogs::Answer::Ok);
    QCOMPARE(dialogs.message(QStringLiteral("Retry?"), QString(), Dialogs::Buttons::RetryCancel),
             Dialogs::Answer::Cancel);
    QCOMPARE(dialogs.input(QStringLiteral("Name?")), std::nullopt);
    dialogs.open(QStringLiteral("later"));
    QVERIFY(boxes.openBoxes().isEmpty());
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible() || !qobject_cast<QDialog *>(w));
}

QTEST_MAIN(TstPlatformUi)
#include "tst_platformui.moc"
