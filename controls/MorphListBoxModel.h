#pragma once
#include <QString>
#include <QVector>
#include <array>

struct MorphListBoxProperties;

// The items of a MorphListBox and everything that names them: the three
// parallel arrays (each with one spare entry after the last item), the
// current item, the selection cursor and anchors, and the window of visible
// rows. No painting happens here; operations that change what is shown
// return true so that the control can repaint.
//
// No operation reads or writes outside the arrays: indexes from callers are
// checked, and every index the model keeps is pulled back into range when
// items are removed or the list is cleared.
class MorphListBoxModel
{
public:
    static constexpr int MaxRows = 100;

    // The model reads the item settings (Enabled, Sorted, SortAsNumeric,
    // Style, MultiSelect) from the control's properties and sets RedrawFlag
    // on Clear.
    explicit MorphListBoxModel(MorphListBoxProperties &properties);

    // Items ------------------------------------------------------------
    int ListCount() const { return m_count; }
    // Index ListCount reads the spare (an empty text); a negative index an
    // empty text; a larger one is out of range (*ok false).
    QString List(int index, bool *ok = nullptr) const;
    int ItemData(int index, bool *ok = nullptr) const;
    bool setItemData(int index, int value); // items only, never the spare
    bool Selected(int index, bool *ok = nullptr) const;
    bool setSelected(int index, bool value); // items only

    // AddItem: false when nothing was added (disabled control, or an index
    // outside 0 to ListCount; *badIndex tells the second case apart).
    bool AddItem(const QString &text, int index = -1, bool *badIndex = nullptr);
    bool RemoveItem(int index);
    void Clear();

    int FindIndex(const QString &text, bool caseSensitive = false) const;

    // Current item and counters -----------------------------------------
    int ListIndex() const { return m_listIndex; }
    // -1 or an item index (0 also on an empty check-box or multi-select
    // list, where 0 is the "none" value); false for anything else.
    bool setListIndex(int value);
    int NewIndex() const { return m_newIndex; }
    void setNewIndex(int value) { m_newIndex = value; }
    int SelCount() const { return m_selCount; }
    // The counters as the stored settings give them (loading only).
    void loadCounters(int selCount, int newIndex, int listIndex);

    // Selection cursor, focus frame and the anchors of the input code.
    int CaretIndex = -1;
    int FocusIndex = 0;
    int LastDragIndex = -1;
    int ShiftAnchor = -1;
    int DragAnchor = -1;
    int DragEnd = -1;

    // The "none" value of ListIndex for the current style and mode.
    int noneIndex() const;
    bool plainSingle() const; // Style 0 (or other than 1) and MultiSelect 0
    bool isItem(int index) const { return index >= 0 && index < m_count; }

    // Shared selection operations: flags set over a range (either order,
    // clamped to the items) and the count of selected items.
    void FillSelected(int a, int b, bool value);
    void RecountSelected();
    bool IsIndexVisible(int index) const { return index >= TopIndex && index <= BottomIndex; }

    // Plain writes for the mouse and keyboard code, which keeps the counters
    // itself: no mode rules, items only.
    void setFlag(int index, bool value);
    void clearFlags();
    // Inverts an item's flag and moves SelCount by one; false for no item.
    bool toggleFlag(int index);
    void setListIndexValue(int value) { m_listIndex = value; }
    void setSelCountValue(int value) { m_selCount = value; }

    // Visible window ------------------------------------------------------
    int TopIndex = -1;
    int BottomIndex = -1;
    int VisibleRows = 0;
    std::array<int, MaxRows> RowTops{};
    bool ScrollBarVisible = false;
    bool LayoutDirty = true;

    // Scrolls so that the item is the top row where the list is longer than
    // the window; false when nothing was done.
    bool DisplayFrom(int itemIndex);
    // The visible window as a full repaint settles it: pinned to the end
    // while the last item is in view (or the window runs past the end),
    // everything when all items fit. Sets ScrollBarVisible.
    void settleWindow();
    // The row that covers a height (binary search over RowTops).
    int RowFromY(float y) const;
    // The item under a height: TopIndex + its row, when the pointer lies in
    // the item area and an item is there; while an edge scroll runs, the row
    // counted from TopIndex also outside the item area (held to the last item).
    int MouseOverIndex(float y, bool pointerInItemArea, bool edgeScrolling) const;

    const MorphListBoxProperties &properties() const { return m_props; }

private:
    int sortedPosition(const QString &text) const;
    int numericSortedPosition(const QString &text) const;
    void keepAnchorAfterRemoval(int &anchor, int removed) const;

    MorphListBoxProperties &m_props;
    QVector<QString> m_list;
    QVector<int> m_itemData;
    QVector<bool> m_selected;
    int m_count = 0;
    int m_listIndex = -1;
    int m_newIndex = -1;
    int m_selCount = 0;
};

// Text order of the list: UTF-16 code unit by code unit, a prefix first.
int MorphListBoxCompare(const QString &a, const QString &b);
// The number at the start of a text as the platform's leading-number reading
// gives it: blanks, tabs and line feeds skipped, sign, digits with one
// decimal point, exponent (E or D), "&H" hexadecimal and "&O" octal; 0 when
// there is none.
double MorphListBoxLeadingNumber(const QString &text);
// Round to the nearest whole number, halves to the even neighbour.
int MorphListBoxNearest(double value);
