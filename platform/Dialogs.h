#pragma once
#include <QString>
#include <optional>

// Message and input boxes. Everything that asks the user goes through this, so
// that tests answer the questions and nothing modal ever blocks a test.
class Dialogs
{
public:
    // YesNoCancel: the unzip overwrite question (Cancel answers "no to all").
    enum class Buttons { Ok, OkCancel, YesNo, RetryCancel, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No, Retry };

    virtual ~Dialogs() = default;
    virtual Answer message(const QString &text, const QString &title = QString(),
                           Buttons buttons = Buttons::Ok) = 0;
    // std::nullopt when the user cancels.
    virtual std::optional<QString> input(const QString &prompt, const QString &title = QString(),
                                         const QString &defaultText = QString()) = 0;
};
