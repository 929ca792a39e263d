#include "recording_load.h"

#include "pass_feed.h"
#include "trend_window.h"

RecordingLoad::RecordingLoad(PassFeed* feed, bool chart)
    : settings(dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat) {
    QObject::connect(feed, &PassFeed::passRecorded, &recorder, &CsvRecorder::record, Qt::QueuedConnection);
    // Delivered after the recorder's slot for the same record.
    QObject::connect(
        feed, &PassFeed::passRecorded, &recorder,
        [this](const PassRecord& record) {
            if (recorder.isRecording() && !record.readings.isEmpty())
                ++recordCount;
        },
        Qt::QueuedConnection);
    QObject::connect(feed, &PassFeed::passRecorded, &history, &TrendHistory::append, Qt::QueuedConnection);
    if (chart) {
        settings.setValue(QStringLiteral("Recording/TrendSpanMin"), 10);
        window = std::make_unique<TrendWindow>(&history, &settings);
        window->resize(1000, 600);
        window->show();
    }
}

RecordingLoad::~RecordingLoad() {
    stop();
}

bool RecordingLoad::start(const QString& folder) {
    return recorder.start(folder.isEmpty() ? dir.path() : folder);
}

qint64 RecordingLoad::historyPoints() const {
    qint64 points = 0;
    for (int n = 1; n <= TrendHistory::channelCount; ++n)
        points += qint64(history.points(n).size());
    return points;
}

void RecordingLoad::stop() {
    recorder.stop();
    recorder.waitForWriters();
}
