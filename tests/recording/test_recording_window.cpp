// Recording through the main window on the simulated module: a storm of
// configuration changes while recording with the chart open, then closed
// while recording.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "csv_recorder.h"
#include "default_module.h"
#include "mainwindow.h"
#include "message_log.h"
#include "sim_setup.h"

class TestRecordingWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }

    // The file is whole (every line ends in CRLF), the status label counts
    // its rows, and each row's cells belong to the configuration in its own
    // config cell: measured channels only, kHz exactly for AC.
    void stormWhileRecording() {
        QTemporaryDir dir;
        const QString previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        SimConfig sim;
        sim.setRealtime(true);
        for (int n = 1; n <= 32; ++n)
            sim.setSine(n, 0.05 * n, 100.0 * n, 0.01 * n);
        QFile ini(QStringLiteral("vernier.ini"));
        QVERIFY(sim.apply() && ini.open(QIODevice::WriteOnly));
        ini.write("[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=5\nChannelsSetToDc=4\n");
        ini.close();
        auto w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        auto* recorder = w->findChild<CsvRecorder*>();
        auto* voltage = w->findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh1"));
        QTRY_VERIFY_WITH_TIMEOUT(!voltage->text().isEmpty(), 30000);
        auto* frequency = w->findChild<QComboBox*>(QStringLiteral("comboBoxFrequency"));
        auto* mode = w->findChild<QComboBox*>(QStringLiteral("comboBoxMode"));
        frequency->setCurrentIndex(4);
        w->findChild<QAction*>(QStringLiteral("actionTrend"))->trigger();
        w->findChild<QAction*>(QStringLiteral("actionRecordStart"))->trigger();
        const QString path = recorder->filePath();
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
        QDir::setCurrent(previousDir);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QStringList lines = text.split(QStringLiteral("\r\n"));
        QVERIFY(lines.takeLast().isEmpty() && text.count('\n') == lines.size() &&
                text.count('\r') == lines.size());
        QSet<QString> configs;
        for (int r = 1; r < lines.size(); ++r) {
            const QStringList cells = lines[r].split(','); // the texts written here hold no comma or quote
            const QStringList parts = cells.last().split(QStringLiteral("; "));
            configs << cells.last();
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
