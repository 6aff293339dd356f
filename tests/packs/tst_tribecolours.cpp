#include "packs/TribeColourBroadcast.h"
#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"
#include "packs/TribePreviews.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

class tst_TribeColours : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpColours();
    void rampsAndBoxes();
    void figuresUseEveryShade();
    void recolourBluePreview();
    void recolourEveryTribe();
    void recolourOutOfRange();
    void sendTribeColours_data();
    void sendTribeColours();
};

void tst_TribeColours::startUpColours()
{
    TribeColours colours;
    QCOMPARE(colours.TribeShade(0, 0), 0); // nothing before InitTribeShades
    colours.InitTribeShades();
    colours.SetDefaultTribeColours();
    QCOMPARE(colours.colour(TribeColours::Blue, 0), TribeColours::rgb(15, 15, 59));
    QCOMPARE(colours.colour(TribeColours::Green, 7), TribeColours::rgb(147, 243, 203));
    QCOMPARE(colours.TribeShade(TribeColours::Blue, 0), TribeColours::rgb(16, 33, 66));
    QCOMPARE(colours.TribeShade(TribeColours::Blue, 0), 4333840);
    // One value repeats across tribes; each tribe is only compared with its own column.
    QCOMPARE(colours.TribeShade(TribeColours::Red, 1), colours.TribeShade(TribeColours::Yellow, 0));
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        for (int s = 0; s < TribeColours::ShadeCount; ++s) {
            QCOMPARE(colours.colour(t, s), TribeColours::DefaultRamp(t, s));
            for (int u = s + 1; u < TribeColours::ShadeCount; ++u)
                QVERIFY(colours.TribeShade(t, s) != colours.TribeShade(t, u));
        }
    }
    QCOMPARE(TribeColours::TribeWord(0), QByteArray("BLUE"));
    QCOMPARE(TribeColours::TribeWord(1), QByteArray("RED"));
    QCOMPARE(TribeColours::TribeWord(2), QByteArray("YELLOW"));
    QCOMPARE(TribeColours::TribeWord(3), QByteArray("GREEN"));
    QCOMPARE(TribeColours::tribeOfWord("GREEN"), 3);
    QCOMPARE(TribeColours::tribeOfWord("green"), -1);
}

void tst_TribeColours::rampsAndBoxes()
{
    TribeColours colours;
    colours.SetDefaultTribeColours();
    QSignalSpy changed(&colours, &TribeColours::coloursChanged);
    colours.setRamp(TribeColours::Green, TribeColours::Yellow);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(colours.colour(TribeColours::Green, 4), TribeColours::rgb(163, 119, 19));
    QCOMPARE(colours.colour(TribeColours::Yellow, 4), TribeColours::rgb(163, 119, 19));
    QCOMPARE(colours.colour(TribeColours::Blue, 4), TribeColours::rgb(51, 63, 203));
    colours.setColour(4, 0, 1);
    colours.setColour(0, 8, 1);
    colours.setColour(0, -1, 1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(colours.colour(4, 0), 0);
    // The user told to use custom colours gets every default again.
    colours.setColour(TribeColours::Red, 3, 12345);
    colours.SetDefaultTribeColours();
    QCOMPARE(colours.colour(TribeColours::Red, 3), TribeColours::DefaultRamp(TribeColours::Red, 3));
    QCOMPARE(colours.colour(TribeColours::Green, 4), TribeColours::DefaultRamp(TribeColours::Green, 4));
}

void tst_TribeColours::figuresUseEveryShade()
{
    TribeColours colours;
    colours.InitTribeShades();
    TribePreviews previews(colours);
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        const QImage &ref = previews.reference(t);
        QCOMPARE(ref.size(), QSize(64, 64));
        for (int s = 0; s < TribeColours::ShadeCount; ++s) {
            const QRgb shade = TribeFigure::toRgb(colours.TribeShade(t, s));
            int count = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    count += ref.pixel(x, y) == shade ? 1 : 0;
            QVERIFY2(count > 0, qPrintable(QString("tribe %1 shade %2").arg(t).arg(s)));
        }
        QCOMPARE(ref.pixel(0, 0), qRgb(0, 0, 0)); // on black
        QCOMPARE(previews.preview(t), ref);     // until the first recolouring
    }
}

void tst_TribeColours::recolourBluePreview()
{
    TribeColours colours;
    colours.InitTribeShades();
    colours.SetDefaultTribeColours();
    TribePreviews previews(colours);
    QSignalSpy repainted(&previews, &TribePreviews::previewRepainted);
    previews.RecolourTribePreview(TribeColours::Blue);
    QCOMPARE(repainted.size(), 1);
    const QImage &ref = previews.reference(TribeColours::Blue);
    const QImage first = previews.preview(TribeColours::Blue);
    int shade0 = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (ref.pixel(x, y) == qRgb(16, 33, 66)) {
                QCOMPARE(first.pixel(x, y), qRgb(15, 15, 59));
                ++shade0;
            }
            if (ref.pixel(x, y) == qRgb(0, 0, 0))
                QCOMPARE(first.pixel(x, y), qRgb(0, 0, 0));
        }
    }
    QVERIFY(shade0 > 0);
    // Recolouring again with the same boxes gives the same image; a box set
    // back gives back the earlier preview.
    previews.RecolourTribePreview(TribeColours::Blue);
    QCOMPARE(previews.preview(TribeColours::Blue), first);
    colours.setColour(TribeColours::Blue, 0, TribeColours::rgb(1, 2, 3));
    previews.RecolourTribePreview(TribeColours::Blue);
    QVERIFY(previews.preview(TribeColours::Blue) != first);
    colours.setColour(TribeColours::Blue, 0, TribeColours::rgb(15, 15, 59));
    previews.RecolourTribePreview(TribeColours::Blue);
    QCOMPARE(previews.preview(TribeColours::Blue), first);
    // The other previews are untouched.
    QCOMPARE(previews.preview(TribeColours::Red), previews.reference(TribeColours::Red));
}

void tst_TribeColours::recolourEveryTribe()
{
    TribeColours colours;
    colours.InitTribeShades();
    TribePreviews previews(colours);
    QRandomGenerator random(17);
    for (int round = 0; round < 3; ++round) {
        for (int t = 0; t < TribeColours::TribeCount; ++t)
            for (int s = 0; s < TribeColours::ShadeCount; ++s)
                colours.setColour(t, s, qint32(random.bounded(0x1000000)));
        const std::array<QImage, 4> before{previews.preview(0), previews.preview(1), previews.preview(2),
                                           previews.preview(3)};
        for (int t = 0; t < TribeColours::TribeCount; ++t) {
            previews.RecolourTribePreview(t);
            const QImage &ref = previews.reference(t);
            const QImage once = previews.preview(t);
            int changedPixels = 0;
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 64; ++x) {
                    int shade = -1;
                    for (int s = 0; s < TribeColours::ShadeCount; ++s)
                        if (ref.pixel(x, y) == TribeFigure::toRgb(colours.TribeShade(t, s)))
                            shade = s;
                    if (shade >= 0) {
                        QCOMPARE(once.pixel(x, y), TribeFigure::toRgb(colours.colour(t, shade)));
                        ++changedPixels;
                    } else {
                        // Outline, skin, feet and background are never written.
                        QCOMPARE(once.pixel(x, y), before[size_t(t)].pixel(x, y));
                        QCOMPARE(once.pixel(x, y), ref.pixel(x, y));
                    }
                }
            }
            QVERIFY(changedPixels > 0);
            previews.RecolourTribePreview(t);
            QCOMPARE(previews.preview(t), once);   // twice gives the same picture
            // The other tribes' previews wait for their own recolouring.
            for (int u = t + 1; u < TribeColours::TribeCount; ++u)
                QCOMPARE(previews.preview(u), before[size_t(u)]);
        }
    }
}

void tst_TribeColours::recolourOutOfRange()
{
    TribeColours colours;
    colours.InitTribeShades();
    TribePreviews previews(colours);
    QSignalSpy repainted(&previews, &TribePreviews::previewRepainted);
    previews.RecolourTribePreview(4);
    previews.RecolourTribePreview(-1);
    QCOMPARE(repainted.size(), 0);
    QVERIFY(previews.preview(4).isNull());
}

void tst_TribeColours::sendTribeColours_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("yellow") << 2 << QByteArray("YELLOW 1 65535 0 0 0 0 0 0 0");
    QTest::newRow("red") << 1 << QByteArray("RED 1 1 2 3 4 5 6 7 8");
    QTest::newRow("blue") << 0 << QByteArray("BLUE 1 0 0 0 0 0 0 0 0");
    QTest::newRow("green") << 3 << QByteArray("GREEN 1 0 0 0 0 0 0 0 0");
    QTest::newRow("no tribe") << 4 << QByteArray();
    QTest::newRow("negative") << -1 << QByteArray();
}

void tst_TribeColours::sendTribeColours()
{
    QFETCH(int, selected);
    QFETCH(QByteArray, expected);
    TribeColours colours;
    colours.InitTribeShades();
    for (int t = 0; t < TribeColours::TribeCount; ++t)
        for (int s = 0; s < TribeColours::ShadeCount; ++s)
            colours.setColour(t, s, 0);
    colours.setColour(TribeColours::Yellow, 0, 65535);
    for (int s = 0; s < TribeColours::ShadeCount; ++s)
        colours.setColour(TribeColours::Red, s, s + 1);
    TribePreviews previews(colours);
    RecordingCommandSink sink;
    qint16 selectedTribe = qint16(selected);
    TribeColourBroadcast broadcast(sink, colours, previews, selectedTribe);
    QSignalSpy repainted(&previews, &TribePreviews::previewRepainted);

    broadcast.SendTribeColours();
    if (expected.isEmpty()) {
        QVERIFY(sink.commands.isEmpty());
        QCOMPARE(repainted.size(), 0);
        return;
    }
    // One command, for the own tribe only; then all four previews.
    QCOMPARE(sink.commands, QList<QByteArray>{expected});
    QCOMPARE(repainted.size(), 4);
    for (int t = 0; t < 4; ++t)
        QCOMPARE(repainted.at(t).first().toInt(), t);
}

QTEST_GUILESS_MAIN(tst_TribeColours)
#include "tst_tribecolours.moc"
