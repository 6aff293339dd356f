#include "core/ui/ServerListBox.h"

void ServerListBox::Clear()
{
    clear();
    setCurrentRow(-1);
}

void ServerListBox::AddItem(const QString &text)
{
    addItem(text);
}

int ServerListBox::ListIndex() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void ServerListBox::setListIndex(int index)
{
    if (index >= 0 && index < count())
        setCurrentRow(index);
    else
        setCurrentRow(-1);
}
