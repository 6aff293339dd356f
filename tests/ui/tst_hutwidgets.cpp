#include "core/ClientState.h"
#include "core/Huts.h"
#include "core/LobbyEvents.h"
#include "lobby/LobbyLayout.h"
#include "lobby/ui/CreateHutPanel.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/HutButtons.h"
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/HutWidgets.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/TribePanel.h"
#include "packs/InstalledPacks.h"
#include "packs/TribeFigure.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QtTest>

// The hut widgets on a real lobby window: they forward the user's clicks to
// the hut code and show what its state holds.
class tst_HutWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostAHut();
    void gameMenuAndOptions();
    void packBoxWithoutPacks_data();
    void packBoxWithoutPacks();
    void joinFromTheHutsTree();
    void tribeColoursShown();
    void tribePanelControlsApart_data();
    void tribePanelControlsApart();
    void tribeColoursTabReadable_data();
    void tribeColoursTabReadable();
    void hutAreaShrinksAfterGameMenu();
    void disabledCaptionsLookDisabled();
    void tribeEditor();
    void missingPackPanel();
    void clicksBesideThePopUpsHideThem();

private:
    struct Rig
    {
        ClientState state;
        LobbyEvents events;
        RecordingCommandSink commands;
        FakeDialogs dialogs;
        RecordingChatOutput chat;
        InstalledPacks packs {state.Setup, chat};
        Huts huts {state, packs, commands, dialogs, chat, events, 0};
        LobbyForm form {state, events, commands};
        HutWidgets widgets {form, huts, packs};
        QTemporaryDir game;

        Rig()
        {
            QFile exe(game.filePath("poptb.exe"));
            exe.open(QIODevice::WriteOnly);
            state.Setup.GameInstalled = true;
            state.Setup.GamePath = game.path();
            state.Setup.GamePathWindows = "C:\\Games\\Populous";
            state.Setup.GameExeName = "poptb.exe";
            state.Users.growTo(8);
            state.CurrentUser.OwnSlot = 5;
            state.own()->Name = "me";
            huts.colours.InitTribeShades();
            huts.colours.SetDefaultTribeColours();
            form.resize(900, 650);
            form.show();
        }
    };
};

void tst_HutWidgets::hostAHut()
{
    Rig rig;
    QVERIFY(!rig.widgets.createHut->isVisible());
    rig.widgets.buttons->cmdHost->click();
    QVERIFY(rig.widgets.createHut->isVisible());
    rig.widgets.createHut->txtPassw->setText(QStringLiteral("Sesam"));
    rig.widgets.createHut->Player[1]->click();
    QCOMPARE(rig.commands.commands, QList<QByteArray>{"BEHOST 3 Sesam"});
    QVERIFY(!rig.widgets.createHut->isVisible());

    // The launch button is the host's only.
    QVERIFY(!rig.widgets.buttons->cmdlaunch->isVisible());
    rig.state.own()->State = "HOST";
    rig.huts.panels.ownStateRefreshed(true);
    QVERIFY(rig.widgets.buttons->cmdlaunch->isVisible());
    rig.widgets.buttons->cmdlaunch->click();
    QCOMPARE(rig.commands.last(), QByteArray("LAUNCH"));
    QVERIFY(!rig.widgets.buttons->cmdlaunch->isVisible());
}

void tst_HutWidgets::gameMenuAndOptions()
{
    Rig rig;
    rig.packs.InstalledMappacks = {{QStringLiteral("alpha.kaf"), "0A0B0C0D"}, {QStringLiteral("beta.kaf"), "11111111"}};
    Q_EMIT rig.packs.MappacksChanged();
    GamePanel *game = rig.widgets.game;
    QCOMPARE(game->cmbMapPack->count(), 2);
    QCOMPARE(game->cmbMapPack->itemText(1), QStringLiteral("beta"));

    rig.state.own()->State = "HOST";
    rig.huts.panels.ownStateRefreshed(true);
    rig.huts.panels.showGamePanel();
    QVERIFY(game->isVisible());
    QVERIFY(!game->fraGameMenu->isVisible());
    game->GameMenu->click();
    QVERIFY(game->fraGameMenu->isVisible());

    game->chkMappack->click();
    QVERIFY(game->chkMappack->isChecked());
    QVERIFY(game->cmbMapPack->isEnabled());
    QCOMPARE(game->cmbMapPack->currentIndex(), 0);
    game->chkFriendlyGame->click();
    game->chkTribeColors->click();
    QVERIFY(game->lbltribepal->isVisible());
    QCOMPARE(rig.commands.commands.mid(0, 4),
             (QList<QByteArray>{"MAPPACK 0A0B0C0D", "FRIENDLY ON", "USECUSTOMPALS TRUE",
                                "BLUE 1 3870479 4399895 7287587 10173227 13319987 13849419 14643047 15436679"}));

    game->lbltribepal->click();
    QVERIFY(rig.widgets.tribes->isVisible());
    game->frmgameclose->click();
    QVERIFY(!game->fraGameMenu->isVisible());
}

// With no pack installed a pack box cannot stay ticked: the player's click
// leaves it cleared, its list disabled, and the hut hears "OFF" once.
void tst_HutWidgets::packBoxWithoutPacks_data()
{
    QTest::addColumn<bool>("map");
    QTest::newRow("Mappack") << true;
    QTest::newRow("Modpack") << false;
}

void tst_HutWidgets::packBoxWithoutPacks()
{
    QFETCH(bool, map);
    Rig rig;
    rig.state.own()->State = "HOST";
    rig.huts.panels.ownStateRefreshed(true);
    rig.huts.panels.showGamePanel();
    GamePanel *game = rig.widgets.game;
    QTest::mouseClick(game->GameMenu, Qt::LeftButton, {}, game->GameMenu->rect().center());
    QTRY_VERIFY(game->fraGameMenu->isVisible());
    QCheckBox *box = map ? game->chkMappack : game->chkModPack;
    QComboBox *list = map ? game->cmbMapPack : game->cmbModPack;
    QTRY_VERIFY(box->isVisible() && box->height() > 0);
    rig.commands.commands.clear();

    // The box as the player finds it on screen: its tick mark.
    const QPoint mark(qMin(8, box->width() / 2), box->height() / 2);
    QCOMPARE(rig.form.childAt(box->mapTo(&rig.form, mark)), box);
    QTest::mouseClick(box, Qt::LeftButton, {}, mark);
    QVERIFY(!box->isChecked());
    QVERIFY(!list->isEnabled());
    QCOMPARE(rig.commands.commands, QList<QByteArray>{map ? "MAPPACK OFF" : "MODPACK OFF"});
    QVERIFY(!(map ? rig.huts.options.boxes().chkMappack : rig.huts.options.boxes().chkModPack));

    // The next click finds it cleared again.
    QTest::mouseClick(box, Qt::LeftButton, {}, mark);
    QVERIFY(!box->isChecked());
    QCOMPARE(rig.commands.commands.size(), 2);
}

// FrameMain_Click, frmGame_Click and lblmain_Click: each hides its one
// pop-up panel; a click on the pop-up itself hides nothing.
void tst_HutWidgets::clicksBesideThePopUpsHideThem()
{
    Rig rig;
    rig.state.own()->State = "HOST";
    rig.huts.panels.ownStateRefreshed(true);
    rig.huts.panels.showGamePanel();
    GamePanel *game = rig.widgets.game;
    game->GameMenu->click();
    game->chkTribeColors->click();
    game->lbltribepal->click();
    rig.huts.panels.update([](HutPanels::State &s) { s.fraCreateHutVisible = true; });
    QVERIFY(rig.widgets.createHut->isVisible());
    QVERIFY(game->fraGameMenu->isVisible());
    QVERIFY(rig.widgets.tribes->isVisible());

    // On the pop-ups themselves: nothing goes.
    QTest::mouseClick(rig.widgets.createHut, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(game->fraGameMenu, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(rig.widgets.tribes, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(rig.widgets.createHut->isVisible());
    QVERIFY(game->fraGameMenu->isVisible());
    QVERIFY(rig.widgets.tribes->isVisible());

    QTest::mouseClick(game, Qt::LeftButton, {}, QPoint(1, game->height() - 2));
    QVERIFY(!game->fraGameMenu->isVisible());
    QVERIFY(rig.widgets.createHut->isVisible());
    QVERIFY(rig.widgets.tribes->isVisible());

    QTest::mouseClick(rig.form.FrameMain(), Qt::LeftButton, {}, QPoint(1, 1));
    QVERIFY(!rig.widgets.createHut->isVisible());
    QVERIFY(rig.widgets.tribes->isVisible());
    QVERIFY(game->isVisible());

    rig.huts.panels.lblmain_Click();
    QVERIFY(!rig.widgets.tribes->isVisible());
    QVERIFY(game->isVisible());
}

void tst_HutWidgets::joinFromTheHutsTree()
{
    Rig rig;
    UserRecord *host = rig.state.Users.at(3);
    host->Name = "host";
    host->State = "HOST";
    host->HutPassword = "NONE";
    Q_EMIT rig.form.hutNodeDoubleClicked(true, false, "empty3_2", "h3", "2");
    QCOMPARE(rig.commands.commands, QList<QByteArray>{"BECLIENT 3 2"});
    QCOMPARE(rig.state.Hut.SelectedTribe, qint16(2));

    rig.huts.panels.showGamePanel();
    rig.widgets.picExitHut->click();
    QCOMPARE(rig.commands.last(), QByteArray("BEIDLE"));
    QVERIFY(!rig.widgets.game->isVisible());
}

void tst_HutWidgets::tribeColoursShown()
{
    Rig rig;
    TribePanel *panel = rig.widgets.tribes;
    auto boxColour = [panel](int t, int s) {
        return panel->box(t, s)->palette().color(QPalette::Window).rgb();
    };
    QCOMPARE(boxColour(0, 0), qRgb(15, 15, 59));
    rig.huts.colours.setColour(1, 0, 255);
    QCOMPARE(boxColour(1, 0), qRgb(255, 0, 0));
    rig.huts.previews.RecolourTribePreview(1);
    QCOMPARE(panel->preview(1)->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             rig.huts.previews.preview(1));
    rig.huts.panels.ShowTribeArrow(2);
    rig.huts.panels.update([](HutPanels::State &s) { s.FraTribePalVisible = true; });
    QVERIFY(panel->isVisible());
    QVERIFY(panel->Arrow(2)->isVisible());
    QVERIFY(!panel->Arrow(0)->isVisible());
}

// The controls of the colour panel never lie over each other: the shade rows,
// the tribe figures, the swatch panels, the bars with their captions and
// number boxes and Close. At the window's design size all of them show whole
// inside the panel; in a smaller window they scroll.
void tst_HutWidgets::tribePanelControlsApart_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fits");
    QTest::newRow("design size") << QSize(int(LobbyLayout::DesignWidth / 15), int(LobbyLayout::DesignHeight / 15))
                                 << true;
    QTest::newRow("640 x 480") << QSize(640, 480) << false;
}

void tst_HutWidgets::tribePanelControlsApart()
{
    QFETCH(QSize, size);
    QFETCH(bool, fits);
    Rig rig;
    rig.form.resize(size);
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
    rig.state.own()->State = "HOST";
    rig.huts.panels.ownStateRefreshed(true);
    rig.huts.panels.update([](HutPanels::State &s) { s.FraTribePalVisible = true; });
    TribePanel *panel = rig.widgets.tribes;
    QTRY_VERIFY(panel->isVisible());

    QList<QWidget *> controls {panel->Picture5, panel->Picture6, panel->closeButton};
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        controls << panel->preview(t) << panel->box(t, 0) << panel->box(t, TribeColours::ShadeCount - 1);
    }
    const QStringList captions {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")};
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<QLabel *>(w);
        if ((qobject_cast<QScrollBar *>(w) && w->objectName().startsWith(QLatin1String("HScroll")))
            || qobject_cast<QLineEdit *>(w) || (label && captions.contains(label->text())))
            controls << w;
    }
    // Scrolling is needed only where the panel is narrower than its layout
    // needs, whatever this style's spacing.
    const auto *scroll = panel->findChild<QScrollArea *>();
    QVERIFY(scroll && scroll->widget());
    const int needs = scroll->widget()->minimumSizeHint().width();
    QCOMPARE(needs <= scroll->viewport()->width(), fits);
    auto inPanel = [panel](QWidget *w) { return QRect(w->mapTo(panel, QPoint(0, 0)), w->size()); };
    for (QWidget *w : controls) {
        QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
        if (fits)
            QVERIFY2(panel->rect().contains(inPanel(w)), qPrintable(w->objectName()));
    }
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            QVERIFY2(!inPanel(controls[i]).intersects(inPanel(controls[j])),
                     qPrintable(controls[i]->objectName() + QStringLiteral(" / ") + controls[j]->objectName()));
        }
    }
}

// In a hut with custom colours the "Tribe colours" tab beside the game menu
// is drawn in the skin's text colour on the hut area's dark fill, for the
// host and the joiner, and a click on it opens the colour panel.
void tst_HutWidgets::tribeColoursTabReadable_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::newRow("host") << QByteArray("HOST");
    QTest::newRow("joiner") << QByteArray("CLIENT");
}

void tst_HutWidgets::tribeColoursTabReadable()
{
    QFETCH(QByteArray, state);
    Rig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
    GamePanel *game = rig.widgets.game;
    // The hut area takes the chat log's colour, black in the default skin.
    QPalette dark = game->palette();
    dark.setColor(QPalette::Window, Qt::black);
    game->setPalette(dark);
    game->setAutoFillBackground(true);
    rig.state.own()->State = state;
    rig.huts.panels.ownStateRefreshed(true);
    rig.huts.panels.showGamePanel();
    rig.huts.panels.update([](HutPanels::State &s) { s.tribeTabVisible = true; });
    QPushButton *tab = game->lbltribepal;
    QTRY_VERIFY(tab->isVisible());
    QVERIFY(tab->width() > 20 && tab->height() > 10);

    const QColor back = game->palette().color(QPalette::Window);
    const QColor text = tab->palette().color(QPalette::ButtonText);
    QVERIFY2(qAbs(qGray(text.rgb()) - qGray(back.rgb())) > 100,
             qPrintable(text.name() + QStringLiteral(" on ") + back.name()));
    // What the screen shows: caption pixels in the text colour on the fill.
    const QImage shot = game->grab(tab->geometry()).toImage();
    int bright = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (qAbs(qGray(shot.pixel(x, y)) - qGray(back.rgb())) > 100)
                ++bright;
        }
    }
    QVERIFY2(bright > 20, qPrintable(QString::number(bright)));

    // A real click at the caption's centre opens the colour panel.
    QVERIFY(!rig.widgets.tribes->isVisible());
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->rect().center());
    QTRY_VERIFY(rig.widgets.tribes->isVisible());
    // It opens over the chat log, beside nothing that covers its middle.
    const QWidget *tribes = rig.widgets.tribes;
    const QPoint middle = tribes->mapTo(tribes->parentWidget(), tribes->rect().center());
    QWidget *hit = tribes->parentWidget()->childAt(middle);
    QVERIFY(hit == tribes || tribes->isAncestorOf(hit));
}

// A button that cannot be clicked says so: its caption in the skin's text
// colour dimmed towards the button's fill, still readable on it.
void tst_HutWidgets::disabledCaptionsLookDisabled()
{
    Rig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
    QPushButton *launch = rig.widgets.buttons->cmdlaunch;
    QPushButton *host = rig.widgets.buttons->cmdHost;
    launch->setEnabled(false);
    host->setEnabled(true);
    const QPalette &p = launch->palette();
    const QColor fill = p.color(QPalette::Disabled, QPalette::Button);
    for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText}) {
        const QColor on = p.color(QPalette::Active, role);
        const QColor off = p.color(QPalette::Disabled, role);
        QVERIFY2(qAbs(qGray(on.rgb()) - qGray(off.rgb())) > 30, qPrintable(on.name() + QStringLiteral(" / ") + off.name()));
        QVERIFY2(qAbs(qGray(off.rgb()) - qGray(fill.rgb())) > 30, qPrintable(off.name() + QStringLiteral(" on ") + fill.name()));
    }
    // What the screen shows: the same caption, dimmer when disabled.
    host->setText(launch->text());
    host->resize(launch->size());
    launch->show();
    host->show();
    const auto brightest = [](QWidget *w) {
        const QImage shot = w->grab().toImage();
        int most = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x)
                most = qMax(most, qGray(shot.pixel(x, y)));
        }
        return most;
    };
    QVERIFY2(brightest(launch) + 30 < brightest(host),
             qPrintable(QStringLiteral("%1 against %2").arg(brightest(launch)).arg(brightest(host))));
}

// The host's hut area grows for the game menu and shrinks back when it is
// closed: nothing of it stays between the pack lines and the chat.
void tst_HutWidgets::hutAreaShrinksAfterGameMenu()
{
    Rig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
    GamePanel *game = rig.widgets.game;
    rig.state.own()->State = "HOST";
    rig.huts.panels.ownStateRefreshed(true);
    rig.huts.panels.showGamePanel();
    QTRY_VERIFY(game->isVisible());
    QTRY_VERIFY(game->height() > 0);
    const int closedHeight = game->height();

    QTest::mouseClick(game->GameMenu, Qt::LeftButton, {}, game->GameMenu->rect().center());
    QTRY_VERIFY(game->fraGameMenu->isVisible());
    QTRY_VERIFY(game->height() > closedHeight);
    // The whole menu shows inside the hut area.
    QVERIFY(game->rect().contains(game->fraGameMenu->geometry()));

    QTest::mouseClick(game->frmgameclose, Qt::LeftButton, {}, game->frmgameclose->rect().center());
    QTRY_VERIFY(!game->fraGameMenu->isVisible());
    QTRY_COMPARE(game->height(), closedHeight);
}

// The editor's controls: a swatch click picks, typing moves a bar, a drag of a
// bar sends the colours once, when it is let go.
void tst_HutWidgets::tribeEditor()
{
    Rig rig;
    TribePanel *panel = rig.widgets.tribes;
    QCOMPARE(panel->findChildren<QLabel *>(QRegularExpression(QStringLiteral("^imgTribe\\d+$"))).size(), 16);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(panel->imgTribe(i)->parentWidget(), i < 4 ? panel->Picture5 : panel->Picture6);
    QCOMPARE(panel->Picture5->objectName(), QStringLiteral("Picture5"));
    QCOMPARE(panel->Picture6->objectName(), QStringLiteral("Picture6"));
    QCOMPARE(panel->txtRed()->objectName(), QStringLiteral("txtRed"));
    QCOMPARE(panel->HScroll(2)->objectName(), QStringLiteral("HScroll2"));
    QCOMPARE(panel->txtBlue()->text(), QStringLiteral("203"));
    QCOMPARE(panel->HScroll(1)->value(), 63);

    // The bars work while the panel is up in a hut with custom colours.
    QVERIFY(!rig.huts.editor.TribeBarsEnabled());
    rig.huts.panels.update([](HutPanels::State &s) { s.tribeTabVisible = true; });
    QVERIFY(!rig.huts.editor.TribeBarsEnabled());
    rig.huts.options.lbltribepal_Click();
    QVERIFY(panel->isVisible());
    QVERIFY(rig.huts.editor.TribeBarsEnabled());

    rig.state.Hut.SelectedTribe = 0;
    QTest::mouseClick(panel->imgTribe(2), Qt::LeftButton);
    QCOMPARE(rig.commands.commands.size(), 1);
    QVERIFY(rig.commands.last().startsWith("BLUE 1 "));
    QCOMPARE(rig.huts.colours.colour(0, 4), TribeColours::rgb(163, 119, 19));
    QCOMPARE(panel->box(0, 4)->palette().color(QPalette::Window).rgb(), qRgb(163, 119, 19));
    QCOMPARE(panel->txtRed()->text(), QStringLiteral("163"));
    QCOMPARE(panel->HScroll(0)->value(), 163);
    QCOMPARE(panel->preview(0)->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             rig.huts.previews.preview(0));

    // Typing: a third digit that makes 300 is refused.
    QLineEdit *green = panel->txtGreen();
    green->setFocus();
    green->selectAll();
    QTest::keyClicks(green, QStringLiteral("30"));
    QCOMPARE(green->text(), QStringLiteral("30"));
    QCOMPARE(panel->HScroll(1)->value(), 30);
    QTest::keyClick(green, Qt::Key_0);
    QCOMPARE(green->text(), QStringLiteral("30"));
    QCOMPARE(green->cursorPosition(), 2);
    QCOMPARE(panel->HScroll(1)->value(), 30);
    QCOMPARE(rig.commands.commands.size(), 1);   // typing sends nothing

    // A drag of the blue bar's thumb: the boxes follow, one command on release.
    QScrollBar *bar = panel->HScroll(2);
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = Qt::Horizontal;
    opt.state |= QStyle::State_Horizontal;
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.subControls = QStyle::SC_All;
    const QPoint thumb =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    for (int dx = 1; dx <= 20; ++dx)
        QTest::mouseMove(bar, thumb + QPoint(3 * dx, 0));
    QVERIFY(bar->value() > 19);
    QCOMPARE(panel->txtBlue()->text(), QString::number(bar->value()));
    QCOMPARE(rig.huts.colours.colour(0, 0), TribeColours::rgb(163, 30, bar->value()));
    QCOMPARE(rig.commands.commands.size(), 1);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(60, 0));
    QCOMPARE(rig.commands.commands.size(), 2);
    QVERIFY(rig.commands.last().startsWith("BLUE 1 " + QByteArray::number(TribeColours::rgb(163, 30, bar->value()))));

    // Arrow keys, the track and the wheel step the bar: sent once the steps pause.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(rig.commands.commands.size(), 2);
    QCOMPARE(panel->txtBlue()->text(), QString::number(bar->value()));
    QTRY_COMPARE_WITH_TIMEOUT(rig.commands.commands.size(), 3, 5000);
    QVERIFY(rig.commands.last().startsWith("BLUE 1 " + QByteArray::number(TribeColours::rgb(163, 30, bar->value()))));
    QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("Picture24")), panel->box(0, 4));
    QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("Picture17")), panel->box(1, 7));

    // Closing the panel switches the bars off.
    panel->closeButton->click();
    QVERIFY(!rig.huts.editor.TribeBarsEnabled());
}

void tst_HutWidgets::missingPackPanel()
{
    Rig rig;
    rig.huts.panels.update([](HutPanels::State &s) {
        s.PBMapDLVisible = true;
        s.lblMappackURLVisible = true;
        s.lblMappackURL = "<b>http://packs.example/x.zip</b>";
    });
    QVERIFY(rig.widgets.mapDownload->isVisible());
    QCOMPARE(rig.widgets.mapDownload->url->textFormat(), Qt::PlainText);
    QCOMPARE(rig.widgets.mapDownload->url->text(), QStringLiteral("<b>http://packs.example/x.zip</b>"));
    QVERIFY(!rig.widgets.modDownload->isVisible());
}

QTEST_MAIN(tst_HutWidgets)
#include "tst_hutwidgets.moc"
