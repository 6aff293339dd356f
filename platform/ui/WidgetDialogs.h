#pragma once
#include "platform/Dialogs.h"

class QWidget;

// Dialogs as modal QMessageBox and QInputDialog windows. Texts are shown as
// plain text, never as markup. An empty title is the application's name.
class WidgetDialogs : public Dialogs
{
public:
    explicit WidgetDialogs(QWidget *parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &text, const QString &title = QString(),
                   Buttons buttons = Buttons::Ok) override;
    std::optional<QString> input(const QString &prompt, const QString &title = QString(),
                                 const QString &defaultText = QString()) override;

private:
    QWidget *m_parent = nullptr;
};
