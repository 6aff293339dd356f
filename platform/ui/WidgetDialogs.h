#pragma once
#include "platform/Dialogs.h"

#include <QList>
#include <QPointer>

class QDialog;
class QMessageBox;
class QWidget;

// Dialogs as QMessageBox and QInputDialog windows. Texts are shown as plain
// text, never as markup. An empty title is the application's name. Boxes
// opened without waiting are not modal; the ones still open go with this
// object.
class WidgetDialogs : public Dialogs
{
public:
    explicit WidgetDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    ~WidgetDialogs() override;

    void setParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &text, const QString &title = QString(),
                   Buttons buttons = Buttons::Ok, Icon icon = Icon::Default) override;
    std::optional<QString> input(const QString &prompt, const QString &title = QString(),
                                 const QString &defaultText = QString()) override;
    void open(const QString &text, const QString &title = QString(), Buttons buttons = Buttons::Ok,
              Icon icon = Icon::Default, Answered answered = {}) override;
    void closeAll() override;

    // The boxes opened without waiting that are still on screen.
    QList<QMessageBox *> openBoxes() const;

private:
    QWidget *m_parent = nullptr;
    QList<QPointer<QMessageBox>> m_open;
    QList<QPointer<QDialog>> m_waiting;   // message() and input() boxes, innermost last
};
