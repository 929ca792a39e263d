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

// Two "VRK11" at .11 and .12 beside a "VRK12" and a "VRK11X": names are
// compared whole.
const QByteArray devices =
    R"({"searchDelayMs":5,"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"1"},)"
    R"({"name":"VRK12","address":"192.0.2.20","serial":"2"},{"name":"VRK11X","address":"192.0.2.21","serial":"4"},)"
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
    const char* failing;    // the driver's failing call; "" none
    int period;             // handed to the driver
    const char* storedMs;   // DisplayUpdateMs after start-up; nullptr: not checked
    const char* storedMode; // ModuleMode after start-up
    const char* moduleLed;  // "gray": the search fails
    int opens;
};

// clang-format off
const Startup startups[] = {
    {"first run",       std::nullopt,                                                     "",     500, "500", "Normal",   "green", 1},
    {"not a number",    QByteArray("[Global]\nDisplayUpdateMs=abc\nModuleMode=Normal\n"), "",     0,   "abc", "Normal",   "green", 1},
    {"negative",        QByteArray("[Global]\nDisplayUpdateMs=-40\n"),                    "",     -40, "-40", "Normal",   "green", 1},
    {"binary bytes",    QByteArray("[Global]\nDisplayUpdateMs=\x01\xff\xfe\x7f\nModuleMode=\x80\x81\n\x00\x00[\xff\n", 40), "", 0, nullptr, nullptr, "green", 1},
    {"emulator, lower", QByteArray("[Global]\nModuleMode=emulator\n"),                    "",     500, "500", "emulator", "green", 1},
    {"emulator",        QByteArray("[Global]\nModuleMode=Emulator\n"),                    "",     500, "500", "Emulator", "green", 0},
    {"open refused",    std::nullopt,                                                     "open", 500, "500", "Normal",   "red",   1},
    {"search fails",    std::nullopt,                                                     "",     500, "500", "Normal",   "gray",  0},
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
        const bool found = QLatin1String(s.moduleLed) != "gray";
        QVERIFY(!s.ini || writeFile(QStringLiteral("vernier.ini"), *s.ini));
        QVERIFY(found || !writeSimConfig(*dir, R"({"faults":{"search":-7}})").isEmpty());
        std::unique_ptr<MainWindow> w(
            newWindow(QString::fromLatin1(s.failing).split(' ', Qt::SkipEmptyParts)));
        QCOMPARE(
            module->calls().mid(0, 2),
            (QStringList{"setParameter Период отображения " + QString::number(s.period), "loadSettings"}));
        QVERIFY(!s.storedMs || stored("Global/DisplayUpdateMs") == QLatin1String(s.storedMs));
        QVERIFY(!s.storedMode || stored("Global/ModuleMode") == QLatin1String(s.storedMode));
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(led(w.get(), "labelModuleLed"), QLatin1String(s.moduleLed), 20000);
        QCOMPARE(led(w.get(), "labelCrateLed"), found ? "green" : "gray");
        auto* crates = w->findChild<QComboBox*>("comboBoxCrate");
        QCOMPARE(crates->count(), found ? 2 : 0);
        QCOMPARE(opens(), s.opens);
        QCOMPARE(w->findChild<QWidget*>("widgetModuleControls")->isEnabled(),
                 QLatin1String(s.moduleLed) == "green");
        if (!found) {
            QVERIFY(!writeSimConfig(*dir, devices).isEmpty());
            w->findChild<QPushButton*>("pushButtonUpdate")->click();
            QTRY_COMPARE_WITH_TIMEOUT(opens(), 1, 20000);
            QCOMPARE(crates->count(), 2);
        }
    }

    // After start-up: what is hidden, the start-up banner, the slot of the
    // device in use.  Two quick Update clicks make one search, also when the
    // second reaches the slot past the disabled button; a later click a
    // second one (had the double click made two, there would be four by
    // then); none reopens the device in use.  In the options dialog,
    // cancelled, an edited period reaches neither the driver nor the file,
    // and the dialog shows the window's period again; accepted, it reaches
    // both; the dialog keeps the size of its first showing.
    void afterStartup() {
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
        auto* tabs = w->findChild<QTabWidget*>("tabWidget");
        QVERIFY(tabs->count() == 1 && !tabs->tabBar()->isVisible() &&
                !w->findChild<QWidget*>("widgetModuleReport")->isVisible());
        auto* slotBox = w->findChild<QComboBox*>("comboBoxSlot");
        QCOMPARE(slotBox->itemText(0), QStringLiteral("Слот 0 - 192.0.2.11"));

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
        QVERIFY(err->count("VRK_Search: err=") == 3 && opens() == 1);

        QStringList seen;
        for (const bool accept : {false, true, false}) {
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
            QCOMPARE(module->calls().join(", "),
                     accept ? "prepareOptions, setParameter Период отображения 1234, saveSettings"
                            : "prepareOptions");
            QCOMPARE(stored("Global/DisplayUpdateMs"), accept || seen.size() > 2 ? "1234" : "500");
        }
        QCOMPARE(seen, (QStringList{"500 fixed module hidden", "500 fixed module hidden",
                                    "1234 fixed module hidden"}));

        w->findChild<QComboBox*>("comboBoxCrate")->setCurrentIndex(1);
        QCOMPARE(slotBox->itemText(0), QStringLiteral("Слот 0 - 192.0.2.12"));
    }

    // Closing during a search waits for it and chooses nothing any more; the
    // window is disabled and the driver deleted with the engine.
    void closeDuringSearch() {
        QVERIFY(!writeSimConfig(*dir, QByteArray(devices).replace(":5,", ":700,")).isEmpty());
        const int destroyedBefore = TestModule::destroyed;
        auto* w = newWindow();
        w->show();
        QCoreApplication::processEvents(); // the first search is asked for
        module->quietQueries = false;
        module->clearCalls();
        QVERIFY(w->close() && !w->isEnabled());
        QVERIFY(err->text().contains("VRK_Search: err=0 dev_qty=4\n"));
        QCOMPARE(module->calls(), QStringList{"isOpened"});
        delete w;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // A driver whose stop never returns in time holds the close no longer
    // than its bound: the window reports its threads as not ended (the
    // program then ends without tearing them down).  Once the stop has
    // returned after all, the driver is closed and the window destroyed.
    void closeGivesUpOnStuckDriver() {
        const int destroyedBefore = TestModule::destroyed;
        auto* w = newWindow();
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(opens(), 1, 20000);
        module->stuck = true;
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
        module->stuck = false;
        QTRY_VERIFY_WITH_TIMEOUT(module->calls().endsWith(QStringLiteral("close")), 10000);
        delete w;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
