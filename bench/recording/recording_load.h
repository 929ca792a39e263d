#ifndef RECORDING_LOAD_H
#define RECORDING_LOAD_H

#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "csv_recorder.h"
#include "trend_history.h"

class PassFeed;
class TrendWindow;

// What the program adds to acquisition while recording with the trend chart
// open: the CSV recorder and the trend history fed from the pass feed, and,
// if asked for, the trend window shown on the 10-minute span.  It counts the
// records with readings that reached the recorder while it recorded.
// GUI thread only.
class RecordingLoad {
public:
    RecordingLoad(PassFeed* feed, bool chart);
    ~RecordingLoad();

    // Starts a recording in `folder` (empty: a temporary folder).
    bool start(const QString& folder = QString());
    // Stops and waits until every queued row is in the file.
    void stop();

    qint64 records() const { return recordCount; }
    qint64 rows() const { return recorder.rowsWritten(); }
    QString filePath() const { return recorder.filePath(); }
    // Points the trend history holds, gap markers included.
    qint64 historyPoints() const;

private:
    QTemporaryDir dir;
    QSettings settings;
    CsvRecorder recorder;
    TrendHistory history;
    std::unique_ptr<TrendWindow> window;
    qint64 recordCount = 0;
};

#endif // RECORDING_LOAD_H
