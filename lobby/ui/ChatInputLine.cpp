#include "lobby/ui/ChatInputLine.h"

#include "core/util/CodePage.h"
#include "lobby/ChatInput.h"

ChatInputLine::ChatInputLine(ChatInput &input, QWidget *parent) : QLineEdit(parent), m_input(input)
{
    setObjectName(QStringLiteral("txtInput"));
    setText(CodePage::toUnicode(m_input.text()));
    setReadOnly(m_input.readOnly());

    connect(this, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_input.setText(CodePage::fromUnicode(text)); });
    connect(this, &QLineEdit::returnPressed, this, [this] {
        m_input.setText(CodePage::fromUnicode(text()));
        m_input.SendChatLine();
    });
    connect(&m_input, &ChatInput::textChanged, this, [this](const QByteArray &text) {
        setText(CodePage::toUnicode(text));
    });
    connect(&m_input, &ChatInput::readOnlyChanged, this, &QLineEdit::setReadOnly);
    connect(&m_input, &ChatInput::focusRequested, this, [this] {
        end(false);
        setFocus(Qt::OtherFocusReason);
    });
}
