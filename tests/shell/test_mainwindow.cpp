// The main window with a recording test driver against the simulated device
// library: start-up, device choice, LEDs, Update, error boxes, options
// dialog, settings values, files that cannot be written, and shutdown.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_module.h"
#include "version.h"

namespace {

const QByteArray threeDevices = "{\"searchDelayMs\":%1,\"realtime\":true,\"seed\":1,\"devices\":["
                                "{\"name\":\"VRK11\",\"address\":\"192.0.2.11\",\"serial\":\"SIM-0001\"},"
                                "{\"name\":\"VRK12\",\"address\":\"192.0.2.20\",\"serial\":\"SIM-0009\"},"
                                "{\"name\":\"VRK11\",\"address\":\"192.0.2.12\",\"serial\":\"SIM-0002\"}]}";

QByteArray devicesWithDelay(int ms) {
    QByteArray text = threeDevices;
    return text.replace("%1", QByteArray::number(ms));
}

bool sameImage(const QLabel* label, const char* resource) {
    const QPixmap pixmap = label->pixmap(Qt::ReturnByValue);
    if (pixmap.isNull())
        return false;
    const QImage shown = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage wanted =
        QImage(QString::fromLatin1(resource)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return !wanted.isNull() && shown == wanted;
}

} // namespace

// Calls `handle` for every visible dialog (message boxes included) that
// appears while it lives, from a timer, so that a modal exec never hangs.
class DialogCloser : public QObject {
public:
    explicit DialogCloser(std::function<void(QDialog*)> handler) : handle(std::move(handler)) {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (dialog && dialog->isVisible())
                    handle(dialog);
            }
        });
        timer.start();
    }

private:
    std::function<void(QDialog*)> handle;
    QTimer timer;
};

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<StderrCapture> err;
    QString previousDir;
    TestModule* module = nullptr;
    // QtTest's own message handler while a test has put the program's in.
    QtMessageHandler testHandler = nullptr;

    void useConfig(const QByteArray& text) { QVERIFY(!writeSimConfig(*dir, text).isEmpty()); }

    MainWindow* newWindow() {
        return new MainWindow(nullptr, [this](PassFeed*) {
            module = new TestModule;
            module->quietQueries = true;
            return module;
        });
    }

    template <typename T> static T* child(QWidget* w, const char* name) {
        return w->findChild<T*>(QString::fromLatin1(name));
    }

    int callCount(const QString& call) const { return module ? module->calls().count(call) : 0; }

    // Starts a window and waits until the first search has chosen a device.
    MainWindow* startWindow() {
        MainWindow* w = newWindow();
        w->show();
        auto* crates = child<QComboBox>(w, "comboBoxCrate");
        if (!QTest::qWaitFor([&] { return crates->count() == 2 && callCount("open 192.0.2.11") == 1; },
                             20000))
            qWarning("the first search did not answer");
        return w;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir->path()));
        useConfig(devicesWithDelay(5));
        err = std::make_unique<StderrCapture>(dir->filePath(QStringLiteral("stderr.txt")));
        module = nullptr;
    }
    void cleanup() {
        err.reset();
        if (testHandler) {
            qInstallMessageHandler(testHandler);
            testHandler = nullptr;
        }
        setLogMainWindow(nullptr);
        QDir::setCurrent(previousDir);
        dir.reset();
    }

    // After start-up: what is shown and hidden, the first crate in use.
    void startup() {
        std::unique_ptr<MainWindow> w(startWindow());
        auto* crates = child<QComboBox>(w.get(), "comboBoxCrate");
        QCOMPARE(crates->count(), 2);
        QCOMPARE(crates->itemText(0), QStringLiteral("192.0.2.11"));
        QCOMPARE(crates->itemText(1), QStringLiteral("192.0.2.12"));
        QCOMPARE(crates->currentIndex(), 0);
        auto* slotBox = child<QComboBox>(w.get(), "comboBoxSlot");
        QCOMPARE(slotBox->count(), 1);
        QCOMPARE(slotBox->itemText(0), QStringLiteral("Слот 0 - 192.0.2.11"));
        QVERIFY(slotBox->isHidden());
        QVERIFY(sameImage(child<QLabel>(w.get(), "labelCrateLed"), ":/icons/bullet_green.png"));
        QVERIFY(sameImage(child<QLabel>(w.get(), "labelModuleLed"), ":/icons/bullet_green.png"));
        QVERIFY(child<QWidget>(w.get(), "widgetModuleSettings")->isEnabled());
        QVERIFY(child<QWidget>(w.get(), "widgetModuleControls")->isEnabled());
        QVERIFY(child<QWidget>(w.get(), "widgetModuleOptions")->isEnabled());
        const QStringList calls = module->calls();
        QVERIFY(calls.indexOf("createWidgets") < calls.indexOf("open 192.0.2.11"));
        QCOMPARE(calls.mid(calls.indexOf("open 192.0.2.11"), 2), (QStringList{"open 192.0.2.11", "start 0"}));

        QCOMPARE(w->windowTitle(), QString::fromLatin1(versionString));
        QCOMPARE(child<QLabel>(w.get(), "labelCrate")->text(), QStringLiteral("Прибор"));
        for (const char* hidden :
             {"labelModule", "labelModuleLed", "comboBoxSlot", "widgetMultimeterConnection",
              "widgetGeneratorConnection", "groupBoxMultimeter", "groupBoxGenerator"})
            QVERIFY2(child<QWidget>(w.get(), hidden)->isHidden(), hidden);
        for (const char* shown : {"pushButtonUpdate", "pushButtonOptions", "labelCrateLed", "comboBoxCrate",
                                  "widgetModuleInfo", "widgetModuleSettings", "widgetModuleControls"})
            QVERIFY2(child<QWidget>(w.get(), shown)->isVisible(), shown);
        auto* tabs = child<QTabWidget>(w.get(), "tabWidget");
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tabManual"));
        QVERIFY(!tabs->tabBar()->isVisible());
        QVERIFY(!child<QWidget>(w.get(), "widgetModuleReport")->isVisible());
        QVERIFY(w->actions().contains(child<QAction>(w.get(), "actionListGet")));
        QCOMPARE(child<QAction>(w.get(), "actionListPut")->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+Shift+V")));
        const QList<QLabel*> status = w->statusBar()->findChildren<QLabel*>();
        bool banner = false;
        for (QLabel* l : status)
            banner = banner || l->text().contains(QRegularExpression(
                                   QStringLiteral(R"(^Запуск программы \d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d$)")));
        QVERIFY(banner);
    }

    // Two quick clicks: one search.  A third click later makes a second
    // search; had the double click made two, there would be four by then.
    void twoQuickUpdateClicksOneSearch() {
        std::unique_ptr<MainWindow> w(startWindow());
        auto* update = child<QPushButton>(w.get(), "pushButtonUpdate");
        QTRY_COMPARE_WITH_TIMEOUT(err->count("VRK_Search: err="), 1, 20000);
        update->click();
        update->click();
        QVERIFY(sameImage(child<QLabel>(w.get(), "labelModuleLed"), ":/icons/bullet_gray.png"));
        QVERIFY(!child<QWidget>(w.get(), "widgetModuleControls")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(callCount("open 192.0.2.11"), 2, 20000);
        QVERIFY(child<QWidget>(w.get(), "widgetModuleControls")->isEnabled());
        update->click();
        QTRY_COMPARE_WITH_TIMEOUT(callCount("open 192.0.2.11"), 3, 20000);
        QCOMPARE(err->count("VRK_Search: err="), 3);
    }

    // A failed search leaves the box empty and the window usable: the next
    // Update with a good configuration finds the devices.
    void failedSearchKeepsWindowUsable_data() {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("diagnostic");
        QTest::newRow("search fault")
            << QByteArray("{\"searchDelayMs\":5,\"faults\":{\"search\":-7},\"devices\":[]}")
            << QStringLiteral(R"(VRK_Search: err=-7 dev_qty=\d+\n)");
        QTest::newRow("broken config")
            << QByteArray("{\"devices\": [") << QStringLiteral(R"(VRK_Search: err=-\d+ )");
    }
    void failedSearchKeepsWindowUsable() {
        QFETCH(QByteArray, config);
        QFETCH(QString, diagnostic);
        useConfig(config);
        std::unique_ptr<MainWindow> w(newWindow());
        w->show();
        QTRY_VERIFY_WITH_TIMEOUT(QString::fromLatin1(err->text()).contains(QRegularExpression(diagnostic)),
                                 20000);
        auto* crates = child<QComboBox>(w.get(), "comboBoxCrate");
        QCoreApplication::processEvents();
        QCOMPARE(crates->count(), 0);
        QVERIFY(sameImage(child<QLabel>(w.get(), "labelCrateLed"), ":/icons/bullet_gray.png"));
        QVERIFY(!child<QWidget>(w.get(), "widgetModuleControls")->isEnabled());

        useConfig(devicesWithDelay(5));
        child<QPushButton>(w.get(), "pushButtonUpdate")->click();
        QTRY_COMPARE_WITH_TIMEOUT(crates->count(), 2, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(callCount("open 192.0.2.11"), 1, 20000);
    }

    // Choosing another device releases the module in use before the new
    // one is opened.
    void otherDeviceReleasesFirst() {
        std::unique_ptr<MainWindow> w(startWindow());
        module->quietQueries = false;
        module->clearCalls();
        child<QComboBox>(w.get(), "comboBoxCrate")->setCurrentIndex(1);
        QCOMPARE(module->calls(), (QStringList{"isOpened", "isRunning", "stop", "close", "isOpened",
                                               "open 192.0.2.12", "start 0"}));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxSlot")->itemText(0),
                 QStringLiteral("Слот 0 - 192.0.2.12"));
    }

    void refusedModuleShowsRed() {
        std::unique_ptr<MainWindow> w(newWindow());
        TestModule::Results refuse;
        refuse.open = false;
        module->setResults(refuse);
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(callCount("open 192.0.2.11"), 1, 20000);
        QVERIFY(sameImage(child<QLabel>(w.get(), "labelCrateLed"), ":/icons/bullet_green.png"));
        QVERIFY(sameImage(child<QLabel>(w.get(), "labelModuleLed"), ":/icons/bullet_red.png"));
        QVERIFY(!child<QWidget>(w.get(), "widgetModuleSettings")->isEnabled());
        QVERIFY(!child<QWidget>(w.get(), "widgetModuleOptions")->isEnabled());
    }

    // A critical message from another thread ends as one error box.
    void criticalFromWorkerShowsOneBox() {
        std::unique_ptr<MainWindow> w(startWindow());
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        testHandler = qInstallMessageHandler(logMessageHandler);
        setLogMainWindow(w.get());
        QStringList boxes;
        DialogCloser closer([&boxes](QDialog* d) {
            if (auto* box = qobject_cast<QMessageBox*>(d)) {
                boxes << box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        });
        QThread* worker = QThread::create([] { qCritical("%s", "Сбой приёма"); });
        worker->start();
        QVERIFY(worker->wait(20000));
        delete worker;
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, 20000);
        QCOMPARE(boxes.first(), QStringLiteral("Ошибка|Сбой приёма"));
        QCoreApplication::processEvents();
        QCOMPARE(boxes.size(), 1);
        setLogMainWindow(nullptr);
    }

    // Closing while a search runs waits for it, chooses nothing any more,
    // stops the engine and writes the settings.
    void closeDuringSearch() {
        useConfig(devicesWithDelay(700));
        const int destroyedBefore = TestModule::destroyed;
        auto* w = newWindow();
        w->show();
        QCoreApplication::processEvents(); // the first search is now asked for
        QVERIFY(w->close());
        QVERIFY(err->text().contains("VRK_Search: err=0 dev_qty=3\n"));
        QCOMPARE(callCount("open 192.0.2.11"), 0);
        QVERIFY(!w->isEnabled());
        QSettings ini(QStringLiteral("vernier.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Global/DisplayUpdateMs")).toString(), QStringLiteral("500"));
        delete w;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // Closing with a module in use stops and closes it in the engine thread.
    void closeStopsModule() {
        auto* w = startWindow();
        module->quietQueries = false;
        module->clearCalls();
        QVERIFY(w->close());
        QCOMPARE(module->calls(), (QStringList{"isOpened", "isRunning", "stop", "close"}));
        QVERIFY(module->thread()->isFinished());
        delete w;
    }

    // The real driver: opened on the first device, acquiring, then closed
    // with the window; the driver's keys reach vernier.ini on the way out.
    void realDriverRunsAndCloses() {
        auto* w = new MainWindow(nullptr, createDefaultModule);
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(child<QComboBox>(w, "comboBoxCrate")->count(), 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(sameImage(child<QLabel>(w, "labelModuleLed"), ":/icons/bullet_green.png"),
                                 20000);
        QVERIFY(child<QWidget>(w, "widgetModuleControls")->isEnabled());
        child<QComboBox>(w, "comboBoxCrate")->setCurrentIndex(1);
        QVERIFY(sameImage(child<QLabel>(w, "labelModuleLed"), ":/icons/bullet_green.png"));
        QVERIFY(w->close());
        delete w;
        QSettings ini(QStringLiteral("vernier.ini"), QSettings::IniFormat);
        QVERIFY(ini.childGroups().contains(QStringLiteral("MDX11")));
        QCOMPARE(ini.value(QStringLiteral("Global/ModuleMode")).toString(), QStringLiteral("Normal"));
    }

    // Group "Global" as read at start-up, whatever the file holds.
    void settingsValues_data() {
        QTest::addColumn<QByteArray>("ini"); // "-": no file
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("emulator");
        QTest::addColumn<QString>("storedPeriod");
        QTest::addColumn<QString>("storedMode");

        QTest::newRow("no file") << QByteArray("-") << "500" << false << "500"
                                 << "Normal";
        QTest::newRow("fifty") << QByteArray("[Global]\nDisplayUpdateMs=50\n") << "50" << false << "50"
                               << "Normal";
        QTest::newRow("not a number")
            << QByteArray("[Global]\nDisplayUpdateMs=abc\nModuleMode=Normal\n") << "0" << false << "abc"
            << "Normal";
        QTest::newRow("huge number") << QByteArray("[Global]\nDisplayUpdateMs=99999999999999999999\n") << "0"
                                     << false << "99999999999999999999"
                                     << "Normal";
        QTest::newRow("negative") << QByteArray("[Global]\nDisplayUpdateMs=-40\n") << "-40" << false << "-40"
                                  << "Normal";
        QTest::newRow("binary bytes")
            << QByteArray("[Global]\nDisplayUpdateMs=\x01\xff\xfe\x7f\nModuleMode=\x80\x81"
                          "\n\x00\x00[\xff\n",
                          40)
            << "0" << false << ""
            << "";
        QTest::newRow("missing group") << QByteArray("[Other]\nKey=1\n") << "500" << false << "500"
                                       << "Normal";
        QTest::newRow("duplicate key")
            << QByteArray("[Global]\nDisplayUpdateMs=300\nDisplayUpdateMs=700\n") << "" << false << ""
            << "Normal";
        QTest::newRow("emulator, lower case")
            << QByteArray("[Global]\nModuleMode=emulator\n") << "500" << false << "500"
            << "emulator";
        QTest::newRow("emulator") << QByteArray("[Global]\nModuleMode=Emulator\n") << "500" << true << "500"
                                  << "Emulator";
    }
    void settingsValues() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, period);
        QFETCH(bool, emulator);
        QFETCH(QString, storedPeriod);
        QFETCH(QString, storedMode);
        if (ini != "-") {
            QFile f(QStringLiteral("vernier.ini"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ini);
        }
        // Where a value is left open above, the window must pass on what
        // the settings class itself reads from the file.
        if (period.isEmpty())
            period = QString::number(QSettings(QStringLiteral("vernier.ini"), QSettings::IniFormat)
                                         .value(QStringLiteral("Global/DisplayUpdateMs"))
                                         .toInt());

        std::unique_ptr<MainWindow> w(newWindow());
        const QStringList calls = module->calls();
        QVERIFY(!calls.isEmpty());
        QCOMPARE(calls.first(), QStringLiteral("setParameter Период отображения ") + period);
        QCOMPARE(calls.at(1), QStringLiteral("loadSettings"));
        {
            QSettings file(QStringLiteral("vernier.ini"), QSettings::IniFormat);
            if (!storedPeriod.isEmpty())
                QCOMPARE(file.value(QStringLiteral("Global/DisplayUpdateMs")).toString(), storedPeriod);
            if (!storedMode.isEmpty())
                QCOMPARE(file.value(QStringLiteral("Global/ModuleMode")).toString(), storedMode);
        }

        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(child<QComboBox>(w.get(), "comboBoxCrate")->count(), 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(child<QWidget>(w.get(), "widgetModuleControls")->isEnabled(), 20000);
        QCOMPARE(callCount("open 192.0.2.11"), emulator ? 0 : 1);
        QVERIFY(sameImage(child<QLabel>(w.get(), "labelModuleLed"), ":/icons/bullet_green.png"));
        QVERIFY(w->close());
    }

    // The options dialog: shows the period clamped to 100..2000, stores it
    // only when accepted, keeps the size of its first showing.
    void optionsDialog_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("after");
        QTest::newRow("50, accepted") << 50 << true << 100 << 100;
        QTest::newRow("5000, cancelled") << 5000 << false << 2000 << 5000;
        QTest::newRow("700, accepted") << 700 << true << 700 << 700;
        QTest::newRow("5000, accepted") << 5000 << true << 2000 << 2000;
    }
    void optionsDialog() {
        QFETCH(int, stored);
        QFETCH(bool, accept);
        QFETCH(int, shown);
        QFETCH(int, after);
        {
            QSettings ini(QStringLiteral("vernier.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Global/DisplayUpdateMs"), stored);
        }
        std::unique_ptr<MainWindow> w(startWindow());
        module->clearCalls();

        QList<int> seen;
        QString title;
        bool fixedSize = false;
        bool moduleOptionsEnabled = false;
        bool groupsHidden = false;
        DialogCloser closer([&](QDialog* d) {
            if (d->objectName() != QLatin1String("Options"))
                return;
            seen << d->findChild<QSpinBox*>(QStringLiteral("spinBoxDisplayPeriod"))->value();
            title = d->windowTitle();
            fixedSize = d->minimumSize() == d->size() && d->maximumSize() == d->size();
            moduleOptionsEnabled = d->findChild<QWidget*>(QStringLiteral("widgetModuleOptions"))->isEnabled();
            groupsHidden = d->findChild<QWidget*>(QStringLiteral("groupBoxAutotest"))->isHidden() &&
                           d->findChild<QWidget*>(QStringLiteral("groupBoxMultimeter"))->isHidden();
            accept ? d->accept() : d->reject();
        });
        child<QPushButton>(w.get(), "pushButtonOptions")->click();
        QCOMPARE(seen, QList<int>{shown});
        QCOMPARE(title, QStringLiteral("Настройки"));
        QVERIFY(fixedSize);
        QVERIFY(moduleOptionsEnabled);
        QVERIFY(groupsHidden);

        const QStringList calls = module->calls();
        QCOMPARE(calls.first(), QStringLiteral("prepareOptions"));
        if (accept)
            QCOMPARE(calls.mid(1),
                     (QStringList{QStringLiteral("setParameter Период отображения %1").arg(after),
                                  "saveSettings"}));
        else
            QCOMPARE(calls.size(), 1);
        QSettings ini(QStringLiteral("vernier.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Global/DisplayUpdateMs")).toInt(), after);

        // Shown again: the period the window now holds.
        seen.clear();
        child<QPushButton>(w.get(), "pushButtonOptions")->click();
        QCOMPARE(seen, QList<int>{accept ? after : shown});
    }

    // vernier.ini or vernier.log cannot be written: the program still
    // starts, runs and closes; the lines still reach standard error.
    void unwritableFiles_data() {
        QTest::addColumn<QString>("blocked");
        QTest::newRow("vernier.ini") << "vernier.ini";
        QTest::newRow("vernier.log") << "vernier.log";
    }
    void unwritableFiles() {
        QFETCH(QString, blocked);
        QVERIFY(QDir().mkdir(blocked)); // a directory where the file should be
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        testHandler = qInstallMessageHandler(logMessageHandler);
        auto* w = startWindow();
        QCOMPARE(child<QComboBox>(w, "comboBoxCrate")->count(), 2);
        QVERIFY(w->close());
        delete w;
        qInstallMessageHandler(testHandler);
        testHandler = nullptr;
        const QByteArray text = err->text();
        QVERIFY(text.contains("I] threadEngine id="));
        QVERIFY(text.contains(QStringLiteral("I] Завершение работы").toLocal8Bit()));
        QVERIFY(QFileInfo(blocked).isDir());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
