#pragma once
#include <QString>

// The client-wide failure report: the error window with its Retry/Cancel
// question. Returns when the user chooses Retry; Cancel ends the client.
class ErrorReporter
{
public:
    struct Failure
    {
        qint32 number = 0;
        QString description;
        QString source;
    };

    virtual ~ErrorReporter() = default;
    virtual void ShowError(const Failure &failure, const QString &method) = 0;
};
