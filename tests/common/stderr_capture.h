#ifndef STDERR_CAPTURE_H
#define STDERR_CAPTURE_H

#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "read_file.h"

// Redirects file descriptor 2 of the whole process into a file for as long as
// the object lives (every thread's standard-error output is caught); text()
// reads what has arrived so far.  Not nestable.
class StderrCapture {
public:
    explicit StderrCapture(const QString& file) : path(file) {
        std::fflush(stderr);
        savedFd = ::dup(2);
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
        if (fd >= 0 && ::dup2(fd, 2) >= 0)
            ::close(fd);
    }
    ~StderrCapture() {
        std::fflush(stderr);
        if (savedFd >= 0 && ::dup2(savedFd, 2) >= 0)
            ::close(savedFd);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    QByteArray text() const {
        std::fflush(stderr);
        return readFile(path);
    }
    // Number of occurrences of `needle` so far.
    int count(const QByteArray& needle) const { return text().count(needle); }

private:
    QString path;
    int savedFd;
};

#endif // STDERR_CAPTURE_H
