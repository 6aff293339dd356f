#include "core/ui/PackListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>

PackListBox::PackListBox(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void PackListBox::Clear()
{
    clear();
    setCurrentRow(-1);
    m_newIndex = -1;
}

void PackListBox::AddItem(const QString &text, int index)
{
    if (!isEnabled())
        return;
    int at = index;
    if (at < 0 || at > count())
        at = m_sorted ? sortedPosition(text) : count();
    insertItem(at, text);
    m_newIndex = at;
}

void PackListBox::holdDrawing()
{
    if (m_holds++ == 0)
        setUpdatesEnabled(false);
}

void PackListBox::releaseDrawing()
{
    if (m_holds == 0 || --m_holds > 0)
        return;
    setUpdatesEnabled(true);
}

// A binary search over the texts in ordinal order; a text equal to one the
// search meets goes in front of it.
int PackListBox::sortedPosition(const QString &text) const
{
    if (count() == 0)
        return 0;
    int low = 0;
    int high = count() - 1;
    for (;;) {
        const int mid = int(std::nearbyint((low + high) / 2.0)); // halves to even
        const QString probe = List(mid);
        if (probe == text)
            return mid;
        if (low > high)
            return low;
        if (probe > text)
            high = mid - 1;
        else
            low = mid + 1;
    }
}

QString PackListBox::List(int index) const
{
    const QListWidgetItem *i = item(index);
    return i ? i->text() : QString();
}

qint32 PackListBox::ItemData(int index) const
{
    const QListWidgetItem *i = item(index);
    return i ? i->data(Qt::UserRole).toInt() : 0;
}

void PackListBox::setItemData(int index, qint32 value)
{
    if (QListWidgetItem *i = item(index))
        i->setData(Qt::UserRole, value);
}

bool PackListBox::Selected(int index) const
{
    const QListWidgetItem *i = item(index);
    return i && i->isSelected();
}

void PackListBox::setSelected(int index, bool selected)
{
    QListWidgetItem *i = item(index);
    if (!i)
        return;
    if (selected)
        setCurrentRow(index);
    else if (i->isSelected())
        setListIndex(-1);
}

int PackListBox::ListIndex() const
{
    const QList<QListWidgetItem *> chosen = selectedItems();
    return chosen.isEmpty() ? -1 : row(chosen.first());
}

void PackListBox::setListIndex(int index)
{
    if (index >= 0 && index < count()) {
        setCurrentRow(index);
    } else {
        clearSelection();
        setCurrentRow(-1);
    }
}

void PackListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (isEnabled() && event->button() == Qt::LeftButton)
        Q_EMIT Click();
}

void PackListBox::keyReleaseEvent(QKeyEvent *event)
{
    QListWidget::keyReleaseEvent(event);
    if (isEnabled())
        Q_EMIT KeyUp(event->key(), event->modifiers());
}
