#pragma once
#include "controls/MorphListBoxHold.h"

#include <QListWidget>

// A plain list (the mods tab's pack list) with the members of the skinnable
// list box that its owner uses: AddItem (at its sorted place, or at a given
// row), Clear, ListCount, List, ItemData, Selected, ListIndex, NewIndex, and
// the Click and KeyUp events.
class PackListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit PackListBox(QWidget *parent = nullptr);

    // New items go to their place in text order (ordinal: upper case first).
    bool Sorted() const { return m_sorted; }
    void setSorted(bool sorted) { m_sorted = sorted; }

    void Clear();                                      // no items, none current, NewIndex -1
    void AddItem(const QString &text, int index = -1); // -1: sorted place, or last when not Sorted
    int ListCount() const { return count(); }
    QString List(int index) const;                     // "" outside the items
    qint32 ItemData(int index) const;                  // 0 outside the items
    void setItemData(int index, qint32 value);
    bool Selected(int index) const;
    void setSelected(int index, bool selected);        // selecting makes it the current item
    int ListIndex() const;                             // the current item; -1 when none
    void setListIndex(int index);                      // -1 or outside: none
    int NewIndex() const { return m_newIndex; }        // where the last AddItem put its item
    bool Enabled() const { return isEnabled(); }

    // Drawing held over a fill (holds nest): the list is drawn once when
    // the last hold ends.
    void holdDrawing();
    void releaseDrawing();

Q_SIGNALS:
    void Click();
    void KeyUp(int key, Qt::KeyboardModifiers modifiers);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    int sortedPosition(const QString &text) const;

    bool m_sorted = false;
    int m_holds = 0;
    int m_newIndex = -1;
};
