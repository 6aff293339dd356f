#include "platform/ui/WidgetDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

namespace {

QString titleOr(const QString &title)
{
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

} // namespace

Dialogs::Answer WidgetDialogs::message(const QString &text, const QString &title, Buttons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(titleOr(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    QMessageBox::StandardButtons standard;
    switch (buttons) {
    case Buttons::Ok: standard = QMessageBox::Ok; break;
    case Buttons::OkCancel: standard = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: standard = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::RetryCancel: standard = QMessageBox::Retry | QMessageBox::Cancel; break;
    case Buttons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(standard);
    box.setIcon(buttons == Buttons::Ok ? QMessageBox::Information : QMessageBox::Question);
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Retry: return Answer::Retry;
    default: break;
    }
    // Closing the box with Escape or the title bar: the "no" of its buttons.
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<QString> WidgetDialogs::input(const QString &prompt, const QString &title,
                                            const QString &defaultText)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(titleOr(title));
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}
