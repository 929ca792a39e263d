// Recording through the main window on the simulated module, in one real-time
// run: a storm of configuration changes while recording with the chart open,
// a failure while measuring goes on, and the window closed while recording.
#include <QtTest>
#include <QtWidgets>

#include "csv_recorder.h"
#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "message_box_closer.h"
#include "sim_setup.h"
#include "test_files.h"

class TestRecordingWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;

    template <typename T> T* child(const QString& name) const { return w->findChild<T*>(name); }
    QAction* action(const char* name) const { return child<QAction>(QLatin1String(name)); }

private slots:
    void cleanup() {
        setLogMainWindow(nullptr);
        w.reset();
    }

    // After the storm the file is whole (every line ends in CRLF), and each
    // row's cells belong to the configuration in its own config cell (found
    // by its name in the header): measured channels only, kHz exactly for AC.
    void stormFailureAndClose() {
        QVERIFY(QDir::setCurrent(dir.path()) && QDir().mkpath(QStringLiteral("records")));
        SimConfig sim;
        sim.setRealtime(true);
        for (int n = 1; n <= 32; ++n)
            sim.setSine(n, 0.05 * n, 100.0 * n, 0.01 * n);
        QVERIFY(sim.apply() && writeFile(QStringLiteral("vernier.ini"),
                                         "[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=5\n"
                                         "ChannelsSetToDc=4\n[Recording]\nFolder=records\n"));
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        auto* recorder = w->findChild<CsvRecorder*>();
        auto* mode = child<QComboBox>(QStringLiteral("comboBoxMode"));
        auto* voltage = child<QLineEdit>(QStringLiteral("lineEditVoltageCh1"));
        QTRY_VERIFY_WITH_TIMEOUT(!voltage->text().isEmpty(), 30000);
        child<QComboBox>(QStringLiteral("comboBoxFrequency"))->setCurrentIndex(4);
        action("actionTrend")->trigger();
        action("actionRecordStart")->trigger();
        const QString path = recorder->filePath();
        QRandomGenerator random(20261207);
        for (int change = 0; change < 120; ++change) {
            const QString n = QString::number(1 + random.bounded(32));
            auto* check = child<QCheckBox>("checkBoxCh" + n);
            auto* range = child<QComboBox>("comboBoxRangeCh" + n);
            auto* type = child<QComboBox>("comboBoxVoltageTypeCh" + n);
            const quint32 what = random.bounded(5);
            if (what < 2 && check->isEnabled())
                check->toggle();
            else if (what == 2 && range->isEnabled())
                range->setCurrentIndex(int(random.bounded(4)));
            else if (what == 3 && type->isEnabled())
                type->setCurrentIndex(int(random.bounded(2)));
            else if (what == 4 && random.bounded(8) == 0)
                mode->setCurrentIndex(1 - mode->currentIndex());
            // Now and then a row of this configuration (none while no channel is on).
            const qint64 rows = recorder->rowsWritten();
            if (random.bounded(4) == 0)
                static_cast<void>(QTest::qWaitFor([&] { return recorder->rowsWritten() > rows; }, 2000));
            QCoreApplication::processEvents();
        }
        action("actionRecordStop")->trigger();
        QVERIFY(recorder->waitForWriters());

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

        // The folder removed while recording: one box, Start enabled again,
        // and measuring goes on; then closed while recording.
        child<QCheckBox>(QStringLiteral("checkBoxCh1"))->setChecked(true);
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        const QtMessageHandler testHandler = qInstallMessageHandler(logMessageHandler);
        setLogMainWindow(w.get());
        MessageBoxCloser closer;
        action("actionRecordStart")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > 0, 20000);
        QVERIFY(QDir(QStringLiteral("records")).removeRecursively());
        QTRY_VERIFY_WITH_TIMEOUT(action("actionRecordStart")->isEnabled(), 20000);
        QVERIFY(!action("actionRecordStop")->isEnabled());
        voltage->clear();
        QTRY_VERIFY_WITH_TIMEOUT(!voltage->text().isEmpty(), 20000);
        qInstallMessageHandler(testHandler);
        QVERIFY2(closer.shown.size() == 1 &&
                     closer.shown[0].startsWith("Ошибка|Запись остановлена: " + recorder->filePath() + ": "),
                 qPrintable(closer.shown.join('\n')));
        QVERIFY(QDir().mkpath(QStringLiteral("records")));
        action("actionRecordStart")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rowsWritten() > 0, 20000);
        w->close();
    }
};

QTEST_MAIN(TestRecordingWindow)
#include "test_recording_window.moc"
