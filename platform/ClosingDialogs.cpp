#include "platform/ClosingDialogs.h"

void ClosingDialogs::close()
{
    if (*m_closed)
        return;
    *m_closed = true;
    m_boxes.closeAll();
}

Dialogs::Answer ClosingDialogs::noAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::RetryCancel:
    case Buttons::YesNoCancel: break;
    }
    return Answer::Cancel;
}

Dialogs::Answer ClosingDialogs::message(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    if (*m_closed)
        return noAnswer(buttons);
    const Answer answer = m_boxes.message(text, title, buttons, icon);
    // Closed while it was on screen: whatever the box gave, nobody chose it.
    return *m_closed ? noAnswer(buttons) : answer;
}

std::optional<QString> ClosingDialogs::input(const QString &prompt, const QString &title,
                                             const QString &defaultText)
{
    if (*m_closed)
        return std::nullopt;
    std::optional<QString> text = m_boxes.input(prompt, title, defaultText);
    if (*m_closed)
        return std::nullopt;
    return text;
}

void ClosingDialogs::open(const QString &text, const QString &title, Buttons buttons, Icon icon,
                          Answered answered)
{
    if (*m_closed)
        return;
    if (answered) {
        answered = [closed = m_closed, answered = std::move(answered)](Answer answer) {
            if (!*closed)
                answered(answer);
        };
    }
    m_boxes.open(text, title, buttons, icon, std::move(answered));
}
