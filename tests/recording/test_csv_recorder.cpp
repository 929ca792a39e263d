// The CSV recorder without the window: rows against hand-made records, file
// names, errors at Start, failures while recording, and the folder setting.
#include <QDir>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>
#include <memory>

#include "csv_file_sink.h"
#include "csv_folder_setting.h"
#include "csv_format.h"
#include "csv_recorder.h"
#include "message_log.h"

namespace {

const QString stopped = QStringLiteral("Запись остановлена: ");
const QString stamp = QStringLiteral("vernier-20261207-140305");

void setTimeZone(const QByteArray& tz) {
    qputenv("TZ", tz);
    tzset();
}

// A pass at local 2026-12-07 14:03:05.120: channel 1 AC 10 В, 3 DC 0.6 В.
PassRecord sample(qint64 monotonicMs = 0) {
    PassRecord r;
    r.config.adcFrequencyHz = 20000;
    r.config.modeCode = 1;
    r.config.channels = {{1, false, 0}, {3, true, 2}};
    r.time = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5, 120), Qt::LocalTime);
    r.monotonicMs = monotonicMs;
    r.readings = {{1, QStringLiteral("707.107"), QStringLiteral("1.000"), false},
                  {3, QStringLiteral("-12.50"), {}, false}};
    return r;
}

// A row built from its parts: `cells` maps channel n to "mV,kHz".
QByteArray line(const QString& time, const QString& elapsed, const QMap<int, QString>& cells,
                const QString& overload, const QString& config) {
    QStringList out{time, elapsed};
    for (int n = 1; n <= 32; ++n)
        out << cells.value(n, QStringLiteral(","));
    return (out.join(',') + ',' + overload + ',' + config + "\r\n").toUtf8();
}

// Every write waits for a permit of `gate` (at most a minute); `waiting`
// counts the writes held.
struct SlowSink : CsvFileSink {
    std::shared_ptr<QSemaphore> gate;
    std::shared_ptr<QAtomicInt> waiting;
    SlowSink(std::shared_ptr<QSemaphore> g, std::shared_ptr<QAtomicInt> w)
        : gate(std::move(g)), waiting(std::move(w)) {}
    bool write(const QByteArray& bytes, QString* reason) override {
        waiting->ref();
        gate->tryAcquire(1, 60000);
        waiting->deref();
        return CsvFileSink::write(bytes, reason);
    }
};

// The file is /dev/full: every write fails as on a full disk.
struct FullDiskSink : CsvFileSink {
    bool create(const QString&, QString* reason, bool* exists) override {
        *exists = false;
        return openExisting(QStringLiteral("/dev/full"), reason);
    }
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCsvRecorder : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    qint64 nowMs = 1000;
    std::unique_ptr<CsvRecorder> recorder;
    std::unique_ptr<QSignalSpy> changed;
    std::shared_ptr<QSemaphore> gate;
    std::shared_ptr<QAtomicInt> waiting;

    CsvRecorder::SinkFactory slowSink() {
        return [this] { return std::make_unique<SlowSink>(gate, waiting); };
    }

    // A recorder on the test's clocks: the wall clock stands at 14:03:05.
    void makeRecorder(CsvRecorder::SinkFactory sink = {}) {
        recorder = std::make_unique<CsvRecorder>();
        recorder->setClocks([this] { return nowMs; },
                            [] { return QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5), Qt::LocalTime); });
        if (sink)
            recorder->setSinkFactory(std::move(sink));
        changed = std::make_unique<QSignalSpy>(recorder.get(), &CsvRecorder::recordingChanged);
    }

private slots:
    void initTestCase() { MessageLog::install(); }

    void init() {
        setTimeZone("MSK-3");
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        MessageLog::clear();
        nowMs = 1000;
        gate = std::make_shared<QSemaphore>();
        waiting = std::make_shared<QAtomicInt>();
    }

    void cleanup() {
        gate->release(1 << 20);
        changed.reset();
        recorder.reset();
    }

    void header() {
        const QByteArray h = CsvFormat::header();
        QVERIFY(h.startsWith("time,elapsed_s,ch1_mV,ch1_kHz,ch2_mV,ch2_kHz,"));
        QVERIFY(h.endsWith(",ch31_kHz,ch32_mV,ch32_kHz,overload,config\r\n"));
        QCOMPARE(h.count(','), 2 + 2 * 32 + 2 - 1);
    }

    void row_data() {
        QTest::addColumn<PassRecord>("record");
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QByteArray>("expected");
        const QString t = QStringLiteral("2026-12-07T14:03:05.120+03:00");
        const QString config = QStringLiteral("20 кГц; Дифференциальный (16 каналов); 1 AC 10 В; 3 DC 0.6 В");
        const QMap<int, QString> acDc{{1, "707.107,1.000"}, {3, "-12.50,"}};

        // Written out once by hand; the rows below reuse line().
        QByteArray byHand = "2026-12-07T14:03:05.120+03:00,12.045,707.107,1.000,,,-12.50,";
        for (int n = 4; n <= 32; ++n)
            byHand += ",,";
        QTest::newRow("by hand") << sample(12045) << QByteArray("MSK-3")
                                 << byHand + ",," + config.toUtf8() + "\r\n";
        QTest::newRow("west, half hour") << sample(1) << QByteArray("NST3:30")
                                         << line("2026-12-07T14:03:05.120-03:30", "0.001", acDc, "", config);
        QTest::newRow("zero offset") << sample(3600000) << QByteArray("UTC0")
                                     << line("2026-12-07T14:03:05.120+00:00", "3600.000", acDc, "", config);

        PassRecord quoting = sample();
        quoting.readings = {{2, "1,5", "say \"hi\"", false}, {4, "a\r\nb", "", false}};
        QTest::newRow("quoting") << quoting << QByteArray("MSK-3")
                                 << line(t, "0.000", {{2, "\"1,5\",\"say \"\"hi\"\"\""}, {4, "\"a\r\nb\","}},
                                         "", config);
        PassRecord overload = sample();
        overload.readings = {{12, "1", "", true}, {5, "2", "", false}, {3, "3", "", true}};
        QTest::newRow("overload ascending")
            << overload << QByteArray("MSK-3")
            << line(t, "0.000", {{3, "3,"}, {5, "2,"}, {12, "1,"}}, "3 12", config);
        PassRecord common = sample();
        common.config.adcFrequencyHz = 1000000;
        common.config.modeCode = 0;
        common.config.channels = {{32, false, 3}, {17, true, 1}, {2, false, 0}};
        common.readings = {{32, "0.015", "12.000", false}};
        QTest::newRow("common ground, channels by number")
            << common << QByteArray("MSK-3")
            << line(t, "0.000", {{32, "0.015,12.000"}}, "",
                    QStringLiteral(
                        "1000 кГц; С общей землей (32 канала); 2 AC 10 В; 17 DC 2.5 В; 32 AC 0.15 В"));
    }

    void row() {
        QFETCH(PassRecord, record);
        QFETCH(QByteArray, tz);
        QFETCH(QByteArray, expected);
        setTimeZone(tz);
        QCOMPARE(CsvFormat::row(record, 0), expected);
    }

    // One row per record with readings from the start on; rows still queued
    // at Stop reach the file; never a BOM.
    void rowsPerRecord() {
        makeRecorder(slowSink());
        QVERIFY(recorder->start(dir->path()));
        PassRecord empty = sample(nowMs + 100);
        empty.readings.clear();
        recorder->record(sample(nowMs - 1));
        recorder->record(empty);
        for (int i = 1; i <= 5; ++i)
            recorder->record(sample(nowMs + 200 * i));
        recorder->stop();
        recorder->record(sample(nowMs + 5000));
        QCOMPARE(changed->size(), 2);
        QVERIFY(changed->at(0).at(0).toBool() && !changed->at(1).at(0).toBool());
        gate->release(1 << 20);
        recorder->waitForWriters();
        QCOMPARE(recorder->rowsWritten(), qint64(5));
        const QList<QByteArray> lines = contents(recorder->filePath()).split('\n');
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.first() + '\n', CsvFormat::header());
        for (int i = 1; i <= 5; ++i)
            QVERIFY(lines.at(i).startsWith(QStringLiteral("2026-12-07T14:03:05.120+03:00,%1.%2,")
                                               .arg(i / 5)
                                               .arg(200 * i % 1000, 3, 10, QLatin1Char('0'))
                                               .toUtf8()));
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
        const QString firstPath = recorder->filePath();
        recorder->stop();
        const bool second = recorder->start(dir->path());
        recorder->stop();
        QDir::setCurrent(previous);
        QVERIFY(first && second);
        QCOMPARE(firstPath, QDir(dir->path()).absoluteFilePath(stamp + "-3.csv"));
        QCOMPARE(recorder->filePath(), dir->filePath(stamp + "-4.csv"));
        recorder->waitForWriters();
        QCOMPARE(contents(dir->filePath(stamp + ".csv")), QByteArray("keep"));
        QCOMPARE(contents(dir->filePath(stamp + "-3.csv")), CsvFormat::header());
    }

    void startErrors_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "missing"
                                        << "папка не существует";
        QTest::newRow("cannot write: path under a regular file") << "plain/sub"
                                                                 << "папка не существует";
        QTest::newRow("regular file as folder") << "plain"
                                                << "не является папкой";
    }

    // Start never asks: one critical naming the file, and nothing starts.
    void startErrors() {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        QFile plain(dir->filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        makeRecorder();
        const QString path = QDir::cleanPath(dir->filePath(folder));
        QVERIFY(!recorder->start(path));
        QVERIFY(!recorder->isRecording() && changed->isEmpty());
        QCOMPARE(
            MessageLog::texts(QtCriticalMsg),
            QStringList{stopped + QDir::toNativeSeparators(path + "/" + stamp + ".csv") + ": " + reason});
    }

    void failures_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // empty: the system's text
        QTest::newRow("full disk") << "full"
                                   << "";
        QTest::newRow("folder removed, rows coming") << "folder"
                                                     << "файл или его папка удалены";
        QTest::newRow("folder removed, no rows") << "folder idle"
                                                 << "файл или его папка удалены";
        QTest::newRow("file removed") << "file"
                                      << "файл или его папка удалены";
        QTest::newRow("writer behind") << "slow"
                                       << "запись отстала от измерений более чем на 10 с";
        QTest::newRow("queue full") << "queue"
                                    << "очередь записи переполнена";
    }

    // Each failure: one critical naming the file, the recording ends by
    // itself (one recordingChanged(false)), and a new one can start.
    void failures() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        if (kind == "full")
            makeRecorder([] { return std::make_unique<FullDiskSink>(); });
        else
            makeRecorder(kind == "slow" || kind == "queue" ? slowSink() : CsvRecorder::SinkFactory());
        const QString folder = dir->filePath(QStringLiteral("records"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(recorder->start(folder));
        recorder->record(sample(nowMs + 1));

        if (kind == "folder" || kind == "folder idle" || kind == "file") {
            QTRY_COMPARE_WITH_TIMEOUT(recorder->rowsWritten(), qint64(1), 10000);
            QVERIFY(kind == "file" ? QFile::remove(recorder->filePath()) : QDir(folder).removeRecursively());
            if (kind != "folder idle")
                recorder->record(sample(nowMs + 2));
        } else if (kind == "slow") {
            // At the limit it is no failure yet; one ms later the recorder's
            // own once-a-second look finds it.
            QTRY_COMPARE_WITH_TIMEOUT(waiting->loadAcquire(), 1, 10000);
            nowMs += CsvRecorder::defaultLagLimitMs;
            recorder->checkLag();
            QVERIFY(recorder->isRecording());
            nowMs += 1;
        } else if (kind == "queue") {
            for (int i = 1; i < CsvRecorder::queueCapacity; ++i)
                recorder->record(sample(nowMs + 1));
            QVERIFY(recorder->isRecording());
            recorder->record(sample(nowMs + 1));
            QVERIFY(!recorder->isRecording());
        }
        QTRY_COMPARE_WITH_TIMEOUT(changed->size(), 2, 10000);
        QVERIFY(!recorder->isRecording());
        const QString prefix = stopped + QDir::toNativeSeparators(recorder->filePath()) + ": ";
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), 1);
        QVERIFY2(criticals.first().startsWith(prefix) && criticals.first().size() > prefix.size() &&
                     (reason.isEmpty() || criticals.first() == prefix + reason),
                 qPrintable(criticals.first()));

        QDir().mkpath(folder);
        recorder->setSinkFactory([] { return std::make_unique<CsvFileSink>(); });
        QVERIFY(recorder->start(folder));
        recorder->stop();
        gate->release(1 << 20);
        recorder->waitForWriters();
        QCOMPARE(MessageLog::count(QtCriticalMsg), 1);
        QCOMPARE(changed->size(), 4);
    }

    void folderSetting_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QByteArray() << "";
        QTest::newRow("path") << QByteArray("Folder=/data/runs") << "/data/runs";
        QTest::newRow("quoted comma") << QByteArray("Folder=\"/data/a,b\"") << "/data/a,b";
        QTest::newRow("list") << QByteArray("Folder=/a, /b") << "";
        QTest::newRow("byte array") << QByteArray("Folder=@ByteArray(/x)") << "";
        QTest::newRow("number") << QByteArray("Folder=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)") << "";
        QTest::newRow("size") << QByteArray("Folder=@Size(1 2)") << "";
    }

    // Anything but a string reads as empty; a missing key is written.
    void folderSetting() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, expected);
        const QString path = dir->filePath(QStringLiteral("vernier.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Recording]\n" + ini + "\n") > 0);
        file.close();
        QSettings settings(path, QSettings::IniFormat);
        QCOMPARE(CsvFolderSetting::read(&settings), expected);
        QVERIFY(settings.contains(QStringLiteral("Recording/Folder")));
    }

    void folderStored_data() {
        QTest::addColumn<QString>("chosen"); // relative to the working directory
        QTest::addColumn<QString>("stored");
        QTest::newRow("working directory") << "."
                                           << "";
        QTest::newRow("trailing slash") << "./"
                                        << "";
        QTest::newRow("through a link") << "sub/link"
                                        << "";
        QTest::newRow("other folder") << "sub"
                                      << "sub";
    }

    // The working directory, however spelt, is stored as empty.
    void folderStored() {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        const QString cwd = QFileInfo(dir->path()).canonicalFilePath();
        QVERIFY(QDir().mkpath(cwd + "/sub") && QFile::link(cwd, cwd + "/sub/link"));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd));
        QSettings settings(cwd + "/vernier.ini", QSettings::IniFormat);
        CsvFolderSetting::write(&settings, cwd + "/" + chosen);
        QDir::setCurrent(previous);
        QCOMPARE(settings.value(QStringLiteral("Recording/Folder")).toString(),
                 stored.isEmpty() ? stored : cwd + "/" + stored);
    }
};

QTEST_GUILESS_MAIN(TestCsvRecorder)
#include "test_csv_recorder.moc"
