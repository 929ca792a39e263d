// The main window's frame with the real driver on the simulated module: Qt's
// own texts in Russian through the program's start-up function, "Выход" and
// "О программе…", Ctrl+R starting and stopping a recording with its end
// message, and a width that stays whatever the device and the channels.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "about_box.h"
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

namespace {

// One installation of Qt's translation from a directory.
struct TranslationRow {
    const char* name;
    bool qtDirectory; // Qt's own translations directory, else an empty one
    const char* cancel;
    const char* lookIn; // the folder dialog's label before the folder box
    int warnings;
};

// One device library the about box may name.
struct LibraryRow {
    const char* name;
    const char* file;
    bool simulator;
    const char* shown; // how the box names it
};

} // namespace

Q_DECLARE_METATYPE(TranslationRow)
Q_DECLARE_METATYPE(LibraryRow)

class TestWindowFrame : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SimConfig> sim;
    std::unique_ptr<StderrCapture> err; // the searches' diagnostics
    std::unique_ptr<MainWindow> w;

    QAction* action(const char* name) const { return w->findChild<QAction*>(QLatin1String(name)); }
    QLineEdit* voltage(int channel) const {
        return w->findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh%1").arg(channel));
    }
    QLabel* recordingLabel() const { return w->findChild<QLabel*>(QStringLiteral("labelRecording")); }

    // vernier.ini as given, the simulator as `sim` says (no device without
    // one), and the window shown with its first search answered.
    bool startWindow(const QByteArray& ini, bool device) {
        sim = std::make_unique<SimConfig>();
        sim->setRealtime(true);
        QFile file(QStringLiteral("vernier.ini"));
        if (!file.open(QIODevice::WriteOnly) || file.write(ini) != ini.size())
            return false;
        file.close();
        if (device ? !sim->apply() : writeSimConfig(*dir, R"({"devices":[]})").isEmpty())
            return false;
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return false;
        return QTest::qWaitFor(
            [&] { return device ? !voltage(1)->text().isEmpty() : err->count("VRK_Search: err=") > 0; },
            30000);
    }

    // Data rows of a recording: every CRLF-ended line after the header.
    static int csvRows(const QString& path) { return int(readFile(path).count("\r\n")) - 1; }

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()));
        err = std::make_unique<StderrCapture>(dir->filePath(QStringLiteral("stderr.txt")));
        MessageLog::clear();
    }
    void cleanup() {
        w.reset();
        sim.reset();
        err.reset();
    }

    // Through the function main() calls: Qt's standard buttons and its own
    // folder dialog speak Russian; without the file, one warning and the
    // program goes on in English.
    void translations_data() {
        QTest::addColumn<TranslationRow>("row");
        // clang-format off
        const TranslationRow rows[] = {
            {"Qt's directory", true,  "Отмена", "Перейти к:", 0},
            {"no translation", false, "Cancel", "Look in:",   1},
        };
        // clang-format on
        for (const TranslationRow& row : rows)
            QTest::newRow(row.name) << row;
    }
    void translations() {
        QFETCH(TranslationRow, row);
        QTranslator* translator = installTranslations(
            *QCoreApplication::instance(),
            row.qtDirectory ? QLibraryInfo::location(QLibraryInfo::TranslationsPath) : dir->path());
        QCOMPARE(translator != nullptr, row.qtDirectory);
        QCOMPARE(MessageLog::count(QtWarningMsg), row.warnings);
        QVERIFY(!row.warnings || MessageLog::texts(QtWarningMsg).first().contains("qtbase_ru"));

        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QFileDialog folders(nullptr, QString(), dir->path());
        folders.setOption(QFileDialog::DontUseNativeDialog);
        folders.setFileMode(QFileDialog::Directory);
        const QString cancel = buttons.button(QDialogButtonBox::Cancel)->text();
        const QString lookIn = folders.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
        QCoreApplication::removeTranslator(translator);
        delete translator;
        QCOMPARE(cancel, QString::fromUtf8(row.cancel));
        QCOMPARE(lookIn, QString::fromUtf8(row.lookIn));
    }

    // "Выход" (and its Ctrl+Q) closes as the close button does: the window
    // is gone, both threads and the driver's have ended, the settings are on
    // disk.
    void quit_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("menu") << false;
        QTest::newRow("Ctrl+Q") << true;
    }
    void quit() {
        QFETCH(bool, byKey);
        QVERIFY(startWindow("[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=1\n", true));
        QVERIFY(action("actionQuit")->shortcut() == QKeySequence(QStringLiteral("Ctrl+Q")));
        if (byKey) {
            QApplication::setActiveWindow(w.get());
            QVERIFY(QTest::qWaitForWindowActive(w.get()));
            QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
        } else {
            action("actionQuit")->trigger();
        }
        QVERIFY(!w->isVisible());
        QVERIFY(w->threadsEnded());
        QVERIFY(MessageLog::texts(QtInfoMsg).contains(QStringLiteral("Завершение работы")));
        QCOMPARE(QSettings(QStringLiteral("vernier.ini"), QSettings::IniFormat)
                     .value(QStringLiteral("Global/DisplayUpdateMs"))
                     .toString(),
                 QStringLiteral("100"));
    }

    // The box names the program's version and licence, Qt's and FFTW's
    // versions, and the device library in use with its kind.
    void aboutText_data() {
        QTest::addColumn<LibraryRow>("row");
        // clang-format off
        const LibraryRow rows[] = {
            {"simulator", "/usr/lib/vernier/libvrk_api.so", true,  "/usr/lib/vernier/libvrk_api.so (имитатор прибора)"},
            {"vendor",    "/opt/vrk/lib<1>&.so",            false, "/opt/vrk/lib&lt;1&gt;&amp;.so (библиотека производителя)"},
            {"not found", "",                               false, "Библиотека прибора: не найдена"},
        };
        // clang-format on
        for (const LibraryRow& row : rows)
            QTest::newRow(row.name) << row;
    }
    void aboutText() {
        QFETCH(LibraryRow, row);
        const QString text =
            AboutBox::text({QString::fromUtf8(row.file), row.simulator}, QStringLiteral("3.3.10"));
        for (const QString& part : {QStringLiteral("vernier 1.0.3"), QStringLiteral("GPL-3.0-or-later"),
                                    QString::fromUtf8(versionString), QStringLiteral("Qt ") + qVersion(),
                                    QStringLiteral("FFTW 3.3.10"), QString::fromUtf8(row.shown)})
            QVERIFY2(text.contains(part), qPrintable(part + " in " + text));
    }

    // The menu's box, over the window, with what the program gave it.
    void aboutBox() {
        QVERIFY(startWindow("", false));
        w->setDeviceLibrary({QStringLiteral("/x/libvrk_api.so"), true});
        w->setFftwVersion(fftwVersion());
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^\d+\.\d+\.\d+)")).match(fftwVersion()).hasMatch(),
                 qPrintable(fftwVersion()));
        MessageBoxCloser closer;
        action("actionAbout")->trigger();
        const QString shown = closer.shown.join('\n');
        QVERIFY2(shown.startsWith(QStringLiteral("О программе|")), qPrintable(shown));
        QVERIFY2(shown.contains("FFTW " + fftwVersion()) &&
                     shown.contains("/x/libvrk_api.so (имитатор прибора)"),
                 qPrintable(shown));
        QVERIFY(w->isVisible());
    }

    // Ctrl+R starts a recording and Ctrl+R ends it; the status bar then
    // names the file and its rows for 10 s, and the count is the file's.
    void recordingToggle() {
        QVERIFY(startWindow("[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=1\n", true));
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(!action("actionRecordStart")->isEnabled() && action("actionRecordStop")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(recordingLabel()->text().contains(QRegularExpression(", строк: [1-9]")),
                                 20000);
        QVERIFY(recordingLabel()->text().startsWith(QStringLiteral("Запись: vernier-")));
        const QString path = QDir::toNativeSeparators(
            QDir(dir->path()).absoluteFilePath(recordingLabel()->text().section(' ', 1, 1).chopped(1)));

        QElapsedTimer sinceStop;
        sinceStop.start();
        QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(action("actionRecordStart")->isEnabled() && !action("actionRecordStop")->isEnabled());
        // The writer finishes the rows queued before the end; the count follows.
        QTRY_COMPARE_WITH_TIMEOUT(
            recordingLabel()->text(),
            QStringLiteral("Запись завершена: %1, строк: %2").arg(path).arg(csvRows(path)), 5000);
        QVERIFY(recordingLabel()->isVisible() && csvRows(path) > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!recordingLabel()->isVisible(), 2 * MainWindow::recordingEndMessageMs);
        QVERIFY2(sinceStop.elapsed() >= MainWindow::recordingEndMessageMs,
                 qPrintable(QString::number(sinceStop.elapsed())));

        // A new recording replaces the end message at once.
        QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(recordingLabel()->isVisible() &&
                recordingLabel()->text().startsWith(QStringLiteral("Запись: ")));
        action("actionRecordStop")->trigger();
    }

    // The width of the first show holds with no device, with one channel and
    // with 32, and whatever the status bar says.  The inputs read 0 V: the
    // value fields' own width is the driver's and tested with it.
    void widthStays() {
        const QString folder =
            dir->filePath(QString(40, 'a') + '/' + QString(40, 'b') + '/' + QString(40, 'c'));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(
            startWindow("[Global]\nDisplayUpdateMs=100\n[MDX11]\nChannelsEnabled=1\n[Recording]\nFolder=" +
                            folder.toUtf8() + "\n",
                        false));
        const int width = w->width();
        QStringList widths;
        const auto note = [&](const char* state) {
            // The layout's requests are posted; settle them before measuring.
            QCoreApplication::processEvents();
            w->layout()->activate();
            QCoreApplication::processEvents();
            if (w->width() != width)
                widths << QStringLiteral("%1: %2").arg(state).arg(w->width());
        };
        note("no device");
        w->postMessage(QStringLiteral("Ошибка поиска приборов. ") + QString(300, QChar(0x416)));
        w->postInfo(QString(300, QChar(0x416)));
        note("long status texts");

        // The same file with a device in it: the search reads it again, and
        // the environment is not written while the engine's thread reads it.
        QFile config(dir->filePath(QStringLiteral("sim.json")));
        const QByteArray device =
            R"({"realtime":true,"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"SIM-TEST"}]})";
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                config.write(device) == device.size());
        config.close();
        w->findChild<QPushButton*>(QStringLiteral("pushButtonUpdate"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!voltage(1)->text().isEmpty(), 20000);
        note("one channel");
        action("actionRecordStart")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!recordingLabel()->text().endsWith(QStringLiteral("строк: 0")), 20000);
        action("actionRecordStop")->trigger();
        QVERIFY(recordingLabel()->text().startsWith(QStringLiteral("Запись завершена: ")));
        note("recording ended in a deep folder");

        w->findChild<QComboBox*>(QStringLiteral("comboBoxMode"))->setCurrentIndex(1);
        w->findChild<QCheckBox*>(QStringLiteral("checkBoxChannels"))->setCheckState(Qt::Checked);
        QTRY_VERIFY_WITH_TIMEOUT(!voltage(32)->text().isEmpty(), 20000);
        note("32 channels");
        QVERIFY2(widths.isEmpty(),
                 qPrintable(QString::number(width) + " at first, then " + widths.join(", ")));
    }
};

QTEST_MAIN(TestWindowFrame)
#include "test_window_frame.moc"
