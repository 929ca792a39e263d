#include "csv_writer.h"

#include <QDir>
#include <algorithm>
#include <chrono>

#include "csv_format.h"

CsvWriter::CsvWriter(std::unique_ptr<CsvSink> sink, const QString& path, qint64 startMs, int capacity)
    : sink(std::move(sink)), filePath(path), startMs(startMs), capacity(capacity) {}

CsvWriter::~CsvWriter() {
    finish();
    wait();
}

void CsvWriter::start() {
    thread = std::thread([this] { run(); });
}

bool CsvWriter::enqueue(const PassRecord& record, qint64 nowMs) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (finishing || abandoned)
            return false;
        if (int(queue.size()) < capacity) {
            queue.push_back(Entry{record, nowMs});
            wake.notify_one();
            return true;
        }
    }
    fail(QStringLiteral("очередь записи переполнена"));
    return false;
}

qint64 CsvWriter::lagMs(qint64 nowMs) const {
    std::lock_guard<std::mutex> lock(mutex);
    return queue.empty() ? 0 : nowMs - queue.front().queuedMs;
}

void CsvWriter::finish() {
    std::lock_guard<std::mutex> lock(mutex);
    finishing = true;
    wake.notify_one();
}

void CsvWriter::fail(const QString& reason) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        abandoned = true;
        wake.notify_one();
    }
    if (failed.exchange(true))
        return;
    qCritical("%s", qUtf8Printable(failureText(filePath, reason)));
    if (onFailure)
        onFailure();
}

QString CsvWriter::failureText(const QString& path, const QString& reason) {
    return QStringLiteral("Запись остановлена: %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

void CsvWriter::wait() {
    if (thread.joinable())
        thread.join();
}

bool CsvWriter::wait(int timeoutMs) {
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!ended.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                            [this] { return done.load() || !thread.joinable(); }))
            return false;
    }
    wait(); // done: the thread is returning
    return true;
}

void CsvWriter::run() {
    QString reason;
    bool ok = sink->write(CsvFormat::header(), &reason);
    while (ok) {
        PassRecord record;
        {
            std::unique_lock<std::mutex> lock(mutex);
            // The timeout lets an idle writer notice a removed file.
            wake.wait_for(lock, std::chrono::seconds(1),
                          [this] { return abandoned || finishing || !queue.empty(); });
            if (abandoned)
                break;
            if (queue.empty()) {
                if (finishing)
                    break;
                lock.unlock();
                ok = sink->present(&reason);
                continue;
            }
            record = queue.front().record;
        }
        ok = sink->write(CsvFormat::row(record, startMs), &reason);
        if (ok) {
            ++rowCount;
            ok = sink->present(&reason);
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (!queue.empty())
            queue.pop_front();
    }
    if (!ok)
        fail(reason);
    sink->close();
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    ended.notify_all();
}
