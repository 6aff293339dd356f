#include "platform/ui/WidgetDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QString titleOr(const QString &title)
{
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

void setUp(QMessageBox &box, const QString &text, const QString &title, Dialogs::Buttons buttons,
           Dialogs::Icon icon)
{
    using B = Dialogs::Buttons;
    box.setWindowTitle(titleOr(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    QMessageBox::StandardButtons standard;
    switch (buttons) {
    case B::Ok: standard = QMessageBox::Ok; break;
    case B::OkCancel: standard = QMessageBox::Ok | QMessageBox::Cancel; break;
    case B::YesNo: standard = QMessageBox::Yes | QMessageBox::No; break;
    case B::RetryCancel: standard = QMessageBox::Retry | QMessageBox::Cancel; break;
    case B::YesNoCancel: standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    box.setStandardButtons(standard);
    switch (icon) {
    case Dialogs::Icon::Default:
        box.setIcon(buttons == B::Ok ? QMessageBox::Information : QMessageBox::Question);
        break;
    case Dialogs::Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Dialogs::Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Dialogs::Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Dialogs::Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    }
}

Dialogs::Answer answerOf(int result, Dialogs::Buttons buttons)
{
    switch (result) {
    case QMessageBox::Ok: return Dialogs::Answer::Ok;
    case QMessageBox::Yes: return Dialogs::Answer::Yes;
    case QMessageBox::No: return Dialogs::Answer::No;
    case QMessageBox::Retry: return Dialogs::Answer::Retry;
    default: break;
    }
    // Closing the box with Escape or the title bar: the "no" of its buttons.
    switch (buttons) {
    case Dialogs::Buttons::Ok: return Dialogs::Answer::Ok;
    case Dialogs::Buttons::YesNo: return Dialogs::Answer::No;
    default: return Dialogs::Answer::Cancel;
    }
}

} // namespace

WidgetDialogs::~WidgetDialogs()
{
    for (const QPointer<QMessageBox> &box : std::as_const(m_open))
        delete box.data();
}

Dialogs::Answer WidgetDialogs::message(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    QMessageBox box(m_parent);
    setUp(box, text, title, buttons, icon);
    m_waiting.append(&box);
    const int result = box.exec();
    m_waiting.removeAll(&box);
    return answerOf(result, buttons);
}

void WidgetDialogs::open(const QString &text, const QString &title, Buttons buttons, Icon icon,
                         Answered answered)
{
    auto *box = new QMessageBox(m_parent);
    setUp(*box, text, title, buttons, icon);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [buttons, answered = std::move(answered)](int result) {
        if (answered)
            answered(answerOf(result, buttons));
    });
    m_open.removeAll(nullptr);
    m_open.append(box);
    box->show();
}

void WidgetDialogs::closeAll()
{
    // Innermost first: each waiting call returns as its own box goes.
    for (qsizetype i = m_waiting.size() - 1; i >= 0; --i) {
        if (QDialog *box = m_waiting.at(i))
            box->reject();
    }
    for (const QPointer<QMessageBox> &box : std::as_const(m_open)) {
        if (box)
            box->reject();
    }
}

QList<QMessageBox *> WidgetDialogs::openBoxes() const
{
    QList<QMessageBox *> out;
    for (const QPointer<QMessageBox> &box : m_open) {
        if (box && box->isVisible())
            out.append(box.data());
    }
    return out;
}

std::optional<QString> WidgetDialogs::input(const QString &prompt, const QString &title,
                                            const QString &defaultText)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(titleOr(title));
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    m_waiting.append(&dialog);
    const int result = dialog.exec();
    m_waiting.removeAll(&dialog);
    if (result != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}
