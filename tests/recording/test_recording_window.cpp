// Recording through the main window on the simulated module: the menus and
// the status label, a recording read back, errors at Start and a failure
// while recording (one box each, measuring goes on), a garbage folder
// setting, and a restart storm while recording with the chart open.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <memory>

#include "csv_reader.h"
#include "csv_recorder.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "message_log.h"
#include "sim_setup.h"

namespace {

const QString differential = QStringLiteral("Дифференциальный (16 каналов)");

// Closes every message box that appears while it lives, from a timer (a
// modal exec never hangs), and keeps "title|text" of each.
class BoxCloser : public QObject {
public:
    BoxCloser() {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box && box->isVisible()) {
                    boxes << box->windowTitle() + QLatin1Char('|') + box->text();
                    box->accept();
                }
            }
        });
        timer.start();
    }
    QStringList boxes;

private:
    QTimer timer;
};

// Channel N's cells and the configured channels of one row.
struct RowView {
    QStringList cells;
    const CsvTable* table;
    QString at(const QString& column) const { return cells.value(table->column(column)); }
    QString mv(int n) const { return at(QStringLiteral("ch%1_mV").arg(n)); }
    QString khz(int n) const { return at(QStringLiteral("ch%1_kHz").arg(n)); }
};

// {channel: "AC" or "DC"} of a config cell; the mode (1 differential) in *mode.
QMap<int, QString> configChannels(const QString& config, int* mode) {
    QMap<int, QString> channels;
    const QStringList parts = config.split(QStringLiteral("; "));
    *mode = parts.value(1) == differential ? 1 : 0;
    for (int i = 2; i < parts.size(); ++i) {
        const QStringList fields = parts.at(i).split(QLatin1Char(' '));
        channels.insert(fields.value(0).toInt(), fields.value(1));
    }
    return channels;
}

} // namespace

class TestRecordingWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SimConfig> sim;
    QString previousDir;
    QtMessageHandler testHandler = nullptr;

    QString recordFolder() const { return dir->filePath(QStringLiteral("records")); }

    // vernier.ini: display every 100 ms, channels 1 (AC, 10 V) and 3 (DC,
    // 0.6 V), and the given line in group "Recording".
    void writeIni(const QByteArray& recordingLine) {
        QFile file(dir->filePath(QStringLiteral("vernier.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Global]\nDisplayUpdateMs=100\n\n[MDX11]\nChannelsEnabled=5\nChannelsSetToDc=4\n"
                   "Channels16SelectedRange=32\n\n[Recording]\n" +
                   recordingLine + "\n");
    }

    template <typename T> static T* child(QWidget* w, const QString& name) { return w->findChild<T*>(name); }
    static QAction* action(QWidget* w, const char* name) { return child<QAction>(w, QLatin1String(name)); }
    static QLineEdit* voltage(QWidget* w, int n) {
        return child<QLineEdit>(w, QStringLiteral("lineEditVoltageCh%1").arg(n));
    }

    // A shown window with the module measuring.
    MainWindow* startWindow() {
        auto* w = new MainWindow;
        w->show();
        if (!QTest::qWaitFor([&] { return !voltage(w, 1)->text().isEmpty(); }, 30000))
            qWarning("no reading arrived");
        return w;
    }

    // The program's log handler, so criticals become error boxes.
    void useProgramLog(MainWindow* w) {
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        testHandler = qInstallMessageHandler(logMessageHandler);
        setLogMainWindow(w);
    }

    // Measuring goes on: a cleared reading is written again.
    static bool stillMeasuring(MainWindow* w) {
        voltage(w, 1)->clear();
        return QTest::qWaitFor([&] { return !voltage(w, 1)->text().isEmpty(); }, 20000);
    }

private slots:
    void initTestCase() { MessageLog::install(); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir->path()));
        QVERIFY(QDir().mkpath(recordFolder()));
        sim = std::make_unique<SimConfig>();
        sim->setRealtime(true);
        sim->setSine(1, 1.0, 1000.0, 0.0, 0.002);
        sim->setDc(3, 0.3, 0.001);
        QVERIFY(sim->apply());
        MessageLog::clear();
    }

    void cleanup() {
        setLogMainWindow(nullptr);
        if (testHandler) {
            qInstallMessageHandler(testHandler);
            testHandler = nullptr;
        }
        QDir::setCurrent(previousDir);
        sim.reset();
        dir.reset();
    }

    // Start, rows, Stop, read back: the rows carry the texts the window
    // showed for the measured channels and nothing elsewhere.
    void recordAndReadBack() {
        writeIni("Folder=" + recordFolder().toUtf8());
        MainWindow* w = startWindow();
        QAction* start = action(w, "actionRecordStart");
        QAction* stop = action(w, "actionRecordStop");
        QAction* folder = action(w, "actionRecordFolder");
        QAction* trend = action(w, "actionTrend");
        QVERIFY(start && stop && folder && trend);
        auto* menuRecording = child<QMenu>(w, QStringLiteral("menuRecording"));
        auto* menuView = child<QMenu>(w, QStringLiteral("menuView"));
        QVERIFY(menuRecording && menuView);
        QCOMPARE(w->menuBar()->actions(),
                 (QList<QAction*>{menuRecording->menuAction(), menuView->menuAction()}));
        QVERIFY(menuRecording->actions().contains(start) && menuRecording->actions().contains(stop) &&
                menuRecording->actions().contains(folder));
        QCOMPARE(start->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        QCOMPARE(trend->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
        auto* label = child<QLabel>(w, QStringLiteral("labelRecording"));
        QVERIFY(label);
        QVERIFY(start->isEnabled() && !stop->isEnabled() && !label->isVisible());

        start->trigger();
        QVERIFY(!start->isEnabled() && stop->isEnabled() && label->isVisible());
        auto* recorder = w->findChild<CsvRecorder*>();
        QVERIFY(recorder && recorder->isRecording());
        const QFileInfo file(recorder->filePath());
        QCOMPARE(file.absolutePath(), QFileInfo(recordFolder()).absoluteFilePath());
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^vernier-\d{8}-\d{6}\.csv$)"))
                     .match(file.fileName())
                     .hasMatch(),
                 qPrintable(file.fileName()));

        // Texts shown while recording; each pass's record follows its texts,
        // so two more rows after the last look mean its row is in the file.
        QSet<QString> shown1, shown3;
        for (int i = 0; i < 4; ++i) {
            const qint64 rows = recorder->rowsWritten();
            QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > rows, 20000);
            shown1 << voltage(w, 1)->text();
            shown3 << voltage(w, 3)->text();
        }
        const qint64 rows = recorder->rowsWritten();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() >= rows + 2, 20000);
        const QRegularExpression status(
            QStringLiteral("^Запись: %1, строк: ([1-9]\\d*)$").arg(file.fileName()));
        QTRY_VERIFY_WITH_TIMEOUT(status.match(label->text()).hasMatch(), 20000);

        stop->trigger();
        QVERIFY(start->isEnabled() && !stop->isEnabled() && !label->isVisible());
        trend->trigger();
        auto* chart = w->findChild<QWidget*>(QStringLiteral("TrendWindow"));
        QVERIFY(chart && chart->isVisible() && chart->isWindow() && !chart->isModal());
        w->close();
        delete w;

        const CsvTable table = readCsvFile(file.absoluteFilePath());
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        QVERIFY(table.rows.size() >= 7);
        QSet<QString> stored1, stored3;
        for (int i = 1; i < table.rows.size(); ++i) {
            const RowView row{table.rows.at(i), &table};
            QCOMPARE(row.cells.size(), table.rows.first().size());
            QCOMPARE(row.at(QStringLiteral("config")),
                     QStringLiteral("20 кГц; %1; 1 AC 10 В; 3 DC 0.6 В").arg(differential));
            QVERIFY(!row.mv(1).isEmpty() && !row.khz(1).isEmpty() && !row.mv(3).isEmpty());
            QVERIFY(row.khz(3).isEmpty());
            for (int n = 1; n <= 32; ++n) {
                if (n != 1 && n != 3)
                    QVERIFY2(row.mv(n).isEmpty() && row.khz(n).isEmpty(), qPrintable(QString::number(n)));
            }
            QCOMPARE(row.at(QStringLiteral("overload")), QString());
            stored1 << row.mv(1);
            stored3 << row.mv(3);
        }
        QVERIFY2(stored1.contains(shown1), qPrintable(QStringList(shown1.values()).join(' ')));
        QVERIFY(stored3.contains(shown3));
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }

    void startErrors_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("missing folder") << QByteArray("Folder=missing/deeper");
        QTest::newRow("path under a regular file") << QByteArray("Folder=vernier.ini/records");
    }

    // One box at Start, nothing recorded, measuring goes on.
    void startErrors() {
        QFETCH(QByteArray, line);
        writeIni(line);
        std::unique_ptr<MainWindow> w(startWindow());
        useProgramLog(w.get());
        BoxCloser closer;
        action(w.get(), "actionRecordStart")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(closer.boxes.size(), 1, 20000);
        QVERIFY2(closer.boxes.first().startsWith(QStringLiteral("Ошибка|Запись остановлена: ")),
                 qPrintable(closer.boxes.first()));
        QVERIFY(action(w.get(), "actionRecordStart")->isEnabled());
        QVERIFY(!action(w.get(), "actionRecordStop")->isEnabled());
        QVERIFY(!child<QLabel>(w.get(), QStringLiteral("labelRecording"))->isVisible());
        QVERIFY(stillMeasuring(w.get()));
        QCOMPARE(closer.boxes.size(), 1);
    }

    // A folder value that is not a string records into the working directory.
    void garbageFolder() {
        writeIni("Folder=@Size(3 4)");
        std::unique_ptr<MainWindow> w(startWindow());
        action(w.get(), "actionRecordStart")->trigger();
        auto* recorder = w->findChild<CsvRecorder*>();
        QVERIFY(recorder->isRecording());
        QCOMPARE(QFileInfo(recorder->filePath()).absolutePath(), QFileInfo(dir->path()).absoluteFilePath());
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > 0, 20000);
    }

    // The folder removed while recording: one box, the actions go back, and
    // measuring goes on.
    void folderRemovedWhileRecording() {
        writeIni("Folder=" + recordFolder().toUtf8());
        std::unique_ptr<MainWindow> w(startWindow());
        useProgramLog(w.get());
        BoxCloser closer;
        action(w.get(), "actionRecordStart")->trigger();
        auto* recorder = w->findChild<CsvRecorder*>();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > 0, 20000);
        QVERIFY(QDir(recordFolder()).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(closer.boxes.size(), 1, 20000);
        QCOMPARE(closer.boxes.first(),
                 QStringLiteral("Ошибка|Запись остановлена: %1: файл или его папка удалены")
                     .arg(QDir::toNativeSeparators(recorder->filePath())));
        QVERIFY(action(w.get(), "actionRecordStart")->isEnabled());
        QVERIFY(!action(w.get(), "actionRecordStop")->isEnabled());
        QVERIFY(stillMeasuring(w.get()));
        QCOMPARE(closer.boxes.size(), 1);
    }

    // 300 configuration changes at 1000 kHz while recording with the chart
    // open, then the window closed while still recording: the file is whole,
    // and every row's cells belong to the configuration in its own config
    // cell.
    void stormWhileRecording() {
        writeIni("Folder=" + recordFolder().toUtf8());
        for (int n = 1; n <= 32; ++n)
            sim->setSine(n, 0.05 * n, 100.0 * n, 0.01 * n);
        QVERIFY(sim->apply());
        MainWindow* w = startWindow();
        auto* frequency = child<QComboBox>(w, QStringLiteral("comboBoxFrequency"));
        auto* mode = child<QComboBox>(w, QStringLiteral("comboBoxMode"));
        QVERIFY(frequency && mode);
        frequency->setCurrentIndex(4);
        action(w, "actionTrend")->trigger();
        action(w, "actionRecordStart")->trigger();
        auto* recorder = w->findChild<CsvRecorder*>();
        QVERIFY(recorder->isRecording());
        const QString path = recorder->filePath();

        QRandomGenerator random(20261207);
        for (int change = 0; change < 300; ++change) {
            const int n = 1 + int(random.bounded(32));
            auto* check = child<QCheckBox>(w, QStringLiteral("checkBoxCh%1").arg(n));
            auto* range = child<QComboBox>(w, QStringLiteral("comboBoxRangeCh%1").arg(n));
            auto* type = child<QComboBox>(w, QStringLiteral("comboBoxVoltageTypeCh%1").arg(n));
            switch (random.bounded(6)) {
            case 0:
            case 1:
                if (check->isEnabled())
                    check->toggle();
                break;
            case 2:
                if (range->isEnabled())
                    range->setCurrentIndex(int(random.bounded(4)));
                break;
            case 3:
                if (type->isEnabled())
                    type->setCurrentIndex(int(random.bounded(2)));
                break;
            case 4:
                if (random.bounded(8) == 0)
                    mode->setCurrentIndex(1 - mode->currentIndex());
                break;
            default:
                frequency->setCurrentIndex(4);
                break;
            }
            // Now and then let passes through, so rows of many
            // configurations are recorded.
            if (random.bounded(8) == 0)
                QTest::qWait(int(random.bounded(500)));
            else
                QCoreApplication::processEvents();
        }
        frequency->setCurrentIndex(4);
        const qint64 rows = recorder->rowsWritten();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() >= rows + 3, 30000);
        QVERIFY(recorder->isRecording());
        w->close();
        delete w;

        const CsvTable table = readCsvFile(path);
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        QSet<QString> configs;
        int mismatches = 0;
        QString firstMismatch;
        for (int i = 1; i < table.rows.size(); ++i) {
            const RowView row{table.rows.at(i), &table};
            QCOMPARE(row.cells.size(), table.rows.first().size());
            const QString config = row.at(QStringLiteral("config"));
            configs << config;
            int rowMode = 0;
            const QMap<int, QString> channels = configChannels(config, &rowMode);
            bool any = false;
            for (int n = 1; n <= 32; ++n) {
                const bool measured = !row.mv(n).isEmpty();
                any = any || measured;
                const bool ok = (!measured && row.khz(n).isEmpty()) ||
                                (measured && channels.contains(n) && (rowMode == 0 || n <= 16) &&
                                 row.khz(n).isEmpty() == (channels.value(n) == QLatin1String("DC")));
                if (!ok && mismatches++ == 0)
                    firstMismatch =
                        QStringLiteral("row %1, channel %2: %3").arg(i).arg(n).arg(row.cells.join(','));
            }
            QVERIFY(any);
        }
        QVERIFY2(mismatches == 0,
                 qPrintable(QStringLiteral("%1 cells; %2").arg(mismatches).arg(firstMismatch)));
        QVERIFY2(
            configs.size() > 1,
            qPrintable(
                QStringLiteral("%1 rows, %2 configurations").arg(table.rows.size() - 1).arg(configs.size())));
        std::fprintf(stderr, "storm: %d rows of %d configurations\n", int(table.rows.size() - 1),
                     int(configs.size()));
    }
};

QTEST_MAIN(TestRecordingWindow)
#include "test_recording_window.moc"
