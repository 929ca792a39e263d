// The engine with the real driver, as the main window has it: closing in
// every state of a run, and a device switch in a burst of clicks.  No crash,
// no deadlock, no sanitizer report, no critical message.

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

#include "default_module.h"
#include "engine.h"
#include "message_log.h"
#include "sim_setup.h"

namespace {

// The engine in its own thread, after its first search (GUI thread).
struct EngineRig {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat};
    QWidget root;
    QThread thread;
    Engine* engine = new Engine(createDefaultModule);
    std::atomic<int> searches{0};
    std::atomic<bool> stopped{false};

    explicit EngineRig(const QVariantMap& keys) {
        for (auto it = keys.begin(); it != keys.end(); ++it)
            settings.setValue(QStringLiteral("MDX11/") + it.key(), it.value());
        QObject::connect(
            engine, &Engine::readyCrate, engine, [this] { ++searches; }, Qt::DirectConnection);
        QObject::connect(
            engine, &Engine::stopped, engine, [this] { stopped = true; }, Qt::DirectConnection);
        engine->loadSettings(&settings);
        engine->moveToThread(&thread);
        thread.start();
        engine->createWidgets(new QWidget(&root), new QWidget(&root), nullptr, new QWidget(&root),
                              new QWidget(&root));
        QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection);
    }
    // As closing the main window does it.
    ~EngineRig() {
        QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
        if (!QTest::qWaitFor([this] { return bool(stopped); }, 30000))
            qFatal("the engine did not stop");
        thread.quit();
        thread.wait();
        delete engine;
    }
    QCheckBox* box(int n) { return root.findChild<QCheckBox*>(QStringLiteral("checkBoxCh%1").arg(n)); }
    QLineEdit* reading(int n) {
        return root.findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh%1").arg(n));
    }
};

} // namespace

class AcquisitionStressTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }

    void closeDuring_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("realtime");
        QTest::addColumn<int>("repetitions");
        // clang-format off
        QTest::newRow("acquisition, real time") << "running" << true << 10;
        QTest::newRow("acquisition, flat out")  << "running" << false << 10;
        QTest::newRow("start")                  << "start" << true << 10;
        QTest::newRow("restart")                << "restart" << true << 10;
        QTest::newRow("restart storm")          << "storm" << false << 6;
        QTest::newRow("stall")                  << "stall" << true << 3;
        QTest::newRow("burst of clicks")        << "burst" << true << 6;
        QTest::newRow("search")                 << "search" << true << 4;
        // clang-format on
    }
    void closeDuring() {
        QFETCH(QString, state);
        QFETCH(bool, realtime);
        QFETCH(int, repetitions);
        SimConfig sim;
        sim.setRealtime(realtime);
        sim.setSearchDelayMs(state == "search" ? 300 : 0);
        sim.setSine(1, 1.0, 250.0);
        sim.setDc(2, 0.5);
        if (state == "stall")
            sim.setFault("stallAfterFrames", 1);
        QVERIFY(sim.apply());
        for (int i = 0; i < repetitions; ++i) {
            // A 2 kHz test signal keeps frames short, so states change quickly.
            EngineRig rig({{"ChannelsEnabled", 0xF}, {"TestSignalFrequencyHz", 2000}});
            QTRY_COMPARE_WITH_TIMEOUT(int(rig.searches), 1, 30000);
            QVERIFY(rig.engine->useModule(0, 0));
            if (state == "running" || state == "stall" || state == "search")
                QTRY_VERIFY_WITH_TIMEOUT(!rig.reading(1)->text().isEmpty(), 30000);
            if (state == "restart")
                rig.box(2)->toggle();
            for (int k = 0; k < 40 && (state == "storm" || state == "burst"); ++k) {
                rig.box(1 + (k * 3) % 4)->toggle();
                if (state == "burst")
                    QCoreApplication::processEvents();
            }
            if (state == "search")
                QMetaObject::invokeMethod(rig.engine, "refreshHardware", Qt::QueuedConnection);
        }
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }

    // Clicks while the operator switches to the other device: the engine's
    // stop waits for a restart in progress and drops a pending one, and the
    // new device starts from the controls as they are.
    void deviceSwitchInBurst() {
        SimConfig sim;
        sim.setRealtime(true);
        sim.addDevice("192.0.2.12", "SIM-B");
        QVERIFY(sim.apply());
        EngineRig rig({});
        QStringList recorded;
        connect(rig.engine->passFeed(), &PassFeed::passRecorded, this, [&recorded](const PassRecord& record) {
            recorded.clear();
            for (const ChannelConfig& c : record.config.channels)
                recorded << QString::number(c.number);
        });
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.searches), 1, 30000);
        QCOMPARE(rig.engine->crates().size(), 2);
        QVERIFY(rig.engine->useModule(0, 0));
        for (int round = 0; round < 4; ++round) {
            for (int k = 0; k < 30; ++k) {
                rig.box(1 + (k * 5 + round) % 16)->toggle();
                QCoreApplication::processEvents();
                if (k == 15)
                    QVERIFY(rig.engine->useModule(1 - round % 2, 0));
            }
            // In scan order: the order the rows were created, 1, 2, 9, ..., 16, 3, ..., 8.
            QStringList checked;
            for (int n : {1, 2, 9, 10, 11, 12, 13, 14, 15, 16, 3, 4, 5, 6, 7, 8})
                if (rig.box(n)->isChecked())
                    checked << QString::number(n);
            if (checked.isEmpty())
                rig.box(1)->setChecked(true);
            QTRY_COMPARE_WITH_TIMEOUT(recorded, checked.isEmpty() ? QStringList{"1"} : checked, 30000);
        }
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }
};

QTEST_MAIN(AcquisitionStressTest)
#include "test_acquisition_stress.moc"
