#ifndef RUN_CONTROLLER_H
#define RUN_CONTROLLER_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QtGlobal>

#include "command_line.h"

class MainWindow;

// Carries out the command line's run options on the main window and ends
// the run as a close of the window does.
//
// - Without a window (--headless) it asks for the search at once; a run that
//   can use no module (none found, the --device address not found, the
//   module not opened) logs why and ends with exit status 1, and so does a
//   --record run whose recording does not start or stops by a failure.
// - With a window those cases are left to the operator, as today; only a
//   --device address that is not found is logged (no module is chosen).
// - --record starts the recording once the first search's module runs.
// - --duration ends the run that long after start() (0 exit status).
// - end() closes the window (its close stops acquisition, completes the
//   recording and writes the settings) and leaves the event loop with the
//   given status; only the first call counts.
//
// Threads: GUI thread only.  Durations in milliseconds.
class RunController : public QObject {
    Q_OBJECT

public:
    RunController(MainWindow* window, const CommandLine& options, QObject* parent = nullptr);

    // Call once the window is built, before the event loop runs.
    void start();

    // Exit status of a run that could not do what it was asked.
    static constexpr int failureExitCode = 1;

public slots:
    void end(int exitCode);
    // SIGTERM, SIGINT or SIGHUP: a clean end.
    void endBySignal(int signalNumber);

private:
    void searchAnswered(const QStringList& found, const QString& chosen, bool accepted);
    void recordingStateChanged(bool recording);
    // Ends a run without a window that cannot go on; a window stays.
    void fail();
    // Re-arms the timer for what is left of --duration: a QTimer holds at
    // most about 24 days.
    void armDuration();

    MainWindow* window;
    CommandLine options;
    bool firstAnswer = true;
    bool recording = false;
    bool ending = false;
    QTimer durationTimer;
    QElapsedTimer runClock;
};

#endif // RUN_CONTROLLER_H
