// The main window's frame with the real driver on the simulated module: Qt's
// own texts in Russian through the program's start-up function, the about
// box's text, Ctrl+R starting and stopping a recording with its end message,
// "Выход" on Ctrl+Q, and a width that stays whatever the device and the
// channels.
#include <QtTest>
#include <QtWidgets>

#include "about_box.h"
#include "default_module.h"
#include "fftw_version.h"
#include "mainwindow.h"
#include "message_log.h"
#include "read_file.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_files.h"
#include "translations.h"
#include "version.h"

class TestWindowFrame : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }

    // Through the function main() calls, Qt's standard buttons speak Russian.
    void translations() {
        QTranslator* translator = installTranslations(*QCoreApplication::instance(),
                                                      QLibraryInfo::location(QLibraryInfo::TranslationsPath));
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(),
                 QStringLiteral("Отмена"));
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }

    // The about box names the program's version and licence, Qt's and
    // FFTW's versions, and the device library in use with its kind.
    void aboutText() {
        struct Row {
            const char* file;
            bool simulator;
            const char* shown;
        };
        // clang-format off
        const Row rows[] = {
            {"/x/libvrk_api.so",    true,  "/x/libvrk_api.so (имитатор прибора)"},
            {"/opt/vrk/lib<1>&.so", false, "/opt/vrk/lib&lt;1&gt;&amp;.so (библиотека производителя)"},
            {"",                    false, "Библиотека прибора: не найдена"},
        };
        // clang-format on
        for (const Row& row : rows) {
            const QString text = AboutBox::text({QString::fromUtf8(row.file), row.simulator}, fftwVersion());
            for (const QString& part : {QStringLiteral("vernier 1.0.3"), QStringLiteral("GPL-3.0-or-later"),
                                        QString::fromUtf8(versionString), QStringLiteral("Qt ") + qVersion(),
                                        "FFTW " + fftwVersion(), QString::fromUtf8(row.shown)})
                QVERIFY2(text.contains(part), qPrintable(part + " in " + text));
        }
    }

    // One window: no device, one found by Update, Ctrl+R recording into a
    // deep folder, 32 channels, Ctrl+Q.  The first show's width holds
    // throughout.
    void session() {
        QTemporaryDir dir;
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt"))); // the searches' diagnostics
        const QString folder =
            dir.filePath(QString(40, 'a') + '/' + QString(40, 'b') + '/' + QString(40, 'c'));
        QVERIFY(QDir::setCurrent(dir.path()) && QDir().mkpath(folder) &&
                writeFile(QStringLiteral("vernier.ini"),
                          "[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=1\n[Recording]\nFolder=" +
                              folder.toUtf8() + "\n"));
        const QString simPath = writeSimConfig(dir, R"({"devices":[]})");
        QVERIFY(!simPath.isEmpty());

        MainWindow w(nullptr, createDefaultModule);
        const auto voltage = [&](int channel) {
            return w.findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh%1").arg(channel))->text();
        };
        auto* label = w.findChild<QLabel*>(QStringLiteral("labelRecording"));
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(err.count("VRK_Search: err=") > 0, 30000);
        QVector<int> widths{w.width()};
        const auto note = [&] {
            // The layout's requests are posted; settle them before measuring.
            QCoreApplication::processEvents();
            w.layout()->activate();
            QCoreApplication::processEvents();
            widths << w.width();
        };
        w.postMessage(QStringLiteral("Ошибка поиска приборов. ") + QString(300, QChar(0x416)));
        w.postInfo(QString(300, QChar(0x416)));
        note();

        // The same file with a device: the environment is not written while the engine reads it.
        SimConfig sim;
        sim.setRealtime(true);
        QVERIFY(writeFile(simPath, sim.text()));
        w.findChild<QPushButton*>(QStringLiteral("pushButtonUpdate"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!voltage(1).isEmpty(), 20000);
        note();

        // Ctrl+R toggles a recording; its end message names the file and its rows for 10 s.
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(
            label->text().contains(QRegularExpression("^Запись: vernier-.*, строк: [1-9]")), 20000);
        const QString path = QDir::toNativeSeparators(
            QDir(folder).absoluteFilePath(label->text().section(' ', 1, 1).chopped(1)));
        QElapsedTimer sinceStop;
        sinceStop.start();
        QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
        // The writer finishes the rows queued before the end; the count follows.
        const auto rows = [&] { return int(readFile(path).count("\r\n")) - 1; };
        QTRY_COMPARE_WITH_TIMEOUT(
            label->text(), QStringLiteral("Запись завершена: %1, строк: %2").arg(path).arg(rows()), 5000);
        QVERIFY(label->isVisible() && rows() > 0);
        note();

        w.findChild<QComboBox*>(QStringLiteral("comboBoxMode"))->setCurrentIndex(1);
        w.findChild<QCheckBox*>(QStringLiteral("checkBoxChannels"))->setCheckState(Qt::Checked);
        QTRY_VERIFY_WITH_TIMEOUT(!voltage(32).isEmpty(), 20000);
        note();
        QCOMPARE(widths, QVector<int>(widths.size(), widths.first())); // no device, long texts, 1, ended, 32

        QTRY_VERIFY_WITH_TIMEOUT(!label->isVisible(), 2 * MainWindow::recordingEndMessageMs);
        QVERIFY(sinceStop.elapsed() >= MainWindow::recordingEndMessageMs);
        // A new recording replaces the end message at once.
        QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
        QVERIFY(label->isVisible() && label->text().startsWith(QStringLiteral("Запись: ")));

        // The window is gone, both threads and the driver's have ended, the
        // settings are on disk.
        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible() && w.threadsEnded());
        QVERIFY(MessageLog::texts(QtInfoMsg).contains(QStringLiteral("Завершение работы")));
        QVERIFY(QSettings(QStringLiteral("vernier.ini"), QSettings::IniFormat)
                    .contains(QStringLiteral("MDX11/Channels32SelectedRange")));
    }
};

QTEST_MAIN(TestWindowFrame)
#include "test_window_frame.moc"
