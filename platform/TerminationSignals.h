#pragma once
#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal) as a Qt
// signal on the window thread. The handler itself only writes the signal's
// number into a socket pair; the event loop reads it and emits received(),
// so whatever follows runs as an ordinary event, as a window's close does.
// One object at a time; its destruction puts the earlier handlers back.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // False when the handlers could not be installed (the signals then end
    // the process as they would without this object).
    bool installed() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier *m_notifier = nullptr;
};
