#include "stderr_capture.h"

#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

StderrCapture::StderrCapture(const QString& file) : path(file) {
    std::fflush(stderr);
    savedFd = ::dup(2);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    if (fd >= 0) {
        ::dup2(fd, 2);
        ::close(fd);
    }
}

StderrCapture::~StderrCapture() {
    std::fflush(stderr);
    if (savedFd >= 0) {
        ::dup2(savedFd, 2);
        ::close(savedFd);
    }
}

QByteArray StderrCapture::text() const {
    std::fflush(stderr);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

int StderrCapture::count(const QByteArray& needle) const {
    return text().count(needle);
}
