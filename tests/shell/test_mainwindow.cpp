// The main window with a recording test driver on the simulated device
// library: start-up with what vernier.ini holds, and the options dialog.
#include <QtTest>
#include <QtWidgets>
#include <memory>
#include <optional>

#include "mainwindow.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "table_rows.h"
#include "test_files.h"
#include "test_module.h"

namespace {

// Two "VRK11" at .11 and .12 beside a "VRK12".
const QByteArray devices =
    R"({"searchDelayMs":5,"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"1"},)"
    R"({"name":"VRK12","address":"192.0.2.20","serial":"2"},)"
    R"({"name":"VRK11","address":"192.0.2.12","serial":"3"}]})";

// "green", "red" or "gray": the LED a label shows.
QString led(QWidget* window, const char* name) {
    const auto image = [](const QImage& i) { return i.convertToFormat(QImage::Format_ARGB32_Premultiplied); };
    const QImage shown = image(window->findChild<QLabel*>(name)->pixmap(Qt::ReturnByValue).toImage());
    for (const char* colour : {"green", "red", "gray"})
        if (shown == image(QImage(QStringLiteral(":/icons/bullet_%1.png").arg(colour))))
            return QString::fromLatin1(colour);
    return QStringLiteral("none");
}

// Start-up with what vernier.ini holds.
struct Startup {
    const char* name;
    std::optional<QByteArray> ini;
    const char* config;     // the simulator's file; "" the two VRK11
    const char* failing;    // the driver's failing call; "" none
    int period;             // handed to the driver; readPeriod: what QSettings reads
    const char* storedMs;   // DisplayUpdateMs after start-up; nullptr: not checked
    const char* storedMode; // ModuleMode after start-up
    const char* crateLed;
    const char* moduleLed;
    int opens;
};
constexpr int readPeriod = -1000000;

// clang-format off
const Startup startups[] = {
    {"first run",       std::nullopt,                                                 "", "",     500,        "500",   "Normal",   "green", "green", 1},
    {"fifty",           QByteArray("[Global]\nDisplayUpdateMs=50\n"),                 "", "",     50,         "50",    "Normal",   "green", "green", 1},
    {"not a number",    QByteArray("[Global]\nDisplayUpdateMs=abc\nModuleMode=Normal\n"), "", "", 0,      "abc",   "Normal",   "green", "green", 1},
    {"huge number",     QByteArray("[Global]\nDisplayUpdateMs=99999999999999999999\n"), "", "",    0,          "99999999999999999999", "Normal", "green", "green", 1},
    {"negative",        QByteArray("[Global]\nDisplayUpdateMs=-40\n"),                "", "",     -40,        "-40",   "Normal",   "green", "green", 1},
    {"binary bytes",    QByteArray("[Global]\nDisplayUpdateMs=\x01\xff\xfe\x7f\nModuleMode=\x80\x81\n\x00\x00[\xff\n", 40), "", "", 0, nullptr, nullptr, "green", "green", 1},
    {"missing group",   QByteArray("[Other]\nKey=1\n"),                                "", "",     500,        "500",   "Normal",   "green", "green", 1},
    {"duplicate key",   QByteArray("[Global]\nDisplayUpdateMs=300\nDisplayUpdateMs=700\n"), "", "", readPeriod, nullptr, nullptr, "green", "green", 1},
    {"emulator, lower", QByteArray("[Global]\nModuleMode=emulator\n"),                "", "",     500,        "500",   "emulator", "green", "green", 1},
    {"emulator",        QByteArray("[Global]\nModuleMode=Emulator\n"),                "", "",     500,        "500",   "Emulator", "green", "green", 0},
    {"open refused",    std::nullopt,                                                 "", "open", 500,        "500",   "Normal",   "green", "red",   1},
    {"search fault",    std::nullopt, R"({"faults":{"search":-7}})",                      "",     500,        "500",   "Normal",   "gray",  "gray",  0},
    {"broken config",   std::nullopt, "{\"devices\": [",                                  "",     500,        "500",   "Normal",   "gray",  "gray",  0},
};
// clang-format on

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<StderrCapture> err; // the searches' diagnostics
    TestModule* module = nullptr;

    MainWindow* newWindow(const QStringList& failing = {}) {
        return new MainWindow(nullptr, [this, failing](PassFeed*) {
            module = new TestModule;
            module->quietQueries = true;
            module->failing = failing;
            return module;
        });
    }
    int opens() const { return module->calls().count(QStringLiteral("open 192.0.2.11")); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()) && !writeSimConfig(*dir, devices).isEmpty());
        err = std::make_unique<StderrCapture>(dir->filePath(QStringLiteral("stderr.txt")));
    }
    void cleanup() { err.reset(); }

    // Group "Global" as read at start-up and written back, whatever the file
    // holds; the LEDs and the first device after the first search; a failed
    // search leaves the window usable for the next Update.
    void startup_data() { addRows(startups); }
    void startup() {
        const Startup& s = fetchRow(startups);
        QVERIFY(!s.ini || writeFile(QStringLiteral("vernier.ini"), *s.ini));
        const int period = s.period != readPeriod
                               ? s.period
                               : QSettings(QStringLiteral("vernier.ini"), QSettings::IniFormat)
                                     .value("Global/DisplayUpdateMs")
                                     .toInt();
        QVERIFY(!*s.config || !writeSimConfig(*dir, s.config).isEmpty());

        std::unique_ptr<MainWindow> w(
            newWindow(QString::fromLatin1(s.failing).split(' ', Qt::SkipEmptyParts)));
        QCOMPARE(module->calls().mid(0, 2),
                 (QStringList{"setParameter Период отображения " + QString::number(period), "loadSettings"}));
        QVERIFY(!s.storedMs || stored("Global/DisplayUpdateMs") == QLatin1String(s.storedMs));
        QVERIFY(!s.storedMode || stored("Global/ModuleMode") == QLatin1String(s.storedMode));
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(led(w.get(), "labelCrateLed"), QLatin1String(s.crateLed), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(led(w.get(), "labelModuleLed"), QLatin1String(s.moduleLed), 20000);
        auto* crates = w->findChild<QComboBox*>("comboBoxCrate");
        const bool found = QLatin1String(s.crateLed) == "green";
        QCOMPARE(crates->count(), found ? 2 : 0);
        QCOMPARE(opens(), s.opens);
        QCOMPARE(w->findChild<QWidget*>("widgetModuleControls")->isEnabled(),
                 found && QLatin1String(s.moduleLed) == "green");
        if (!found) {
            QVERIFY(!writeSimConfig(*dir, devices).isEmpty());
            w->findChild<QPushButton*>("pushButtonUpdate")->click();
            QTRY_COMPARE_WITH_TIMEOUT(opens(), 1, 20000);
            QCOMPARE(crates->count(), 2);
        }
    }

    // After start-up: what is hidden and shown, the title and the start-up
    // banner, the slot of the first device; another device releases the
    // first before it is opened.
    void shownAndChosen() {
        std::unique_ptr<MainWindow> w(newWindow());
        QStringList status;
        for (QLabel* label : w->statusBar()->findChildren<QLabel*>())
            status << label->text();
        QVERIFY2(!status.filter(QRegularExpression(R"(^Запуск программы \d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d$)"))
                      .isEmpty(),
                 qPrintable(status.join('|')));
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(opens(), 1, 20000);
        for (const char* name :
             {"labelModule", "labelModuleLed", "comboBoxSlot", "widgetMultimeterConnection",
              "widgetGeneratorConnection", "groupBoxMultimeter", "groupBoxGenerator"})
            QVERIFY2(w->centralWidget()->findChild<QWidget*>(name)->isHidden(), name); // not the dialog's
        for (const char* name : {"pushButtonUpdate", "pushButtonOptions", "labelCrateLed", "comboBoxCrate",
                                 "widgetModuleInfo", "widgetModuleSettings", "widgetModuleControls"})
            QVERIFY2(w->findChild<QWidget*>(name)->isVisible(), name);
        auto* tabs = w->findChild<QTabWidget*>("tabWidget");
        QVERIFY(tabs->count() == 1 && !tabs->tabBar()->isVisible() &&
                !w->findChild<QWidget*>("widgetModuleReport")->isVisible());
        auto* slotBox = w->findChild<QComboBox*>("comboBoxSlot");
        QCOMPARE(slotBox->itemText(0), QStringLiteral("Слот 0 - 192.0.2.11"));
        module->quietQueries = false;
        module->clearCalls();
        w->findChild<QComboBox*>("comboBoxCrate")->setCurrentIndex(1);
        QCOMPARE(module->calls().join(", "),
                 QStringLiteral("isOpened, isRunning, stop, close, isOpened, open 192.0.2.12, start 0"));
        QCOMPARE(slotBox->itemText(0), QStringLiteral("Слот 0 - 192.0.2.12"));
    }

    // Two quick Update clicks make one search, also when the second reaches
    // the slot past the disabled button; a later click a second one (had the
    // double click made two, there would be four by then).  The device in
    // use is not reopened by any of them.
    void twoQuickUpdateClicksOneSearch() {
        std::unique_ptr<MainWindow> w(newWindow());
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(opens(), 1, 20000);
        auto* update = w->findChild<QPushButton*>("pushButtonUpdate");
        QTRY_VERIFY_WITH_TIMEOUT(update->isEnabled(), 20000);
        update->click();
        QVERIFY(!update->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(w.get(), "on_pushButtonUpdate_clicked"));
        QVERIFY(led(w.get(), "labelModuleLed") == "gray" &&
                !w->findChild<QWidget*>("widgetModuleControls")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(update->isEnabled(), 20000);
        QCOMPARE(led(w.get(), "labelModuleLed"), QStringLiteral("green"));
        update->click();
        QTRY_COMPARE_WITH_TIMEOUT(err->count("VRK_Search: err="), 3, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(update->isEnabled(), 20000);
        QCOMPARE(err->count("VRK_Search: err="), 3);
        QCOMPARE(opens(), 1);
    }

    // Closing waits for a search under way and chooses nothing any more, or
    // stops and closes the module in use; either way the window is disabled
    // and the driver deleted with the engine.
    void close_data() {
        QTest::addColumn<int>("searchMs");
        QTest::addColumn<QString>("calls");
        QTest::newRow("during the search") << 700 << "isOpened";
        QTest::newRow("module in use") << 5 << "isOpened, isRunning, stop, close";
    }
    void close() {
        QFETCH(int, searchMs);
        QVERIFY(!writeSimConfig(*dir,
                                QByteArray(devices).replace(":5,", ":" + QByteArray::number(searchMs) + ","))
                     .isEmpty());
        const int destroyedBefore = TestModule::destroyed;
        auto* w = newWindow();
        w->show();
        if (searchMs < 100)
            QTRY_COMPARE_WITH_TIMEOUT(opens(), 1, 20000);
        QCoreApplication::processEvents(); // the first search is asked for
        module->quietQueries = false;
        module->clearCalls();
        QVERIFY(w->close() && !w->isEnabled());
        QVERIFY(opens() == 0 && err->text().contains("VRK_Search: err=0 dev_qty=3\n"));
        QTEST(module->calls().join(", "), "calls");
        delete w;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // A driver whose stop never returns in time holds the close no longer
    // than its bound: the window reports its threads as not ended (the
    // program then ends without tearing them down).  Once the stop has
    // returned after all, the window can still be destroyed.
    void closeGivesUpOnStuckDriver() {
        const int destroyedBefore = TestModule::destroyed;
        auto* w = newWindow();
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(opens(), 1, 20000);
        module->stopDelayMs = MainWindow::engineStopWaitMs + 1500;
        // By the bound alone: the locale's codec may not be UTF-8 here.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(" %1 ").arg(MainWindow::engineStopWaitMs)));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(w->close());
        QVERIFY2(clock.elapsed() >= MainWindow::engineStopWaitMs - 100 &&
                     clock.elapsed() < 2 * MainWindow::engineStopWaitMs,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!w->threadsEnded());
        QTRY_VERIFY_WITH_TIMEOUT(module->calls().contains(QStringLiteral("close")), 10000);
        delete w;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // Accepted, an edited period reaches the driver and the file; cancelled,
    // nothing does, and the dialog shows the window's period again next time.
    // It keeps the size of its first showing.
    void optionsDialog_data() {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("calls");
        QTest::newRow("accepted") << true
                                  << "prepareOptions, setParameter Период отображения 1234, saveSettings";
        QTest::newRow("cancelled") << false << "prepareOptions";
    }
    void optionsDialog() {
        QFETCH(bool, accept);
        QFETCH(QString, calls);
        std::unique_ptr<MainWindow> w(newWindow());
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(led(w.get(), "labelModuleLed"), QStringLiteral("green"), 20000);
        QStringList seen;
        for (int showing = 0; showing < 2; ++showing) {
            module->clearCalls();
            QTimer::singleShot(0, w.get(), [&] {
                auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                auto* spin = d->findChild<QSpinBox*>(QStringLiteral("spinBoxDisplayPeriod"));
                seen << QString::number(spin->value()) +
                            (d->minimumSize() == d->maximumSize() ? " fixed" : "") +
                            (d->findChild<QWidget*>("widgetModuleOptions")->isEnabled() ? " module" : "") +
                            (d->findChild<QWidget*>("groupBoxAutotest")->isHidden() &&
                                     d->findChild<QWidget*>("groupBoxMultimeter")->isHidden()
                                 ? " hidden"
                                 : "");
                spin->setValue(1234);
                accept ? d->accept() : d->reject();
            });
            w->findChild<QPushButton*>("pushButtonOptions")->click();
            QCOMPARE(module->calls().join(", "), calls);
        }
        QCOMPARE(seen, (QStringList{"500 fixed module hidden",
                                    accept ? "1234 fixed module hidden" : "500 fixed module hidden"}));
        QCOMPARE(stored("Global/DisplayUpdateMs"), accept ? "1234" : "500");
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
