// Recording through the main window on the simulated module: the actions and
// the status label as a recording starts and ends, error boxes while
// measuring goes on, and a storm of configuration changes while recording
// with the chart open, then closed while recording.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "csv_recorder.h"
#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "message_box_closer.h"
#include "read_file.h"
#include "sim_setup.h"

class TestRecordingWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> w;
    CsvRecorder* recorder = nullptr;

    QAction* action(const char* name) const { return w->findChild<QAction*>(QLatin1String(name)); }
    QLineEdit* voltage() const { return w->findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh1")); }
    // "start stop label": which of the two actions are enabled, whether the
    // label shows a running recording (after the end it names the file).
    QString state() const {
        auto* label = w->findChild<QLabel*>(QStringLiteral("labelRecording"));
        return QStringLiteral("%1 %2 %3")
            .arg(action("actionRecordStart")->isEnabled())
            .arg(action("actionRecordStop")->isEnabled())
            .arg(label->isVisible() && label->text().startsWith(QStringLiteral("Запись: ")));
    }

    // Every channel a sine, display every 100 ms, channels 1 (AC) and 3
    // (DC) on, the recording folder as given; the module measuring.
    bool startWindow(const QByteArray& folder) {
        SimConfig sim;
        sim.setRealtime(true);
        for (int n = 1; n <= 32; ++n)
            sim.setSine(n, 0.05 * n, 100.0 * n, 0.01 * n);
        QFile ini(QStringLiteral("vernier.ini"));
        if (!sim.apply() || !ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=5\nChannelsSetToDc=4\n[Recording]"
                  "\nFolder=" +
                  folder + "\n");
        ini.close();
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        recorder = w->findChild<CsvRecorder*>();
        return recorder && QTest::qWaitFor([&] { return !voltage()->text().isEmpty(); }, 30000);
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()) && QDir().mkpath(QStringLiteral("records")));
    }
    void cleanup() {
        setLogMainWindow(nullptr);
        w.reset();
    }

    // Stopped by the operator or by a failure (one error box): the actions
    // and label of not recording, and measuring goes on.
    void ending_data() {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QString>("end"); // "stop", "remove" the folder, or nothing
        QTest::addColumn<int>("boxes");
        // clang-format off
        QTest::newRow("stopped")                   << QByteArray("records") << "stop" << 0;
        QTest::newRow("missing folder")            << QByteArray("missing/deeper") << "" << 1;
        QTest::newRow("folder removed")            << QByteArray("records") << "remove" << 1;
        // clang-format on
    }
    void ending() {
        QFETCH(QByteArray, folder);
        QFETCH(QString, end);
        QFETCH(int, boxes);
        QVERIFY(startWindow(folder));
        QCOMPARE(state(), QStringLiteral("1 0 0"));
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        const QtMessageHandler testHandler = qInstallMessageHandler(logMessageHandler);
        setLogMainWindow(w.get());
        MessageBoxCloser closer;
        const QStringList& shown = closer.shown;
        action("actionRecordStart")->trigger();
        if (!end.isEmpty()) {
            QCOMPARE(state(), QStringLiteral("0 1 1"));
            QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > 0, 20000);
            if (end == "stop")
                action("actionRecordStop")->trigger();
            else
                QVERIFY(QDir(QStringLiteral("records")).removeRecursively());
        }
        QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("1 0 0"), 20000);
        voltage()->clear();
        QTRY_VERIFY_WITH_TIMEOUT(!voltage()->text().isEmpty(), 20000);
        qInstallMessageHandler(testHandler);
        QCOMPARE(shown.size(), boxes);
        QVERIFY2(!boxes || shown[0].startsWith("Ошибка|Запись остановлена: " + recorder->filePath() + ": "),
                 qPrintable(shown.join('\n')));
    }

    // The file is whole (every line ends in CRLF), the status label counts
    // its rows, and each row's cells belong to the configuration in its own
    // config cell (found by its name in the header): measured channels only,
    // kHz exactly for AC.
    void stormWhileRecording() {
        QVERIFY(startWindow("records"));
        auto* frequency = w->findChild<QComboBox*>(QStringLiteral("comboBoxFrequency"));
        auto* mode = w->findChild<QComboBox*>(QStringLiteral("comboBoxMode"));
        frequency->setCurrentIndex(4);
        action("actionTrend")->trigger();
        action("actionRecordStart")->trigger();
        const QString path = recorder->filePath();
        QVERIFY(QRegularExpression(R"((^|/)records/vernier-\d{8}-\d{6}\.csv$)").match(path).hasMatch());
        const QRegularExpression status("^Запись: " + QFileInfo(path).fileName() + ", строк: [1-9]\\d*$");
        QTRY_VERIFY_WITH_TIMEOUT(status.match(w->findChild<QLabel*>("labelRecording")->text()).hasMatch(),
                                 30000);
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
            // Now and then a row of this configuration (none while no channel is on).
            const qint64 rows = recorder->rowsWritten();
            if (random.bounded(8) == 0)
                static_cast<void>(QTest::qWaitFor([&] { return recorder->rowsWritten() > rows; }, 5000));
            QCoreApplication::processEvents();
        }
        w->close();
        w.reset();

        const QString text = QString::fromUtf8(readFile(path));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        QVERIFY(lines.takeLast().isEmpty() && text.count('\n') == lines.size() &&
                text.count('\r') == lines.size());
        QSet<QString> configs;
        const int configColumn = lines[0].split(',').indexOf(QStringLiteral("config"));
        QVERIFY(configColumn > 0);
        for (int r = 1; r < lines.size(); ++r) {
            const QStringList cells = lines[r].split(','); // the texts written here hold no comma or quote
            const QStringList parts = cells.value(configColumn).split(QStringLiteral("; "));
            configs << cells.value(configColumn);
            QMap<int, QString> measured; // channel -> "AC"/"DC" from the config cell
            for (int i = 2; i < parts.size(); ++i)
                measured.insert(parts[i].section(' ', 0, 0).toInt(), parts[i].section(' ', 1, 1));
            const bool differential = parts.value(1).startsWith(QStringLiteral("Дифференциальный"));
            for (int n = 1; n <= 32; ++n) {
                const bool mV = !cells.value(2 * n).isEmpty(), kHz = !cells.value(2 * n + 1).isEmpty();
                QVERIFY2(!mV ? !kHz
                             : measured.contains(n) && (!differential || n <= 16) &&
                                   kHz == (measured[n] == "AC"),
                         qPrintable(QStringLiteral("row %1, channel %2: %3").arg(r).arg(n).arg(lines[r])));
            }
        }
        QVERIFY2(configs.size() > 1, qPrintable(QString::number(configs.size())));
    }
};

QTEST_MAIN(TestRecordingWindow)
#include "test_recording_window.moc"
