// The maps and mods tabs' panels and the rankings list on real widgets: rows
// tied to their packs whatever order the lists show, the level picture's
// pixels, the mod preview's fields, the refresh button, and the pack list
// box's sorted insertion.
#include "core/ClientState.h"
#include "core/ui/PackListBox.h"
#include "core/util/Ini.h"
#include "lobby/ColourValue.h"
#include "lobby/Rankings.h"
#include "lobby/ui/LobbyIcons.h"
#include "lobby/ui/RanksView.h"
#include "packs/LevelPicture.h"
#include "packs/ui/MapPackPanel.h"
#include "packs/ui/MapPreview.h"
#include "packs/ui/ModPackPanel.h"
#include "packs/ui/PicturePreview.h"
#include "tests/fixtures/DevPreviewContent.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/packs/InstallFixture.h"
#include "tests/ui/PackListTesting.h"

#include <QBuffer>
#include <memory>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace InstallTest;
using namespace PackListTesting;

namespace {

QByteArray mapManifest(const QList<QByteArray> &levels)
{
    QByteArray out = "PACKCREATOR: x\r\n";
    for (const QByteArray &l : levels)
        out += "LEVEL:\r\nNAME: " + l + "\r\nDAT: " + l + ".dat\r\nHDR: " + l + ".hdr\r\nCREATOR: by " + l + "\r\n\r\n";
    return out;
}

// Sea with a flat square of land.
QByteArray island(int x0, int y0, int side, int height)
{
    QByteArray map(LevelPicture::Bytes, '\0');
    for (int y = y0; y < y0 + side; ++y) {
        for (int x = x0; x < x0 + side; ++x) {
            map[(y * 128 + x) * 2] = char(height & 0xFF);
            map[(y * 128 + x) * 2 + 1] = char(height >> 8);
        }
    }
    return map;
}

QByteArray header(int players, int texture)
{
    QByteArray h(200, '\0');
    h[88] = char(players);
    h[96] = char(texture);
    return h;
}

} // namespace

class tst_PackPreviews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sortedInsertion_data();
    void sortedInsertion();
    void listBoxMembers();
    void mapRowsFollowTheirPacks();
    void mapPackClickWithoutCurrentRow();
    void packListsDrawOncePerFill();
    void levelOfEarlierPackNeverShown();
    void mapPreviewPixels();
    void mapPreviewWithoutPicture();
    void modPanel();
    void modRefreshDisablesButton();
    void pictureBoxRefusesWhatItCannotShow();
    void ranksList();
};

void tst_PackPreviews::sortedInsertion_data()
{
    QTest::addColumn<QStringList>("adds");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("newIndexes");
    QTest::newRow("b a c") << QStringList{"b", "a", "c"} << QStringList{"a", "b", "c"} << QList<int>{0, 0, 2};
    QTest::newRow("upper case first") << QStringList{"a", "c", "B"} << QStringList{"B", "a", "c"}
                                      << QList<int>{0, 1, 0};
    QTest::newRow("equal goes before") << QStringList{"a", "b", "b"} << QStringList{"a", "b", "b"}
                                       << QList<int>{0, 1, 1};
    QTest::newRow("pack names") << QStringList{"alpha", "Beta", "desert duels", "Twin Peaks"}
                                << QStringList{"Beta", "Twin Peaks", "alpha", "desert duels"}
                                << QList<int>{0, 0, 2, 1};
}

void tst_PackPreviews::sortedInsertion()
{
    QFETCH(QStringList, adds);
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, newIndexes);
    PackListBox list;
    list.setSorted(true);
    QList<int> got;
    for (const QString &text : adds) {
        list.AddItem(text);
        got << list.NewIndex();
    }
    QCOMPARE(::rows(&list), rows);
    QCOMPARE(got, newIndexes);
}

void tst_PackPreviews::listBoxMembers()
{
    PackListBox list;
    list.resize(200, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setSorted(true);
    list.AddItem(QStringLiteral("m"));
    list.AddItem(QStringLiteral("z"), list.ListCount()); // an index appends, sorted or not
    list.AddItem(QStringLiteral("a"), 0);
    QCOMPARE(rows(&list), (QStringList{"a", "m", "z"}));
    QCOMPARE(list.NewIndex(), 0);
    list.setItemData(2, 77);
    QCOMPARE(list.ItemData(2), 77);
    QCOMPARE(list.ItemData(3), 0);
    QCOMPARE(list.List(-1), QString());
    QCOMPARE(list.ListIndex(), -1);
    list.setSelected(1, true);
    QCOMPARE(list.ListIndex(), 1);
    QVERIFY(list.Selected(1));
    list.setSelected(1, false);
    QCOMPARE(list.ListIndex(), -1);

    QSignalSpy clicks(&list, &PackListBox::Click);
    QSignalSpy keys(&list, &PackListBox::KeyUp);
    click(&list, 2);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(list.ListIndex(), 2);
    QTest::keyClick(&list, Qt::Key_Up);
    QCOMPARE(keys.count(), 1);
    QCOMPARE(list.ListIndex(), 1);

    list.setEnabled(false);
    list.AddItem(QStringLiteral("b"));
    QCOMPARE(list.ListCount(), 3);
    list.Clear();
    QCOMPARE(list.ListCount(), 0);
    QCOMPARE(list.NewIndex(), -1);
    QCOMPARE(list.ListIndex(), -1);
}

void tst_PackPreviews::mapRowsFollowTheirPacks()
{
    Fixture f;
    // Listed as alpha, Beta (without regard to case); shown as Beta, alpha.
    KafPackBuilder::build(f.client(QStringLiteral("mappacks/alpha.kaf")),
                          {{"mappack.txt", mapManifest({"A1", "A2"})},
                           {"A1.dat", island(0, 0, 10, 200)},
                           {"A1.hdr", header(2, 1)},
                           {"A2.dat", island(0, 0, 10, 400)},
                           {"A2.hdr", header(4, 5)}});
    KafPackBuilder::build(f.client(QStringLiteral("mappacks/Beta.kaf")),
                          {{"mappack.txt", mapManifest({"B1"})}, {"B1.dat", island(5, 5, 3, 900)},
                           {"B1.hdr", header(3, 9)}});
    f.packs.BuildMappackCrcList();
    QCOMPARE(f.packs.InstalledMappacks.at(0).FileName, QStringLiteral("alpha.kaf"));

    MapPackPanel panel(f.setup, f.packs);
    panel.resize(700, 500);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.FillMapPackList();
    QCOMPARE(panel.mapPreview->BasePath(), f.setup.ProgramFolder);
    QCOMPARE(rows(panel.lstPacks), (QStringList{"Beta", "alpha"}));

    click(panel.lstPacks, 1);
    QCOMPARE(rows(panel.lstMaps), (QStringList{"A1", "A2"}));
    // Row 1 is level 2.
    click(panel.lstMaps, 1);
    QCOMPARE(panel.lblMapName->text(), QStringLiteral("A2"));
    QCOMPARE(panel.lblMapCreator->text(), QStringLiteral("Creator: by A2"));
    QCOMPARE(panel.lblhdrs->text(), QStringLiteral("Players: 4"));
    QCOMPARE(panel.lbltxture->text(), QStringLiteral("Land Texture: 5"));
    QCOMPARE(panel.mapPreview->showing(), MapPreview::Showing::Level);
    QCOMPARE(panel.mapPreview->picture(), LevelPicture::render(island(0, 0, 10, 400)));
    // A key release on the list shows the level it moved to.
    QTest::keyClick(panel.lstMaps, Qt::Key_Up);
    QCOMPARE(panel.lblMapName->text(), QStringLiteral("A1"));
    QCOMPARE(panel.lblhdrs->text(), QStringLiteral("Players: 2"));

    click(panel.lstPacks, 0);
    QCOMPARE(rows(panel.lstMaps), (QStringList{"B1"}));
    click(panel.lstMaps, 0);
    QCOMPARE(panel.lblMapCreator->text(), QStringLiteral("Creator: by B1"));
    QCOMPARE(panel.lbltxture->text(), QStringLiteral("Land Texture: 9"));

    // Filling again (the tab chosen again) empties the level list.
    panel.FillMapPackList();
    QCOMPARE(panel.lstMaps->ListCount(), 0);
    QCOMPARE(panel.mapPreview->showing(), MapPreview::Showing::Nothing);
    QVERIFY(panel.lblMapName->text().isEmpty());
}

// A list emptied and filled again is drawn once, not once empty and once full.
void tst_PackPreviews::packListsDrawOncePerFill()
{
    Fixture f;
    for (const char *name : {"one", "two", "three"}) {
        KafPackBuilder::build(f.client(QStringLiteral("mappacks/%1.kaf").arg(QLatin1String(name))),
                              {{"mappack.txt", mapManifest({"L1", "L2", "L3"})}});
    }
    f.packs.BuildMappackCrcList();
    MapPackPanel panel(f.setup, f.packs);
    panel.resize(700, 500);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const auto counted = [](MorphListBox *list) {
        auto count = std::make_shared<int>(0);
        list->surface().onRefresh = [count, refresh = list->surface().onRefresh] {
            ++*count;
            if (refresh)
                refresh();
        };
        return count;
    };
    const std::shared_ptr<int> packs = counted(panel.lstPacks);
    const std::shared_ptr<int> levels = counted(panel.lstMaps);
    for (int round = 0; round < 2; ++round) {
        *packs = 0;
        panel.FillMapPackList();
        QCOMPARE(panel.lstPacks->ListCount(), 3);
        QCOMPARE(*packs, 1);
        for (int row : {0, 2}) {
            click(panel.lstPacks, row);
            QCOMPARE(panel.lstMaps->ListCount(), 3);
            *levels = 0;
            panel.LoadMapPackInfo();
            QCOMPARE(panel.lstMaps->ListCount(), 3);
            QCOMPARE(*levels, 1);
        }
    }
}

void tst_PackPreviews::mapPackClickWithoutCurrentRow()
{
    Fixture f;
    f.addMappack(QStringLiteral("zeta.kaf"), {{"mappack.txt", mapManifest({"Z"})}});
    f.addMappack(QStringLiteral("Able.kaf"), {{"mappack.txt", mapManifest({"Y1", "Y2"})}});
    MapPackPanel panel(f.setup, f.packs);
    panel.resize(600, 400);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.FillMapPackList();
    QCOMPARE(rows(panel.lstPacks), (QStringList{"Able", "zeta"}));
    QCOMPARE(panel.lstPacks->NewIndex(), 0); // "Able" was added last, at the top
    // A click below the rows: the most recently added pack is chosen.
    click(panel.lstPacks, -1);
    QCOMPARE(panel.lstPacks->ListIndex(), 0);
    QCOMPARE(rows(panel.lstMaps), (QStringList{"Y1", "Y2"}));
    // A click on the level list below its rows with none current does nothing.
    click(panel.lstMaps, -1);
    QVERIFY(panel.lblMapName->text().isEmpty());

    // No packs: nothing happens.
    f.packs.InstalledMappacks.clear();
    panel.FillMapPackList();
    panel.LoadMapPackInfo();
    panel.ShowMapPreview();
    QCOMPARE(panel.lstMaps->ListCount(), 0);
}

void tst_PackPreviews::levelOfEarlierPackNeverShown()
{
    Fixture f;
    f.addMappack(QStringLiteral("a.kaf"), {{"mappack.txt", mapManifest({"L"})}, {"L.dat", island(1, 1, 4, 300)},
                                           {"L.hdr", header(4, 2)}});
    // The same names, but the files are missing from this pack.
    f.addMappack(QStringLiteral("b.kaf"), {{"mappack.txt", mapManifest({"L"})}});
    MapPackPanel panel(f.setup, f.packs);
    panel.resize(600, 400);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.FillMapPackList();
    click(panel.lstPacks, 0);
    click(panel.lstMaps, 0);
    QCOMPARE(panel.mapPreview->showing(), MapPreview::Showing::Level);
    // Choosing another pack takes the picture away with the levels.
    click(panel.lstPacks, 1);
    QCOMPARE(panel.mapPreview->showing(), MapPreview::Showing::Nothing);
    QVERIFY(panel.lblhdrs->text().isEmpty());
    click(panel.lstMaps, 0);
    QCOMPARE(panel.mapPreview->showing(), MapPreview::Showing::NoPreview);
    QCOMPARE(panel.lblhdrs->text(), QStringLiteral("Players: "));
    QCOMPARE(panel.lbltxture->text(), QStringLiteral("Land Texture: "));
    QCOMPARE(panel.lblMapName->text(), QStringLiteral("L"));
}

void tst_PackPreviews::mapPreviewPixels()
{
    MapPreview preview;
    preview.resize(256, 300); // the picture: 256 × 256, 22 pixels down
    preview.ShowLevelData(island(40, 60, 20, 514));
    QCOMPARE(preview.pictureRect(), QRect(0, 22, 256, 256));
    const QImage shot = preview.grab().toImage();
    auto at = [&](int x, int y) { return shot.pixel(x * 2 + 1, 22 + y * 2 + 1) & 0xFFFFFF; };
    QCOMPARE(at(0, 0), LevelPicture::heightColour(0) & 0xFFFFFF);
    QCOMPARE(at(50, 70), LevelPicture::heightColour(514) & 0xFFFFFF);
    QCOMPARE(at(127, 127), LevelPicture::heightColour(0) & 0xFFFFFF);
    QCOMPARE(shot.pixel(128, 5) & 0xFFFFFF, 0u); // black above the picture

    // The file form reads the level file at once.
    QTemporaryDir dir;
    writeFile(dir.filePath("preview.dat"), island(0, 0, 128, 1028));
    preview.ShowLevel(dir.filePath("preview.dat"));
    QCOMPARE(preview.showing(), MapPreview::Showing::Level);
    QCOMPARE(preview.grab().toImage().pixel(128, 150) & 0xFFFFFF, LevelPicture::heightColour(1028) & 0xFFFFFF);
    preview.ResetPreview();
    QCOMPARE(preview.showing(), MapPreview::Showing::Nothing);
    QCOMPARE(preview.grab().toImage().pixel(128, 150) & 0xFFFFFF, 0u);
}

void tst_PackPreviews::mapPreviewWithoutPicture()
{
    MapPreview preview;
    preview.resize(256, 256);
    QTemporaryDir dir;
    for (const QString &file : {dir.filePath("missing.dat"), dir.filePath("short.dat")}) {
        writeFile(dir.filePath("short.dat"), QByteArray(LevelPicture::Bytes - 2, '\x05'));
        preview.ShowLevel(file);
        QCOMPARE(preview.showing(), MapPreview::Showing::NoPreview);
        QVERIFY(preview.picture().isNull());
        // A framed "no preview": something is drawn on the black.
        const QImage shot = preview.grab().toImage();
        QCOMPARE(shot.pixel(8, 128) & 0xFFFFFF, 0x5A646Eu);
        QCOMPARE(shot.pixel(2, 2) & 0xFFFFFF, 0u);
    }
}

void tst_PackPreviews::modPanel()
{
    Fixture f;
    const QByteArray jpg = DevPreviewContent::previewPicture(qRgb(200, 0, 0), qRgb(0, 0, 200));
    f.addModpack(QStringLiteral("zz.kaf"), {{"modpreview.jpg", jpg}, {"modpack.txt", "Mira\r\nAncient\r\n"},
                                            {"Desc.txt", "line one\r\nline two\r\n"}});
    f.addModpack(QStringLiteral("aa.kaf"), {{"readme.txt", "nothing to show"}});
    int rescans = 0;
    ModPackPanel panel(f.setup, f.packs, [&] { ++rescans; });
    panel.resize(800, 500);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    // In the order of the installed list, not sorted.
    QCOMPARE(rows(panel.LstMods), (QStringList{"zz", "aa"}));
    QCOMPARE(panel.txtModDesc->isReadOnly(), true);
    // One long line breaks anywhere: wrapping at words costs far more.
    QCOMPARE(panel.txtModDesc->wordWrapMode(), QTextOption::WrapAnywhere);

    click(panel.LstMods, -1); // no current row: nothing
    QVERIFY(panel.lblModName->text().isEmpty());
    click(panel.LstMods, 0);
    QCOMPARE(panel.lblModCreator->text(), QStringLiteral("Creator: Mira"));
    QCOMPARE(panel.lblModName->text(), QStringLiteral("Ancient"));
    QCOMPARE(panel.txtModDesc->toPlainText(), QStringLiteral("line one\nline two\n"));
    QCOMPARE(panel.PreviewMods->picture().size(), QSize(320, 240));
    // The picture fills the box's width, centred; red at the top, blue below.
    const QImage shot = panel.PreviewMods->grab().toImage();
    const QRect r = panel.PreviewMods->pictureRect();
    QCOMPARE(r.width(), panel.PreviewMods->width());
    QVERIFY(qRed(shot.pixel(r.center().x() + 60, r.top() + 3)) > 150);
    QVERIFY(qBlue(shot.pixel(r.center().x() + 60, r.bottom() - 3)) > 150);

    // A pack without the members: nothing of the pack before stays.
    click(panel.LstMods, 1);
    QVERIFY(panel.PreviewMods->picture().isNull());
    QCOMPARE(panel.lblModCreator->text(), QStringLiteral("Creator: "));
    QVERIFY(panel.lblModName->text().isEmpty());
    QVERIFY(panel.txtModDesc->toPlainText().isEmpty());

    // A scan refills the list; a scan that finds nothing empties it.
    QDir(f.setup.ModpacksFolder).removeRecursively();
    f.packs.BuildModpackCrcList();
    QCOMPARE(panel.LstMods->ListCount(), 0);
    QCOMPARE(rescans, 0);
}

void tst_PackPreviews::modRefreshDisablesButton()
{
    Fixture f;
    ModPackPanel *panel = nullptr;
    QList<bool> enabledDuringScan;
    ModPackPanel p(f.setup, f.packs, [&] {
        enabledDuringScan << panel->cmdmodsRefresh->isEnabled();
        f.packs.BuildModpackCrcList();
    });
    panel = &p;
    QCOMPARE(p.LstMods->ListCount(), 0);
    f.addModpack(QStringLiteral("new.kaf"), {{"modpack.txt", "a\r\nb\r\n"}});
    f.packs.InstalledModpacks.clear(); // only the scan finds it
    p.cmdmodsRefresh->click();
    QCOMPARE(enabledDuringScan, QList<bool>{false});
    QVERIFY(p.cmdmodsRefresh->isEnabled());
    QCOMPARE(rows(p.LstMods), QStringList{"new"});
}

void tst_PackPreviews::pictureBoxRefusesWhatItCannotShow()
{
    PicturePreview box;
    auto encoded = [](const QImage &image, const char *format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes;
    };
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::green);
    // Any picture format, whatever the member's name says.
    QVERIFY(box.setPictureData(encoded(small, "PNG")));
    QCOMPARE(box.picture().size(), QSize(40, 30));
    QVERIFY(!box.setPictureData("\xFF\xD8\xFF not a picture"));
    QVERIFY(box.picture().isNull());
    // Too large a side is not decoded at all.
    QImage wide(PicturePreview::MaxSide + 1, 1, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QVERIFY(!box.setPictureData(encoded(wide, "PNG")));
    QVERIFY(box.picture().isNull());
    QVERIFY(!box.setPictureData(QByteArray()));
}

void tst_PackPreviews::ranksList()
{
    QTemporaryDir folder;
    WebHost web;
    QVERIFY(web.listen());
    QVERIFY(Ini::WriteIni(folder.filePath("qx.ini"), "general", "webhost", web.hostAndPort()));
    ClientState state;
    state.Setup.ProgramFolder = folder.path();
    state.Users.growTo(2)->UserId = "1001";
    state.CurrentUser.OwnSlot = 2;
    Rankings ranks(state);
    QTreeWidget list;
    list.setColumnCount(7);
    QLabel yourRank;
    RanksView view(ranks, state.Options, &list, &yourRank);
    QCOMPARE(yourRank.text(), QStringLiteral("Your Rank:"));
    QCOMPARE(list.palette().color(QPalette::Base), ColourValue::toColor(state.Options.ListBackColor));
    QCOMPARE(list.palette().color(QPalette::Text), ColourValue::toColor(state.Options.ListForeColor));

    web.serve("/ranksqx.php", DevPreviewContent::ranksPage());
    ranks.GetRanks();
    QCOMPARE(list.topLevelItemCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(list.topLevelItemCount(), 12, 5000);
    const QTreeWidgetItem *first = list.topLevelItem(0);
    QCOMPARE(first->text(1), QStringLiteral("1"));
    QCOMPARE(first->text(2), QStringLiteral("Ava_Stone"));
    QCOMPARE(first->text(3), QStringLiteral("12"));
    QCOMPARE(first->text(4), QStringLiteral("96"));
    QCOMPARE(first->text(5), QStringLiteral("108"));
    QCOMPARE(first->text(6), QStringLiteral("2044"));
    QVERIFY(first->text(0).isEmpty());
    auto image = [](const QIcon &icon) { return icon.pixmap(16, 16).toImage(); };
    QCOMPARE(image(first->icon(0)), image(LobbyIcons::icon("admin")));
    // "user" is no key of the image list.
    QCOMPARE(image(list.topLevelItem(8)->icon(0)), image(LobbyIcons::icon("unknown")));
    QCOMPARE(yourRank.text(), QStringLiteral("Your Rank: 7"));

    // A failed fetch: one empty row; the own place stays as it was.
    web.serve("/ranksqx.php", "gone", 404);
    ranks.GetRanks();
    QTRY_VERIFY_WITH_TIMEOUT(!ranks.fetching(), 5000);
    QCOMPARE(list.topLevelItemCount(), 1);
    QVERIFY(list.topLevelItem(0)->text(2).isEmpty());
    QCOMPARE(image(list.topLevelItem(0)->icon(0)), image(LobbyIcons::icon("unknown")));
    QCOMPARE(yourRank.text(), QStringLiteral("Your Rank: 7"));
}

QTEST_MAIN(tst_PackPreviews)
#include "tst_packpreviews.moc"
