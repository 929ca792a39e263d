#ifndef CSV_WRITER_H
#define CSV_WRITER_H

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "csv_sink.h"
#include "pass_record.h"

// One recording's writer: a thread of its own that takes records from a
// bounded queue, formats them and writes one row each to the sink, header
// first.  After every row, and once a second while idle, it checks that the
// file is still where it was created.
//
// A failure (the sink refuses a write, the file is gone, or the GUI thread
// finds the writer too far behind) is logged once, critically, as
// "Запись остановлена: <file>: <reason>", which the program's log handler turns
// into one error box; then the failure handler is called, in
// the thread that found the failure, and the writer ends after its current
// write, dropping the rows still queued.
//
// Threads: construction, start, enqueue, lagMs, finish, wait and the
// destructor belong to the owner's thread (the GUI thread); rows, isDone and
// fail may be called from any thread.  `mutex` guards the queue and the
// finish/abandon requests; the row count and the done/failed flags are atomic.
class CsvWriter {
public:
    using FailureHandler = std::function<void()>;

    // `startMs`: monotonic time (ms) of the recording's start, for elapsed_s.
    // `capacity`: most records held waiting; a record beyond it is a failure.
    CsvWriter(std::unique_ptr<CsvSink> sink, const QString& path, qint64 startMs, int capacity);
    // Finishes if nobody did, and waits for the thread.
    ~CsvWriter();

    // Called once on a failure, after the message, in the thread that found
    // it.  Set before start.
    void setFailureHandler(FailureHandler handler) { onFailure = std::move(handler); }
    void start();
    // Queues one record, stamped with the owner's monotonic time `nowMs`.
    // False, after a failure has been raised, when the queue is full.
    bool enqueue(const PassRecord& record, qint64 nowMs);
    // How long (ms) the oldest record not yet written has waited; 0 if none.
    qint64 lagMs(qint64 nowMs) const;
    // Writes what is queued, then closes the file; returns at once.
    void finish();
    // Raises the failure once (later calls do nothing) and ends the writer
    // without the rows still queued.
    void fail(const QString& reason);
    // Waits until the thread has ended: it ends after at most one more
    // write once fail was called, or after the queue has drained after finish.
    // Bound: reached only for a writer that is done (or has no thread), so it
    // returns at once; a writer stuck in a write is never destroyed, the
    // recorder keeps it aside after wait(timeoutMs).
    void wait();
    // The same, at most timeoutMs: false when the thread is still busy (a
    // write that does not return, on a hung file system).
    bool wait(int timeoutMs);

    bool isDone() const { return done.load(); }
    bool hasFailed() const { return failed.load(); }
    qint64 rows() const { return rowCount.load(); }
    QString path() const { return filePath; }

    // "Запись остановлена: <file>: <reason>", the file in native separators.
    static QString failureText(const QString& path, const QString& reason);

private:
    struct Entry {
        PassRecord record;
        qint64 queuedMs = 0;
    };

    void run();

    std::unique_ptr<CsvSink> sink;
    const QString filePath;
    const qint64 startMs;
    const int capacity;
    FailureHandler onFailure;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Entry> queue; // the front stays until its row is written
    bool finishing = false;
    bool abandoned = false;

    std::atomic<qint64> rowCount{0};
    std::atomic<bool> done{false}; // also set under `mutex`, announced by `ended`
    std::condition_variable ended;
    std::atomic<bool> failed{false};
    std::thread thread;
};

#endif // CSV_WRITER_H
