#include "controls/MorphListBox.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <limits>

namespace {

// Every colour property: getter and setter by name.
struct ColourProperty
{
    const char *name;
    qint32 (MorphListBox::*get)() const;
    void (MorphListBox::*set)(qint32);
};

const QList<ColourProperty> &colourProperties()
{
    static const QList<ColourProperty> all{
        {"BackColor1", &MorphListBox::BackColor1, &MorphListBox::setBackColor1},
        {"BackColor2", &MorphListBox::BackColor2, &MorphListBox::setBackColor2},
        {"BorderColor", &MorphListBox::BorderColor, &MorphListBox::setBorderColor},
        {"TextColor", &MorphListBox::TextColor, &MorphListBox::setTextColor},
        {"SelColor1", &MorphListBox::SelColor1, &MorphListBox::setSelColor1},
        {"SelColor2", &MorphListBox::SelColor2, &MorphListBox::setSelColor2},
        {"SelTextColor", &MorphListBox::SelTextColor, &MorphListBox::setSelTextColor},
        {"TrackBarColor1", &MorphListBox::TrackBarColor1, &MorphListBox::setTrackBarColor1},
        {"TrackBarColor2", &MorphListBox::TrackBarColor2, &MorphListBox::setTrackBarColor2},
        {"ButtonColor1", &MorphListBox::ButtonColor1, &MorphListBox::setButtonColor1},
        {"ButtonColor2", &MorphListBox::ButtonColor2, &MorphListBox::setButtonColor2},
        {"ThumbColor1", &MorphListBox::ThumbColor1, &MorphListBox::setThumbColor1},
        {"ThumbColor2", &MorphListBox::ThumbColor2, &MorphListBox::setThumbColor2},
        {"ThumbBorderColor", &MorphListBox::ThumbBorderColor, &MorphListBox::setThumbBorderColor},
        {"ArrowUpColor", &MorphListBox::ArrowUpColor, &MorphListBox::setArrowUpColor},
        {"ArrowDownColor", &MorphListBox::ArrowDownColor, &MorphListBox::setArrowDownColor},
        {"CheckboxArrowColor", &MorphListBox::CheckboxArrowColor, &MorphListBox::setCheckboxArrowColor},
        {"CheckBoxColor", &MorphListBox::CheckBoxColor, &MorphListBox::setCheckBoxColor},
        {"FocusRectColor", &MorphListBox::FocusRectColor, &MorphListBox::setFocusRectColor},
        {"TrackClickColor1", &MorphListBox::TrackClickColor1, &MorphListBox::setTrackClickColor1},
        {"TrackClickColor2", &MorphListBox::TrackClickColor2, &MorphListBox::setTrackClickColor2},
        {"CurveTopLeft", &MorphListBox::CurveTopLeft, &MorphListBox::setCurveTopLeft},
        {"CurveTopRight", &MorphListBox::CurveTopRight, &MorphListBox::setCurveTopRight},
        {"CurveBottomLeft", &MorphListBox::CurveBottomLeft, &MorphListBox::setCurveBottomLeft},
        {"CurveBottomRight", &MorphListBox::CurveBottomRight, &MorphListBox::setCurveBottomRight},
    };
    return all;
}

const ColourProperty &colourProperty(const QByteArray &name)
{
    for (const ColourProperty &p : colourProperties())
        if (name == p.name)
            return p;
    qFatal("no such property");
}

QMap<QString, qint32> colours(const MorphListBox &box)
{
    QMap<QString, qint32> out;
    for (const ColourProperty &p : colourProperties())
        out.insert(QLatin1String(p.name), (box.*p.get)());
    return out;
}

// Boxes are shown inside one window (a hidden widget gets its resize only
// when shown, and a child's rounded shape is the widget system's own).
QWidget *host = nullptr;

QWidget *hostWidget()
{
    if (!host) {
        host = new QWidget;
        host->resize(400, 300);
        host->show();
    }
    return host;
}

void place(MorphListBox &box, int w, int h)
{
    box.setParent(hostWidget());
    box.resize(w, h);
    box.show();
}

QStringList marks(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toString();
    return out;
}

} // namespace

class TstMorphListBoxProperties : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { delete host; }
    void defaults_data();
    void defaults();
    void otherDefaults();
    void colourWrites_data();
    void colourWrites();
    void markOnlyWrites();
    void enabledDoesNotRepaint();
    void trackColourRepaintsOnlyTheTrack();
    void backAngleClamp_data();
    void backAngleClamp();
    void modeRules_data();
    void modeRules();
    void selCountWritesAlwaysFail();
    void pictureModeReadInRunMode();
    void borderWidthOverflow();
    void saveOmitsDefaults();
    void saveRoundTrips();
    void loadRules();
    void itemOperationErrors();
    void themes_data();
    void themes();
    void themeDropsPicture();
    void themeOutsideRangeKeepsColours();
    void themeTwoOnNewInstance();
    void singleWriteAfterTheme();
};

void TstMorphListBoxProperties::defaults_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<qint32>("value");
    const QList<QPair<const char *, qint32>> table{
        {"BackColor1", 0x606060},     {"BackColor2", 0xE0E0E0},       {"BorderColor", 0},
        {"TextColor", 0},             {"SelColor1", 0xC0FFFF},        {"SelColor2", 0xC0FFFF},
        {"SelTextColor", 0},          {"TrackBarColor1", 0x606060},   {"TrackBarColor2", 0xE0E0E0},
        {"ButtonColor1", 0},          {"ButtonColor2", 0xC0C0C0},     {"ThumbColor1", 0},
        {"ThumbColor2", 0x909090},    {"ThumbBorderColor", 0xE0E0E0}, {"ArrowUpColor", 0xE0E0E0},
        {"ArrowDownColor", 0},        {"CheckboxArrowColor", 0},      {"CheckBoxColor", 0},
        {"FocusRectColor", 0},        {"TrackClickColor1", 0},        {"TrackClickColor2", 0xE0E0E0},
        {"CurveTopLeft", 0},          {"CurveTopRight", 0},           {"CurveBottomLeft", 0},
        {"CurveBottomRight", 0},
    };
    for (const auto &[name, value] : table)
        QTest::newRow(name) << QByteArray(name) << value;
}

void TstMorphListBoxProperties::defaults()
{
    QFETCH(QByteArray, name);
    QFETCH(qint32, value);
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    QCOMPARE((box.*colourProperty(name).get)(), value);
}

void TstMorphListBoxProperties::otherDefaults()
{
    QWidget container;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(17);
    container.setFont(font);
    MorphListBox box(&container);
    QCOMPARE(box.BackAngle(), 45.0f);
    QVERIFY(box.BackMiddleOut());
    QCOMPARE(box.BorderWidth(), 1);
    QVERIFY(box.Enabled());
    QVERIFY(box.Picture().isNull());
    QCOMPARE(box.ListFont(), font); // the container's font
    QVERIFY(box.Sorted());
    QVERIFY(box.RedrawFlag());
    QCOMPARE(box.MultiSelect(), 0);
    QCOMPARE(box.Style(), 0);
    QCOMPARE(box.SelCount(), 0);
    QCOMPARE(box.DblClickBehavior(), 1);
    QCOMPARE(box.NewIndex(), -1);
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.CheckStyle(), 1);
    QVERIFY(!box.DragEnabled());
    QCOMPARE(box.Theme(), 2);
    QVERIFY(!box.SortAsNumeric());
    box.setUserMode(false);
    QCOMPARE(box.PictureMode(), 0);
}

void TstMorphListBoxProperties::colourWrites_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const ColourProperty &p : colourProperties())
        QTest::newRow(p.name) << QByteArray(p.name);
}

void TstMorphListBoxProperties::colourWrites()
{
    QFETCH(QByteArray, name);
    MorphListBox box(hostWidget());
    place(box, 120, 80);
    QSignalSpy changed(&box, &MorphListBox::PropertyChanged);
    const ColourProperty &p = colourProperty(name);
    (box.*p.set)(0x123456);
    QCOMPARE((box.*p.get)(), 0x123456);
    QCOMPARE(marks(changed), QStringList{QString::fromLatin1(name)});
}

void TstMorphListBoxProperties::markOnlyWrites()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    QSignalSpy changed(&box, &MorphListBox::PropertyChanged);
    box.setSorted(false);
    box.setSortAsNumeric(true);
    box.setCheckStyle(2);
    box.setDragEnabled(true);
    box.setEnabled(false);
    QVERIFY(box.setNewIndex(5));
    QCOMPARE(marks(changed), (QStringList{"Sorted", "SortAsNumeric", "CheckStyle", "DragEnabled",
                                          "Enabled", "NewIndex"}));
    QVERIFY(!box.Sorted());
    QVERIFY(box.SortAsNumeric());
    QCOMPARE(box.CheckStyle(), 2);
    QVERIFY(box.DragEnabled());
    QCOMPARE(box.NewIndex(), 5);
}

void TstMorphListBoxProperties::enabledDoesNotRepaint()
{
    MorphListBox box(hostWidget());
    place(box, 120, 80);
    box.AddItem(QStringLiteral("a"));
    const QImage before = box.hdc();
    box.setEnabled(false);
    QCOMPARE(box.hdc(), before);
    box.setTextColor(0x0000FF); // a repainting write for contrast
    QVERIFY(box.hdc() != before);
}

void TstMorphListBoxProperties::trackColourRepaintsOnlyTheTrack()
{
    MorphListBox box(hostWidget());
    place(box, 120, 80);
    for (int i = 0; i < 30; ++i)
        box.AddItem(QString::number(i));
    const QImage before = box.hdc();
    box.setTrackBarColor1(0x0000FF);
    QCOMPARE(box.hdc(), before); // rebuilt, not yet shown
    box.PaintList();
    QVERIFY(box.hdc() != before);
}

void TstMorphListBoxProperties::backAngleClamp_data()
{
    QTest::addColumn<float>("written");
    QTest::addColumn<float>("stored");
    QTest::newRow("above") << 400.0f << 360.0f;
    QTest::newRow("below") << -10.0f << 0.0f;
    QTest::newRow("fraction kept") << 359.5f << 359.5f;
    QTest::newRow("edge") << 360.0f << 360.0f;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 0.0f;
}

void TstMorphListBoxProperties::backAngleClamp()
{
    QFETCH(float, written);
    QFETCH(float, stored);
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    box.setBackAngle(written);
    QCOMPARE(box.BackAngle(), stored);
}

void TstMorphListBoxProperties::modeRules_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("error"); // 0: allowed
    const QList<std::tuple<const char *, int, int>> table{
        // property, error in run mode, error in design mode
        {"ListIndex", 0, 387},   {"RedrawFlag", 0, 387},   {"NewIndex", 0, 387},
        {"MultiSelect", 382, 0}, {"Style", 382, 0},        {"DblClickBehavior", 382, 0},
        {"PictureMode", 382, 0},
    };
    for (const auto &[name, run, design] : table) {
        QTest::addRow("%s, run mode", name) << QString::fromLatin1(name) << true << run;
        QTest::addRow("%s, design mode", name) << QString::fromLatin1(name) << false << design;
    }
}

void TstMorphListBoxProperties::modeRules()
{
    QFETCH(QString, property);
    QFETCH(bool, running);
    QFETCH(int, error);
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    box.AddItem(QStringLiteral("a"));
    box.setUserMode(running);
    QSignalSpy changed(&box, &MorphListBox::PropertyChanged);
    bool ok = false;
    int after = 0, before = 0;
    if (property == "ListIndex") {
        before = box.ListIndex();
        ok = box.setListIndex(0);
        after = box.ListIndex();
    } else if (property == "RedrawFlag") {
        before = box.RedrawFlag();
        ok = box.setRedrawFlag(false);
        after = box.RedrawFlag();
    } else if (property == "NewIndex") {
        before = box.NewIndex();
        ok = box.setNewIndex(7);
        after = box.NewIndex();
    } else if (property == "MultiSelect") {
        before = box.MultiSelect();
        ok = box.setMultiSelect(2);
        after = box.MultiSelect();
    } else if (property == "Style") {
        before = box.Style();
        ok = box.setStyle(1);
        after = box.Style();
    } else if (property == "DblClickBehavior") {
        before = box.DblClickBehavior();
        ok = box.setDblClickBehavior(0);
        after = box.DblClickBehavior();
    } else if (property == "PictureMode") {
        before = box.properties().PictureMode;
        ok = box.setPictureMode(2);
        after = box.properties().PictureMode;
    }
    QCOMPARE(ok, error == 0);
    if (error) {
        QCOMPARE(box.LastError(), error);
        QCOMPARE(after, before);
        QVERIFY(changed.isEmpty());
    } else {
        QVERIFY(after != before);
        QCOMPARE(marks(changed), QStringList{property});
    }
}

void TstMorphListBoxProperties::selCountWritesAlwaysFail()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    QVERIFY(!box.setSelCount(3));
    QCOMPARE(box.LastError(), 382);
    box.setUserMode(false);
    QVERIFY(!box.setSelCount(3));
    QCOMPARE(box.LastError(), 387);
    QCOMPARE(box.SelCount(), 0);
    // Its stored value is still loaded.
    MorphListBoxStore store(QVariantMap{{"selcount", 4}});
    box.ReadProperties(store);
    QCOMPARE(box.SelCount(), 4);
}

void TstMorphListBoxProperties::pictureModeReadInRunMode()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    box.PictureMode();
    QCOMPARE(box.LastError(), 393);
}

void TstMorphListBoxProperties::borderWidthOverflow()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    QVERIFY(!box.setBorderWidth(40000));
    QCOMPARE(box.LastError(), 6);
    QCOMPARE(box.BorderWidth(), 1);
    QVERIFY(box.setBorderWidth(3));
    QCOMPARE(box.BorderWidth(), 3);
}

void TstMorphListBoxProperties::saveOmitsDefaults()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    MorphListBoxStore store;
    box.WriteProperties(store);
    QVERIFY2(store.values().isEmpty(), qPrintable(store.values().keys().join(',')));
    box.setBackColor2(0x112233);
    box.setBackAngle(90);
    box.WriteProperties(store);
    QCOMPARE(store.values().keys(), (QStringList{"backangle", "backcolor2"}));
    box.setBackColor2(0xE0E0E0); // back to the default: left out again
    box.WriteProperties(store);
    QCOMPARE(store.values().keys(), QStringList{"backangle"});
}

void TstMorphListBoxProperties::saveRoundTrips()
{
    QWidget container;
    MorphListBox box(&container);
    box.setUserMode(false);
    box.setTheme(6);
    box.setBackAngle(130.5f);
    box.setBorderWidth(3);
    box.setCurveTopLeft(6);
    box.setSorted(false);
    box.setSortAsNumeric(true);
    QVERIFY(box.setStyle(1));
    QVERIFY(box.setMultiSelect(2));
    QVERIFY(box.setDblClickBehavior(0));
    QVERIFY(box.setPictureMode(2));
    box.setCheckStyle(0);
    box.setDragEnabled(true);
    box.setThumbColor2(0x010203);
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    box.setPicture(picture);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    box.setListFont(font);
    MorphListBoxStore store;
    box.WriteProperties(store);

    MorphListBox copy(&container);
    copy.ReadProperties(store);
    copy.setUserMode(false);
    QCOMPARE(copy.BackAngle(), 130.5f);
    QCOMPARE(copy.BorderWidth(), 3);
    QCOMPARE(copy.CurveTopLeft(), 6);
    QVERIFY(!copy.Sorted());
    QVERIFY(copy.SortAsNumeric());
    QCOMPARE(copy.Style(), 1);
    QCOMPARE(copy.MultiSelect(), 2);
    QCOMPARE(copy.DblClickBehavior(), 0);
    QCOMPARE(copy.PictureMode(), 2);
    QCOMPARE(copy.CheckStyle(), 0);
    QVERIFY(copy.DragEnabled());
    QCOMPARE(copy.Theme(), 6);
    QCOMPARE(colours(copy), colours(box));
    QCOMPARE(copy.Picture(), picture);
    QCOMPARE(copy.ListFont(), font);

    // Saved again, the store is the same but for the list index, which a
    // load sets from the selection mode (here 0) and never reads.
    MorphListBoxStore again;
    copy.WriteProperties(again);
    QVariantMap expected = store.values();
    expected.insert(QStringLiteral("listindex"), 0);
    QCOMPARE(again.values(), expected);
}

void TstMorphListBoxProperties::loadRules()
{
    // Keys without regard to case; the theme number is read, not applied;
    // the list index comes from the selection mode.
    MorphListBoxStore store(QVariantMap{{"THEME", 5}, {"BackColor1", 0x010101},
                                        {"MultiSelect", 1}, {"ListIndex", 3}});
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    box.ReadProperties(store);
    QCOMPARE(box.Theme(), 5);
    QCOMPARE(box.BackColor1(), 0x010101);
    QCOMPARE(box.BackColor2(), 0xE0E0E0);
    QCOMPARE(box.ListIndex(), 0);
    box.ReadProperties(MorphListBoxStore(QVariantMap{{"listindex", 3}}));
    QCOMPARE(box.ListIndex(), -1);
    // An out-of-range BackAngle in the store is not clamped.
    box.ReadProperties(MorphListBoxStore(QVariantMap{{"backangle", 500.0}}));
    QCOMPARE(box.BackAngle(), 500.0f);
}

void TstMorphListBoxProperties::itemOperationErrors()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    box.setSorted(false);
    box.AddItem(QStringLiteral("a"));
    box.AddItem(QStringLiteral("b"), 5);
    QCOMPARE(box.LastError(), 5);
    QCOMPARE(box.ListCount(), 1);
    QCOMPARE(box.List(1), QString()); // the spare
    QCOMPARE(box.List(2), QString());
    QCOMPARE(box.LastError(), 9);
    QVERIFY(!box.setSelected(1, true));
    QCOMPARE(box.LastError(), 9);
    QVERIFY(!box.setItemData(-1, 3));
    QVERIFY(!box.setListIndex(1));
    QCOMPARE(box.LastError(), 380);
    QCOMPARE(box.ListIndex(), -1);
    QVERIFY(box.setListIndex(0));
    QVERIFY(box.Selected(0));
    QVERIFY(box.setItemData(0, 77));
    QCOMPARE(box.ItemData(0), 77);
}

void TstMorphListBoxProperties::themes_data()
{
    QTest::addColumn<int>("theme");
    QTest::addColumn<QList<qint32>>("expected"); // BackColor1, BackColor2, SelTextColor, ThumbColor2, FocusRectColor
    QTest::newRow("1 teal") << 1 << QList<qint32>{0x808000, 0xFFFF80, 0xFFFFC0, 0x808000, 0xFFFFC0};
    QTest::newRow("2 grey") << 2 << QList<qint32>{0x606060, 0xE0E0E0, 0xE0E0E0, 0x909090, 0xFFFFFF};
    QTest::newRow("3 blue") << 3 << QList<qint32>{0xC00000, 0xFFC0C0, 0xFFC0C0, 0xFF8080, 0xFFC0C0};
    QTest::newRow("4 red") << 4 << QList<qint32>{0x000080, 0xC0C0FF, 0xC0C0FF, 0x8080FF, 0xC0C0FF};
    QTest::newRow("5 green") << 5 << QList<qint32>{0x008000, 0xC0FFC0, 0xC0FFC0, 0x00FF00, 0xC0FFC0};
    QTest::newRow("6 purple") << 6 << QList<qint32>{0x800080, 0xFF80FF, 0xFFC0FF, 0x800080, 0xFFC0FF};
    QTest::newRow("7 olive") << 7 << QList<qint32>{0x008080, 0x80FFFF, 0xC0FFFF, 0x008080, 0xC0FFFF};
    QTest::newRow("8 brown") << 8 << QList<qint32>{0x004080, 0x80C0FF, 0xC0E0FF, 0x0040C0, 0xC0E0FF};
}

void TstMorphListBoxProperties::themes()
{
    QFETCH(int, theme);
    QFETCH(QList<qint32>, expected);
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    box.setBackAngle(10);
    box.setBackMiddleOut(false);
    box.setBorderWidth(4);
    box.setTextColor(0x123456);
    QSignalSpy changed(&box, &MorphListBox::PropertyChanged);
    box.setTheme(theme);
    QCOMPARE((QList<qint32>{box.BackColor1(), box.BackColor2(), box.SelTextColor(), box.ThumbColor2(),
                            box.FocusRectColor()}),
             expected);
    QCOMPARE(box.TextColor(), 0);
    QCOMPARE(box.BackAngle(), 45.0f);
    QVERIFY(box.BackMiddleOut());
    QCOMPARE(box.BorderWidth(), 1);
    QCOMPARE(marks(changed), QStringList{"Theme"}); // the single colours are not marked
}

void TstMorphListBoxProperties::themeDropsPicture()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::green);
    box.setPicture(picture);
    box.setTheme(3);
    QCOMPARE(box.BackColor1(), 0xC00000);
    QVERIFY(box.Picture().isNull());
}

void TstMorphListBoxProperties::themeOutsideRangeKeepsColours()
{
    for (int n : {0, 9, -1}) {
        MorphListBox box(hostWidget());
        place(box, 100, 60);
        box.setBackColor1(0x010203);
        const auto before = colours(box);
        box.setTheme(n);
        QCOMPARE(box.Theme(), n);
        QCOMPARE(colours(box), before);
    }
}

void TstMorphListBoxProperties::themeTwoOnNewInstance()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    auto before = colours(box);
    box.setTheme(2);
    auto after = colours(box);
    QStringList changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (after.value(it.key()) != it.value())
            changed << it.key();
    QCOMPARE(changed, (QStringList{"FocusRectColor", "SelColor1", "SelColor2", "SelTextColor"}));
}

void TstMorphListBoxProperties::singleWriteAfterTheme()
{
    MorphListBox box(hostWidget());
    place(box, 100, 60);
    box.setTheme(8);
    auto before = colours(box);
    box.setBackColor1(0x00FF00);
    before["BackColor1"] = 0x00FF00;
    QCOMPARE(colours(box), before);
    QCOMPARE(box.Theme(), 8);
}

QTEST_MAIN(TstMorphListBoxProperties)
#include "tst_morphlistboxproperties.moc"
