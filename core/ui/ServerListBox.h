#pragma once
#include <QListWidget>

// The login window's server list with the members the custom list box
// offers: Clear, AddItem, ListIndex and Enabled.
class ServerListBox : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

    void Clear();                      // no lines, none selected
    void AddItem(const QString &text); // appended as the last line
    int ListIndex() const;             // the selected line from 0; -1 when none
    void setListIndex(int index);      // selects that line when it exists
    bool Enabled() const { return isEnabled(); }
    void setEnabled(bool enabled) { QListWidget::setEnabled(enabled); }
};
