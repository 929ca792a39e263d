#ifndef CSV_SINK_H
#define CSV_SINK_H

#include <QByteArray>
#include <QString>

// Where a recording's bytes go.  The recorder makes one sink per recording
// through a factory, so tests can put a full disk or a slow medium in place of
// the real file.
//
// Threads: `create` runs in the GUI thread at Start; every other call comes
// from the recording's writer thread, one at a time.  A sink takes no lock.
class CsvSink {
public:
    virtual ~CsvSink() = default;

    // Creates `path` for writing; never opens a file that exists already.
    // On failure returns false, sets *reason, and *exists when the failure
    // was only that the name is taken.
    virtual bool create(const QString& path, QString* reason, bool* exists) = 0;
    // Writes all of `bytes` and hands them to the system before returning.
    virtual bool write(const QByteArray& bytes, QString* reason) = 0;
    // Whether the file is still where it was created: a file that has been
    // unlinked (or its folder removed) stays writable while it is open, so
    // a write alone does not notice.
    virtual bool present(QString* reason) = 0;
    virtual void close() = 0;
};

#endif // CSV_SINK_H
