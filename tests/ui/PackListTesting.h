#pragma once
// Reading and clicking the pack list boxes in window tests.
#include "controls/MorphListBox.h"
#include "core/ui/PackListBox.h"

#include <QStringList>
#include <QTest>

namespace PackListTesting {

inline QStringList rows(const PackListBox *list)
{
    QStringList out;
    for (int i = 0; i < list->ListCount(); ++i)
        out << list->List(i);
    return out;
}

// A left click on `row`; -1 clicks below the rows.
inline void click(PackListBox *list, int row)
{
    const QPoint at = row >= 0 ? list->visualItemRect(list->item(row)).center()
                               : QPoint(5, list->viewport()->height() - 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

inline QStringList rows(MorphListBox *list)
{
    QStringList out;
    for (int i = 0; i < list->ListCount(); ++i)
        out << list->List(i);
    return out;
}

// A left click on `row` (brought into view first); -1 clicks below the rows.
inline void click(MorphListBox *list, int row)
{
    int y = list->height() - list->BorderWidth() - 3;
    if (row >= 0) {
        if (!list->model().IsIndexVisible(row))
            list->DisplayFrom(row);
        const int top = list->model().RowTops[row - list->TopIndex()];
        y = top + list->surface().RowHeight / 2;
    }
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(list->BorderWidth() + 20, y));
}

} // namespace PackListTesting
