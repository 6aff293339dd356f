#include "core/ui/frmError.h"

#include "platform/Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

frmError::frmError(Dialogs &dialogs, std::function<void()> exitClient, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_dialogs(dialogs)
    , m_exitClient(std::move(exitClient))
{
    setWindowTitle(QStringLiteral("Error caught by Client"));
    txtError = new QPlainTextEdit(QStringLiteral("Err..."), this);
    txtError->setReadOnly(true);
    Label1 = new QLabel(QStringLiteral("An error has occured in the client subsystem, report these "
                                       "details to an administrator."),
                        this);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap(QStringLiteral(":/error.png")));

    auto *top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addWidget(Label1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(txtError, 1);
    resize(420, 260);
}

QString frmError::reportText(const Failure &failure, const QString &method)
{
    return QStringLiteral("Error number: ") + QString::number(failure.number) + QStringLiteral("\r\n")
        + QStringLiteral("Description: \r\n") + failure.description + QStringLiteral("\r\n")
        + QStringLiteral("Source: ") + failure.source + QStringLiteral("\r\n")
        + QStringLiteral("Method: ") + method + QStringLiteral("()");
}

void frmError::ShowError(const Failure &failure, const QString &method)
{
    show();
    txtError->setPlainText(reportText(failure, method));
    if (m_waitForAnswer) {
        if (m_dialogs.message(QString::fromLatin1(Question), QString(), Dialogs::Buttons::RetryCancel,
                              Dialogs::Icon::None)
                == Dialogs::Answer::Cancel
            && m_exitClient)
            m_exitClient();
        return;
    }
    if (m_questionOpen)
        return; // the window shows the latest failure; one question is enough
    m_questionOpen = true;
    m_dialogs.open(QString::fromLatin1(Question), QString(), Dialogs::Buttons::RetryCancel, Dialogs::Icon::None,
                   [this, alive = QPointer<frmError>(this)](Dialogs::Answer answer) {
                       if (!alive)
                           return;
                       m_questionOpen = false;
                       if (answer == Dialogs::Answer::Cancel && m_exitClient)
                           m_exitClient();
                   });
}
