#ifndef STDERR_CAPTURE_H
#define STDERR_CAPTURE_H

#include <QByteArray>
#include <QString>

// Redirects file descriptor 2 of the whole process into a file for as long as
// the object lives (every thread's standard-error output is caught); text()
// reads what has arrived so far.  Not nestable.
class StderrCapture {
public:
    explicit StderrCapture(const QString& path);
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    QByteArray text() const;
    // Number of occurrences of `needle` so far.
    int count(const QByteArray& needle) const;

private:
    QString path;
    int savedFd = -1;
};

#endif // STDERR_CAPTURE_H
