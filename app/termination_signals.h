#ifndef TERMINATION_SIGNALS_H
#define TERMINATION_SIGNALS_H

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP as requests to end the program in order.
//
// The handler makes no Qt call: it writes the signal's number into a pipe,
// and a QSocketNotifier on the other end emits `received` in the GUI thread.
// A second signal, once one has been caught, is not queued: the handler
// puts back the default action and raises it again, so the process ends at
// once, killed by that signal, whatever the first one's shutdown is doing.
// A signal that was ignored when the program started (nohup ignores SIGHUP)
// stays ignored.
//
// Threads: install() in main before any other thread starts; the object in
// the GUI thread.  The handler may run in any thread.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // Makes the pipe and installs the handlers.  False, with the reason
    // logged, when that fails (the signals then keep their default action).
    static bool install();

    // Watches the pipe; signals caught before it exists are delivered as
    // soon as the event loop runs.
    explicit TerminationSignals(QObject* parent = nullptr);

signals:
    // One caught signal (its number), delivered in the GUI thread.
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier = nullptr;
};

#endif // TERMINATION_SIGNALS_H
