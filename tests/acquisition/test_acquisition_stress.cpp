// Restart storm and closing in every state of a run: no crash, no deadlock,
// no sanitizer report, and the readings follow the last configuration.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cmath>

#include "default_module.h"
#include "driver_harness.h"
#include "engine.h"
#include "message_log.h"
#include "pass_feed.h"
#include "sim_setup.h"

namespace {

bool waitFor(const std::function<bool()>& ready, int ms = 30000) {
    return QTest::qWaitFor(ready, ms);
}

QVariantMap startKeys(double signalHz = 20.0) {
    QVariantMap keys;
    keys.insert("ChannelsEnabled", 0xFu);
    keys.insert("TestSignalFrequencyHz", signalHz);
    return keys;
}

} // namespace

class AcquisitionStressTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void restartStorm();
    void closeDuring_data();
    void closeDuring();
    void closeDuringSearch();
    void deviceSwitchInBurst();
};

void AcquisitionStressTest::initTestCase() {
    MessageLog::install();
}

void AcquisitionStressTest::init() {
    MessageLog::clear();
}

void AcquisitionStressTest::restartStorm() {
    SimConfig sim;
    for (int n = 1; n <= 32; ++n)
        sim.setDc(n, 0.05 * n - 0.8);
    sim.setDc(1, 1.1);
    sim.setSine(5, 2.0, 1000.0, 0.3);
    sim.setDc(20, -3.3);
    sim.setSine(32, 0.8, 3000.0);
    QVERIFY(sim.apply());
    DriverHarness rig(DriverHarness::withKeys(startKeys()));
    rig.frequency()->setCurrentIndex(4);
    QVERIFY(rig.syncModuleThread());
    MessageLog::clear();
    QVERIFY(rig.openAndStart());
    QVERIFY(waitFor([&] { return !rig.voltageEdit(1)->text().isEmpty(); }));

    QRandomGenerator random(20261206);
    QComboBox* mode = rig.mode();
    QComboBox* frequency = rig.frequency();
    for (int change = 0; change < 300; ++change) {
        const int n = 1 + int(random.bounded(32));
        switch (random.bounded(7)) {
        case 0:
        case 1:
            if (rig.check(n)->isEnabled())
                rig.check(n)->toggle();
            break;
        case 2:
            if (rig.range(n)->isEnabled())
                rig.range(n)->setCurrentIndex(int(random.bounded(4)));
            break;
        case 3:
            if (rig.type(n)->isEnabled())
                rig.type(n)->setCurrentIndex(int(random.bounded(2)));
            break;
        case 4:
            if (random.bounded(4) == 0)
                mode->setCurrentIndex(1 - mode->currentIndex());
            else
                frequency->setCurrentIndex(int(random.bounded(5)));
            break;
        case 5:
            rig.setDecimals(int(random.bounded(4)), int(random.bounded(7)), int(random.bounded(7)),
                            int(random.bounded(7)));
            break;
        default:
            frequency->setCurrentIndex(4);
            break;
        }
        for (quint32 i = random.bounded(4); i > 0; --i)
            QCoreApplication::processEvents();
    }

    // The last configuration: common ground at 1000 kHz, four channels.
    if (mode->currentIndex() != 1)
        mode->setCurrentIndex(1);
    QVERIFY(rig.syncModuleThread());
    frequency->setCurrentIndex(4);
    const QVector<int> final = {1, 5, 20, 32};
    for (int n = 1; n <= 32; ++n) {
        const bool on = final.contains(n);
        if (rig.check(n)->isChecked() != on)
            rig.check(n)->setChecked(on);
    }
    QVERIFY(rig.syncModuleThread());
    for (int n : final) {
        rig.range(n)->setCurrentIndex(0);
        rig.type(n)->setCurrentIndex(n == 1 || n == 20 ? 1 : 0);
    }
    for (int r = 0; r < 4; ++r)
        rig.setDecimals(r, 5, 4, 6);
    QVERIFY(rig.syncModuleThread());
    QVERIFY(rig.driver->isRunning());
    QCoreApplication::processEvents();
    rig.clearReadings();

    const double lsb = 10.0 / 32768 * 1000;
    struct Truth {
        int channel;
        double millivolts;
        QString frequency;
    };
    const Truth truths[] = {{1, 1100.0, ""},
                            {5, 2000 / std::sqrt(2.0), "1.000000"},
                            {20, -3300.0, ""},
                            {32, 800 / std::sqrt(2.0), "3.000000"}};
    for (const Truth& t : truths) {
        const QString decimals = t.frequency.isEmpty() ? "^-?\\d+\\.\\d{4}$" : "^-?\\d+\\.\\d{5}$";
        QVERIFY2(
            waitFor([&] {
                return std::abs(DriverHarness::reading(rig.voltageEdit(t.channel)) - t.millivolts) <=
                           0.0005 * std::abs(t.millivolts) + lsb &&
                       QRegularExpression(decimals).match(rig.voltageEdit(t.channel)->text()).hasMatch() &&
                       rig.frequencyEdit(t.channel)->text() == t.frequency;
            }),
            qPrintable(QStringLiteral("channel %1: '%2' '%3'")
                           .arg(t.channel)
                           .arg(rig.voltageEdit(t.channel)->text(), rig.frequencyEdit(t.channel)->text())));
    }
    QVERIFY2(MessageLog::texts(QtCriticalMsg).isEmpty(),
             qPrintable(MessageLog::texts(QtCriticalMsg).join('\n')));
    QVERIFY2(MessageLog::texts(QtWarningMsg).isEmpty(),
             qPrintable(MessageLog::texts(QtWarningMsg).join('\n')));
    rig.shutDown();
}

void AcquisitionStressTest::closeDuring_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("realtime");
    QTest::addColumn<int>("repetitions");
    QTest::newRow("acquisition, real time") << "running" << true << 12;
    QTest::newRow("acquisition, flat out") << "running" << false << 12;
    QTest::newRow("restart") << "restart" << true << 12;
    QTest::newRow("restart storm") << "storm" << false << 6;
    QTest::newRow("start") << "start" << true << 12;
    QTest::newRow("stall") << "stall" << true << 3;
    QTest::newRow("burst of clicks") << "burst" << true << 6;
}

void AcquisitionStressTest::closeDuring() {
    QFETCH(QString, state);
    QFETCH(bool, realtime);
    QFETCH(int, repetitions);
    SimConfig sim;
    sim.setRealtime(realtime);
    sim.setSine(1, 1.0, 250.0);
    sim.setDc(2, 0.5);
    if (state == "stall")
        sim.setFault("stallAfterFrames", 1);
    QVERIFY(sim.apply());
    for (int i = 0; i < repetitions; ++i) {
        // A 2 kHz test signal keeps frames short, so states change quickly.
        DriverHarness rig(DriverHarness::withKeys(startKeys(2000.0)));
        QVERIFY(rig.openAndStart());
        if (state == "running" || state == "stall") {
            QVERIFY(waitFor([&] { return !rig.voltageEdit(1)->text().isEmpty(); }));
        } else if (state == "restart") {
            rig.type(2)->setCurrentIndex(1);
        } else if (state == "storm") {
            for (int k = 0; k < 20; ++k)
                rig.check(3 + k % 2)->toggle();
        } else if (state == "burst") {
            for (int k = 0; k < 40; ++k) {
                rig.check(1 + (k * 3) % 4)->toggle();
                QCoreApplication::processEvents();
            }
        }
        rig.shutDown();
    }
    QVERIFY2(MessageLog::texts(QtCriticalMsg).isEmpty(),
             qPrintable(MessageLog::texts(QtCriticalMsg).join('\n')));
}

// The engine acquiring from a device while a new search runs, asked to stop
// meanwhile, as closing the main window does.
void AcquisitionStressTest::closeDuringSearch() {
    SimConfig sim;
    sim.setRealtime(true);
    sim.setSearchDelayMs(300);
    sim.setSine(1, 1.0, 250.0);
    QVERIFY(sim.apply());
    QTemporaryDir dir;
    for (int i = 0; i < 4; ++i) {
        QSettings settings(dir.filePath(QStringLiteral("vernier%1.ini").arg(i)), QSettings::IniFormat);
        QWidget settingsHost, controlsHost, infoHost, optionsHost;
        QThread threadEngine;
        auto* engine = new Engine(createDefaultModule);
        std::atomic<int> searches{0};
        std::atomic<bool> stopped{false};
        connect(
            engine, &Engine::readyCrate, engine, [&] { ++searches; }, Qt::DirectConnection);
        connect(
            engine, &Engine::stopped, engine, [&] { stopped = true; }, Qt::DirectConnection);
        engine->loadSettings(&settings);
        engine->moveToThread(&threadEngine);
        threadEngine.start();
        engine->createWidgets(&settingsHost, &controlsHost, nullptr, &infoHost, &optionsHost);
        QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection);
        QVERIFY(waitFor([&] { return searches == 1; }));
        QVERIFY(engine->useModule(0, 0));
        QLineEdit* reading = controlsHost.findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh1"));
        QVERIFY(waitFor([&] { return !reading->text().isEmpty(); }));

        QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection);
        QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
        QVERIFY(waitFor([&] { return bool(stopped); }, 10000));
        threadEngine.quit();
        QVERIFY(threadEngine.wait(10000));
        delete engine;
    }
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

// Clicks while the operator switches to the other device: the engine's stop
// waits for a restart in progress and drops a pending one, and the new
// device starts from the controls as they are.
void AcquisitionStressTest::deviceSwitchInBurst() {
    SimConfig sim;
    sim.setRealtime(true);
    sim.setSearchDelayMs(5);
    for (int n = 1; n <= 16; ++n)
        sim.setDc(n, 0.1 * n);
    sim.addDevice("192.0.2.12", "SIM-B");
    QVERIFY(sim.apply());
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat);
    QWidget settingsHost, controlsHost, infoHost, optionsHost;
    QThread threadEngine;
    auto* engine = new Engine(createDefaultModule);
    std::atomic<int> searches{0};
    connect(
        engine, &Engine::readyCrate, engine, [&] { ++searches; }, Qt::DirectConnection);
    QString recorded;
    connect(engine->passFeed(), &PassFeed::passRecorded, this, [&recorded](const PassRecord& record) {
        QList<int> numbers;
        for (const ChannelConfig& c : record.config.channels)
            numbers << c.number;
        std::sort(numbers.begin(), numbers.end());
        QStringList texts;
        for (int n : numbers)
            texts << QString::number(n);
        recorded = texts.join(',');
    });
    engine->loadSettings(&settings);
    engine->moveToThread(&threadEngine);
    threadEngine.start();
    engine->createWidgets(&settingsHost, &controlsHost, nullptr, &infoHost, &optionsHost);
    QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection);
    QVERIFY(waitFor([&] { return searches == 1; }));
    QCOMPARE(engine->crates().size(), 2);
    QVERIFY(engine->useModule(0, 0));

    auto box = [&](int n) {
        return controlsHost.findChild<QCheckBox*>(QStringLiteral("checkBoxCh%1").arg(n));
    };
    for (int round = 0; round < 4; ++round) {
        for (int k = 0; k < 30; ++k) {
            box(1 + (k * 5 + round) % 16)->toggle();
            QCoreApplication::processEvents();
            if (k == 15)
                QVERIFY(engine->useModule(1 - round % 2, 0));
        }
        QStringList checked;
        for (int n = 1; n <= 16; ++n)
            if (box(n)->isChecked())
                checked << QString::number(n);
        if (checked.isEmpty()) {
            box(1)->setChecked(true);
            checked << "1";
        }
        QVERIFY2(waitFor([&] { return recorded == checked.join(','); }),
                 qPrintable(recorded + " vs " + checked.join(',')));
    }
    QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
    std::atomic<bool> stopped{false};
    connect(
        engine, &Engine::stopped, engine, [&] { stopped = true; }, Qt::DirectConnection);
    QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
    QVERIFY(waitFor([&] { return bool(stopped); }, 10000));
    threadEngine.quit();
    QVERIFY(threadEngine.wait(10000));
    delete engine;
    QVERIFY2(MessageLog::texts(QtCriticalMsg).isEmpty(),
             qPrintable(MessageLog::texts(QtCriticalMsg).join('\n')));
}

QTEST_MAIN(AcquisitionStressTest)
#include "test_acquisition_stress.moc"
