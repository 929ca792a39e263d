// Recording through the main window on the simulated module: menus, status
// label, a recording read back, error boxes while measuring goes on, and a
// restart storm while recording with the chart open.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>
#include <memory>

#include "default_module.h"
#include "csv_recorder.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "message_log.h"
#include "sim_setup.h"

namespace {

// The rows of a whole file (every line ends in CRLF), split into cells; the
// texts written here hold no comma or quote.  Empty on any other file.
QList<QStringList> readRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString() || text.count('\n') != lines.size() || text.count('\r') != lines.size())
        return {};
    QList<QStringList> rows;
    for (const QString& l : lines)
        rows << l.split(',');
    return rows;
}

// Of a row of `rows`: channel n's mV (kHz = false) or kHz cell.
QString cell(const QList<QStringList>& rows, int row, int n, bool khz = false) {
    return rows.at(row).value(2 * n + (khz ? 1 : 0));
}

} // namespace

class TestRecordingWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SimConfig> sim;
    QString previousDir;
    QtMessageHandler testHandler = nullptr;
    std::unique_ptr<MainWindow> w;
    CsvRecorder* recorder = nullptr;

    QString folder() const { return dir->filePath(QStringLiteral("records")); }
    QAction* action(const char* name) const { return w->findChild<QAction*>(QLatin1String(name)); }
    QLineEdit* voltage(int n) const {
        return w->findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh%1").arg(n));
    }

    // Display every 100 ms, channels 1 (AC, 10 В) and 3 (DC, 0.6 В), the
    // recording folder as given; a shown window with the module measuring.
    bool startWindow(const QByteArray& folderValue) {
        QFile ini(dir->filePath(QStringLiteral("vernier.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=5\nChannelsSetToDc=4\n"
                  "Channels16SelectedRange=32\n[Recording]\nFolder=" +
                  folderValue + "\n");
        ini.close();
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        recorder = w->findChild<CsvRecorder*>();
        return recorder && QTest::qWaitFor([&] { return !voltage(1)->text().isEmpty(); }, 30000);
    }

    // Measuring goes on: a cleared reading is written again.
    bool stillMeasuring() {
        voltage(1)->clear();
        return QTest::qWaitFor([&] { return !voltage(1)->text().isEmpty(); }, 20000);
    }

private slots:
    void initTestCase() { MessageLog::install(); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        previousDir = QDir::currentPath();
        QVERIFY(dir->isValid() && QDir::setCurrent(dir->path()) && QDir().mkpath(folder()));
        sim = std::make_unique<SimConfig>();
        sim->setRealtime(true);
        sim->setSine(1, 1.0, 1000.0, 0.0, 0.002);
        sim->setDc(3, 0.3, 0.001);
        QVERIFY(sim->apply());
        MessageLog::clear();
    }

    void cleanup() {
        setLogMainWindow(nullptr);
        if (testHandler)
            qInstallMessageHandler(testHandler);
        testHandler = nullptr;
        w.reset();
        QDir::setCurrent(previousDir);
        dir.reset();
    }

    // Start, rows, Stop, close, read back: the rows carry the texts the
    // window showed for the measured channels and nothing elsewhere.
    void recordAndReadBack() {
        QVERIFY(startWindow(folder().toUtf8()));
        QAction* start = action("actionRecordStart");
        QAction* stop = action("actionRecordStop");
        auto* menu = w->findChild<QMenu*>(QStringLiteral("menuRecording"));
        QVERIFY(menu && w->findChild<QMenu*>(QStringLiteral("menuView")) && start && stop);
        QCOMPARE(menu->actions(),
                 (QList<QAction*>{start, stop, menu->actions().at(2), action("actionRecordFolder")}));
        QCOMPARE(start->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        auto* label = w->findChild<QLabel*>(QStringLiteral("labelRecording"));
        QVERIFY(start->isEnabled() && !stop->isEnabled() && !label->isVisible());

        start->trigger();
        QVERIFY(!start->isEnabled() && stop->isEnabled() && label->isVisible());
        const QFileInfo file(recorder->filePath());
        QCOMPARE(file.absolutePath(), QFileInfo(folder()).absoluteFilePath());
        QVERIFY(QRegularExpression(QStringLiteral(R"(^vernier-\d{8}-\d{6}\.csv$)"))
                    .match(file.fileName())
                    .hasMatch());
        // A pass's record follows its texts, so after two more rows the row
        // of the texts looked at last is in the file.
        QSet<QString> shown;
        for (int i = 0; i < 4; ++i) {
            const qint64 rows = recorder->rowsWritten();
            QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > rows, 20000);
            shown << voltage(1)->text() + ' ' + voltage(3)->text();
        }
        const qint64 rows = recorder->rowsWritten();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() >= rows + 2, 20000);
        const QRegularExpression status(
            QStringLiteral("^Запись: %1, строк: [1-9]\\d*$").arg(file.fileName()));
        QTRY_VERIFY_WITH_TIMEOUT(status.match(label->text()).hasMatch(), 20000);
        stop->trigger();
        QVERIFY(start->isEnabled() && !stop->isEnabled() && !label->isVisible());
        action("actionTrend")->trigger();
        auto* chart = w->findChild<QWidget*>(QStringLiteral("TrendWindow"));
        QVERIFY(chart && chart->isVisible() && chart->isWindow() && !chart->isModal());
        w->close();
        w.reset();

        const QList<QStringList> table = readRows(file.absoluteFilePath());
        QVERIFY(table.size() >= 7);
        QSet<QString> stored;
        for (int r = 1; r < table.size(); ++r) {
            QCOMPARE(table.at(r).size(), 68);
            QCOMPARE(table.at(r).last(),
                     QStringLiteral("20 кГц; Дифференциальный (16 каналов); 1 AC 10 В; 3 DC 0.6 В"));
            QVERIFY(!cell(table, r, 1).isEmpty() && !cell(table, r, 1, true).isEmpty() &&
                    !cell(table, r, 3).isEmpty());
            QCOMPARE(table.at(r).mid(2, 64).join(QString()),
                     cell(table, r, 1) + cell(table, r, 1, true) + cell(table, r, 3));
            stored << cell(table, r, 1) + ' ' + cell(table, r, 3);
        }
        QVERIFY(stored.contains(shown));
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }

    void errorBoxes_data() {
        QTest::addColumn<QByteArray>("folderValue"); // "records": the test's folder
        QTest::addColumn<bool>("removeWhileRecording");
        QTest::newRow("missing folder") << QByteArray("missing/deeper") << false;
        QTest::newRow("path under a regular file") << QByteArray("vernier.ini/records") << false;
        QTest::newRow("folder removed while recording") << QByteArray("records") << true;
    }

    // One error box; the actions are those of not recording; measuring goes
    // on.  A garbage folder value would have recorded in the working
    // directory instead (the recorder's own test).
    void errorBoxes() {
        QFETCH(QByteArray, folderValue);
        QFETCH(bool, removeWhileRecording);
        QVERIFY(startWindow(folderValue));
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        testHandler = qInstallMessageHandler(logMessageHandler);
        setLogMainWindow(w.get());
        QStringList boxes;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
                    boxes << box->windowTitle() + '|' + box->text();
                    box->accept();
                }
        });
        closer.start(20);
        action("actionRecordStart")->trigger();
        if (removeWhileRecording) {
            QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > 0, 20000);
            QVERIFY(QDir(folder()).removeRecursively());
        }
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, 20000);
        QVERIFY2(boxes.first().startsWith(QStringLiteral("Ошибка|Запись остановлена: ") +
                                          QDir::toNativeSeparators(recorder->filePath()) + ": "),
                 qPrintable(boxes.first()));
        QVERIFY(action("actionRecordStart")->isEnabled() && !action("actionRecordStop")->isEnabled());
        QVERIFY(!w->findChild<QLabel*>(QStringLiteral("labelRecording"))->isVisible());
        QVERIFY(stillMeasuring());
        QCOMPARE(boxes.size(), 1);
    }

    // 300 configuration changes at 1000 kHz while recording with the chart
    // open, then closed while recording: the file is whole, and each row's
    // cells belong to the configuration in its own config cell.
    void stormWhileRecording() {
        for (int n = 1; n <= 32; ++n)
            sim->setSine(n, 0.05 * n, 100.0 * n, 0.01 * n);
        QVERIFY(sim->apply() && startWindow(folder().toUtf8()));
        auto* frequency = w->findChild<QComboBox*>(QStringLiteral("comboBoxFrequency"));
        auto* mode = w->findChild<QComboBox*>(QStringLiteral("comboBoxMode"));
        frequency->setCurrentIndex(4);
        action("actionTrend")->trigger();
        action("actionRecordStart")->trigger();
        const QString path = recorder->filePath();
        QRandomGenerator random(20261207);
        for (int change = 0; change < 300; ++change) {
            const QString n = QString::number(1 + random.bounded(32));
            auto* check = w->findChild<QCheckBox*>("checkBoxCh" + n);
            auto* range = w->findChild<QComboBox*>("comboBoxRangeCh" + n);
            auto* type = w->findChild<QComboBox*>("comboBoxVoltageTypeCh" + n);
            const quint32 what = random.bounded(6);
            if (what < 2 && check->isEnabled())
                check->toggle();
            else if (what == 2 && range->isEnabled())
                range->setCurrentIndex(int(random.bounded(4)));
            else if (what == 3 && type->isEnabled())
                type->setCurrentIndex(int(random.bounded(2)));
            else if (what == 4 && random.bounded(8) == 0)
                mode->setCurrentIndex(1 - mode->currentIndex());
            else if (what == 5)
                frequency->setCurrentIndex(4);
            // Now and then let passes through, so that many configurations
            // give rows.
            if (random.bounded(8) == 0)
                QTest::qWait(int(random.bounded(500)));
            else
                QCoreApplication::processEvents();
        }
        const qint64 rows = recorder->rowsWritten();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() >= rows + 3, 30000);
        w->close();
        w.reset();

        const QList<QStringList> table = readRows(path);
        QVERIFY(table.size() > 1);
        QSet<QString> configs;
        for (int r = 1; r < table.size(); ++r) {
            const QStringList parts = table.at(r).last().split(QStringLiteral("; "));
            configs << table.at(r).last();
            QMap<int, QString> measured; // channel -> "AC"/"DC" from the config cell
            for (int i = 2; i < parts.size(); ++i)
                measured.insert(parts.at(i).section(' ', 0, 0).toInt(), parts.at(i).section(' ', 1, 1));
            const bool differential = parts.value(1).startsWith(QStringLiteral("Дифференциальный"));
            for (int n = 1; n <= 32; ++n) {
                const bool hasMv = !cell(table, r, n).isEmpty(), hasKhz = !cell(table, r, n, true).isEmpty();
                QVERIFY2(
                    !hasMv ? !hasKhz
                           : measured.contains(n) && (!differential || n <= 16) &&
                                 hasKhz == (measured.value(n) == QLatin1String("AC")),
                    qPrintable(
                        QStringLiteral("row %1, channel %2: %3").arg(r).arg(n).arg(table.at(r).join(','))));
            }
        }
        QVERIFY2(configs.size() > 1, qPrintable(QString::number(configs.size())));
    }
};

QTEST_MAIN(TestRecordingWindow)
#include "test_recording_window.moc"
