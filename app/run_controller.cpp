#include "run_controller.h"

#include <QCoreApplication>
#include <algorithm>
#include <csignal>

#include "mainwindow.h"

namespace {

// Longest single QTimer interval we use, ms (a day).
constexpr qint64 longestTimerMs = 24LL * 3600 * 1000;

const char* signalName(int number) {
    switch (number) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "?";
    }
}

} // namespace

RunController::RunController(MainWindow* window, const CommandLine& options, QObject* parent)
    : QObject(parent), window(window), options(options) {
    durationTimer.setSingleShot(true);
    durationTimer.setTimerType(Qt::PreciseTimer);
    connect(&durationTimer, &QTimer::timeout, this, &RunController::armDuration);
    // Queued: the run may end here, and a close must not run inside the
    // window's or the recorder's own call that reported.
    connect(window, &MainWindow::searchAnswered, this, &RunController::searchAnswered, Qt::QueuedConnection);
    connect(window, &MainWindow::recordingStateChanged, this, &RunController::recordingStateChanged,
            Qt::QueuedConnection);
}

void RunController::start() {
    window->setRequestedDevice(options.device);
    if (options.headless)
        window->startSearchNow();
    if (options.durationMs) {
        runClock.start();
        armDuration();
    }
}

void RunController::armDuration() {
    const qint64 left = *options.durationMs - runClock.elapsed();
    if (left <= 0) {
        qInfo("Время работы истекло (%lld мс)", static_cast<long long>(*options.durationMs));
        end(0);
        return;
    }
    durationTimer.start(static_cast<int>(std::min(left, longestTimerMs)));
}

void RunController::searchAnswered(const QStringList& found, const QString& chosen, bool accepted) {
    if (!firstAnswer || ending)
        return;
    firstAnswer = false;

    if (!options.device.isEmpty() && chosen.isEmpty()) {
        qCritical("Прибор %s не найден; найдены: %s", qUtf8Printable(options.device),
                  found.isEmpty() ? "нет" : qUtf8Printable(found.join(QStringLiteral(", "))));
        fail();
        return;
    }
    if (!accepted) {
        if (!options.headless)
            return; // the window shows it, and the driver's messages say why
        if (chosen.isEmpty())
            qCritical("Модули не найдены");
        else
            qCritical("Прибор %s не открыт", qUtf8Printable(chosen));
        fail();
        return;
    }
    if (options.record && !window->startRecording()) {
        if (options.headless)
            qCritical("Запись не начата");
        fail();
    }
}

void RunController::recordingStateChanged(bool nowRecording) {
    const bool stopped = recording && !nowRecording;
    recording = nowRecording;
    // Only a failure stops a recording while the run goes on without a
    // window: there is no Stop to press.
    if (stopped && options.headless && !ending) {
        qCritical("Запись остановлена, работа без окна завершается");
        fail();
    }
}

void RunController::fail() {
    if (options.headless)
        end(failureExitCode);
}

void RunController::endBySignal(int signalNumber) {
    qInfo("Получен сигнал %s", signalName(signalNumber));
    end(0);
}

void RunController::end(int exitCode) {
    if (ending)
        return;
    ending = true;
    durationTimer.stop();
    // A close already under way (the operator's) ends the program itself;
    // leaving the event loops now would cut its bounded waits short.
    if (window->closing())
        return;
    // As the operator's close: an unshown window gets its close event too.
    window->close();
    QCoreApplication::exit(exitCode);
}
