#include "controls/MorphListBoxModel.h"
#include "controls/MorphListBoxProperties.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

QStringList items(const MorphListBoxModel &m)
{
    QStringList out;
    for (int i = 0; i < m.ListCount(); ++i)
        out << m.List(i);
    return out;
}

// Rows of a fixed height from the top, as the layout lays them out.
void layRows(MorphListBoxModel &m, int rows, int first = 6, int pitch = 13)
{
    m.VisibleRows = rows;
    for (int i = 0; i < rows; ++i)
        m.RowTops[i] = first + i * pitch;
}

} // namespace

class TstMorphListBoxModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sortedInsert_data();
    void sortedInsert();
    void newIndexOfSortedAdds();
    void equalTextGoesBeforeTheProbedOne();
    void explicitIndexAppendsAndPrepends();
    void badExplicitIndexAddsNothing();
    void leadingNumber_data();
    void leadingNumber();
    void numbersUnderADecimalCommaLocale();
    void disabledListIgnoresAddAndRemove();
    void removeCurrentItem_data();
    void removeCurrentItem();
    void removeKeepsAnchorsOnItems();
    void clearResetsEverything();
    void findIndex_data();
    void findIndex();
    void displayFrom_data();
    void displayFrom();
    void settleWindow_data();
    void settleWindow();
    void rowFromY_data();
    void rowFromY();
    void mouseOverIndex();
    void selectedWrites();
    void selectedPastTheEndIsRefused();
    void listIndexWrites_data();
    void listIndexWrites();
    void arrayReadsAtTheEdges();
    void fillAndRecount();
};

void TstMorphListBoxModel::sortedInsert_data()
{
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<QStringList>("adds");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("text") << false << QStringList{"b", "a", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("upper case first") << false << QStringList{"a", "c", "B"} << QStringList{"B", "a", "c"};
    QTest::newRow("prefix first") << false << QStringList{"abc", "ab", "a"} << QStringList{"a", "ab", "abc"};
    QTest::newRow("text order of numbers") << false << QStringList{"10", "9", "100"}
                                           << QStringList{"10", "100", "9"};
    QTest::newRow("numeric") << true << QStringList{"10", "9", "100"} << QStringList{"9", "10", "100"};
    QTest::newRow("numeric, no number first") << true << QStringList{"10", "9", "100", "x"}
                                              << QStringList{"x", "9", "10", "100"};
    QTest::newRow("numeric, decimals and signs") << true << QStringList{"2.5", "-1", "2", "1e1"}
                                                 << QStringList{"-1", "2", "2.5", "1e1"};
    QTest::newRow("many") << false << QStringList{"m", "q", "c", "x", "a", "k", "z", "e"}
                          << QStringList{"a", "c", "e", "k", "m", "q", "x", "z"};
}

void TstMorphListBoxModel::sortedInsert()
{
    QFETCH(bool, numeric);
    QFETCH(QStringList, adds);
    QFETCH(QStringList, expected);
    MorphListBoxProperties props;
    props.SortAsNumeric = numeric;
    MorphListBoxModel m(props);
    for (const QString &text : adds)
        QVERIFY(m.AddItem(text));
    QCOMPARE(items(m), expected);
    QCOMPARE(m.List(m.ListCount()), QString()); // the spare stays empty
}

void TstMorphListBoxModel::newIndexOfSortedAdds()
{
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    QCOMPARE(m.NewIndex(), -1);
    QList<int> seen;
    for (const char *text : {"b", "a", "c"}) {
        m.AddItem(QString::fromLatin1(text));
        seen << m.NewIndex();
    }
    QCOMPARE(seen, (QList<int>{0, 0, 2}));
    QCOMPARE(m.TopIndex, 0); // the first add opens the window
    QVERIFY(m.LayoutDirty);
}

void TstMorphListBoxModel::equalTextGoesBeforeTheProbedOne()
{
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    for (const char *text : {"a", "b", "c"})
        m.AddItem(QString::fromLatin1(text));
    m.setItemData(1, 42);
    m.AddItem(QStringLiteral("b"));
    QCOMPARE(m.NewIndex(), 1);
    QCOMPARE(m.ItemData(1), 0);
    QCOMPARE(m.ItemData(2), 42); // the old "b" moved up
}

void TstMorphListBoxModel::explicitIndexAppendsAndPrepends()
{
    MorphListBoxProperties props; // sorted, but an index wins
    MorphListBoxModel m(props);
    m.AddItem(QStringLiteral("z"));
    m.AddItem(QStringLiteral("a"), m.ListCount());
    QCOMPARE(items(m), (QStringList{"z", "a"}));
    QVERIFY(m.setListIndex(1));
    m.AddItem(QStringLiteral("m"), 0);
    QCOMPARE(items(m), (QStringList{"m", "z", "a"}));
    QCOMPARE(m.ListIndex(), 2); // still names "a"
    QCOMPARE(m.CaretIndex, 2);
    QCOMPARE(m.FocusIndex, 2);
    QVERIFY(m.Selected(2));
}

void TstMorphListBoxModel::badExplicitIndexAddsNothing()
{
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    bool bad = false;
    QVERIFY(!m.AddItem(QStringLiteral("x"), 1, &bad));
    QVERIFY(bad);
    QVERIFY(!m.AddItem(QStringLiteral("x"), -2, &bad));
    QCOMPARE(m.ListCount(), 0);
    QCOMPARE(m.TopIndex, -1);
}

void TstMorphListBoxModel::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "42" << 42.0;
    QTest::newRow("blanks inside") << " 1 2\t3\n4x" << 1234.0;
    QTest::newRow("sign and point") << "-12.5kg" << -12.5;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("D exponent") << "2D2" << 200.0;
    QTest::newRow("exponent without digits") << "7e" << 7.0;
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex 16-bit wraps") << "&HFFFF" << -1.0;
    QTest::newRow("hex 32-bit") << "&H10000" << 65536.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("ampersand alone") << "&x" << 0.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("point last") << "1." << 1.0;
    QTest::newRow("plus sign") << "+2.5" << 2.5;
    QTest::newRow("two signs") << "+-5" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("comma is no point") << "1,5" << 1.0;
    QTest::newRow("negative exponent") << "-0.25e1" << -2.5;
    QTest::newRow("far too large") << "1e999" << 0.0;
}

void TstMorphListBoxModel::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(MorphListBoxLeadingNumber(text), value);
}

namespace {

// LC_NUMERIC set to German (a decimal comma) for a scope. A system without
// the locale gets it generated into a temporary folder (localedef, from the
// C library's locale sources) and found through LOCPATH.
class DecimalCommaLocale
{
public:
    DecimalCommaLocale()
        : m_old(setlocale(LC_NUMERIC, nullptr))
    {
        if (setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            return;
        const QString target = m_dir.filePath(QStringLiteral("de_DE.UTF-8"));
        QProcess localedef;
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"), QStringLiteral("UTF-8"), target});
        if (!localedef.waitForFinished(60000) || !QFileInfo::exists(target + QStringLiteral("/LC_NUMERIC")))
            return;
        qputenv("LOCPATH", QFile::encodeName(m_dir.path()));
        m_locpath = true;
        setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~DecimalCommaLocale()
    {
        setlocale(LC_NUMERIC, m_old.constData());
        if (m_locpath)
            qunsetenv("LOCPATH");
    }
    bool active() const { return std::strcmp(localeconv()->decimal_point, ",") == 0; }

private:
    QByteArray m_old;
    QTemporaryDir m_dir;
    bool m_locpath = false;
};

} // namespace

// The sort reads "." as the decimal point whatever locale the process runs
// under (the C library's strtod would stop at the "." under this one).
void TstMorphListBoxModel::numbersUnderADecimalCommaLocale()
{
    const DecimalCommaLocale german;
    if (!german.active())
        QSKIP("no German locale here and none could be generated (localedef and the locales package)");
    QCOMPARE(std::strtod("1.5", nullptr), 1.0); // the locale is in force
    QCOMPARE(MorphListBoxLeadingNumber(QStringLiteral("1.5")), 1.5);
    QCOMPARE(MorphListBoxLeadingNumber(QStringLiteral("-12.25kg")), -12.25);
    QCOMPARE(MorphListBoxLeadingNumber(QStringLiteral("2.5e2")), 250.0);
    QCOMPARE(MorphListBoxLeadingNumber(QStringLiteral("1,5")), 1.0);
    MorphListBoxProperties props;
    props.SortAsNumeric = true;
    MorphListBoxModel m(props);
    for (const char *text : {"1.5", "1.2", "1.9", "1.7", "1.1"})
        QVERIFY(m.AddItem(QString::fromLatin1(text)));
    QCOMPARE(items(m), (QStringList{"1.1", "1.2", "1.5", "1.7", "1.9"}));
}

void TstMorphListBoxModel::disabledListIgnoresAddAndRemove()
{
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    m.AddItem(QStringLiteral("a"));
    props.Enabled = false;
    QVERIFY(!m.AddItem(QStringLiteral("b")));
    QVERIFY(!m.RemoveItem(0));
    QCOMPARE(items(m), QStringList{"a"});
    m.Clear(); // clearing works whatever Enabled is
    QCOMPARE(m.ListCount(), 0);
}

void TstMorphListBoxModel::removeCurrentItem_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("multiSelect");
    QTest::addColumn<int>("listIndexAfter");
    QTest::newRow("plain") << 0 << 0 << -1;
    QTest::newRow("check boxes") << 1 << 0 << 0;
    QTest::newRow("simple") << 0 << 1 << 0;
    QTest::newRow("extended") << 0 << 2 << 0;
}

void TstMorphListBoxModel::removeCurrentItem()
{
    QFETCH(int, style);
    QFETCH(int, multiSelect);
    QFETCH(int, listIndexAfter);
    MorphListBoxProperties props;
    props.Sorted = false;
    props.Style = style;
    props.MultiSelect = multiSelect;
    MorphListBoxModel m(props);
    for (const char *text : {"a", "b", "c", "d"})
        m.AddItem(QString::fromLatin1(text));
    QVERIFY(m.setSelected(2, true));
    QCOMPARE(m.SelCount(), 1);
    QVERIFY(m.RemoveItem(2));
    QCOMPARE(m.ListIndex(), listIndexAfter);
    QCOMPARE(m.CaretIndex, -1);
    QCOMPARE(m.FocusIndex, 0);
    QCOMPARE(m.SelCount(), 0);
    QCOMPARE(m.NewIndex(), -1);
    QCOMPARE(items(m), (QStringList{"a", "b", "d"}));
    QVERIFY(!m.Selected(2)); // "d" kept its own flag
    QVERIFY(!m.RemoveItem(3)); // past the end: nothing
    QVERIFY(!m.RemoveItem(-1));
}

void TstMorphListBoxModel::removeKeepsAnchorsOnItems()
{
    MorphListBoxProperties props;
    props.Sorted = false;
    props.MultiSelect = 2;
    MorphListBoxModel m(props);
    for (int i = 0; i < 5; ++i)
        m.AddItem(QString::number(i));
    m.setSelected(3, true); // caret, focus and list index on 3
    m.ShiftAnchor = 4;
    m.DragAnchor = 1;
    m.DragEnd = 4;
    m.LastDragIndex = 4;
    QVERIFY(m.RemoveItem(0));
    QCOMPARE(m.CaretIndex, 2);
    QCOMPARE(m.FocusIndex, 2);
    QCOMPARE(m.ListIndex(), 2);
    QCOMPARE(m.DragAnchor, 0);
    QCOMPARE(m.ShiftAnchor, 3);
    QVERIFY(m.RemoveItem(3)); // the last item, under three anchors
    QCOMPARE(m.ShiftAnchor, 2);
    QCOMPARE(m.DragEnd, 2);
    QCOMPARE(m.LastDragIndex, -1);
    while (m.ListCount() > 0)
        m.RemoveItem(0);
    QCOMPARE(m.ShiftAnchor, -1);
    QCOMPARE(m.DragAnchor, -1);
    QCOMPARE(m.DragEnd, -1);
    QCOMPARE(m.CaretIndex, -1);
    QCOMPARE(m.SelCount(), 0);
}

void TstMorphListBoxModel::clearResetsEverything()
{
    MorphListBoxProperties props;
    props.Style = 1;
    MorphListBoxModel m(props);
    for (const char *text : {"a", "b"})
        m.AddItem(QString::fromLatin1(text));
    m.setSelected(1, true);
    m.DisplayFrom(0);
    m.ShiftAnchor = 1;
    props.RedrawFlag = false;
    m.LayoutDirty = false;
    m.Clear();
    QCOMPARE(m.ListCount(), 0);
    QCOMPARE(m.TopIndex, -1);
    QCOMPARE(m.BottomIndex, -1);
    QCOMPARE(m.CaretIndex, -1);
    QCOMPARE(m.NewIndex(), -1);
    QCOMPARE(m.FocusIndex, 0);
    QCOMPARE(m.SelCount(), 0);
    QCOMPARE(m.ListIndex(), 0); // check-box list
    QCOMPARE(m.ShiftAnchor, -1);
    QVERIFY(props.RedrawFlag);
    QVERIFY(m.LayoutDirty);
    QVERIFY(!m.ScrollBarVisible);
    QCOMPARE(m.List(0), QString());
    props.Style = 0;
    m.Clear();
    QCOMPARE(m.ListIndex(), -1);
}

void TstMorphListBoxModel::findIndex_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("expected");
    const QStringList sortedList{"abc", "def", "ghi", "jkl"};
    QTest::newRow("sorted, any case") << true << sortedList << "ABC" << false << 0;
    QTest::newRow("sorted, case-sensitive miss") << true << sortedList << "ABC" << true << -1;
    QTest::newRow("sorted, exact") << true << sortedList << "jkl" << true << 3;
    QTest::newRow("sorted, missing") << true << sortedList << "xyz" << false << -1;
    QTest::newRow("unsorted, first equal") << false << QStringList{"b", "A", "a"} << "a" << false << 1;
    QTest::newRow("unsorted, case-sensitive") << false << QStringList{"b", "A", "a"} << "a" << true << 2;
    QTest::newRow("sorted, empty list") << true << QStringList{} << "" << false << -1;
    QTest::newRow("unsorted, empty list") << false << QStringList{} << "" << true << -1;
    // The list is ordered case-sensitively: a case-free search follows the
    // lower-cased texts and misses where the two orders disagree.
    QTest::newRow("sorted, orders disagree") << true << QStringList{"B", "a", "c"} << "b" << false << -1;
}

void TstMorphListBoxModel::findIndex()
{
    QFETCH(bool, sorted);
    QFETCH(QStringList, list);
    QFETCH(QString, text);
    QFETCH(bool, caseSensitive);
    QFETCH(int, expected);
    MorphListBoxProperties props;
    props.Sorted = false;
    MorphListBoxModel m(props);
    for (const QString &t : list)
        m.AddItem(t);
    props.Sorted = sorted;
    QCOMPARE(m.FindIndex(text, caseSensitive), expected);
}

void TstMorphListBoxModel::displayFrom_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::newRow("near the end") << 10 << 4 << 8 << 6 << 9;
    QTest::newRow("middle") << 10 << 4 << 3 << 3 << 6;
    QTest::newRow("last") << 10 << 4 << 9 << 6 << 9;
    QTest::newRow("list fits: nothing") << 4 << 4 << 1 << 0 << 3;
    QTest::newRow("past the end: nothing") << 10 << 4 << 10 << 0 << 3;
    QTest::newRow("negative: nothing") << 10 << 4 << -1 << 0 << 3;
}

void TstMorphListBoxModel::displayFrom()
{
    QFETCH(int, count);
    QFETCH(int, rows);
    QFETCH(int, from);
    QFETCH(int, top);
    QFETCH(int, bottom);
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    for (int i = 0; i < count; ++i)
        m.AddItem(QString::number(i));
    layRows(m, rows);
    m.settleWindow();
    m.DisplayFrom(from);
    QCOMPARE(m.TopIndex, top);
    QCOMPARE(m.BottomIndex, bottom);
}

void TstMorphListBoxModel::settleWindow_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("topBefore");
    QTest::addColumn<int>("bottomBefore");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<bool>("scrollBar");
    QTest::newRow("cleared stays cleared") << 0 << 4 << -1 << -1 << -1 << -1 << false;
    QTest::newRow("all fit") << 3 << 4 << 0 << 0 << 0 << 2 << false;
    QTest::newRow("middle window") << 10 << 4 << 2 << 2 << 2 << 5 << true;
    QTest::newRow("pinned to the end") << 10 << 4 << 7 << 9 << 6 << 9 << true;
    QTest::newRow("one past the end") << 10 << 4 << 7 << 10 << 6 << 9 << true;
    QTest::newRow("stale window beyond the list") << 10 << 4 << 40 << 43 << 6 << 9 << true;
    QTest::newRow("no visible rows") << 5 << 0 << 0 << 4 << 0 << -1 << true;
    QTest::newRow("all removed") << 0 << 4 << 3 << 6 << 0 << -1 << false;
}

void TstMorphListBoxModel::settleWindow()
{
    QFETCH(int, count);
    QFETCH(int, rows);
    QFETCH(int, topBefore);
    QFETCH(int, bottomBefore);
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(bool, scrollBar);
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    for (int i = 0; i < count; ++i)
        m.AddItem(QString::number(i));
    layRows(m, rows);
    m.TopIndex = topBefore;
    m.BottomIndex = bottomBefore;
    m.settleWindow();
    QCOMPARE(m.TopIndex, top);
    QCOMPARE(m.BottomIndex, bottom);
    QCOMPARE(m.ScrollBarVisible, scrollBar);
    for (int i = std::max(m.TopIndex, 0); i <= m.BottomIndex; ++i)
        QVERIFY(m.isItem(i));
}

void TstMorphListBoxModel::rowFromY_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<float>("y");
    QTest::addColumn<int>("row");
    // Rows from 6, 13 pixels apart: row r covers 6 + 13r up to 19 + 13r.
    QTest::newRow("first row top") << 10 << 6.0f << 0;
    QTest::newRow("above the first row") << 10 << 0.0f << 0;
    QTest::newRow("inside row 3") << 10 << 50.5f << 3;
    QTest::newRow("row boundary") << 10 << 19.0f << 1;
    QTest::newRow("last row") << 10 << 130.0f << 9;
    QTest::newRow("below the last row") << 10 << 500.0f << 9;
    QTest::newRow("one row") << 1 << 100.0f << 0;
    QTest::newRow("two rows, second") << 2 << 20.0f << 1;
    QTest::newRow("hundred rows, last") << 100 << 6 + 13 * 99 + 1.0f << 99;
    QTest::newRow("no rows") << 0 << 10.0f << 0;
}

void TstMorphListBoxModel::rowFromY()
{
    QFETCH(int, rows);
    QFETCH(float, y);
    QFETCH(int, row);
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    layRows(m, rows);
    QCOMPARE(m.RowFromY(y), row);
}

void TstMorphListBoxModel::mouseOverIndex()
{
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    for (int i = 0; i < 3; ++i)
        m.AddItem(QString::number(i));
    layRows(m, 5);
    m.settleWindow();
    QCOMPARE(m.MouseOverIndex(20, true, false), 1);
    QCOMPARE(m.MouseOverIndex(60, true, false), -1); // below the last item of a short list
    QCOMPARE(m.MouseOverIndex(20, false, false), -1); // pointer outside the item area
    QCOMPARE(m.MouseOverIndex(60, false, true), 2); // edge scrolling: held to the last item
    layRows(m, 0);
    QCOMPARE(m.MouseOverIndex(20, true, true), -1); // no rows at all
    m.Clear();
    layRows(m, 5);
    QCOMPARE(m.MouseOverIndex(20, true, true), -1);
}

void TstMorphListBoxModel::selectedWrites()
{
    MorphListBoxProperties props;
    props.Sorted = false;
    MorphListBoxModel m(props);
    for (int i = 0; i < 4; ++i)
        m.AddItem(QString::number(i));
    // Plain list: one selected item at a time.
    m.setSelected(1, true);
    m.setSelected(3, true);
    QVERIFY(!m.Selected(1));
    QCOMPARE(m.SelCount(), 1);
    QCOMPARE(m.ListIndex(), 3);
    QCOMPARE(m.CaretIndex, 3);
    m.setSelected(2, false); // was not selected: the selection stays whole
    QCOMPARE(m.ListIndex(), 3);
    QCOMPARE(m.SelCount(), 1);
    QVERIFY(m.Selected(3));
    m.setSelected(3, false);
    QCOMPARE(m.ListIndex(), -1);
    QCOMPARE(m.CaretIndex, -1);
    QCOMPARE(m.FocusIndex, 0);

    // Check boxes: flags add up and the caret follows.
    props.Style = 1;
    m.setSelected(0, true);
    m.setSelected(2, true);
    m.setSelected(2, true);
    QCOMPARE(m.SelCount(), 2);
    QCOMPARE(m.ListIndex(), 2);
    QCOMPARE(m.CaretIndex, 2);
    m.setSelected(0, false);
    QCOMPARE(m.SelCount(), 1);
    QCOMPARE(m.FocusIndex, 0);
}

void TstMorphListBoxModel::selectedPastTheEndIsRefused()
{
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    m.AddItem(QStringLiteral("a"));
    QVERIFY(!m.setSelected(1, true)); // the spare is never an item
    QVERIFY(!m.setSelected(-1, true));
    QVERIFY(!m.setItemData(1, 5));
    QCOMPARE(m.SelCount(), 0);
    QCOMPARE(m.ItemData(1), 0);
    QVERIFY(!m.Selected(1));
}

void TstMorphListBoxModel::listIndexWrites_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("multiSelect");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("selCount");
    QTest::newRow("plain, an item") << 0 << 0 << 3 << 2 << true << 2 << 2 << 1;
    QTest::newRow("plain, none") << 0 << 0 << 3 << -1 << true << -1 << 0 << 0;
    QTest::newRow("plain, past the end") << 0 << 0 << 3 << 3 << false << -1 << 0 << 0;
    QTest::newRow("plain, empty list") << 0 << 0 << 0 << 0 << false << -1 << 0 << 0;
    QTest::newRow("check boxes, an item") << 1 << 0 << 3 << 1 << true << 1 << 1 << 0;
    QTest::newRow("check boxes, empty list") << 1 << 0 << 0 << 0 << true << -1 << 0 << 0;
    QTest::newRow("extended, an item") << 0 << 2 << 3 << 1 << true << -1 << 1 << 0;
    QTest::newRow("extended, far past the end") << 0 << 2 << 3 << 99 << false << -1 << 0 << 0;
}

void TstMorphListBoxModel::listIndexWrites()
{
    QFETCH(int, style);
    QFETCH(int, multiSelect);
    QFETCH(int, count);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    QFETCH(int, caret);
    QFETCH(int, focus);
    QFETCH(int, selCount);
    MorphListBoxProperties props;
    props.Style = style;
    props.MultiSelect = multiSelect;
    MorphListBoxModel m(props);
    for (int i = 0; i < count; ++i)
        m.AddItem(QString::number(i));
    const int before = m.ListIndex();
    QCOMPARE(m.setListIndex(value), accepted);
    QCOMPARE(m.ListIndex(), accepted ? value : before);
    QCOMPARE(m.CaretIndex, caret);
    QCOMPARE(m.FocusIndex, focus);
    QCOMPARE(m.SelCount(), selCount);
    if (accepted && style == 0 && multiSelect == 0 && value >= 0)
        QVERIFY(m.Selected(value));
}

void TstMorphListBoxModel::arrayReadsAtTheEdges()
{
    MorphListBoxProperties props;
    MorphListBoxModel m(props);
    m.AddItem(QStringLiteral("a"));
    bool ok = false;
    QCOMPARE(m.List(-5, &ok), QString());
    QVERIFY(ok); // a negative index reads an empty text
    QCOMPARE(m.List(1, &ok), QString());
    QVERIFY(ok); // the spare
    QCOMPARE(m.List(2, &ok), QString());
    QVERIFY(!ok);
    m.ItemData(-1, &ok);
    QVERIFY(!ok);
    m.Selected(2, &ok);
    QVERIFY(!ok);
    m.Selected(1, &ok);
    QVERIFY(ok);
}

void TstMorphListBoxModel::fillAndRecount()
{
    MorphListBoxProperties props;
    props.MultiSelect = 2;
    MorphListBoxModel m(props);
    for (int i = 0; i < 6; ++i)
        m.AddItem(QString::number(i));
    m.FillSelected(4, 1, true); // either order
    m.RecountSelected();
    QCOMPARE(m.SelCount(), 4);
    m.FillSelected(-3, 99, false); // clamped to the items
    m.RecountSelected();
    QCOMPARE(m.SelCount(), 0);
    QVERIFY(!m.Selected(6));
}

QTEST_APPLESS_MAIN(TstMorphListBoxModel)
#include "tst_morphlistboxmodel.moc"
