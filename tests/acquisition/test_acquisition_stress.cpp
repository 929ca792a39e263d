// Closing the main window in every state of a run, and a device switch in a
// burst of clicks: no crash, no deadlock, no sanitizer report, no critical
// message, and the new device measures the checked channels.

#include <QCoreApplication>
#include <QTest>

#include "driver_harness.h"
#include "sim_setup.h"

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
        QTest::newRow("a search")               << "search" << true << 4;
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
        sim.setFault("stallAfterFrames", state == "stall");
        QVERIFY(sim.apply());
        for (int i = 0; i < repetitions; ++i) {
            // A 2 kHz test signal keeps frames short, so states change quickly.
            DriverHarness rig({{"ChannelsEnabled", 0xF}, {"TestSignalFrequencyHz", 2000}});
            QVERIFY(rig.openAndStart());
            if (state == "running" || state == "stall" || state == "search")
                QTRY_VERIFY_WITH_TIMEOUT(!rig.voltage(1)->text().isEmpty(), 30000);
            if (state == "restart")
                rig.act("chtype 2 DC");
            for (int k = 0; k < 40 && (state == "storm" || state == "burst"); ++k) {
                rig.check(1 + k * 3 % 4)->toggle();
                if (state == "burst")
                    QCoreApplication::processEvents();
            }
            // The search runs in threadEngine before the stop queued behind it.
            rig.shutDown([&rig, state] {
                if (state == "search")
                    rig.engine->refreshHardware();
            });
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
        DriverHarness rig;
        QVERIFY(rig.openAndStart());
        QCOMPARE(rig.engine->crates().size(), 2);
        for (int round = 0; round < 4; ++round) {
            for (int k = 0; k < 30; ++k) {
                rig.check(1 + (k * 5 + round) % 16)->toggle();
                QCoreApplication::processEvents();
                if (k == 15)
                    QVERIFY(rig.engine->useModule(1 - round % 2, 0));
            }
            if (rig.checkedChannels().isEmpty())
                rig.act("check 1");
            QTRY_COMPARE_WITH_TIMEOUT(rig.recordChannels(), rig.checkedChannels(), 30000);
        }
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }
};

QTEST_MAIN(AcquisitionStressTest)
#include "test_acquisition_stress.moc"
