// The lobby window's layout rules as a pure function of the window's size.
#include "lobby/LobbyLayout.h"

#include <QTest>

using Twips = LobbyLayout::Twips;
Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

constexpr double DW = LobbyLayout::DesignWidth;
constexpr double DH = LobbyLayout::DesignHeight;
const std::optional<QByteArray> Idle = QByteArray();

// Two passes: the one corner strip that lags a pass has settled too.
LobbyLayout atDesignSize()
{
    LobbyLayout layout = LobbyLayout::starting();
    layout.Form_Resize(DW, DH, Idle);
    layout.Form_Resize(DW, DH, Idle);
    return layout;
}

// What moved between two layouts, per control: the change of each value.
Twips delta(const LobbyLayout &before, const LobbyLayout &after, const QByteArray &name)
{
    const Twips a = before.get(name);
    const Twips b = after.get(name);
    return {b.Left - a.Left, b.Top - a.Top, b.Width - a.Width, b.Height - a.Height};
}

} // namespace

class tst_LobbyLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void designSize();
    void everyRowHasAContainer();
    void grow_data();
    void grow();
    void tooSmallKeepsSizes();
    void minimiseAndRestore();
    void cornerLagsOnePass();
    void hutArea_data();
    void hutArea();
    void moreChatLogs();
    void panelsHoldTheirControls_data();
    void panelsHoldTheirControls();
    void popUpPanelsShareTheChatLog_data();
    void popUpPanelsShareTheChatLog();
    void popUpPlacesForgetEarlierSizes_data();
    void popUpPlacesForgetEarlierSizes();
};

void tst_LobbyLayout::designSize()
{
    const LobbyLayout layout = atDesignSize();
    QCOMPARE(layout.get("FrameMain"), (Twips{120, 600, 13935, 10215}));
    for (const char *panel : {"FrameSettings", "FrameMaps", "FrameMods", "frameranks"})
        QCOMPARE(layout.get(panel), (Twips{120, 600, 13935, 10215}));
    QCOMPARE(layout.get("ChatFrame").Height, 9885.0);
    for (const char *button : {"cmdHost", "cmdlaunch", "cmdShowRoomT", "logout"})
        QCOMPARE(layout.get(button).Top, 9495.0);
    // The user list keeps 200 twips from the panel's right edge.
    const Twips users = layout.get("lstUsers");
    QCOMPARE(users.Left + users.Width, 13935.0 - 200);
    // The input sits on the bottom edge and the log reaches the strip above it.
    const Twips input = layout.get("txtInput");
    QCOMPARE(input.Top + input.Height, layout.get("Trim(12)").Top);
    QCOMPARE(layout.get("txtOut(0)").Top + layout.get("txtOut(0)").Height, layout.get("Trim(22)").Top);
    QCOMPARE(layout.get("txtOut(0)").Width, layout.get("ChatFrame").Width - 70 - 130);
    QCOMPARE(layout.get("ChatFrame").Width, layout.get("Trim(3)").Left - 2520 - 200);
    // The create-hut panel stands on the host button.
    QCOMPARE(layout.get("fraCreateHut").Top + layout.get("fraCreateHut").Height, layout.get("cmdHost").Top);
    // The create-room panel stands on its button, in window coordinates.
    QCOMPARE(layout.get("FrameCreateRoom").Top + layout.get("FrameCreateRoom").Height,
             layout.get("cmdShowRoomT").Top + 600);
}

void tst_LobbyLayout::everyRowHasAContainer()
{
    const LobbyLayout layout = LobbyLayout::starting();
    const QByteArray windowLevel[] = {"FrameMain", "FrameSettings", "FrameMaps", "FrameMods", "frameranks",
                                      "FrameCreateRoom"};
    for (const QByteArray &name : layout.names()) {
        const QByteArray container = LobbyLayout::containerOf(name);
        if (std::find(std::begin(windowLevel), std::end(windowLevel), name) != std::end(windowLevel))
            QVERIFY2(container.isEmpty(), name.constData());
        else
            QVERIFY2(layout.has(container), name.constData());
    }
    // Every control the rules touch has its row from the start.
    for (const char *name : {"lstPacks", "lstMaps", "MapPreview", "picDLMapsMenu", "lstMapPacks", "PBMapsDownloadM",
                             "cmdDownloadMappacksM", "CancelDLMaps", "LstMods", "PreviewMods", "framoddownload",
                             "txtModDesc", "lstRanks", "Trim(29)", "Trim(20)"})
        QVERIFY2(layout.has(name), name);
}

// The window grown by 1000 twips in width, then in height: what moves and
// grows, and by how much.
void tst_LobbyLayout::grow_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QSizeF>("growth");
    QTest::addColumn<Twips>("change");
    const auto newRow = [](const char *how, const QByteArray &name, Twips change) {
        const bool widthGrows = QByteArray(how) == "wider";
        QTest::addRow("%s: %s", how, name.constData())
            << name << (widthGrows ? QSizeF(1000, 0) : QSizeF(0, 1000)) << change;
    };
    const Twips right{1000, 0, 0, 0};
    const Twips wider{0, 0, 1000, 0};
    for (const char *n : {"lstUsers", "Trim(4)", "Trim(0)", "Trim(16)", "Trim(3)", "Trim(1)", "Trim(15)", "Trim(2)",
                          "Trim(14)", "frarooms", "cmdShowRoomT", "logout", "cmdSmileys", "cmdRoomClose", "Trim(10)",
                          "Trim(11)"})
        newRow("wider", QByteArray(n), right);
    for (const char *n : {"ChatFrame", "txtOut(0)", "txtInput", "Trim(12)", "Trim(22)", "Trim(23)", "frmGame",
                          "FraTribePal", "FrameMain", "FrameMaps", "FrameMods", "FrameSettings", "frameranks",
                          "MapPreview", "picDLMapsMenu", "lstMapPacks", "PreviewMods", "PBModsDL"})
        newRow("wider", QByteArray(n), wider);
    newRow("wider", QByteArray("PBModDL"), Twips{500, 0, 0, 0});
    newRow("wider", QByteArray("framoddownload"), Twips{500, 0, 0, 0});
    newRow("wider", QByteArray("txtModDesc"), right);
    newRow("wider", QByteArray("PBMapsDownloadM"), Twips{500, 0, 0, 0});
    newRow("wider", QByteArray("FrameCreateRoom"), right);
    for (const char *n : {"lstHuts", "fraCreateHut", "cmdHost", "cmdlaunch", "picExitHut", "Trim(26)", "lstRanks",
                          "lstPacks", "Trim(20)", "Trim(21)"})
        newRow("wider", QByteArray(n), Twips{});
    const Twips down{0, 1000, 0, 0};
    const Twips taller{0, 0, 0, 1000};
    for (const char *n : {"FrameMain", "FrameSettings", "FrameMaps", "FrameMods", "frameranks", "ChatFrame",
                          "txtOut(0)", "lstUsers", "lstHuts", "MapPreview", "txtModDesc", "LstMods", "lstRanks",
                          "Trim(1)", "Trim(3)", "Trim(26)", "Trim(29)", "Trim(11)", "Trim(21)", "picDLMapsMenu",
                          "lstMapPacks"})
        newRow("taller", QByteArray(n), taller);
    for (const char *n : {"frarooms", "txtInput", "Trim(2)", "Trim(14)", "Trim(15)", "Trim(12)", "Trim(22)",
                          "Trim(25)", "cmdHost", "cmdlaunch", "cmdShowRoomT", "logout", "cmdSmileys",
                          "fraCreateHut", "picExitHut", "FrameCreateRoom", "cmdRefreshQX", "cmdDownloadQX",
                          "cmdmodsDownload", "cmdmodsRefresh", "PBMapsDownloadM", "cmdSelectAll"})
        newRow("taller", QByteArray(n), down);
    newRow("taller", QByteArray("lstPacks"), Twips{0, 0, 0, 500});
    newRow("taller", QByteArray("lstMaps"), Twips{0, 500, 0, 500});
    newRow("taller", QByteArray("PBMapDL"), Twips{0, 500, 0, 0});
    newRow("taller", QByteArray("framoddownload"), Twips{0, 500, 0, 0});
    for (const char *n : {"Trim(0)", "Trim(4)", "Trim(27)", "Trim(30)", "frmGame", "FraTribePal"})
        newRow("taller", QByteArray(n), Twips{});
}

void tst_LobbyLayout::grow()
{
    QFETCH(QByteArray, name);
    QFETCH(QSizeF, growth);
    QFETCH(Twips, change);
    const LobbyLayout before = atDesignSize();
    LobbyLayout after = atDesignSize();
    after.Form_Resize(DW + growth.width(), DH + growth.height(), Idle);
    QCOMPARE(delta(before, after, name), change);
}

void tst_LobbyLayout::tooSmallKeepsSizes()
{
    const LobbyLayout before = atDesignSize();
    LobbyLayout after = atDesignSize();
    // W - 420 is negative: FrameMain keeps its width; every later step still runs.
    after.Form_Resize(300, DH + 1000, Idle);
    QCOMPARE(after.get("FrameMain").Width, before.get("FrameMain").Width);
    QCOMPARE(after.get("FrameMain").Height, before.get("FrameMain").Height + 1000);
    QCOMPARE(after.get("lstHuts").Height, before.get("lstHuts").Height + 1000);
    QCOMPARE(after.get("cmdHost").Top, before.get("cmdHost").Top + 1000);

    // A window too low for the lists: each refused size stays, positions still move.
    LobbyLayout low = atDesignSize();
    low.Form_Resize(DW, 2500, Idle);
    const double frameHeight = 2500 - 620 - 600;
    QCOMPARE(low.get("FrameMain").Height, frameHeight);
    QCOMPARE(low.get("lstUsers").Height, before.get("lstUsers").Height); // would be negative
    QCOMPARE(low.get("lstHuts").Height, before.get("lstHuts").Height);   // would be negative
    QCOMPARE(low.get("Trim(25)").Top, before.get("Trim(25)").Top);     // follows the kept height
    QCOMPARE(low.get("cmdHost").Top, frameHeight - 720);
    QCOMPARE(low.get("txtOut(0)").Height, before.get("txtOut(0)").Height); // would be negative
    QCOMPARE(low.get("txtInput").Top, low.get("Trim(12)").Top - low.get("txtInput").Height);
    for (const QByteArray &name : low.names()) {
        QVERIFY2(low.get(name).Width >= 0, name.constData());
        QVERIFY2(low.get(name).Height >= 0, name.constData());
    }
}

void tst_LobbyLayout::minimiseAndRestore()
{
    LobbyLayout layout = atDesignSize();
    layout.Form_Resize(DW + 2000, DH + 1500, Idle);
    layout.Form_Resize(DW + 2000, DH + 1500, Idle);
    const LobbyLayout before = layout;
    layout.Form_Resize(1600, 1200, Idle); // minimised: most sizes refused
    layout.Form_Resize(DW + 2000, DH + 1500, Idle);
    for (const QByteArray &name : before.names()) {
        if (name != "Trim(20)")
            QCOMPARE(layout.get(name), before.get(name));
    }
    layout.Form_Resize(DW + 2000, DH + 1500, Idle);
    QCOMPARE(layout.get("Trim(20)"), before.get("Trim(20)"));
}

void tst_LobbyLayout::cornerLagsOnePass()
{
    LobbyLayout layout = atDesignSize();
    layout.Form_Resize(DW, DH, Idle);
    const double settled = layout.get("Trim(20)").Top;
    layout.Form_Resize(DW, DH + 600, Idle);
    QCOMPARE(layout.get("Trim(20)").Top, settled);
    layout.Form_Resize(DW, DH + 600, Idle);
    QCOMPARE(layout.get("Trim(20)").Top, settled + 600);
    QCOMPARE(layout.get("Trim(20)").Top, layout.get("Trim(21)").Height);
}

void tst_LobbyLayout::hutArea_data()
{
    QTest::addColumn<std::optional<QByteArray>>("state");
    QTest::addColumn<bool>("overChatLog");
    QTest::newRow("HOST") << std::optional<QByteArray>("HOST") << true;
    QTest::newRow("WARPHOST") << std::optional<QByteArray>("WARPHOST") << true;
    QTest::newRow("CLIENT") << std::optional<QByteArray>("CLIENT") << true;
    QTest::newRow("host") << std::optional<QByteArray>("host") << false;
    QTest::newRow("GAMING") << std::optional<QByteArray>("GAMING") << false;
    QTest::newRow("empty") << std::optional<QByteArray>(QByteArray()) << false;
    QTest::newRow("HOST ") << std::optional<QByteArray>("HOST ") << false;
    // No own record yet: the test fails and the area is moved as in a hut.
    QTest::newRow("no record") << std::optional<QByteArray>() << true;
}

void tst_LobbyLayout::hutArea()
{
    QFETCH(std::optional<QByteArray>, state);
    QFETCH(bool, overChatLog);
    LobbyLayout layout = LobbyLayout::starting();
    layout.set("frmGame", {500, 900, 7695, 2585});
    const auto result = layout.Form_Resize(DW + 300, DH, state);
    QCOMPARE(result == LobbyLayout::HutArea::OverChatLog, overChatLog);
    const Twips game = layout.get("frmGame");
    const Twips log = layout.get("txtOut(0)");
    if (overChatLog) {
        QCOMPARE(game.Left, log.Left);
        QCOMPARE(game.Top, log.Top);
    } else {
        QCOMPARE(game.Left, 500.0);
        QCOMPARE(game.Top, 900.0);
    }
    QCOMPARE(game.Width, log.Width - 20); // its width follows the log either way
}

void tst_LobbyLayout::moreChatLogs()
{
    LobbyLayout layout = atDesignSize();
    layout.setChatLogCount(3);
    QCOMPARE(layout.get("txtOut(2)"), layout.get("txtOut(0)"));
    layout.Form_Resize(DW + 1000, DH + 1000, Idle);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(layout.get("txtOut(" + QByteArray::number(i) + ")"), layout.get("txtOut(0)"));
    layout.setChatLogCount(1);
    QVERIFY(!layout.has("txtOut(1)"));
    QCOMPARE(LobbyLayout::containerOf("txtOut(1)"), QByteArray("ChatFrame"));
}

// At any window size the catalogue panels' controls lie inside their panel
// and beside each other, cancel included (shown only during a run), and the
// mod panel inside its tab.
void tst_LobbyLayout::panelsHoldTheirControls_data()
{
    QTest::addColumn<QSizeF>("window");   // outer size in twips
    QTest::newRow("design") << QSizeF(DW, DH);
    QTest::newRow("1400 x 1000") << QSizeF(1400 * 15 + 120, 1000 * 15 + 395);
    QTest::newRow("640 x 480") << QSizeF(640 * 15 + 120, 480 * 15 + 395);
    QTest::newRow("tall and narrow") << QSizeF(700 * 15 + 120, 1100 * 15 + 395);
}

void tst_LobbyLayout::panelsHoldTheirControls()
{
    QFETCH(QSizeF, window);
    LobbyLayout layout = atDesignSize();
    layout.Form_Resize(window.width(), window.height(), Idle);
    const auto rect = [&](const char *name) {
        const Twips t = layout.get(name);
        return QRectF(t.Left, t.Top, t.Width, t.Height);
    };
    const auto inside = [&](const char *name) {
        const Twips c = layout.get(LobbyLayout::containerOf(name));
        return QRectF(0, 0, c.Width, c.Height).contains(rect(name));
    };
    const char *const menu[] = {"lstMapPacks", "PBMapsDownloadM", "cmdSelectAll", "cmdSelectNone",
                                "cmdDoneMaps", "CancelDLMaps", "cmdDownloadMappacksM", "lblStat", "lblDLMapsMenu"};
    for (const char *name : menu)
        QVERIFY2(inside(name), name);
    for (size_t i = 0; i < std::size(menu); ++i) {
        for (size_t j = i + 1; j < std::size(menu); ++j)
            QVERIFY2(!rect(menu[i]).intersects(rect(menu[j])), qPrintable(QStringLiteral("%1 and %2").arg(
                                                                     QLatin1String(menu[i]), QLatin1String(menu[j]))));
    }
    // Cancel stands beside the download button, as in the design.
    QCOMPARE(layout.get("CancelDLMaps").Top, layout.get("cmdDownloadMappacksM").Top + 40);
    for (const char *name : {"framoddownload", "PreviewMods", "PBModsDL", "txtModDesc", "LstMods", "lblModName",
                             "lblModCreator", "cmdmodsDownload", "cmdmodsRefresh", "Trim(10)"})
        QVERIFY2(inside(name), name);
}

// The chat area's pop-up panels that show, at their design heights: each
// where the rules put it while it overlaps no other, else below the one above
// it; in a log too short for all, each a share of it. Always inside the first
// chat log, above the strip and the input, and clear of each other.
void tst_LobbyLayout::popUpPanelsShareTheChatLog_data()
{
    QTest::addColumn<double>("W");
    QTest::addColumn<double>("H");
    QTest::addColumn<QByteArrayList>("shown");
    QTest::addColumn<double>("mapTop");   // < 0: not checked
    QTest::addColumn<double>("modTop");
    QTest::addColumn<double>("modLeft");
    const QByteArrayList all{"frmGame", "FraTribePal", "PBMapDL", "PBModDL"};
    const double smallW = 640 * 15 + 120.0;
    const double smallH = 480 * 15 + 395.0;
    QTest::newRow("mod pack alone") << DW << DH << QByteArrayList{"PBModDL"} << -1.0 << 4680.0 << 8325 / 2.0 - 6015 / 2.0;
    QTest::newRow("map pack alone") << DW << DH << QByteArrayList{"PBMapDL"} << 2790.0 << -1.0 << -1.0;
    QTest::newRow("both packs") << DW << DH << QByteArrayList{"PBMapDL", "PBModDL"} << 2790.0 << 5685.0
                                << 8325 / 2.0 - 6015 / 2.0;
    QTest::newRow("hut area and both packs") << DW << DH << QByteArrayList{"frmGame", "PBMapDL", "PBModDL"}
                                             << 3420.0 << 6315.0 << -1.0;
    QTest::newRow("all, design size") << DW << DH << all << -1.0 << -1.0 << -1.0;
    QTest::newRow("all, 800x600") << 800 * 15 + 120.0 << 600 * 15 + 395.0 << all << -1.0 << -1.0 << -1.0;
    QTest::newRow("all, 640x480") << smallW << smallH << all << -1.0 << -1.0 << -1.0;
    QTest::newRow("hut area and colours, 640x480") << smallW << smallH << QByteArrayList{"frmGame", "FraTribePal"}
                                                    << -1.0 << -1.0 << -1.0;
}

void tst_LobbyLayout::popUpPanelsShareTheChatLog()
{
    QFETCH(double, W);
    QFETCH(double, H);
    QFETCH(QByteArrayList, shown);
    QFETCH(double, mapTop);
    QFETCH(double, modTop);
    QFETCH(double, modLeft);
    LobbyLayout layout = LobbyLayout::starting();
    const std::optional<QByteArray> inHut = QByteArray("CLIENT");
    for (const char *name : {"frmGame", "FraTribePal", "PBMapDL", "PBModDL"})
        layout.setPopUp(name, shown.contains(name), LobbyLayout::starting().get(name).Height);
    layout.Form_Resize(W, H, inHut);
    const LobbyLayout first = layout;
    layout.Form_Resize(W, H, inHut);
    const Twips log = layout.get("txtOut(0)");
    const Twips chat = layout.get("ChatFrame");
    const double bottom = layout.get("Trim(22)").Top;
    QVERIFY(bottom < layout.get("txtInput").Top);
    QList<Twips> placed;
    for (const QByteArray &name : shown) {
        const Twips t = layout.get(name);
        // The same size, the same places.
        QCOMPARE(t, first.get(name));
        QVERIFY2(t.Left >= 0 && t.Left + t.Width <= chat.Width, name.constData());
        QVERIFY2(t.Top >= log.Top && t.Top + t.Height <= bottom, name.constData());
        QVERIFY2(t.Height >= 15, name.constData());
        for (const Twips &other : placed)
            QVERIFY2(t.Top >= other.Top + other.Height || t.Top + t.Height <= other.Top, name.constData());
        placed.append(t);
    }
    if (mapTop >= 0)
        QCOMPARE(layout.get("PBMapDL").Top, mapTop);
    if (modTop >= 0)
        QCOMPARE(layout.get("PBModDL").Top, modTop);
    if (modLeft >= 0)
        QCOMPARE(layout.get("PBModDL").Left, modLeft);
}

// The pop-up panels along a path of window sizes, ending where it began (or
// with the map pack's area closed at the end): at the last size each panel
// lies where a fresh window of that size puts it, whatever came before.
void tst_LobbyLayout::popUpPlacesForgetEarlierSizes_data()
{
    QTest::addColumn<QByteArrayList>("shown");
    QTest::addColumn<QByteArrayList>("shownAtTheEnd");
    QTest::addColumn<QSizeF>("between");
    const QByteArrayList all{"frmGame", "PBMapDL", "PBModDL"};
    const QByteArrayList modOnly{"frmGame", "PBModDL"};
    const QSizeF small(640 * 15 + 120.0, 480 * 15 + 395.0);
    const QSizeF large(1600 * 15 + 120.0, 1200 * 15 + 395.0);
    for (const auto &[path, size] : {std::pair{"640x480", small}, std::pair{"1600x1200", large}}) {
        QTest::addRow("hut area, map and mod, design, %s, design", path) << all << all << size;
        QTest::addRow("hut area and mod, design, %s, design", path) << modOnly << modOnly << size;
        QTest::addRow("hut area, map and mod, design, %s, design, map closed", path) << all << modOnly << size;
    }
}

void tst_LobbyLayout::popUpPlacesForgetEarlierSizes()
{
    QFETCH(QByteArrayList, shown);
    QFETCH(QByteArrayList, shownAtTheEnd);
    QFETCH(QSizeF, between);
    const std::optional<QByteArray> inHut = QByteArray("CLIENT");
    const QByteArrayList panels{"frmGame", "FraTribePal", "PBMapDL", "PBModDL"};
    const auto show = [&panels](LobbyLayout &layout, const QByteArrayList &which) {
        for (const QByteArray &name : panels)
            layout.setPopUp(name, which.contains(name), LobbyLayout::starting().get(name).Height);
    };
    // Two passes at each size, as the window runs them.
    const auto resize = [&inHut](LobbyLayout &layout, double W, double H) {
        layout.Form_Resize(W, H, inHut);
        layout.Form_Resize(W, H, inHut);
    };
    LobbyLayout walked = LobbyLayout::starting();
    show(walked, shown);
    resize(walked, DW, DH);
    resize(walked, between.width(), between.height());
    resize(walked, DW, DH);
    show(walked, shownAtTheEnd);
    resize(walked, DW, DH);

    LobbyLayout fresh = LobbyLayout::starting();
    show(fresh, shownAtTheEnd);
    resize(fresh, DW, DH);
    for (const QByteArray &name : shownAtTheEnd)
        QCOMPARE(walked.get(name), fresh.get(name));
    // At the design size the pack areas stand where the design has them,
    // below the hut area where they would overlap it.
    const double below = fresh.get("frmGame").Top + fresh.get("frmGame").Height;
    QCOMPARE(fresh.get("PBModDL").Width, 6015.0);
    if (shownAtTheEnd.contains("PBMapDL")) {
        QCOMPARE(fresh.get("PBMapDL").Left, 1680.0);
        QCOMPARE(fresh.get("PBMapDL").Width, 6015.0);
        QCOMPARE(fresh.get("PBMapDL").Top, below);
    } else {
        QCOMPARE(fresh.get("PBModDL").Top, 4680.0);
    }
}

QTEST_APPLESS_MAIN(tst_LobbyLayout)
#include "tst_lobbylayout.moc"
