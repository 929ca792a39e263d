#include "termination_signals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Read and written by the handler: a lock-free atomic and plain ints set
// before the handlers are installed.
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free counter");
std::atomic<int> caught{0};
int pipeRead = -1;
int pipeWrite = -1;

const int watched[] = {SIGTERM, SIGINT, SIGHUP};

// Only async-signal-safe calls here.
void onSignal(int number) {
    const int savedErrno = errno;
    if (caught.fetch_add(1) > 0) {
        // Blocked while this handler runs; delivered with the default
        // action as soon as it returns.
        struct sigaction fallback;
        std::memset(&fallback, 0, sizeof fallback);
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(number, &fallback, nullptr);
        raise(number);
    } else {
        const unsigned char byte = static_cast<unsigned char>(number);
        // Non-blocking: a full pipe (which one byte cannot fill) loses
        // nothing that matters.
        [[maybe_unused]] const ssize_t written = write(pipeWrite, &byte, 1);
    }
    errno = savedErrno;
}

bool makePipe() {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    for (int fd : fds) {
        if (fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
            close(fds[0]);
            close(fds[1]);
            return false;
        }
    }
    pipeRead = fds[0];
    pipeWrite = fds[1];
    return true;
}

} // namespace

bool TerminationSignals::install() {
    if (pipeWrite >= 0)
        return true;
    if (!makePipe()) {
        qWarning("Сигналы завершения не перехвачены: %s", std::strerror(errno));
        return false;
    }
    bool ok = true;
    for (int number : watched) {
        struct sigaction previous;
        if (sigaction(number, nullptr, &previous) != 0) {
            ok = false;
            continue;
        }
        if (previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // Every other watched signal waits while the handler runs, so the
        // count is taken one at a time.
        for (int other : watched)
            sigaddset(&action.sa_mask, other);
        action.sa_flags = SA_RESTART;
        if (sigaction(number, &action, nullptr) != 0)
            ok = false;
    }
    if (!ok)
        qWarning("Сигналы завершения перехвачены не все: %s", std::strerror(errno));
    return ok;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (pipeRead < 0)
        return;
    notifier = new QSocketNotifier(pipeRead, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
}

void TerminationSignals::readPipe() {
    unsigned char byte = 0;
    while (read(pipeRead, &byte, 1) == 1)
        emit received(byte);
}
