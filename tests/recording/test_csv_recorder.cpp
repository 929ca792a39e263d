// The CSV recorder: rows against hand-made records, file names, errors at
// Start and failures while recording.
#include <QtCore>
#include <QtTest>
#include <cerrno>
#include <ctime>
#include <memory>

#include "csv_file_sink.h"
#include "csv_format.h"
#include "csv_recorder.h"
#include "message_log.h"
#include "read_file.h"
#include "table_rows.h"
#include "test_files.h"

namespace {

const QString stamp = QStringLiteral("vernier-20261207-140305");
const QString config = QStringLiteral("20 кГц; Дифференциальный (16 каналов); 1 AC 10 В; 3 DC 0.6 В");

enum Mark { Stale = 1, Overload = 2, Alias = 4 };

// A reading of channel `number`: `mV` with `decimals`, and `kHz` (NaN for
// DC) with `kHzDecimals`; `marks` a sum of Mark.
ChannelReading reading(int number, double mV, double kHz, int decimals, int marks = 0, int kHzDecimals = 3) {
    ChannelReading r;
    r.number = number;
    r.volts = mV / 1000;
    r.hertz = kHz * 1000;
    r.decimals = decimals;
    r.frequencyDecimals = kHzDecimals;
    r.stale = marks & Stale;
    r.overload = marks & Overload;
    r.alias = marks & Alias;
    return r;
}

// A pass of SIM-0001 at local 2026-12-07 14:03:05.120: channel 1 AC 10 В, 3 DC 0.6 В.
PassRecord sample(qint64 monotonicMs = 0, const QVector<ChannelReading>& readings = {
                                              reading(1, 707.107, 1.0, 3), reading(3, -12.5, qQNaN(), 2)}) {
    PassRecord r;
    r.device = QStringLiteral("SIM-0001");
    r.config.adcFrequencyHz = 20000;
    r.config.channels = {{1, false, 0}, {3, true, 2}};
    r.time = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5, 120), Qt::LocalTime);
    r.monotonicMs = monotonicMs;
    r.readings = readings;
    return r;
}

// A row from its parts: `cells` maps channel n to "mV,kHz".
QByteArray line(const QString& elapsed, const QMap<int, QString>& cells, const QString& overload = {},
                const QString& alias = {}, const QString& zone = QStringLiteral("+03:00"),
                const QString& configCell = config) {
    QStringList out{"2026-12-07T14:03:05.120" + zone, elapsed};
    for (int n = 1; n <= 32; ++n)
        out << cells.value(n, QStringLiteral(","));
    return (out.join(',') + ',' + overload + ',' + configCell + ',' + alias + ",SIM-0001\r\n").toUtf8();
}

// Every write waits for a permit of `gate` (at most a minute); `waiting`
// counts the writes held.  Writer thread.
struct SlowSink : CsvFileSink {
    std::shared_ptr<QSemaphore> gate;
    std::shared_ptr<QAtomicInt> waiting;
    bool write(const QByteArray& bytes, QString* reason) override {
        waiting->ref();
        gate->tryAcquire(1, 60000);
        waiting->deref();
        return CsvFileSink::write(bytes, reason);
    }
};

// The file is /dev/full, and the rows after the header fail as when the
// disk fills while recording.  Writer thread.
struct FullDiskSink : CsvFileSink {
    bool create(const QString&, QString* reason, bool* exists) override {
        *exists = false;
        return openExisting(QStringLiteral("/dev/full"), reason);
    }
    bool write(const QByteArray& bytes, QString* reason) override {
        return bytes == CsvFormat::header() || CsvFileSink::write(bytes, reason);
    }
};

struct Cells {
    const char* name;
    QVector<ChannelReading> readings;
    QMap<int, QString> cells; // channel -> "mV,kHz"
    const char* overload;
    const char* alias;
    bool hasReading;
};

// clang-format off
const Cells cellRows[] = {
    {"rounded as shown",         {reading(2, 1.23456, 49.99961, 2, 0, 4), reading(4, -0.7449, 0.0004, 0)}, {{2, "1.23,49.9996"}, {4, "-1,0.000"}}, "", "", true},
    {"overload ascending",       {reading(12, 1, qQNaN(), 0, Overload), reading(5, 2, qQNaN(), 0), reading(3, 3, qQNaN(), 0, Overload)}, {{3, "3,"}, {5, "2,"}, {12, "1,"}}, "3 12", "", true},
    {"alias and overload apart", {reading(4, 1, 0.6, 3, Alias + Overload), reading(5, 2, 0.3, 3, Overload)}, {{4, "1.000,0.600"}, {5, "2.000,0.300"}}, "4 5", "4", true},
    {"stale: no cells, marks",   {reading(9, 5, 1, 3, Stale + Overload + Alias), reading(10, 1, qQNaN(), 1)}, {{10, "1.0,"}}, "", "", true},
    {"all stale",                {reading(1, 1, 1, 3, Stale + Overload), reading(32, 1, 1, 3, Stale)}, {}, "", "", false},
    {"outside 1..32",            {reading(0, 1, 1, 3), reading(33, 1, 1, 3)}, {}, "", "", false},
};
// clang-format on

} // namespace

class TestCsvRecorder : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    qint64 nowMs = 1000;
    std::unique_ptr<CsvRecorder> recorder;
    std::unique_ptr<QSignalSpy> changed;
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>();
    std::shared_ptr<QAtomicInt> waiting = std::make_shared<QAtomicInt>();

    // A recorder on the test's clocks (the wall clock at 14:03:05), writing
    // through slow sinks when asked.
    void makeRecorder(bool slow = false) {
        recorder = std::make_unique<CsvRecorder>();
        recorder->setClocks([this] { return nowMs; },
                            [] { return QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5), Qt::LocalTime); });
        if (slow)
            recorder->setSinkFactory([this] {
                auto sink = std::make_unique<SlowSink>();
                sink->gate = gate;
                sink->waiting = waiting;
                return sink;
            });
        changed = std::make_unique<QSignalSpy>(recorder.get(), &CsvRecorder::recordingChanged);
    }

    // The ways a recording fails after its start (see failures()).
    void waitForRow() { QTRY_COMPARE_WITH_TIMEOUT(recorder->rowsWritten(), qint64(1), 10000); }
    void removeFolderIdle() {
        waitForRow();
        QVERIFY(QDir(dir->filePath(QStringLiteral("records"))).removeRecursively());
    }
    void removeFolderBusy() {
        removeFolderIdle();
        recorder->record(sample(nowMs + 2));
    }
    // At the limit it is no failure yet; one ms later the recorder's own
    // once-a-second look finds it.
    void lagPastLimit() {
        QTRY_COMPARE_WITH_TIMEOUT(waiting->loadAcquire(), 1, 10000);
        nowMs += CsvRecorder::defaultLagLimitMs;
        recorder->checkLag();
        QVERIFY(recorder->isRecording());
        nowMs += 1;
    }
    void fillQueue() {
        for (int i = 1; i < CsvRecorder::queueCapacity; ++i)
            recorder->record(sample(nowMs + 1));
        QVERIFY(recorder->isRecording());
        recorder->record(sample(nowMs + 1));
    }

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() {
        qputenv("TZ", "MSK-3");
        tzset();
        dir = std::make_unique<QTemporaryDir>();
        MessageLog::clear();
        nowMs = 1000;
    }
    void cleanup() {
        gate->release(1 << 20);
        changed.reset();
        recorder.reset();
        gate = std::make_shared<QSemaphore>();
    }

    // The local offset however the zone is written, the elapsed seconds,
    // the configuration cell and the device cell quoted.
    void timeAndConfig() {
        QCOMPARE(CsvFormat::row(sample(12045), 0),
                 "2026-12-07T14:03:05.120+03:00,12.045,707.107,1.000,,,-12.50," + QByteArray(58, ',') + ",," +
                     config.toUtf8() + ",,SIM-0001\r\n");
        const QMap<int, QString> acDc{{1, "707.107,1.000"}, {3, "-12.50,"}};
        const char* zones[][3] = {{"NST3:30", "-03:30", "0.001"},
                                  {"UTC0", "+00:00", "3600.000"}}; // TZ, shown, s
        for (const auto& zone : zones) {
            qputenv("TZ", zone[0]);
            tzset();
            QCOMPARE(CsvFormat::row(sample(qint64(QByteArray(zone[2]).toDouble() * 1000)), 0),
                     line(zone[2], acDc, {}, {}, zone[1]));
        }
        PassRecord common = sample(0, {reading(32, 0.015, 12.0, 3)});
        common.config = {0, 1000000, 0, {{32, false, 3}, {17, true, 1}, {2, false, 0}}};
        QCOMPARE(CsvFormat::row(common, 0),
                 line("0.000", {{32, "0.015,12.000"}}, {}, {}, "+00:00",
                      "1000 кГц; С общей землей (32 канала); 2 AC 10 В; 17 DC 2.5 В; 32 AC 0.15 В"));
        common.device = QStringLiteral("A,\"B\"");
        QVERIFY(CsvFormat::row(common, 0).endsWith(",\"A,\"\"B\"\"\"\r\n")); // RFC 4180 quoting
    }

    // The channel cells and the overload and alias lists; a stale channel
    // leaves both its cells empty and is in neither list, and a pass counts
    // for a row when some channel 1..32 has a reading.
    void cells_data() { addRows(cellRows); }
    void cells() {
        const Cells& c = fetchRow(cellRows);
        QCOMPARE(CsvFormat::row(sample(0, c.readings), 0), line("0.000", c.cells, c.overload, c.alias));
        QCOMPARE(CsvFormat::hasReading(sample(0, c.readings)), c.hasReading);
    }

    // The header, then one row per record with a reading (not all stale)
    // from the start on, in one file; rows still queued at Stop reach it.
    void rowsPerRecord() {
        makeRecorder(true);
        QVERIFY(recorder->start(dir->path()));
        recorder->record(sample(nowMs - 1));
        recorder->record(sample(nowMs + 100, {}));
        for (int i = 1; i <= 5; ++i)
            recorder->record(sample(nowMs + 200 * i, {reading(1, 707.107, 1.0, 3, i == 3 ? Stale : 0)}));
        recorder->stop();
        recorder->record(sample(nowMs + 5000));
        QCOMPARE(changed->size(), 2);
        QVERIFY(changed->at(0).at(0).toBool() && !changed->at(1).at(0).toBool());
        gate->release(1 << 20);
        recorder->waitForWriters();
        QCOMPARE(recorder->rowsWritten(), qint64(4));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files),
                 QStringList{QFileInfo(recorder->filePath()).fileName()});
        const QList<QByteArray> lines = readFile(recorder->filePath()).split('\n');
        QCOMPARE(lines.size(), 6);
        QVERIFY(lines[0].startsWith("time,elapsed_s,ch1_mV,ch1_kHz,ch2_mV,ch2_kHz,"));
        QVERIFY(lines[0].endsWith(",ch31_kHz,ch32_mV,ch32_kHz,overload,config,alias,device\r"));
        for (int i : {1, 2, 4, 5})
            QCOMPARE(lines[i - (i > 3)] + '\n',
                     line(QString::number(0.2 * i, 'f', 3), {{1, "707.107,1.000"}}));
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }

    // A write that does not return (a hung file system) holds the wait for
    // the writers no longer than its bound: the file is reported incomplete,
    // and the writer, kept aside, still ends once the write returns.
    void stuckWriterGivenUp() {
        makeRecorder(true);
        QVERIFY(recorder->start(dir->path()));
        recorder->record(sample(nowMs + 1));
        recorder->stop();
        QTRY_COMPARE(waiting->loadRelaxed(), 1);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!recorder->waitForWriters(300));
        QVERIFY(clock.elapsed() < 1300);
        const QStringList warnings = MessageLog::texts(QtWarningMsg);
        QVERIFY2(warnings.size() == 1 && warnings[0].startsWith("Запись не завершена: ") &&
                     warnings[0].contains(QDir::toNativeSeparators(recorder->filePath())),
                 qPrintable(warnings.join('\n')));
        QCOMPARE(CsvRecorder::abandonedWriters(), 1);
        QVERIFY(recorder->waitForWriters(0)); // nothing left to wait for
        gate->release(1 << 20);
        QTRY_COMPARE(CsvRecorder::abandonedWriters(), 0);
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }

    // Never overwrite: taken names get -2, -3, ...; the empty folder is the
    // working directory.
    void uniqueNames() {
        for (const QString& name : {stamp + ".csv", stamp + "-2.csv"})
            QVERIFY(writeFile(dir->filePath(name), "keep"));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir->path()));
        makeRecorder();
        const bool first = recorder->start(QString());
        recorder->stop();
        QDir::setCurrent(previous);
        QVERIFY(first && recorder->start(dir->path()));
        recorder->stop();
        QCOMPARE(recorder->filePath(), dir->filePath(stamp + "-4.csv"));
        recorder->waitForWriters();
        QCOMPARE(readFile(dir->filePath(stamp + ".csv")), QByteArray("keep"));
        QCOMPARE(readFile(dir->filePath(stamp + "-3.csv")), CsvFormat::header());
    }

    // Each failure: one critical naming the file, and the recording ends by
    // itself (one recordingChanged(false)) or, at Start, never starts; a new
    // one can start then.  Start never asks.
    void failures() {
        using Provoke = void (TestCsvRecorder::*)();
        struct Case {
            const char* name;
            const char* startIn; // under the test's folder; "records" is a folder, the others Start refuses
            bool slow;           // writes wait for the gate
            bool fullDisk;
            Provoke provoke; // after Start and one record; nullptr: nothing more
            QString reason;
        };
        using T = TestCsvRecorder;
        const QString removed = QStringLiteral("файл или его папка удалены");
        // clang-format off
        const Case cases[] = {
            {"start: missing folder",         "missing",   false, false, nullptr,               "папка не существует"},
            {"start: regular file as folder", "plain",     false, false, nullptr,               "не является папкой"},
            {"full disk",                     "records",   false, true,  nullptr,               qt_error_string(ENOSPC)},
            {"folder removed, rows coming",   "records",   false, false, &T::removeFolderBusy,  removed},
            {"folder removed, no rows",       "records",   false, false, &T::removeFolderIdle,  removed},
            {"writer behind",                 "records",   true,  false, &T::lagPastLimit,      "запись отстала от измерений более чем на 10 с"},
            {"queue full",                    "records",   true,  false, &T::fillQueue,         "очередь записи переполнена"},
        };
        // clang-format on
        for (const Case& c : cases) {
            cleanup();
            init();
            makeRecorder(c.slow);
            if (c.fullDisk)
                recorder->setSinkFactory([] { return std::make_unique<FullDiskSink>(); });
            const QString folder = dir->filePath(QStringLiteral("records"));
            QFile plain(dir->filePath(QStringLiteral("plain")));
            QVERIFY(QDir().mkpath(folder) && plain.open(QIODevice::WriteOnly));
            const bool atStart = qstrcmp(c.startIn, "records") != 0;
            QVERIFY2(recorder->start(dir->filePath(QLatin1String(c.startIn))) == !atStart, c.name);
            recorder->record(sample(nowMs + 1));
            if (c.provoke)
                (this->*c.provoke)();
            QTRY_COMPARE_WITH_TIMEOUT(changed->size(), atStart ? 0 : 2, 10000);
            const QString path = atStart ? dir->filePath(QLatin1String(c.startIn)) + "/" + stamp + ".csv"
                                         : recorder->filePath();
            const QStringList criticals = MessageLog::texts(QtCriticalMsg);
            QVERIFY2(criticals == QStringList{"Запись остановлена: " + path + ": " + c.reason},
                     qPrintable(QString::fromUtf8(c.name) + ": " + criticals.join('\n')));
            QVERIFY(QDir().mkpath(folder));
            recorder->setSinkFactory([] { return std::make_unique<CsvFileSink>(); });
            QVERIFY2(recorder->start(folder), c.name);
            recorder->stop();
            QVERIFY2(changed->size() == (atStart ? 2 : 4), c.name);
        }
    }
};

QTEST_GUILESS_MAIN(TestCsvRecorder)
#include "test_csv_recorder.moc"
