#pragma once
#include "platform/Dialogs.h"

#include <memory>

// The boxes of a program that can end at any moment. Until close() every
// call goes to the boxes it wraps; close() shuts the boxes on screen (a box
// waited for returns the "no" of its buttons) and from then on no box shows:
// a question gets that same "no", an input box nothing, and the answer of a
// box opened without waiting is dropped.
class ClosingDialogs : public Dialogs
{
public:
    explicit ClosingDialogs(Dialogs &boxes) : m_boxes(boxes) {}

    void close();
    bool closed() const { return *m_closed; }

    Answer message(const QString &text, const QString &title = QString(),
                   Buttons buttons = Buttons::Ok, Icon icon = Icon::Default) override;
    std::optional<QString> input(const QString &prompt, const QString &title = QString(),
                                 const QString &defaultText = QString()) override;
    void open(const QString &text, const QString &title = QString(), Buttons buttons = Buttons::Ok,
              Icon icon = Icon::Default, Answered answered = {}) override;
    void closeAll() override { m_boxes.closeAll(); }

    // What closing a box with these buttons answers.
    static Answer noAnswer(Buttons buttons);

private:
    Dialogs &m_boxes;
    // Shared with the answers of open boxes, which may come after this object.
    std::shared_ptr<bool> m_closed = std::make_shared<bool>(false);
};
