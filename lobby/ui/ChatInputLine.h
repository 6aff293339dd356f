#pragma once
#include <QLineEdit>

class ChatInput;

// txtInput: the chat input line. It mirrors ChatInput (text and read-only
// state) and hands Enter to SendChatLine.
class ChatInputLine : public QLineEdit
{
    Q_OBJECT
public:
    explicit ChatInputLine(ChatInput &input, QWidget *parent = nullptr);

private:
    ChatInput &m_input;
};
