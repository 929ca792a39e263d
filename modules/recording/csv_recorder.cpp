#include "csv_recorder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>
#include <mutex>
#include <vector>

#include "csv_file_sink.h"
#include "csv_format.h"

namespace {

// More names than any folder will hold in one second; the loop has an end.
constexpr int maxNameSuffix = 10000;

qint64 monotonicNowMs() {
    QElapsedTimer timer;
    timer.start();
    return timer.msecsSinceReference();
}

} // namespace

CsvRecorder::CsvRecorder(QObject* parent)
    : QObject(parent), sinkFactory([] { return std::make_unique<CsvFileSink>(); }),
      monotonicClock(monotonicNowMs), wallClock([] { return QDateTime::currentDateTime(); }) {
    lagTimer.setInterval(1000);
    connect(&lagTimer, &QTimer::timeout, this, &CsvRecorder::checkLag);
}

CsvRecorder::~CsvRecorder() {
    // No signal from here: the receivers may be half destroyed already.
    if (current) {
        current->finish();
        retireCurrent();
    }
    waitForWriters();
}

void CsvRecorder::setSinkFactory(SinkFactory factory) {
    sinkFactory = std::move(factory);
}

void CsvRecorder::setClocks(MonotonicClock monotonic, WallClock wall) {
    monotonicClock = std::move(monotonic);
    wallClock = std::move(wall);
}

void CsvRecorder::setLagLimitMs(qint64 ms) {
    lagLimitMs = ms;
}

bool CsvRecorder::start(const QString& folder) {
    if (current)
        return false;
    reapWriters();

    const QString folderPath = folder.isEmpty() ? QDir::currentPath() : QDir(folder).absolutePath();
    const QString base =
        QDir(folderPath)
            .filePath(QStringLiteral("vernier-") + wallClock().toString(QStringLiteral("yyyyMMdd-hhmmss")));
    QString path = base + QStringLiteral(".csv");

    const QFileInfo folderInfo(folderPath);
    QString reason;
    if (!folderInfo.exists())
        reason = QStringLiteral("папка не существует");
    else if (!folderInfo.isDir())
        reason = QStringLiteral("не является папкой");

    std::unique_ptr<CsvSink> sink = sinkFactory();
    bool created = false;
    for (int suffix = 2; reason.isEmpty() && suffix <= maxNameSuffix; ++suffix) {
        bool exists = false;
        created = sink->create(path, &reason, &exists);
        if (created || !exists)
            break;
        reason.clear();
        path = QStringLiteral("%1-%2.csv").arg(base).arg(suffix);
    }
    lastPath = path;
    if (!created) {
        if (reason.isEmpty())
            reason = QStringLiteral("все имена файла заняты");
        qCritical("%s", qUtf8Printable(CsvWriter::failureText(path, reason)));
        return false;
    }

    startMs = monotonicClock();
    auto writer = std::make_shared<CsvWriter>(std::move(sink), path, startMs, queueCapacity);
    CsvWriter* raw = writer.get();
    writer->setFailureHandler([this, raw] {
        QMetaObject::invokeMethod(
            this, [this, raw] { writerFailed(raw); }, Qt::QueuedConnection);
    });
    current = writer;
    last = writer;
    current->start();
    lagTimer.start();
    emit recordingChanged(true);
    return true;
}

void CsvRecorder::stop() {
    if (!current)
        return;
    current->finish();
    retireCurrent();
    emit recordingChanged(false);
}

namespace {

// Writers given up on; never destroyed, since their thread still uses them.
struct AbandonedWriters {
    std::mutex mutex;
    std::vector<std::shared_ptr<CsvWriter>> writers;
};

AbandonedWriters& abandonedWriterList() {
    static auto* list = new AbandonedWriters; // outlives main on purpose
    return *list;
}

} // namespace

bool CsvRecorder::waitForWriters(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    bool all = true;
    for (auto it = ended.begin(); it != ended.end();) {
        if ((*it)->wait(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
            it = ended.erase(it);
            continue;
        }
        qWarning("%s", qUtf8Printable(
                           QStringLiteral("Запись не завершена: %1: запись в файл не закончилась за %2 мс")
                               .arg(QDir::toNativeSeparators((*it)->path()))
                               .arg(timeoutMs)));
        std::lock_guard<std::mutex> lock(abandonedWriterList().mutex);
        abandonedWriterList().writers.push_back(*it);
        it = ended.erase(it);
        all = false;
    }
    return all;
}

int CsvRecorder::abandonedWriters() {
    std::lock_guard<std::mutex> lock(abandonedWriterList().mutex);
    int busy = 0;
    for (const auto& writer : abandonedWriterList().writers)
        busy += writer->isDone() ? 0 : 1;
    return busy;
}

qint64 CsvRecorder::rowsWritten() const {
    return last ? last->rows() : 0;
}

void CsvRecorder::record(const PassRecord& record) {
    if (!current || !CsvFormat::hasReading(record) || record.monotonicMs < startMs)
        return;
    if (!current->enqueue(record, monotonicClock()) || current->hasFailed()) {
        retireCurrent();
        emit recordingChanged(false);
        return;
    }
    checkLag();
}

void CsvRecorder::checkLag() {
    if (!current || current->lagMs(monotonicClock()) <= lagLimitMs)
        return;
    current->fail(QStringLiteral("запись отстала от измерений более чем на %1 с").arg(lagLimitMs / 1000.0));
    retireCurrent();
    emit recordingChanged(false);
}

void CsvRecorder::writerFailed(CsvWriter* writer) {
    if (!current || current.get() != writer)
        return;
    retireCurrent();
    emit recordingChanged(false);
}

void CsvRecorder::retireCurrent() {
    lagTimer.stop();
    ended.push_back(current);
    current.reset();
}

void CsvRecorder::reapWriters() {
    for (auto it = ended.begin(); it != ended.end();) {
        if ((*it)->isDone()) {
            (*it)->wait();
            it = ended.erase(it);
        } else {
            ++it;
        }
    }
}
