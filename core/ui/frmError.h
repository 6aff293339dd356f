#pragma once
#include "core/api/ErrorReporter.h"

#include <QWidget>
#include <functional>

class Dialogs;
class QLabel;
class QPlainTextEdit;

// The client-wide failure report: the error window with the failure's
// details, then the Retry/Cancel question. Retry goes on; Cancel asks the
// client to exit (which a running game may refuse). The window stays on
// screen either way.
//
// During start-up the question waits for its answer, so that Cancel stops the
// start-up. Once the login window is up, failures are reported from lobby
// messages and timers too, which never wait: the question is then opened
// without waiting (the failing code goes on as after Retry) and Cancel, when
// the user picks it, asks for the exit then. One question at a time.
class frmError : public QWidget, public ErrorReporter
{
    Q_OBJECT
public:
    static constexpr char Question[]
        = "An error occured! Press retry to ignore the error, or cancel to exit the gatherhall.";

    frmError(Dialogs &dialogs, std::function<void()> exitClient, QWidget *parent = nullptr);

    void ShowError(const Failure &failure, const QString &method) override;
    // True (the start) while start-up runs.
    void setWaitForAnswer(bool wait) { m_waitForAnswer = wait; }

    // "Error number: ...", "Description: ...", "Source: ...", "Method: ...()".
    static QString reportText(const Failure &failure, const QString &method);

    QPlainTextEdit *txtError = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Image1 = nullptr;

private:
    Dialogs &m_dialogs;
    std::function<void()> m_exitClient;
    bool m_waitForAnswer = true;
    bool m_questionOpen = false;
};
