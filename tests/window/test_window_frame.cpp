// The main window's frame with the real driver on the simulated module: Qt's
// own texts in Russian through the program's start-up function, the about
// box, Ctrl+R starting and stopping a recording with its end message,
// "Выход" on Ctrl+Q, and a width that stays whatever the device and the
// channels.
#include <QtTest>
#include <QtWidgets>

#include "default_module.h"
#include "fftw_version.h"
#include "mainwindow.h"
#include "message_box_closer.h"
#include "message_log.h"
#include "read_file.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "translations.h"
#include "version.h"

class TestWindowFrame : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }

    // Through the function main() calls: Qt's standard buttons speak
    // Russian; without the file, one warning and the program goes on in
    // English.
    void translations() {
        QTranslator* translator = installTranslations(*QCoreApplication::instance(),
                                                      QLibraryInfo::location(QLibraryInfo::TranslationsPath));
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
        QCoreApplication::removeTranslator(translator);
        delete translator;
        MessageLog::clear();
        QTemporaryDir empty;
        QVERIFY(!installTranslations(*QCoreApplication::instance(), empty.path()));
        const QStringList warnings = MessageLog::texts(QtWarningMsg);
        QVERIFY(warnings.size() == 1 && warnings.first().contains("qtbase_ru"));
    }

    // One window through a session: no device, then one found by Update, a
    // recording by Ctrl+R into a deep folder and its end message for 10 s,
    // 32 channels, and Ctrl+Q closing as the close button does.  The width
    // of the first show holds throughout; the inputs read 0 V, and the value
    // fields' own width is the driver's and tested with it.
    void session() {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt"))); // the searches' diagnostics
        const QString folder =
            dir.filePath(QString(40, 'a') + '/' + QString(40, 'b') + '/' + QString(40, 'c'));
        QFile ini(QStringLiteral("vernier.ini"));
        QVERIFY(QDir().mkpath(folder) && ini.open(QIODevice::WriteOnly) &&
                ini.write("[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=1\n[Recording]\nFolder=" +
                          folder.toUtf8() + "\n") > 0);
        ini.close();
        const QString simPath = writeSimConfig(dir, R"({"devices":[]})");
        QVERIFY(!simPath.isEmpty());

        MainWindow w(nullptr, createDefaultModule);
        const auto voltage = [&](int channel) {
            return w.findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh%1").arg(channel))->text();
        };
        auto* label = w.findChild<QLabel*>(QStringLiteral("labelRecording"));
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(err.count("VRK_Search: err=") > 0, 30000);
        const int width = w.width();
        QStringList widths;
        const auto note = [&](const char* state) {
            // The layout's requests are posted; settle them before measuring.
            QCoreApplication::processEvents();
            w.layout()->activate();
            QCoreApplication::processEvents();
            if (w.width() != width)
                widths << QStringLiteral("%1: %2").arg(state).arg(w.width());
        };
        w.postMessage(QStringLiteral("Ошибка поиска приборов. ") + QString(300, QChar(0x416)));
        w.postInfo(QString(300, QChar(0x416)));
        note("no device, long status texts");

        // The menu's box, over the window, names the program's version and
        // licence, Qt's and FFTW's versions, and the device library in use
        // with its kind.
        struct Library {
            const char* file;
            bool simulator;
            const char* shown;
        };
        // clang-format off
        const Library libraries[] = {
            {"/x/libvrk_api.so",    true,  "/x/libvrk_api.so (имитатор прибора)"},
            {"/opt/vrk/lib<1>&.so", false, "/opt/vrk/lib&lt;1&gt;&amp;.so (библиотека производителя)"},
            {"",                    false, "Библиотека прибора: не найдена"},
        };
        // clang-format on
        w.setFftwVersion(fftwVersion());
        for (const Library& library : libraries) {
            w.setDeviceLibrary({QString::fromUtf8(library.file), library.simulator});
            MessageBoxCloser closer;
            w.findChild<QAction*>(QStringLiteral("actionAbout"))->trigger();
            const QString shown = closer.shown.join('\n');
            for (const QString& part : {QStringLiteral("О программе|"), QStringLiteral("vernier 1.0.3"),
                                        QStringLiteral("GPL-3.0-or-later"), QString::fromUtf8(versionString),
                                        QStringLiteral("Qt ") + qVersion(), "FFTW " + fftwVersion(),
                                        QString::fromUtf8(library.shown)})
                QVERIFY2(shown.contains(part), qPrintable(part + " in " + shown));
        }

        // The same file with a device in it: the search reads it again, and
        // the environment is not written while the engine's thread reads it.
        SimConfig sim;
        sim.setRealtime(true);
        QFile config(simPath);
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate) && config.write(sim.text()) > 0);
        config.close();
        w.findChild<QPushButton*>(QStringLiteral("pushButtonUpdate"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!voltage(1).isEmpty(), 20000);
        note("one channel");

        // Ctrl+R starts a recording and Ctrl+R ends it; the status bar then
        // names the file and its rows for 10 s, and the count is the file's.
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
        note("recording ended in a deep folder");

        w.findChild<QComboBox*>(QStringLiteral("comboBoxMode"))->setCurrentIndex(1);
        w.findChild<QCheckBox*>(QStringLiteral("checkBoxChannels"))->setCheckState(Qt::Checked);
        QTRY_VERIFY_WITH_TIMEOUT(!voltage(32).isEmpty(), 20000);
        note("32 channels");
        QVERIFY2(widths.isEmpty(),
                 qPrintable(QString::number(width) + " at first, then " + widths.join(", ")));

        QTRY_VERIFY_WITH_TIMEOUT(!label->isVisible(), 2 * MainWindow::recordingEndMessageMs);
        QVERIFY2(sinceStop.elapsed() >= MainWindow::recordingEndMessageMs,
                 qPrintable(QString::number(sinceStop.elapsed())));
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
