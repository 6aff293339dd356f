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
class frmError : public QWidget, public ErrorReporter
{
    Q_OBJECT
public:
    static constexpr char Question[]
        = "An error occured! Press retry to ignore the error, or cancel to exit the gatherhall.";

    frmError(Dialogs &dialogs, std::function<void()> exitClient, QWidget *parent = nullptr);

    void ShowError(const Failure &failure, const QString &method) override;

    // "Error number: ...", "Description: ...", "Source: ...", "Method: ...()".
    static QString reportText(const Failure &failure, const QString &method);

    QPlainTextEdit *txtError = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Image1 = nullptr;

private:
    Dialogs &m_dialogs;
    std::function<void()> m_exitClient;
};
