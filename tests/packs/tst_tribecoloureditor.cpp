#include "packs/TribeColourBroadcast.h"
#include "packs/TribeColourEditor.h"
#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"
#include "packs/TribePreviews.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// The editor with its colours, previews and a recording lobby connection,
// the colours at their start-up defaults.
struct Rig
{
    TribeColours colours;
    TribePreviews previews {colours};
    RecordingCommandSink sink;
    qint16 selectedTribe = 0;
    TribeColourBroadcast broadcast {sink, colours, previews, selectedTribe};
    TribeColourEditor editor {colours, previews, broadcast, selectedTribe};

    explicit Rig(int tribe = 0, bool bars = false)
    {
        colours.InitTribeShades();
        colours.SetDefaultTribeColours();
        selectedTribe = qint16(tribe);
        editor.setTribeBarsEnabled(bars);
    }

    QStringList texts() const
    {
        return {editor.text(0), editor.text(1), editor.text(2)};
    }
    QList<int> bars() const
    {
        return {editor.HScroll(0), editor.HScroll(1), editor.HScroll(2)};
    }
};

QList<qint32> defaultRamp(int ramp)
{
    QList<qint32> out;
    for (int s = 0; s < TribeColours::ShadeCount; ++s)
        out.append(TribeColours::DefaultRamp(ramp, s));
    return out;
}

QList<qint32> barRamp(int r, int g, int b)
{
    QList<qint32> out;
    for (int s = 0; s < TribeColours::ShadeCount; ++s)
        out.append(TribeColourEditor::BarRampColour(r, g, b, s));
    return out;
}

QByteArray command(int tribe, const QList<qint32> &shades)
{
    QByteArray c = TribeColours::TribeWord(tribe) + " 1";
    for (qint32 v : shades)
        c += ' ' + QByteArray::number(v);
    return c;
}

} // namespace

class tst_TribeColourEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startState();
    void swatches();
    void pick_data();
    void pick();
    void textEdit_data();
    void textEdit();
    void typedNumberSendsNothing();
    void barsGiveTheRamp();
    void dragSendsOnce();
    void stepsSendOnceTheyPause();
    void barsOffMoveOnlyTheBar();
    void switchingBarsOffSendsWhatIsPending();
    void pickAfterStepsSendsOnce();
};

void tst_TribeColourEditor::startState()
{
    Rig rig;
    QCOMPARE(rig.texts(), (QStringList{"51", "63", "203"}));
    QCOMPARE(rig.bars(), (QList<int>{51, 63, 203}));
    QVERIFY(!rig.editor.TribeBarsEnabled());
}

void tst_TribeColourEditor::swatches()
{
    for (int i = 0; i < TribeColourEditor::SwatchCount; ++i) {
        const qint32 colour = TribeColourEditor::SwatchColour(i);
        if (i < TribeColourEditor::RampSwatches)
            QCOMPARE(colour, TribeColours::DefaultRamp(i, 4));   // a ramp shows its shade 4
        const QImage picture = TribeColourEditor::SwatchPicture(i);
        QCOMPARE(picture.size(), QSize(17, 17));
        const QRgb rgb = TribeFigure::toRgb(colour);
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 17; ++x) {
                const bool inside = x >= 2 && x < 15 && y >= 2 && y < 15;
                if (inside)
                    QCOMPARE(picture.pixel(x, y), rgb);
                else
                    QVERIFY2(picture.pixel(x, y) != rgb, qPrintable(QStringLiteral("swatch %1 frame").arg(i)));
            }
        }
    }
    QCOMPARE(TribeColourEditor::SwatchColour(5), TribeColours::rgb(0, 0, 255));
    QCOMPARE(TribeColourEditor::SwatchColour(11), TribeColours::rgb(255, 144, 0));
    QCOMPARE(TribeColourEditor::SwatchColour(16), -1);
    QCOMPARE(TribeColourEditor::SwatchColour(-1), -1);
}

void tst_TribeColourEditor::pick_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("tribe");
    QTest::addColumn<bool>("bars");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<qint32>>("shades");   // the selected tribe's boxes after the pick
    QTest::addColumn<bool>("sent");

    const QStringList start{"51", "63", "203"};
    // Ramps: the selected tribe's boxes take the ramp, whatever the bars flag.
    QTest::newRow("yellow ramp for green") << 2 << 3 << false << QStringList{"163", "119", "19"}
                                           << defaultRamp(2) << true;
    QTest::newRow("blue ramp for red, bars on") << 0 << 1 << true << start << defaultRamp(0) << true;
    QTest::newRow("green ramp for yellow") << 3 << 2 << false << QStringList{"47", "171", "99"}
                                           << defaultRamp(3) << true;
    QTest::newRow("red ramp for blue, bars on") << 1 << 0 << true << QStringList{"163", "19", "0"}
                                                << defaultRamp(1) << true;
    QTest::newRow("ramp, no tribe") << 1 << -1 << true << QStringList{"163", "19", "0"} << QList<qint32>()
                                    << false;
    QTest::newRow("ramp, tribe 4") << 3 << 4 << false << QStringList{"47", "171", "99"} << QList<qint32>()
                                   << false;
    // Colours: only the component boxes and bars, unless the bars are on.
    QTest::newRow("cyan, bars off") << 6 << 0 << false << QStringList{"0", "255", "255"} << defaultRamp(0)
                                    << true;
    QTest::newRow("blue, bars off") << 5 << 2 << false << QStringList{"0", "0", "255"} << defaultRamp(2)
                                    << true;
    QTest::newRow("brown, bars on") << 9 << 2 << true << QStringList{"153", "102", "0"} << barRamp(153, 102, 0)
                                    << true;
    QTest::newRow("blue, bars on") << 5 << 3 << true << QStringList{"0", "0", "255"} << barRamp(0, 0, 255)
                                   << true;
    QTest::newRow("white, bars on") << 15 << 1 << true << QStringList{"255", "255", "255"}
                                    << barRamp(255, 255, 255) << true;
    QTest::newRow("black, bars on") << 14 << 0 << true << QStringList{"0", "0", "0"} << barRamp(0, 0, 0) << true;
    QTest::newRow("colour, bars on, no tribe") << 12 << -1 << true << QStringList{"255", "0", "0"}
                                               << QList<qint32>() << false;
    // Outside 0 to 15: nothing but the final send of the own colours.
    QTest::newRow("index 16") << 16 << 0 << true << start << defaultRamp(0) << true;
    QTest::newRow("index -1") << -1 << 1 << false << start << defaultRamp(1) << true;
    QTest::newRow("index 16, no tribe") << 16 << 7 << true << start << QList<qint32>() << false;
}

void tst_TribeColourEditor::pick()
{
    QFETCH(int, index);
    QFETCH(int, tribe);
    QFETCH(bool, bars);
    QFETCH(QStringList, texts);
    QFETCH(QList<qint32>, shades);
    QFETCH(bool, sent);

    Rig rig(tribe, bars);
    QSignalSpy repainted(&rig.previews, &TribePreviews::previewRepainted);
    rig.editor.PickTribeColour(index);

    QCOMPARE(rig.texts(), texts);
    QCOMPARE(rig.bars(), (QList<int>{texts[0].toInt(), texts[1].toInt(), texts[2].toInt()}));
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        // Only the selected tribe's boxes can change.
        QCOMPARE(rig.colours.shades(t), t == tribe ? shades : defaultRamp(t));
    }
    // One command per pick, for the own tribe, and all four previews repainted.
    QCOMPARE(rig.sink.commands, sent ? QList<QByteArray>{command(tribe, shades)} : QList<QByteArray>());
    QVERIFY(!rig.editor.unsentColours());
    if (sent) {
        QCOMPARE(repainted.size() % 4, 0);
        QVERIFY(!repainted.isEmpty());
        for (int t = 0; t < 4; ++t)
            QCOMPARE(rig.previews.preview(t).pixel(0, 0), qRgb(0, 0, 0));
    } else {
        QCOMPARE(repainted.size(), 0);
    }
}

void tst_TribeColourEditor::textEdit_data()
{
    QTest::addColumn<int>("component");
    QTest::addColumn<QString>("before");   // the box's text before the edit
    QTest::addColumn<QString>("typed");    // the text after the edit
    QTest::addColumn<int>("caret");        // the caret after the edit
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caretAfter");
    QTest::addColumn<int>("bar");

    QTest::newRow("30 -> 300") << 1 << "30" << "300" << 3 << "30" << 2 << 30;
    QTest::newRow("-5") << 0 << "51" << "-5" << 1 << "51" << 1 << 51;
    QTest::newRow("abc") << 2 << "203" << "abc" << 3 << "203" << 3 << 203;
    QTest::newRow("letter typed") << 2 << "203" << "20x3" << 3 << "203" << 3 << 203;
    QTest::newRow("empty") << 2 << "203" << "" << 0 << "203" << 0 << 203;
    QTest::newRow("256") << 0 << "51" << "256" << 3 << "51" << 2 << 51;
    QTest::newRow("255") << 0 << "51" << "255" << 3 << "255" << 3 << 255;
    QTest::newRow("0") << 0 << "51" << "0" << 1 << "0" << 1 << 0;
    QTest::newRow("leading blank") << 0 << "51" << " 12" << 3 << "12" << 2 << 12;
    QTest::newRow("trailing blank") << 0 << "51" << "12 " << 3 << "12" << 2 << 12;
    QTest::newRow("inner blank") << 0 << "51" << "1 2" << 2 << "51" << 2 << 51;
    QTest::newRow("12.5") << 1 << "63" << "12.5" << 4 << "12.5" << 4 << 12;
    QTest::newRow("13.5") << 1 << "63" << "13.5" << 4 << "13.5" << 4 << 14;
    QTest::newRow("254.5") << 1 << "63" << "254.5" << 5 << "254.5" << 5 << 254;
    QTest::newRow("255.4") << 1 << "63" << "255.4" << 5 << "63" << 2 << 63;
    QTest::newRow("-0.4") << 2 << "203" << "-0.4" << 4 << "-0.4" << 4 << 0;
    QTest::newRow("-0.5") << 2 << "203" << "-0.5" << 4 << "-0.5" << 4 << 0;
    QTest::newRow("-0.6") << 2 << "203" << "-0.6" << 4 << "203" << 3 << 203;
    QTest::newRow("1e2") << 2 << "203" << "1e2" << 3 << "1e2" << 3 << 100;
    QTest::newRow("+7") << 2 << "203" << "+7" << 2 << "+7" << 2 << 7;
    QTest::newRow(".5") << 2 << "203" << ".5" << 2 << ".5" << 2 << 0;
    QTest::newRow("1e999") << 2 << "203" << "1e999" << 5 << "203" << 3 << 203;
    QTest::newRow("sign only") << 2 << "203" << "-" << 1 << "203" << 1 << 203;
    QTest::newRow("point only") << 2 << "203" << "." << 1 << "203" << 1 << 203;
}

void tst_TribeColourEditor::textEdit()
{
    QFETCH(int, component);
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(int, caret);
    QFETCH(QString, text);
    QFETCH(int, caretAfter);
    QFETCH(int, bar);

    Rig rig;
    rig.editor.txtChange(component, before, before.size());
    QCOMPARE(rig.editor.text(component), before);
    QCOMPARE(rig.editor.HScroll(component), before.toInt());
    rig.editor.txtChange(component, typed, caret);
    QCOMPARE(rig.editor.text(component), text);
    QCOMPARE(rig.editor.caret(component), caretAfter);
    QCOMPARE(rig.editor.HScroll(component), bar);
    // The other two boxes are not touched.
    for (int c = 0; c < 3; ++c) {
        if (c != component)
            QCOMPARE(rig.editor.text(c), (QStringList{"51", "63", "203"}).at(c));
    }
}

void tst_TribeColourEditor::typedNumberSendsNothing()
{
    Rig rig(0, true);
    QSignalSpy repainted(&rig.previews, &TribePreviews::previewRepainted);
    rig.editor.txtRed_Change(QStringLiteral("99"), 2);
    rig.editor.txtGreen_Change(QStringLiteral("98"), 2);
    rig.editor.txtBlue_Change(QStringLiteral("97"), 2);
    QCOMPARE(rig.bars(), (QList<int>{99, 98, 97}));
    QCOMPARE(rig.colours.shades(0), defaultRamp(0));
    QVERIFY(rig.sink.commands.isEmpty());
    QCOMPARE(repainted.size(), 0);
    QVERIFY(!rig.editor.unsentColours());
}

void tst_TribeColourEditor::barsGiveTheRamp()
{
    Rig rig(0, true);
    rig.editor.txtBlue_Change(QStringLiteral("10"), 2);
    // The bar is dragged back to 203: boxes follow from 51, 63, 203.
    rig.editor.barMoved(TribeColourEditor::Blue, 203, true);
    QCOMPARE(rig.texts(), (QStringList{"51", "63", "203"}));
    QCOMPARE(rig.colours.colour(0, 0), TribeColours::rgb(51, 63, 203));
    QCOMPARE(rig.colours.colour(0, 7), TribeColours::rgb(191, 203, 255));
    QCOMPARE(rig.colours.colour(0, 3), TribeColours::rgb(111, 123, 255));
    QCOMPARE(rig.colours.shades(1), defaultRamp(1));
    // The own preview shows the new box 0 where the figure has shade 0.
    const QImage &ref = rig.previews.reference(0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (ref.pixel(x, y) == TribeFigure::toRgb(rig.colours.TribeShade(0, 0)))
                QCOMPARE(rig.previews.preview(0).pixel(x, y), qRgb(51, 63, 203));
}

void tst_TribeColourEditor::dragSendsOnce()
{
    Rig rig(2, true);
    QSignalSpy changed(&rig.colours, &TribeColours::coloursChanged);
    for (int v = 0; v <= 255; v += 3)
        rig.editor.barMoved(TribeColourEditor::Red, v, true);
    // The boxes and preview follow the drag at once; nothing is sent yet.
    QVERIFY(changed.size() > 80);
    QCOMPARE(rig.colours.colour(2, 0), TribeColours::rgb(255, 63, 203));
    QCOMPARE(rig.texts(), (QStringList{"255", "63", "203"}));
    QVERIFY(rig.sink.commands.isEmpty());
    QVERIFY(rig.editor.unsentColours());

    rig.editor.barReleased();
    QCOMPARE(rig.sink.commands, QList<QByteArray>{command(2, barRamp(255, 63, 203))});
    rig.editor.barReleased();
    QCOMPARE(rig.sink.commands.size(), 1);
    QVERIFY(!rig.editor.unsentColours());   // no step pause sends it again either
}

void tst_TribeColourEditor::stepsSendOnceTheyPause()
{
    Rig rig(1, true);
    for (int v = 60; v < 70; ++v)
        rig.editor.barMoved(TribeColourEditor::Green, v, false);   // arrow clicks, keys, wheel
    QVERIFY(rig.sink.commands.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(rig.sink.commands.size(), 1, 5000);
    QCOMPARE(rig.sink.commands.first(), command(1, barRamp(51, 69, 203)));
    QVERIFY(!rig.editor.unsentColours());
}

void tst_TribeColourEditor::barsOffMoveOnlyTheBar()
{
    Rig rig(0, false);
    QSignalSpy repainted(&rig.previews, &TribePreviews::previewRepainted);
    rig.editor.barMoved(TribeColourEditor::Red, 200, true);
    rig.editor.barReleased();
    rig.editor.barMoved(TribeColourEditor::Green, 7, false);
    QCOMPARE(rig.bars(), (QList<int>{200, 7, 203}));
    QCOMPARE(rig.texts(), (QStringList{"51", "63", "203"}));
    QCOMPARE(rig.colours.shades(0), defaultRamp(0));
    QCOMPARE(repainted.size(), 0);
    QVERIFY(!rig.editor.unsentColours());
    QVERIFY(rig.sink.commands.isEmpty());
}

void tst_TribeColourEditor::switchingBarsOffSendsWhatIsPending()
{
    Rig rig(3, true);
    rig.editor.barMoved(TribeColourEditor::Blue, 9, true);
    QVERIFY(rig.sink.commands.isEmpty());
    rig.editor.setTribeBarsEnabled(false);   // the panel closes mid-drag
    QCOMPARE(rig.sink.commands, QList<QByteArray>{command(3, barRamp(51, 63, 9))});
    rig.editor.barReleased();
    QCOMPARE(rig.sink.commands.size(), 1);
}

void tst_TribeColourEditor::pickAfterStepsSendsOnce()
{
    Rig rig(0, true);
    rig.editor.barMoved(TribeColourEditor::Red, 52, false);
    QVERIFY(rig.editor.unsentColours());
    rig.editor.PickTribeColour(7);
    QCOMPARE(rig.sink.commands, QList<QByteArray>{command(0, barRamp(0, 255, 0))});
    QVERIFY(!rig.editor.unsentColours());   // the step pause has nothing left to send
}

QTEST_GUILESS_MAIN(tst_TribeColourEditor)
#include "tst_tribecoloureditor.moc"
