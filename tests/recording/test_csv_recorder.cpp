// The CSV recorder without the window: the row format against hand-made
// records, file names, errors at Start, failures while recording (full disk,
// removed file or folder, a writer too far behind), rows queued before Stop,
// and the folder setting.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>

#include "csv_file_sink.h"
#include "csv_folder_setting.h"
#include "csv_format.h"
#include "csv_reader.h"
#include "csv_recorder.h"
#include "message_log.h"

namespace {

const QString stopped = QStringLiteral("Запись остановлена: ");
const QString differential = QStringLiteral("Дифференциальный (16 каналов)");
const QString commonGround = QStringLiteral("С общей землей (32 канала)");

void setTimeZone(const char* tz) {
    qputenv("TZ", tz);
    tzset();
}

ChannelConfig channel(int number, bool dc, int rangeCode) {
    ChannelConfig c;
    c.number = number;
    c.dc = dc;
    c.rangeCode = rangeCode;
    return c;
}

ChannelReading reading(int number, const QString& voltage, const QString& frequency, bool overload = false) {
    ChannelReading r;
    r.number = number;
    r.voltage = voltage;
    r.frequency = frequency;
    r.overload = overload;
    return r;
}

// A pass at local 2026-12-07 14:03:05.120 with channels 1 (AC) and 3 (DC).
PassRecord sampleRecord(qint64 monotonicMs = 0) {
    PassRecord record;
    record.config.serial = 7;
    record.config.adcFrequencyHz = 20000;
    record.config.modeCode = 1;
    record.config.channels = {channel(1, false, 0), channel(3, true, 2)};
    record.time = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5, 120), Qt::LocalTime);
    record.monotonicMs = monotonicMs;
    record.readings = {reading(1, QStringLiteral("707.107"), QStringLiteral("1.000")),
                       reading(3, QStringLiteral("-12.50"), QString())};
    return record;
}

// Blocks every write until opened (or a minute has passed, so that a broken
// test cannot hang the writer thread).
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool isOpen = false;
    int waiting = 0;

    void open() {
        std::lock_guard<std::mutex> lock(mutex);
        isOpen = true;
        changed.notify_all();
    }
    void pass() {
        std::unique_lock<std::mutex> lock(mutex);
        ++waiting;
        changed.wait_for(lock, std::chrono::minutes(1), [this] { return isOpen; });
        --waiting;
    }
    int writersWaiting() {
        std::lock_guard<std::mutex> lock(mutex);
        return waiting;
    }
};

class SlowSink : public CsvFileSink {
public:
    explicit SlowSink(std::shared_ptr<Gate> gate) : gate(std::move(gate)) {}
    bool write(const QByteArray& bytes, QString* reason) override {
        gate->pass();
        return CsvFileSink::write(bytes, reason);
    }

private:
    std::shared_ptr<Gate> gate;
};

// A disk with no room: every write fails as on a full file system.
class FullDiskSink : public CsvFileSink {
public:
    bool create(const QString&, QString* reason, bool* exists) override {
        *exists = false;
        return openExisting(QStringLiteral("/dev/full"), reason);
    }
};

// A folder the process may not write to (root ignores permission bits).
class RefusingSink : public CsvFileSink {
public:
    bool create(const QString&, QString* reason, bool* exists) override {
        *exists = false;
        *reason = QStringLiteral("Permission denied");
        return false;
    }
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCsvRecorder : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    qint64 nowMs = 1000;
    QDateTime wallNow;

    // A recorder on the test's clocks.
    void useTestClocks(CsvRecorder& recorder) {
        recorder.setClocks([this] { return nowMs; }, [this] { return wallNow; });
    }

private slots:
    void initTestCase() {
        setTimeZone("MSK-3");
        MessageLog::install();
    }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        MessageLog::clear();
        nowMs = 1000;
        wallNow = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5), Qt::LocalTime);
    }

    void cleanup() { setTimeZone("MSK-3"); }

    void header() {
        const QByteArray h = CsvFormat::header();
        QVERIFY(h.startsWith("time,elapsed_s,ch1_mV,ch1_kHz,ch2_mV,ch2_kHz,"));
        QVERIFY(h.endsWith(",ch31_kHz,ch32_mV,ch32_kHz,overload,config\r\n"));
        const CsvTable table = readCsv(h);
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        QCOMPARE(table.rows.size(), 1);
        QCOMPARE(table.rows.first().size(), 2 + 2 * 32 + 2);
        QCOMPARE(table.column(QStringLiteral("ch17_mV")), 2 + 2 * 16);
    }

    // One whole row, byte for byte: cells at their channel's columns, empty
    // columns between, CRLF at the end, UTF-8 config text.
    void exactRow() {
        const QByteArray row = CsvFormat::row(sampleRecord(12045), 0);
        QByteArray expected = "2026-12-07T14:03:05.120+03:00,12.045,707.107,1.000,,,-12.50,";
        for (int n = 4; n <= 32; ++n)
            expected += ",,";
        expected +=
            ",," + QStringLiteral("20 кГц; %1; 1 AC 10 В; 3 DC 0.6 В").arg(differential).toUtf8() + "\r\n";
        QCOMPARE(row, expected);
    }

    void cells_data() {
        QTest::addColumn<PassRecord>("record");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("expected");

        PassRecord quoting = sampleRecord();
        quoting.readings = {reading(2, QStringLiteral("1,5"), QStringLiteral("say \"hi\""))};
        QTest::newRow("comma quoted") << quoting << "ch2_mV"
                                      << "1,5";
        QTest::newRow("quote doubled") << quoting << "ch2_kHz"
                                       << "say \"hi\"";
        PassRecord lineBreak = sampleRecord();
        lineBreak.readings = {reading(4, QStringLiteral("a\r\nb"), QString())};
        QTest::newRow("line break kept in quotes") << lineBreak << "ch4_mV"
                                                   << "a\r\nb";

        PassRecord overload = sampleRecord();
        overload.readings = {reading(12, "1", "", true), reading(5, "2", "", false),
                             reading(3, "3", "", true)};
        QTest::newRow("overload numbers ascending") << overload << "overload"
                                                    << "3 12";
        QTest::newRow("no overload") << sampleRecord() << "overload"
                                     << "";
        QTest::newRow("unmeasured channel empty") << sampleRecord() << "ch2_mV"
                                                  << "";
        QTest::newRow("DC frequency empty") << sampleRecord() << "ch3_kHz"
                                            << "";

        PassRecord common = sampleRecord();
        common.config.adcFrequencyHz = 1000000;
        common.config.modeCode = 0;
        common.config.channels = {channel(32, false, 3), channel(17, true, 1), channel(2, false, 0)};
        common.readings = {reading(32, QStringLiteral("0.015"), QStringLiteral("12.000"))};
        QTest::newRow("common ground config sorted by number")
            << common << "config"
            << QStringLiteral("1000 кГц; %1; 2 AC 10 В; 17 DC 2.5 В; 32 AC 0.15 В").arg(commonGround);
        QTest::newRow("channel 32 cells") << common << "ch32_kHz"
                                          << "12.000";
    }

    void cells() {
        QFETCH(PassRecord, record);
        QFETCH(QString, column);
        QFETCH(QString, expected);
        const CsvTable table = readCsv(CsvFormat::header() + CsvFormat::row(record, 0));
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        QCOMPARE(table.rows.size(), 2);
        QCOMPARE(table.rows.at(1).size(), table.rows.at(0).size());
        const int index = table.column(column);
        QVERIFY(index >= 0);
        QCOMPARE(table.rows.at(1).at(index), expected);
    }

    void times_data() {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("elapsed");
        QTest::newRow("east") << QByteArray("MSK-3") << qint64(0) << "2026-12-07T14:03:05.120+03:00"
                              << "0.000";
        QTest::newRow("west, half hour")
            << QByteArray("NST3:30") << qint64(1) << "2026-12-07T14:03:05.120-03:30"
            << "0.001";
        QTest::newRow("zero offset") << QByteArray("UTC0") << qint64(3600000)
                                     << "2026-12-07T14:03:05.120+00:00"
                                     << "3600.000";
    }

    // The wall time is the pass's local time with its own offset; elapsed
    // counts from the start on the monotonic clock.
    void times() {
        QFETCH(QByteArray, tz);
        QFETCH(qint64, elapsedMs);
        QFETCH(QString, time);
        QFETCH(QString, elapsed);
        setTimeZone(tz.constData());
        PassRecord record = sampleRecord(500 + elapsedMs);
        record.time = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5, 120), Qt::LocalTime);
        const CsvTable table = readCsv(CsvFormat::row(record, 500));
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        QCOMPARE(table.rows.first().at(0), time);
        QCOMPARE(table.rows.first().at(1), elapsed);
    }

    // A recording writes the header and one row per record with readings;
    // empty passes and passes from before the start give none, and rows
    // still queued at Stop reach the file.
    void rowsPerRecord() {
        auto gate = std::make_shared<Gate>();
        CsvRecorder recorder;
        useTestClocks(recorder);
        recorder.setSinkFactory([gate] { return std::make_unique<SlowSink>(gate); });
        QSignalSpy changed(&recorder, &CsvRecorder::recordingChanged);
        QVERIFY(recorder.start(dir->path()));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), true);

        PassRecord early = sampleRecord(nowMs - 1);
        PassRecord empty = sampleRecord(nowMs + 100);
        empty.readings.clear();
        recorder.record(early);
        recorder.record(empty);
        for (int i = 0; i < 5; ++i)
            recorder.record(sampleRecord(nowMs + 200 * (i + 1)));
        recorder.stop();
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).at(0).toBool(), false);
        QVERIFY(!recorder.isRecording());
        recorder.record(sampleRecord(nowMs + 5000)); // after Stop: no row

        gate->open();
        recorder.waitForWriters();
        QCOMPARE(recorder.rowsWritten(), qint64(5));
        const CsvTable table = readCsvFile(recorder.filePath());
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        QCOMPARE(table.rows.size(), 6);
        QStringList elapsed;
        for (int i = 1; i < table.rows.size(); ++i)
            elapsed << table.rows.at(i).at(1);
        QCOMPARE(elapsed, QStringList({"0.200", "0.400", "0.600", "0.800", "1.000"}));
        QVERIFY(!fileBytes(recorder.filePath()).startsWith("\xEF\xBB\xBF"));
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }

    // Never overwrite: taken names get -2, -3, ...
    void uniqueNames() {
        const QString base = dir->filePath(QStringLiteral("vernier-20261207-140305"));
        for (const QString& name : {base + ".csv", base + "-2.csv"}) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep");
        }
        CsvRecorder recorder;
        useTestClocks(recorder);
        QVERIFY(recorder.start(dir->path()));
        QCOMPARE(recorder.filePath(), base + "-3.csv");
        recorder.stop();
        QVERIFY(recorder.start(dir->path()));
        QCOMPARE(recorder.filePath(), base + "-4.csv");
        recorder.stop();
        recorder.waitForWriters();
        QCOMPARE(fileBytes(base + ".csv"), QByteArray("keep"));
        QCOMPARE(fileBytes(base + "-2.csv"), QByteArray("keep"));
        QCOMPARE(fileBytes(base + "-3.csv"), CsvFormat::header());
    }

    // The empty folder is the working directory.
    void emptyFolderIsWorkingDirectory() {
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir->path()));
        CsvRecorder recorder;
        useTestClocks(recorder);
        const bool started = recorder.start(QString());
        recorder.stop();
        recorder.waitForWriters();
        QDir::setCurrent(previous);
        QVERIFY(started);
        QCOMPARE(QFileInfo(recorder.filePath()).absolutePath(), QFileInfo(dir->path()).absoluteFilePath());
        QVERIFY(QFile::exists(dir->filePath(QStringLiteral("vernier-20261207-140305.csv"))));
    }

    void startErrors_data() {
        QTest::addColumn<QString>("folder"); // relative to the test folder
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "missing" << false << "папка не существует";
        QTest::newRow("path under a regular file") << "plain/sub" << false << "папка не существует";
        QTest::newRow("regular file as folder") << "plain" << false << "не является папкой";
        QTest::newRow("folder that cannot be written") << "." << true << "Permission denied";
    }

    // Start never asks: it fails with one critical message naming the file,
    // and nothing starts.
    void startErrors() {
        QFETCH(QString, folder);
        QFETCH(bool, refuse);
        QFETCH(QString, reason);
        QFile plain(dir->filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();

        CsvRecorder recorder;
        useTestClocks(recorder);
        if (refuse)
            recorder.setSinkFactory([] { return std::make_unique<RefusingSink>(); });
        QSignalSpy changed(&recorder, &CsvRecorder::recordingChanged);
        const QString path = QDir::cleanPath(dir->filePath(folder));
        QVERIFY(!recorder.start(path));
        QVERIFY(!recorder.isRecording());
        QCOMPARE(changed.size(), 0);
        const QString file = QDir::toNativeSeparators(path + QStringLiteral("/vernier-20261207-140305.csv"));
        QCOMPARE(MessageLog::texts(QtCriticalMsg),
                 QStringList{stopped + file + QStringLiteral(": ") + reason});
        QVERIFY(!QFile::exists(dir->filePath(QStringLiteral("vernier-20261207-140305.csv"))) || refuse);
    }

    void fullDisk() {
        CsvRecorder recorder;
        useTestClocks(recorder);
        recorder.setSinkFactory([] { return std::make_unique<FullDiskSink>(); });
        QSignalSpy changed(&recorder, &CsvRecorder::recordingChanged);
        QVERIFY(recorder.start(dir->path()));
        recorder.record(sampleRecord(nowMs + 1));
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, 10000);
        QCOMPARE(changed.at(1).at(0).toBool(), false);
        QVERIFY(!recorder.isRecording());
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), 1);
        QVERIFY2(criticals.first().startsWith(stopped + QDir::toNativeSeparators(recorder.filePath()) + ": "),
                 qPrintable(criticals.first()));
        QCOMPARE(recorder.rowsWritten(), qint64(0));
    }

    void removed_data() {
        QTest::addColumn<bool>("wholeFolder");
        QTest::addColumn<bool>("moreRows");
        QTest::newRow("folder removed, rows coming") << true << true;
        QTest::newRow("folder removed, no rows") << true << false;
        QTest::newRow("file removed, rows coming") << false << true;
    }

    // An unlinked file stays writable, so the writer has to notice by itself,
    // at the next row or within a second or so when no row comes.
    void removed() {
        QFETCH(bool, wholeFolder);
        QFETCH(bool, moreRows);
        const QString folder = dir->filePath(QStringLiteral("records"));
        QVERIFY(QDir().mkpath(folder));
        CsvRecorder recorder;
        useTestClocks(recorder);
        QSignalSpy changed(&recorder, &CsvRecorder::recordingChanged);
        QVERIFY(recorder.start(folder));
        recorder.record(sampleRecord(nowMs + 1));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.rowsWritten(), qint64(1), 10000);

        if (wholeFolder)
            QVERIFY(QDir(folder).removeRecursively());
        else
            QVERIFY(QFile::remove(recorder.filePath()));
        if (moreRows)
            recorder.record(sampleRecord(nowMs + 2));

        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, 10000);
        QVERIFY(!recorder.isRecording());
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), 1);
        QCOMPARE(criticals.first(), stopped + QDir::toNativeSeparators(recorder.filePath()) +
                                        QStringLiteral(": файл или его папка удалены"));
        recorder.waitForWriters();
        QCOMPARE(MessageLog::count(QtCriticalMsg), 1);
    }

    // A writer more than the limit behind is a failure; exactly at the limit
    // it is not.  No row needs to arrive: the recorder looks once a second.
    void writerBehind() {
        auto gate = std::make_shared<Gate>();
        CsvRecorder recorder;
        useTestClocks(recorder);
        recorder.setSinkFactory([gate] { return std::make_unique<SlowSink>(gate); });
        QSignalSpy changed(&recorder, &CsvRecorder::recordingChanged);
        QVERIFY(recorder.start(dir->path()));
        recorder.record(sampleRecord(nowMs + 1));
        QTRY_COMPARE_WITH_TIMEOUT(gate->writersWaiting(), 1, 10000);

        nowMs += CsvRecorder::defaultLagLimitMs;
        recorder.checkLag();
        QVERIFY(recorder.isRecording());
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);

        nowMs += 1;
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.isRecording(), 10000);
        QCOMPARE(changed.size(), 2);
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), 1);
        QVERIFY2(criticals.first().startsWith(stopped + QDir::toNativeSeparators(recorder.filePath()) + ": "),
                 qPrintable(criticals.first()));

        // Rows still queued are dropped; the writer ends after the write in
        // progress, and a new recording can start meanwhile.
        wallNow = wallNow.addSecs(1);
        QVERIFY(recorder.start(dir->path()));
        recorder.stop();
        gate->open();
        recorder.waitForWriters();
        QCOMPARE(MessageLog::count(QtCriticalMsg), 1);
    }

    // The queue is bounded: a writer that takes nothing fails at the first
    // record beyond it rather than growing without end.
    void queueBound() {
        auto gate = std::make_shared<Gate>();
        CsvRecorder recorder;
        useTestClocks(recorder);
        recorder.setSinkFactory([gate] { return std::make_unique<SlowSink>(gate); });
        QVERIFY(recorder.start(dir->path()));
        for (int i = 0; i < CsvRecorder::queueCapacity; ++i)
            recorder.record(sampleRecord(nowMs + 1));
        QVERIFY(recorder.isRecording());
        recorder.record(sampleRecord(nowMs + 1));
        QVERIFY(!recorder.isRecording());
        QCOMPARE(MessageLog::count(QtCriticalMsg), 1);
        gate->open();
    }

    void folderSetting_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QByteArray() << "";
        QTest::newRow("empty") << QByteArray("[Recording]\nFolder=\n") << "";
        QTest::newRow("path") << QByteArray("[Recording]\nFolder=/data/runs\n") << "/data/runs";
        QTest::newRow("quoted comma") << QByteArray("[Recording]\nFolder=\"/data/a,b\"\n") << "/data/a,b";
        QTest::newRow("list") << QByteArray("[Recording]\nFolder=/a, /b\n") << "";
        QTest::newRow("byte array") << QByteArray("[Recording]\nFolder=@ByteArray(/x)\n") << "";
        QTest::newRow("variant number")
            << QByteArray("[Recording]\nFolder=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n") << "";
        QTest::newRow("size") << QByteArray("[Recording]\nFolder=@Size(1 2)\n") << "";
    }

    void folderSetting() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, expected);
        const QString path = dir->filePath(QStringLiteral("vernier.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        {
            QSettings settings(path, QSettings::IniFormat);
            QCOMPARE(CsvFolderSetting::read(&settings), expected);
        }
        QSettings settings(path, QSettings::IniFormat);
        QVERIFY(settings.contains(QStringLiteral("Recording/Folder")));
    }

    // The working directory is stored as empty, however it is spelt.
    void folderStored_data() {
        QTest::addColumn<QString>("chosen"); // "<cwd>" stands for the working directory
        QTest::addColumn<QString>("stored");
        QTest::newRow("working directory") << "<cwd>"
                                           << "";
        QTest::newRow("working directory, trailing slash") << "<cwd>/"
                                                           << "";
        QTest::newRow("working directory through a link") << "<link>"
                                                          << "";
        QTest::newRow("other folder") << "<cwd>/sub"
                                      << "<cwd>/sub";
        QTest::newRow("nothing") << ""
                                 << "";
    }

    void folderStored() {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        const QString previous = QDir::currentPath();
        const QString cwd = QFileInfo(dir->path()).canonicalFilePath();
        QVERIFY(QDir().mkpath(cwd + QStringLiteral("/sub")));
        QVERIFY(QFile::link(cwd, cwd + QStringLiteral("/sub/link")));
        QVERIFY(QDir::setCurrent(cwd));
        chosen.replace(QStringLiteral("<link>"), cwd + QStringLiteral("/sub/link"));
        chosen.replace(QStringLiteral("<cwd>"), cwd);
        stored.replace(QStringLiteral("<cwd>"), cwd);
        QSettings settings(cwd + QStringLiteral("/vernier.ini"), QSettings::IniFormat);
        CsvFolderSetting::write(&settings, chosen);
        QDir::setCurrent(previous);
        QCOMPARE(settings.value(QStringLiteral("Recording/Folder")).toString(), stored);
    }
};

QTEST_GUILESS_MAIN(TestCsvRecorder)
#include "test_csv_recorder.moc"
