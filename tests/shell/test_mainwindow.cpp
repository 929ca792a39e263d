// The main window with a recording test driver against the simulated device
// library: start-up with what vernier.ini holds, the options dialog, error
// boxes, Update and closing.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "log_handler.h"
#include "mainwindow.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_module.h"

namespace {

// "VRK11" at .11 and .12 beside a "VRK12"; realtime, searched in `ms`.
QByteArray devices(int ms) {
    return "{\"searchDelayMs\":" + QByteArray::number(ms) +
           R"(,"devices":[)"
           R"({"name":"VRK11","address":"192.0.2.11","serial":"SIM-0001"},)"
           R"({"name":"VRK12","address":"192.0.2.20","serial":"SIM-0009"},)"
           R"({"name":"VRK11","address":"192.0.2.12","serial":"SIM-0002"}]})";
}

// "green", "red" or "gray": the LED a label shows.
QString led(QWidget* window, const char* name) {
    const auto image = [](const QImage& i) { return i.convertToFormat(QImage::Format_ARGB32_Premultiplied); };
    const QImage shown = image(window->findChild<QLabel*>(name)->pixmap(Qt::ReturnByValue).toImage());
    for (const char* colour : {"green", "red", "gray"})
        if (shown == image(QImage(QStringLiteral(":/icons/bullet_%1.png").arg(colour))))
            return QString::fromLatin1(colour);
    return QStringLiteral("none");
}

// Calls `handle` for every visible dialog while it lives, from a timer, so
// that a modal exec never hangs.
class DialogCloser : public QObject {
public:
    explicit DialogCloser(std::function<void(QDialog*)> handle) {
        connect(&timer, &QTimer::timeout, this, [handle] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                    handle(dialog);
        });
        timer.start(20);
    }

private:
    QTimer timer;
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<StderrCapture> err;
    QString previousDir;
    TestModule* module = nullptr;
    QStringList failing;

    MainWindow* newWindow() {
        return new MainWindow(nullptr, [this](PassFeed*) {
            module = new TestModule;
            module->quietQueries = true;
            module->failing = failing;
            return module;
        });
    }
    int opens() const { return module ? module->calls().count(QStringLiteral("open 192.0.2.11")) : 0; }
    static QString stored(const char* key) {
        return QSettings(QStringLiteral("vernier.ini"), QSettings::IniFormat).value(key).toString();
    }
    // A window whose first search has chosen the first device.
    MainWindow* startWindow() {
        MainWindow* w = newWindow();
        w->show();
        auto* crates = w->findChild<QComboBox*>("comboBoxCrate");
        if (!QTest::qWaitFor([&] { return crates->count() == 2 && opens() == 1; }, 20000))
            qWarning("the first search did not answer");
        return w;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir->path()));
        QVERIFY(!writeSimConfig(*dir, devices(5)).isEmpty());
        err = std::make_unique<StderrCapture>(dir->filePath(QStringLiteral("stderr.txt")));
        module = nullptr;
        failing.clear();
    }
    void cleanup() {
        err.reset();
        setLogMainWindow(nullptr);
        QDir::setCurrent(previousDir);
    }

    // Group "Global" as read at start-up and written back, whatever the file
    // holds; the crate list and LEDs after the first search; a failed search
    // leaves the window usable for the next Update.
    void startup_data() {
        QTest::addColumn<QByteArray>("ini");    // "-": no file
        QTest::addColumn<QByteArray>("config"); // empty: two VRK11 found
        QTest::addColumn<QString>("failing");   // the driver's failing call
        QTest::addColumn<QString>("period");    // handed to the driver; empty: what QSettings reads
        QTest::addColumn<QString>(
            "words"); // DisplayUpdateMs and ModuleMode after start-up; empty: not checked
        QTest::addColumn<QString>("leds"); // crate and module LEDs
        QTest::addColumn<int>("opens");
        // clang-format off
        QTest::newRow("first run")       << QByteArray("-") << QByteArray() << "" << "500" << "500 Normal" << "green green" << 1;
        QTest::newRow("fifty")           << QByteArray("[Global]\nDisplayUpdateMs=50\n") << QByteArray() << "" << "50" << "50 Normal" << "green green" << 1;
        QTest::newRow("not a number")    << QByteArray("[Global]\nDisplayUpdateMs=abc\nModuleMode=Normal\n") << QByteArray() << "" << "0" << "abc Normal" << "green green" << 1;
        QTest::newRow("huge number")     << QByteArray("[Global]\nDisplayUpdateMs=99999999999999999999\n") << QByteArray() << "" << "0" << "99999999999999999999 Normal" << "green green" << 1;
        QTest::newRow("negative")        << QByteArray("[Global]\nDisplayUpdateMs=-40\n") << QByteArray() << "" << "-40" << "-40 Normal" << "green green" << 1;
        QTest::newRow("binary bytes")    << QByteArray("[Global]\nDisplayUpdateMs=\x01\xff\xfe\x7f\nModuleMode=\x80\x81\n\x00\x00[\xff\n", 40) << QByteArray() << "" << "0" << "" << "green green" << 1;
        QTest::newRow("missing group")   << QByteArray("[Other]\nKey=1\n") << QByteArray() << "" << "500" << "500 Normal" << "green green" << 1;
        QTest::newRow("duplicate key")   << QByteArray("[Global]\nDisplayUpdateMs=300\nDisplayUpdateMs=700\n") << QByteArray() << "" << "" << "" << "green green" << 1;
        QTest::newRow("emulator, lower") << QByteArray("[Global]\nModuleMode=emulator\n") << QByteArray() << "" << "500" << "500 emulator" << "green green" << 1;
        QTest::newRow("emulator")        << QByteArray("[Global]\nModuleMode=Emulator\n") << QByteArray() << "" << "500" << "500 Emulator" << "green green" << 0;
        QTest::newRow("open refused")    << QByteArray("-") << QByteArray() << "open" << "500" << "500 Normal" << "green red" << 1;
        QTest::newRow("search fault")    << QByteArray("-") << QByteArray(R"({"searchDelayMs":5,"faults":{"search":-7}})") << "" << "500" << "500 Normal" << "gray gray" << 0;
        QTest::newRow("broken config")   << QByteArray("-") << QByteArray("{\"devices\": [") << "" << "500" << "500 Normal" << "gray gray" << 0;
        // clang-format on
    }
    void startup() {
        QFETCH(QByteArray, ini);
        QFETCH(QByteArray, config);
        QFETCH(QString, period);
        QFETCH(QString, words);
        QFETCH(QString, leds);
        QFETCH(int, opens);
        QFETCH(QString, failing);
        this->failing = failing.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QFile file(QStringLiteral("vernier.ini"));
        QVERIFY(ini == "-" || (file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size()));
        file.close();
        if (period.isEmpty())
            period = QString::number(
                QSettings(file.fileName(), QSettings::IniFormat).value("Global/DisplayUpdateMs").toInt());
        if (!config.isEmpty())
            QVERIFY(!writeSimConfig(*dir, config).isEmpty());

        std::unique_ptr<MainWindow> w(newWindow());
        QCOMPARE(module->calls().mid(0, 2),
                 (QStringList{"setParameter Период отображения " + period, "loadSettings"}));
        if (!words.isEmpty())
            QCOMPARE(stored("Global/DisplayUpdateMs") + ' ' + stored("Global/ModuleMode"), words);
        w->show();
        auto* crates = w->findChild<QComboBox*>("comboBoxCrate");
        QTRY_VERIFY_WITH_TIMEOUT(err->text().contains("VRK_Search: err="), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(led(w.get(), "labelCrateLed") + ' ' + led(w.get(), "labelModuleLed"), leds,
                                  20000);
        QCOMPARE(crates->count(), leds.startsWith("green") ? 2 : 0);
        QCOMPARE(this->opens(), opens);
        QCOMPARE(w->findChild<QWidget*>("widgetModuleControls")->isEnabled(), leds == "green green");
        if (crates->count() == 0) {
            QVERIFY(!writeSimConfig(*dir, devices(5)).isEmpty());
            w->findChild<QPushButton*>("pushButtonUpdate")->click();
            QTRY_COMPARE_WITH_TIMEOUT(this->opens(), 1, 20000);
            QCOMPARE(crates->count(), 2);
        }
    }

    // Accepted, an edited period reaches the driver and the file; cancelled,
    // nothing does, and the dialog shows the window's period again next time.
    // It keeps the size of its first showing.
    void optionsDialog_data() {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted") << true;
        QTest::newRow("cancelled") << false;
    }
    void optionsDialog() {
        QFETCH(bool, accept);
        std::unique_ptr<MainWindow> w(startWindow());
        module->clearCalls();
        QList<int> seen;
        bool fixedSize = true;
        DialogCloser closer([&](QDialog* d) {
            auto* spin = d->findChild<QSpinBox*>(QStringLiteral("spinBoxDisplayPeriod"));
            seen << spin->value();
            fixedSize = fixedSize && d->minimumSize() == d->size() && d->maximumSize() == d->size() &&
                        d->findChild<QWidget*>("widgetModuleOptions")->isEnabled();
            spin->setValue(1234);
            accept ? d->accept() : d->reject();
        });
        auto* button = w->findChild<QPushButton*>("pushButtonOptions");
        button->click();
        button->click();
        QCOMPARE(seen, (QList<int>{500, accept ? 1234 : 500}));
        QVERIFY(fixedSize);
        QCOMPARE(module->calls().join(", "),
                 accept
                     ? "prepareOptions, setParameter Период отображения 1234, saveSettings, prepareOptions, "
                       "setParameter Период отображения 1234, saveSettings"
                     : "prepareOptions, prepareOptions");
        QCOMPARE(stored("Global/DisplayUpdateMs"), accept ? "1234" : "500");
    }

    // A critical message from another thread ends as one error box.
    void criticalFromWorkerShowsOneBox() {
        std::unique_ptr<MainWindow> w(startWindow());
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        QtMessageHandler testHandler = qInstallMessageHandler(logMessageHandler);
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
        QTRY_COMPARE_WITH_TIMEOUT(boxes, QStringList{"Ошибка|Сбой приёма"}, 20000);
        QCoreApplication::processEvents();
        qInstallMessageHandler(testHandler);
        QCOMPARE(boxes.size(), 1);
    }

    // Two quick clicks make one search.  A third click later makes a second
    // search; had the double click made two, there would be four by then.
    void twoQuickUpdateClicksOneSearch() {
        std::unique_ptr<MainWindow> w(startWindow());
        auto* update = w->findChild<QPushButton*>("pushButtonUpdate");
        update->click();
        update->click();
        QCOMPARE(led(w.get(), "labelModuleLed"), QStringLiteral("gray"));
        QTRY_COMPARE_WITH_TIMEOUT(opens(), 2, 20000);
        update->click();
        QTRY_COMPARE_WITH_TIMEOUT(opens(), 3, 20000);
        QCOMPARE(err->count("VRK_Search: err="), 3);
    }

    // Closing waits for a search under way and chooses nothing any more, or
    // stops and closes the module in use; the settings are written and the
    // driver deleted.
    void close_data() {
        QTest::addColumn<int>("searchMs");
        QTest::addColumn<QString>("calls");
        QTest::newRow("during the search") << 700 << "isOpened";
        QTest::newRow("module in use") << 5 << "isOpened, isRunning, stop, close";
    }
    void close() {
        QFETCH(int, searchMs);
        QFETCH(QString, calls);
        QVERIFY(!writeSimConfig(*dir, devices(searchMs)).isEmpty());
        const int destroyedBefore = TestModule::destroyed;
        MainWindow* w = searchMs > 100 ? newWindow() : startWindow();
        w->show();
        QCoreApplication::processEvents(); // the first search is asked for
        module->quietQueries = false;
        module->clearCalls();
        QVERIFY(w->close());
        QVERIFY(err->text().contains("VRK_Search: err=0 dev_qty=3\n"));
        QCOMPARE(module->calls().join(", "), calls);
        QCOMPARE(stored("Global/DisplayUpdateMs"), QStringLiteral("500"));
        delete w;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
