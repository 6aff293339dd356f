#pragma once
#include <QString>
#include <functional>
#include <optional>

// Message and input boxes. Everything that asks the user goes through this, so
// that tests answer the questions and nothing modal ever blocks a test.
//
// message() and input() wait for the answer. Code that runs while a lobby
// message or a timer is handled never waits: it uses open(), so that later
// lobby messages, chat and the game launch go on while the box is on screen.
class Dialogs
{
public:
    // YesNoCancel: the unzip overwrite question (Cancel answers "no to all").
    enum class Buttons { Ok, OkCancel, YesNo, RetryCancel, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No, Retry };
    // Default: information for an OK box, a question mark for the others.
    enum class Icon { Default, None, Information, Question, Warning };
    using Answered = std::function<void(Answer)>;

    virtual ~Dialogs() = default;
    virtual Answer message(const QString &text, const QString &title = QString(),
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::Default) = 0;
    // std::nullopt when the user cancels.
    virtual std::optional<QString> input(const QString &prompt, const QString &title = QString(),
                                         const QString &defaultText = QString()) = 0;
    // Shows the box and returns at once. `answered`, when given, runs later
    // with the user's answer (closing the box counts as the "no" of its buttons).
    virtual void open(const QString &text, const QString &title = QString(), Buttons buttons = Buttons::Ok,
                      Icon icon = Icon::Default, Answered answered = {}) = 0;
    // The program is ending: every box on screen goes, as if closed by its
    // title bar (a call waiting for one returns; see ClosingDialogs). Boxes
    // that show nothing have nothing to close.
    virtual void closeAll() {}
};
