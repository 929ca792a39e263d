// The CSV recorder without the window: rows against hand-made records, file
// names, errors at Start, failures while recording, and the folder setting.
#include <QtCore>
#include <QtTest>
#include <cerrno>
#include <ctime>
#include <memory>

#include "csv_file_sink.h"
#include "csv_folder_setting.h"
#include "csv_format.h"
#include "csv_recorder.h"
#include "message_log.h"
#include "read_file.h"

namespace {

const QString stopped = QStringLiteral("Запись остановлена: ");
const QString stamp = QStringLiteral("vernier-20261207-140305");
const QString config = QStringLiteral("20 кГц; Дифференциальный (16 каналов); 1 AC 10 В; 3 DC 0.6 В");

// A reading of channel `number`: `mV` with `decimals`, and `kHz` (NaN for
// DC) with `kHzDecimals`.
ChannelReading reading(int number, double mV, double kHz, int decimals, bool overload = false,
                       int kHzDecimals = 3) {
    ChannelReading r;
    r.number = number;
    r.volts = mV / 1000;
    r.hertz = kHz * 1000;
    r.decimals = decimals;
    r.frequencyDecimals = kHzDecimals;
    r.overload = overload;
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
QByteArray line(const QString& time, const QString& elapsed, const QMap<int, QString>& cells,
                const QString& overload, const QString& configCell = config, const QString& alias = QString(),
                const QString& device = QStringLiteral("SIM-0001")) {
    QStringList out{time, elapsed};
    for (int n = 1; n <= 32; ++n)
        out << cells.value(n, QStringLiteral(","));
    return (out.join(',') + ',' + overload + ',' + configCell + ',' + alias + ',' + device + "\r\n").toUtf8();
}

// A reading of channel `number` that is marked stale: no numbers, no texts,
// and whatever marks it carried before (they must not reach the row).
ChannelReading staleReading(int number) {
    ChannelReading r;
    r.number = number;
    r.stale = true;
    r.overload = true;
    r.alias = true;
    r.lastReadingMs = 500;
    return r;
}

// The cells of a row after the two time columns, split at the commas (the
// rows below need no quoting).
QStringList cellsOf(const QByteArray& row) {
    return QString::fromUtf8(row).trimmed().split(QLatin1Char(','));
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
    void removeFileBusy() {
        waitForRow();
        QVERIFY(QFile::remove(recorder->filePath()));
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

    void row_data() {
        QTest::addColumn<PassRecord>("record");
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QByteArray>("expected");
        const QString t = QStringLiteral("2026-12-07T14:03:05.120+03:00");
        const QMap<int, QString> acDc{{1, "707.107,1.000"}, {3, "-12.50,"}};
        PassRecord common = sample(0, {reading(32, 0.015, 12.0, 3)});
        common.config = {0, 1000000, 0, {{32, false, 3}, {17, true, 1}, {2, false, 0}}};
        // clang-format off
        QTest::newRow("by hand")            << sample(12045) << QByteArray("MSK-3") << "2026-12-07T14:03:05.120+03:00,12.045,707.107,1.000,,,-12.50," + QByteArray(58, ',') + ",," + config.toUtf8() + ",,SIM-0001\r\n";
        QTest::newRow("west, half hour")    << sample(1) << QByteArray("NST3:30") << line("2026-12-07T14:03:05.120-03:30", "0.001", acDc, "");
        QTest::newRow("east, two digits")   << sample(1) << QByteArray("NZST-12") << line("2026-12-07T14:03:05.120+12:00", "0.001", acDc, "");
        QTest::newRow("zero offset")        << sample(3600000) << QByteArray("UTC0") << line("2026-12-07T14:03:05.120+00:00", "3600.000", acDc, "");
        QTest::newRow("rounded as shown")   << sample(0, {reading(2, 1.23456, 49.99961, 2, false, 4), reading(4, -0.7449, 0.0004, 0, false, 3)}) << QByteArray("MSK-3") << line(t, "0.000", {{2, "1.23,49.9996"}, {4, "-1,0.000"}}, "");
        QTest::newRow("overload ascending") << sample(0, {reading(12, 1, qQNaN(), 0, true), reading(5, 2, qQNaN(), 0), reading(3, 3, qQNaN(), 0, true)}) << QByteArray("MSK-3") << line(t, "0.000", {{3, "3,"}, {5, "2,"}, {12, "1,"}}, "3 12");
        QTest::newRow("common ground")      << common << QByteArray("MSK-3") << line(t, "0.000", {{32, "0.015,12.000"}}, "", "1000 кГц; С общей землей (32 канала); 2 AC 10 В; 17 DC 2.5 В; 32 AC 0.15 В");
        // clang-format on
    }
    void row() {
        QFETCH(PassRecord, record);
        QFETCH(QByteArray, tz);
        qputenv("TZ", tz);
        tzset();
        QTEST(CsvFormat::row(record, 0), "expected");
    }

    // The alias and device columns, and stale channels: a stale channel
    // leaves both its cells empty and is in neither mark list, whatever
    // marks its reading still carries.
    void marksAndStale() {
        struct Case {
            const char* name;
            QVector<ChannelReading> readings;
            QString device;
            QMap<int, QString> cells; // channel -> "mV,kHz"
            QString overload;
            QString alias;
            QString deviceCell;
        };
        const auto aliased = [](ChannelReading r) {
            r.alias = true;
            return r;
        };
        // clang-format off
        const Case cases[] = {
            {"alias listed ascending",   {aliased(reading(7, 1, 0.6, 3)), reading(3, 2, 0.3, 3), aliased(reading(2, 3, 0.62, 3))}, "SIM-0001", {{2, "3.000,0.620"}, {3, "2.000,0.300"}, {7, "1.000,0.600"}}, "", "2 7", "SIM-0001"},
            {"alias and overload apart", {aliased(reading(4, 1, 0.6, 3, true)), reading(5, 2, 0.3, 3, true)}, "SIM-0002", {{4, "1.000,0.600"}, {5, "2.000,0.300"}}, "4 5", "4", "SIM-0002"},
            {"stale cells empty",        {staleReading(1), reading(3, -12.5, qQNaN(), 2)}, "SIM-0001", {{3, "-12.50,"}}, "", "", "SIM-0001"},
            {"stale with old numbers",   {[] { ChannelReading r = reading(9, 5, 1, 3, true); r.stale = true; return r; }(), reading(10, 1, qQNaN(), 1)}, "SIM-0001", {{10, "1.0,"}}, "", "", "SIM-0001"},
            {"no signal: no frequency",  {reading(6, 0.05, qQNaN(), 3)}, "SIM-0001", {{6, "0.050,"}}, "", "", "SIM-0001"},
            {"device with a comma",      {reading(1, 1, 1, 0)}, "A,B", {{1, "1,1.000"}}, "", "", "\"A,B\""},
            {"no device",                {reading(1, 1, 1, 0)}, "", {{1, "1,1.000"}}, "", "", ""},
        };
        // clang-format on
        for (const Case& c : cases) {
            PassRecord record = sample(0, c.readings);
            record.device = c.device;
            const QString got = QString::fromUtf8(CsvFormat::row(record, 0));
            const QString expected = QString::fromUtf8(line("2026-12-07T14:03:05.120+03:00", "0.000", c.cells,
                                                            c.overload, config, c.alias, c.deviceCell));
            QVERIFY2(got == expected, qPrintable(QStringLiteral("%1:\n%2\n%3").arg(c.name, got, expected)));
        }
    }

    // A pass counts for a row when some channel 1..32 has a reading.
    void hasReading() {
        struct Case {
            const char* name;
            QVector<ChannelReading> readings;
            bool expected;
        };
        // clang-format off
        const Case cases[] = {
            {"no readings",          {},                                        false},
            {"all stale",            {staleReading(1), staleReading(32)},       false},
            {"outside 1..32",        {reading(0, 1, 1, 3), reading(33, 1, 1, 3)}, false},
            {"one stale, one fresh", {staleReading(1), reading(2, 1, 1, 3)},   true},
            {"AC without a signal",  {reading(2, 0.01, qQNaN(), 3)},            true},
        };
        // clang-format on
        for (const Case& c : cases)
            QVERIFY2(CsvFormat::hasReading(sample(0, c.readings)) == c.expected, c.name);
    }

    // Through the recorder: a pass whose every channel is stale writes no
    // row, and a change of device goes on in the same file, each row naming
    // the device it was measured on.
    void staleAndDeviceChange() {
        makeRecorder();
        QVERIFY(recorder->start(dir->path()));
        recorder->record(sample(nowMs + 100));
        recorder->record(sample(nowMs + 200, {staleReading(1), staleReading(3)}));
        PassRecord second = sample(nowMs + 300, {reading(1, -3.5, 0.25, 1), staleReading(3)});
        second.device = QStringLiteral("SIM-0002");
        recorder->record(second);
        recorder->stop();
        QVERIFY(recorder->waitForWriters());
        QCOMPARE(recorder->rowsWritten(), qint64(2));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files),
                 QStringList{QFileInfo(recorder->filePath()).fileName()});
        const QList<QByteArray> lines = readFile(recorder->filePath()).split('\n');
        QCOMPARE(lines.size(), 4); // header, two rows, the empty rest after the last CRLF
        const QStringList first = cellsOf(lines[1]), last = cellsOf(lines[2]);
        const QStringList header = cellsOf(lines[0]);
        const int device = header.indexOf("device"), ch1 = header.indexOf("ch1_mV"),
                  ch3 = header.indexOf("ch3_mV");
        QVERIFY(device > 0 && ch1 > 0 && ch3 > 0);
        QCOMPARE(first.size(), header.size());
        QCOMPARE(last.size(), header.size());
        QCOMPARE((QStringList{first[device], first[ch1], first[ch3]}),
                 (QStringList{"SIM-0001", "707.107", "-12.50"}));
        QCOMPARE((QStringList{last[device], last[ch1], last[ch1 + 1], last[ch3]}),
                 (QStringList{"SIM-0002", "-3.5", "0.250", ""}));
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }

    // RFC 4180 quoting of a cell (the configuration column is the one that
    // may need it).
    void cell_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("plain")          << "20 кГц; 1 AC 10 В" << "20 кГц; 1 AC 10 В";
        QTest::newRow("comma")          << "1,5" << "\"1,5\"";
        QTest::newRow("quote doubled")  << "say \"hi\"" << "\"say \"\"hi\"\"\"";
        QTest::newRow("CR LF")          << "a\r\nb" << "\"a\r\nb\"";
        QTest::newRow("line feed only") << "c\nd" << "\"c\nd\"";
        QTest::newRow("CR only")        << "e\rf" << "\"e\rf\"";
        // clang-format on
    }
    void cell() {
        QFETCH(QString, text);
        QTEST(CsvFormat::cell(text), "expected");
    }

    // The header, then one row per record with readings from the start on;
    // rows still queued at Stop reach the file.
    void rowsPerRecord() {
        makeRecorder(true);
        QVERIFY(recorder->start(dir->path()));
        recorder->record(sample(nowMs - 1));
        recorder->record(sample(nowMs + 100, {}));
        for (int i = 1; i <= 5; ++i)
            recorder->record(sample(nowMs + 200 * i));
        recorder->stop();
        recorder->record(sample(nowMs + 5000));
        QCOMPARE(changed->size(), 2);
        QVERIFY(changed->at(0).at(0).toBool() && !changed->at(1).at(0).toBool());
        gate->release(1 << 20);
        recorder->waitForWriters();
        QCOMPARE(recorder->rowsWritten(), qint64(5));
        const QList<QByteArray> lines = readFile(recorder->filePath()).split('\n');
        QCOMPARE(lines.size(), 7);
        QVERIFY(lines[0].startsWith("time,elapsed_s,ch1_mV,ch1_kHz,ch2_mV,ch2_kHz,"));
        QVERIFY(lines[0].endsWith(",ch31_kHz,ch32_mV,ch32_kHz,overload,config,alias,device\r"));
        QCOMPARE(lines[0].count(','), 2 + 2 * 32 + 4 - 1);
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(lines[i] + '\n',
                     line(sample().time.toString(Qt::ISODateWithMs) + "+03:00",
                          QString::number(0.2 * i, 'f', 3), {{1, "707.107,1.000"}, {3, "-12.50,"}}, ""));
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
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith("Запись не завершена: ") &&
                     warnings[0].contains(QDir::toNativeSeparators(recorder->filePath())),
                 qPrintable(warnings[0]));
        QCOMPARE(CsvRecorder::abandonedWriters(), 1);
        QVERIFY(recorder->waitForWriters(0)); // nothing left to wait for
        gate->release(1 << 20);
        QTRY_COMPARE(CsvRecorder::abandonedWriters(), 0);
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }

    // Never overwrite: taken names get -2, -3, ...; the empty folder is the
    // working directory.
    void uniqueNames() {
        for (const QString& name : {stamp + ".csv", stamp + "-2.csv"}) {
            QFile file(dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
        }
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
            {"start: under a regular file",   "plain/sub", false, false, nullptr,               "папка не существует"},
            {"start: regular file as folder", "plain",     false, false, nullptr,               "не является папкой"},
            {"full disk",                     "records",   false, true,  nullptr,               qt_error_string(ENOSPC)},
            {"folder removed, rows coming",   "records",   false, false, &T::removeFolderBusy,  removed},
            {"folder removed, no rows",       "records",   false, false, &T::removeFolderIdle,  removed},
            {"file removed",                  "records",   false, false, &T::removeFileBusy,    removed},
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
            QVERIFY2(
                MessageLog::texts(QtCriticalMsg) == QStringList{stopped + path + ": " + c.reason},
                qPrintable(QString::fromUtf8(c.name) + ": " + MessageLog::texts(QtCriticalMsg).join('\n')));
            QVERIFY(QDir().mkpath(folder));
            recorder->setSinkFactory([] { return std::make_unique<CsvFileSink>(); });
            QVERIFY2(recorder->start(folder), c.name);
            recorder->stop();
            QVERIFY2(changed->size() == (atStart ? 2 : 4), c.name);
        }
    }

    // Read: anything but a string is empty, a missing key is written.
    // Written: the working directory, however spelt, is stored as empty.
    void folderSetting_data() {
        QTest::addColumn<QByteArray>("ini"); // read from [Recording]; empty: write `chosen`
        QTest::addColumn<QString>("chosen"); // relative to the working directory
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("missing")        << QByteArray("X=1") << "" << "";
        QTest::newRow("path")           << QByteArray("Folder=/data/runs") << "" << "/data/runs";
        QTest::newRow("quoted comma")   << QByteArray("Folder=\"/data/a,b\"") << "" << "/data/a,b";
        QTest::newRow("list")           << QByteArray("Folder=/a, /b") << "" << "";
        QTest::newRow("byte array")     << QByteArray("Folder=@ByteArray(/x)") << "" << "";
        QTest::newRow("number")         << QByteArray("Folder=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)") << "" << "";
        QTest::newRow("size")           << QByteArray("Folder=@Size(1 2)") << "" << "";
        QTest::newRow("cwd")            << QByteArray() << "." << "";
        QTest::newRow("trailing slash") << QByteArray() << "./" << "";
        QTest::newRow("through a link") << QByteArray() << "sub/link" << "";
        QTest::newRow("other folder")   << QByteArray() << "sub" << "<cwd>/sub";
        // clang-format on
    }
    void folderSetting() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        const QString cwd = QFileInfo(dir->path()).canonicalFilePath(), previous = QDir::currentPath();
        QVERIFY(QDir().mkpath(cwd + "/sub") && QFile::link(cwd, cwd + "/sub/link") && QDir::setCurrent(cwd));
        QFile file(QStringLiteral("vernier.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Recording]\n" + ini + "\n") > 0);
        file.close();
        QSettings settings(cwd + "/vernier.ini", QSettings::IniFormat);
        if (ini.isEmpty())
            CsvFolderSetting::write(&settings, cwd + "/" + chosen);
        const QString value =
            ini.isEmpty() ? settings.value("Recording/Folder").toString() : CsvFolderSetting::read(&settings);
        QDir::setCurrent(previous);
        QCOMPARE(value, QString(expected).replace("<cwd>", cwd));
        QVERIFY(settings.contains(QStringLiteral("Recording/Folder")));
    }
};

QTEST_GUILESS_MAIN(TestCsvRecorder)
#include "test_csv_recorder.moc"
