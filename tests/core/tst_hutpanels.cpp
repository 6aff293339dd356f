// The hut area follows the own state, one change after another: shown on
// entering a hut, gone with its game menu and the tribe colours when the own
// user is in none, the game menu a host's only.
#include "core/HutPanels.h"

#include <QSignalSpy>
#include <QTest>

class tst_HutPanels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void followsOwnState();
};

void tst_HutPanels::followsOwnState()
{
    struct Step
    {
        const char *what;
        std::optional<QByteArray> state;
        bool openMenuAndColours;   // the player opens both after the change
        bool area, menu, colours, colourTab, raised;
    };
    const std::optional<QByteArray> none;
    const Step steps[] = {
        {"host", QByteArray("HOST"), true, true, true, true, true, true},
        {"client of another hut", QByteArray("CLIENT"), false, true, false, true, true, false},
        {"gaming", QByteArray("GAMING"), false, false, false, false, true, false},
        {"host after the game", QByteArray("HOST"), false, true, false, false, true, true},
        {"warp host", QByteArray("WARPHOST"), true, true, true, true, true, false},
        {"idle", QByteArray(), false, false, false, false, false, false},
        {"warp host from idle", QByteArray("WARPHOST"), false, true, false, false, false, true},
        {"no own record", none, false, false, false, false, false, false},
        {"lower-case host is no host", QByteArray("host"), false, false, false, false, false, false},
    };
    HutPanels panels;
    QSignalSpy raised(&panels, &HutPanels::gamePanelRaised);
    for (const Step &step : steps) {
        raised.clear();
        panels.followOwnState(step.state);
        QCOMPARE(raised.count() == 1, step.raised);
        if (step.openMenuAndColours) {
            panels.update([](HutPanels::State &s) {
                s.fraGameMenuVisible = true;
                s.tribeTabVisible = true;
                s.FraTribePalVisible = true;
            });
        }
        const HutPanels::State &s = panels.state();
        QVERIFY2(s.frmGameVisible == step.area, step.what);
        QVERIFY2(s.fraGameMenuVisible == step.menu, step.what);
        QVERIFY2(s.FraTribePalVisible == step.colours, step.what);
        QVERIFY2(s.tribeTabVisible == step.colourTab, step.what);
    }
    // A refresh that finds the user no longer hosting closes the menu.
    panels.followOwnState(QByteArray("HOST"));
    panels.update([](HutPanels::State &s) { s.fraGameMenuVisible = true; });
    panels.ownStateRefreshed(false);
    QVERIFY(!panels.state().fraGameMenuVisible);
}

QTEST_APPLESS_MAIN(tst_HutPanels)
#include "tst_hutpanels.moc"
