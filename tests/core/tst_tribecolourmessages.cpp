#include "core/Dispatcher.h"
#include "core/LobbyMessage.h"
#include "core/TribeColourMessages.h"
#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"
#include "packs/TribePreviews.h"
#include "tests/core/HutTestClient.h"

#include <QSignalSpy>
#include <QtTest>

using Colours = QList<qint32>;

class tst_TribeColourMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colourMessages_data();
    void colourMessages();
    void previewFollowsTheBoxes();
};

void tst_TribeColourMessages::colourMessages_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("tribe");
    QTest::addColumn<Colours>("expected");   // the tribe's boxes afterwards; -1: the default
    QTest::addColumn<bool>("repainted");

    const Colours unchanged{-1, -1, -1, -1, -1, -1, -1, -1};
    QTest::newRow("red, eight colours") << QByteArray("RED 1 9 1 2 3 4 5 6 7 8") << 1
                                        << Colours{1, 2, 3, 4, 5, 6, 7, 8} << true;
    QTest::newRow("word 2 is not read") << QByteArray("RED 1 whatever 1 2 3 4 5 6 7 8") << 1
                                        << Colours{1, 2, 3, 4, 5, 6, 7, 8} << true;
    QTest::newRow("word 1 not 1") << QByteArray("RED 2 9 1 2 3 4 5 6 7 8") << 1 << unchanged << false;
    QTest::newRow("seven colours") << QByteArray("GREEN 1 9 1 2 3 4 5 6 7") << 3
                                   << Colours{1, 2, 3, 4, 5, 6, 7, -1} << true;
    QTest::newRow("pure red") << QByteArray("YELLOW 1 9 255 255 255 255 255 255 255 255") << 2
                              << Colours{255, 255, 255, 255, 255, 255, 255, 255} << true;
    QTest::newRow("pure blue") << QByteArray("BLUE 1 9 16711680 0 0 0 0 0 0 16777215") << 0
                               << Colours{16711680, 0, 0, 0, 0, 0, 0, 16777215} << true;
    QTest::newRow("out of range and junk leave their box")
        << QByteArray("BLUE 1 9 16777216 -1 12abc  4294967295 99999999999 +7 6") << 0
        << Colours{-1, -1, -1, -1, -1, -1, 7, 6} << true;
    QTest::newRow("no colours") << QByteArray("BLUE 1 9") << 0 << unchanged << true;
    QTest::newRow("letter case counts") << QByteArray("red 1 9 1 2 3 4 5 6 7 8") << 1 << unchanged << false;
}

void tst_TribeColourMessages::colourMessages()
{
    QFETCH(QByteArray, message);
    QFETCH(int, tribe);
    QFETCH(Colours, expected);
    QFETCH(bool, repainted);

    LobbyServer server;
    QVERIFY(server.listen());
    HutTestClient client;
    TribeColours colours;
    colours.InitTribeShades();
    colours.SetDefaultTribeColours();
    TribePreviews previews(colours);
    TribeColourMessages handlers(colours, previews);
    handlers.registerHandlers(client.dispatcher);
    QSignalSpy repaints(&previews, &TribePreviews::previewRepainted);
    QVERIFY(client.connectTo(server));

    server.send(0, message);
    QCOMPARE(sentAfterVersion(server, client), QList<QByteArray>{}); // nothing goes back

    for (int s = 0; s < TribeColours::ShadeCount; ++s) {
        const qint32 want = expected[s] == -1 ? TribeColours::DefaultRamp(tribe, s) : expected[s];
        QCOMPARE(colours.colour(tribe, s), want);
    }
    // The other tribes keep their defaults.
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        if (t == tribe)
            continue;
        for (int s = 0; s < TribeColours::ShadeCount; ++s)
            QCOMPARE(colours.colour(t, s), TribeColours::DefaultRamp(t, s));
    }
    QCOMPARE(int(repaints.size()), repainted ? 1 : 0);
    if (repainted)
        QCOMPARE(repaints.first().first().toInt(), tribe);
}

void tst_TribeColourMessages::previewFollowsTheBoxes()
{
    TribeColours colours;
    colours.InitTribeShades();
    colours.SetDefaultTribeColours();
    TribePreviews previews(colours);
    TribeColourMessages handlers(colours, previews);
    Dispatcher dispatcher;
    handlers.registerHandlers(dispatcher);

    dispatcher.dispatch(LobbyMessage("RED 1 4 255 255 255 255 255 255 255 255"));
    const QImage &ref = previews.reference(TribeColours::Red);
    const QImage &out = previews.preview(TribeColours::Red);
    int recoloured = 0;
    for (int y = 0; y < ref.height(); ++y) {
        for (int x = 0; x < ref.width(); ++x) {
            const qint32 c = TribeFigure::fromRgb(ref.pixel(x, y));
            bool isShade = false;
            for (int s = 0; s < TribeColours::ShadeCount; ++s)
                isShade = isShade || c == colours.TribeShade(TribeColours::Red, s);
            if (isShade) {
                QCOMPARE(out.pixel(x, y), qRgb(255, 0, 0));
                ++recoloured;
            } else {
                QCOMPARE(out.pixel(x, y), ref.pixel(x, y));
            }
        }
    }
    QVERIFY(recoloured > 100);
}

QTEST_MAIN(tst_TribeColourMessages)
#include "tst_tribecolourmessages.moc"
