#ifndef BENCH_EVENTS_H
#define BENCH_EVENTS_H

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <functional>

// GUI thread of a benchmark: serves events until `done` or `ms` have passed;
// false on the time limit.
inline bool pumpUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Serves events for `ms`, as an operator's pause between two clicks.
inline void pumpFor(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// Message handler for benchmarks whose expected messages would drown the
// figures.
inline void quietMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

#endif // BENCH_EVENTS_H
