#ifndef CSV_RECORDER_H
#define CSV_RECORDER_H

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <list>
#include <memory>

#include "csv_sink.h"
#include "csv_writer.h"
#include "pass_record.h"

// Records the readings of every display pass into a CSV file, one file per
// recording, named vernier-YYYYMMDD-hhmmss.csv (local time at Start) in the
// chosen folder, with -2, -3, ... added rather than overwrite a file.
//
// Start never asks: a missing folder or a file that cannot be created is
// logged critically as "Запись остановлена: <file>: <reason>" and Start
// returns false.  While recording, a failure (full disk, file or folder
// removed, the writer more than `lagLimitMs` behind) is logged the same way
// once, and the recording ends by itself; measuring is not touched.
//
// Threads: the object lives in the GUI thread and all its members are called
// there; `record` is connected queued to the pass feed.  Each recording has a
// CsvWriter thread of its own.  A stopped or failed recording's writer is kept
// until its thread has ended; the destructor (and waitForWriters) waits for
// them, so every row queued before Stop reaches the file.
class CsvRecorder : public QObject {
    Q_OBJECT

public:
    using SinkFactory = std::function<std::unique_ptr<CsvSink>()>;
    using MonotonicClock = std::function<qint64()>;
    using WallClock = std::function<QDateTime()>;

    // Records waiting at most (a bound on memory whatever the pass rate).
    static constexpr int queueCapacity = 4096;
    // Rows the writer may fall behind, in ms, before that counts as a failure.
    static constexpr qint64 defaultLagLimitMs = 10000;

    explicit CsvRecorder(QObject* parent = nullptr);
    ~CsvRecorder() override;

    // For tests: the sink of the next recordings (a file by default), the
    // clocks (QElapsedTimer::msecsSinceReference and the local time by
    // default; the monotonic one must match PassRecord::monotonicMs), and the
    // lag limit.
    void setSinkFactory(SinkFactory factory);
    void setClocks(MonotonicClock monotonic, WallClock wall);
    void setLagLimitMs(qint64 ms);

    // Starts a recording in `folder` (empty: the working directory).  False
    // after the critical message when the folder is missing or the file
    // cannot be created, and when a recording runs already.
    bool start(const QString& folder);
    // Ends the recording; the rows already queued are still written.
    void stop();
    // Waits until the writer threads of ended recordings are done, at most
    // timeoutMs in all.  A writer still busy then (a write that does not
    // return) is given up: its file is reported incomplete in the log, and
    // the writer is kept, never destroyed, until the process ends.  False
    // when a writer was given up.
    bool waitForWriters(int timeoutMs = writerWaitMs);
    // Writers given up by any recorder and still busy.  Any thread.
    static int abandonedWriters();
    // Longest the close waits for the writers.
    static constexpr int writerWaitMs = 1000;

    bool isRecording() const { return current != nullptr; }
    // The file of the running recording (or of the last one), full path.
    QString filePath() const { return lastPath; }
    // Rows written so far by the running recording (or the last one).
    qint64 rowsWritten() const;

public slots:
    // One display pass.  Records without a reading (none, or every channel
    // stale), and passes from before the start, give no row.
    void record(const PassRecord& record);
    // Ends the recording as a failure when the writer is too far behind.
    // Also runs once a second by itself while recording.
    void checkLag();

signals:
    // The recording started (true) or ended by Stop or by a failure (false).
    void recordingChanged(bool recording);

private:
    // A failure reported by `writer` (from any thread), delivered here.
    void writerFailed(CsvWriter* writer);
    // Moves the running recording to the ended ones.
    void retireCurrent();
    void reapWriters();

    SinkFactory sinkFactory;
    MonotonicClock monotonicClock;
    WallClock wallClock;
    qint64 lagLimitMs = defaultLagLimitMs;

    std::shared_ptr<CsvWriter> current;
    // The running recording's writer, or the last one's after it ended.
    std::shared_ptr<CsvWriter> last;
    // Writers of ended recordings whose threads may still run.
    std::list<std::shared_ptr<CsvWriter>> ended;
    QString lastPath;
    qint64 startMs = 0;
    QTimer lagTimer;
};

#endif // CSV_RECORDER_H
