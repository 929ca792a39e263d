// The engine against a recording test driver (call-by-call checks of
// useModule, releaseModule and stop) and against the simulated device library
// (the search and the crate list).
#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "engine.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_module.h"

namespace {

// One crate per address, one slot each, as the search builds them.
void fillCrates(Engine& engine, int count) {
    engine.crates().clear();
    for (int i = 0; i < count; ++i) {
        Engine::Slot slot;
        slot.number = 0;
        slot.device.address = (192u << 24) | (0u << 16) | (2u << 8) | static_cast<quint32>(11 + i);
        Engine::Crate crate;
        crate.name = QStringLiteral("192.0.2.%1").arg(11 + i);
        crate.slotList.append(slot);
        engine.crates().append(crate);
    }
}

QByteArray device(const char* name, const char* address, const char* serial) {
    return QByteArray("{\"name\":\"") + name + "\",\"address\":\"" + address + "\",\"serial\":\"" + serial +
           "\"}";
}

} // namespace

// Collects readyCrate in the test's thread through the registered type.
class CrateReceiver : public QObject {
    Q_OBJECT
public:
    QList<QStringList> received;
public slots:
    void readyCrate(QList<Engine::Crate>& list) {
        QStringList names;
        for (const Engine::Crate& c : list)
            names << c.name;
        received.append(names);
    }
};

class TestEngine : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString previousDir;

    void useConfig(const QByteArray& text) { QVERIFY(!writeSimConfig(dir, text).isEmpty()); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    // Each row: setup steps, then one action whose result and driver calls
    // are checked.  Steps: "use c s", "release", "state opened running",
    // "fail open|start|stop|close", "ok" (all succeed), "emulator".
    void selection_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("calls");

        const QStringList startOpen = {"isOpened", "open 192.0.2.11", "start 0"};
        QTest::newRow("closed, first crate") << ""
                                             << "use 0 0" << true << startOpen;
        QTest::newRow("closed, second crate")
            << ""
            << "use 1 0" << true << QStringList{"isOpened", "open 192.0.2.12", "start 0"};
        QTest::newRow("crate past the end") << ""
                                            << "use 2 0" << false << QStringList{"isOpened"};
        QTest::newRow("negative crate") << ""
                                        << "use -1 0" << false << QStringList{"isOpened"};
        QTest::newRow("slot past the end") << ""
                                           << "use 0 1" << false << QStringList{"isOpened"};
        QTest::newRow("negative slot") << ""
                                       << "use 0 -1" << false << QStringList{"isOpened"};
        QTest::newRow("open fails") << "fail open"
                                    << "use 0 0" << false << QStringList{"isOpened", "open 192.0.2.11"};
        QTest::newRow("start fails after open") << "fail start"
                                                << "use 0 0" << false << startOpen;
        QTest::newRow("same module idle: only started")
            << "use 0 0; state 1 0"
            << "use 0 0" << true << QStringList{"isOpened", "isRunning", "start 0"};
        QTest::newRow("same module running: left alone")
            << "use 0 0"
            << "use 0 0" << true << QStringList{"isOpened", "isRunning"};
        QTest::newRow("failed start keeps the selection")
            << "fail start; use 0 0; ok"
            << "use 0 0" << true << QStringList{"isOpened", "isRunning", "start 0"};
        QTest::newRow("other crate: stop, close, open, start")
            << "use 0 0"
            << "use 1 0" << true
            << QStringList{"isOpened", "isRunning", "stop", "close", "open 192.0.2.12", "start 0"};
        QTest::newRow("other crate, idle: no stop")
            << "use 0 0; state 1 0"
            << "use 1 0" << true
            << QStringList{"isOpened", "isRunning", "close", "open 192.0.2.12", "start 0"};
        QTest::newRow("other crate, stop fails")
            << "use 0 0; fail stop"
            << "use 1 0" << false << QStringList{"isOpened", "isRunning", "stop"};
        QTest::newRow("other crate, close fails")
            << "use 0 0; fail close"
            << "use 1 0" << false << QStringList{"isOpened", "isRunning", "stop", "close"};
        QTest::newRow("failure forgets the selection")
            << "use 0 0; fail close; use 1 0; ok; state 1 0"
            << "use 0 0" << true
            << QStringList{"isOpened", "isRunning", "close", "open 192.0.2.11", "start 0"};
        QTest::newRow("release running")
            << "use 0 0"
            << "release" << true << QStringList{"isOpened", "isRunning", "stop", "close"};
        QTest::newRow("release idle") << "use 0 0; state 1 0"
                                      << "release" << true << QStringList{"isOpened", "isRunning", "close"};
        QTest::newRow("release, nothing open") << ""
                                               << "release" << false << QStringList{"isOpened"};
        QTest::newRow("release, stop fails")
            << "use 0 0; fail stop"
            << "release" << false << QStringList{"isOpened", "isRunning", "stop"};
        QTest::newRow("release, close fails")
            << "use 0 0; fail close"
            << "release" << false << QStringList{"isOpened", "isRunning", "stop", "close"};
        QTest::newRow("release forgets the selection")
            << "use 0 0; release; state 1 0"
            << "use 0 0" << true
            << QStringList{"isOpened", "isRunning", "close", "open 192.0.2.11", "start 0"};
        QTest::newRow("release with nothing open keeps the selection")
            << "use 0 0; state 0 0; release; state 1 0"
            << "use 0 0" << true << QStringList{"isOpened", "isRunning", "start 0"};
        QTest::newRow("emulator accepts anything untouched") << "emulator"
                                                             << "use 7 9" << true << QStringList{};
        QTest::newRow("emulator, release still asks the driver")
            << "emulator"
            << "release" << false << QStringList{"isOpened"};
    }
    void selection() {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        QFETCH(bool, result);
        QFETCH(QStringList, calls);

        TestModule* module = nullptr;
        Engine engine([&module](PassFeed*) { return module = new TestModule; });
        fillCrates(engine, 2);

        auto run = [&](const QString& step) -> bool {
            const QStringList w = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (w.isEmpty())
                return true;
            if (w[0] == QLatin1String("use"))
                return engine.useModule(w[1].toInt(), w[2].toInt());
            if (w[0] == QLatin1String("release"))
                return engine.releaseModule();
            if (w[0] == QLatin1String("state"))
                module->setState(w[1] == QLatin1String("1"), w[2] == QLatin1String("1"));
            else if (w[0] == QLatin1String("emulator"))
                engine.setModuleMode(1);
            else if (w[0] == QLatin1String("ok"))
                module->setResults(TestModule::Results());
            else if (w[0] == QLatin1String("fail")) {
                TestModule::Results r;
                r.open = w[1] != QLatin1String("open");
                r.start = w[1] != QLatin1String("start");
                r.stop = w[1] != QLatin1String("stop");
                r.close = w[1] != QLatin1String("close");
                module->setResults(r);
            }
            return true;
        };
        for (const QString& step : setup.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            run(step.trimmed());
        module->clearCalls();
        QCOMPARE(run(action), result);
        QCOMPARE(module->calls(), calls);
    }

    // The opened module's serial number replaces the one from the search.
    void serialTakenFromDriver() {
        Engine engine([](PassFeed*) { return new TestModule; });
        fillCrates(engine, 1);
        engine.crates()[0].slotList[0].serial = QStringLiteral("from search");
        QVERIFY(engine.useModule(0, 0));
        QCOMPARE(engine.crates().at(0).slotList.at(0).serial, QStringLiteral("TEST-SERIAL"));
    }

    // stop, run in the engine's own thread: driver calls by mode and state,
    // one stopped, and threadModule ended, so that a queued call posted
    // afterwards never runs and deleting the driver is safe.
    void stopInEngineThread_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("running") << 0 << true << true
                                 << QStringList{"isOpened", "isRunning", "stop", "close"};
        QTest::newRow("open, idle") << 0 << true << false << QStringList{"isOpened", "isRunning", "close"};
        QTest::newRow("closed") << 0 << false << false << QStringList{"isOpened"};
        QTest::newRow("emulator") << 1 << true << true << QStringList{};
    }
    void stopInEngineThread() {
        QFETCH(int, mode);
        QFETCH(bool, opened);
        QFETCH(bool, running);
        QFETCH(QStringList, calls);

        const int destroyedBefore = TestModule::destroyed;
        TestModule* module = nullptr;
        auto* engine = new Engine([&module](PassFeed*) { return module = new TestModule; });
        QThread threadEngine;
        engine->setModuleMode(mode);
        module->setState(opened, running);
        QVERIFY(module->thread() != QThread::currentThread());
        engine->moveToThread(&threadEngine);
        threadEngine.start();

        int stoppedCount = 0;
        connect(engine, &Engine::stopped, this, [&stoppedCount] { ++stoppedCount; });
        QMetaObject::invokeMethod(module, "ping", Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(module->pings.load(), 1, 20000);
        module->clearCalls();

        QVERIFY(QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection));
        QTRY_COMPARE_WITH_TIMEOUT(stoppedCount, 1, 20000);
        QCOMPARE(module->calls(), calls);
        QVERIFY(module->thread()->isFinished());

        QMetaObject::invokeMethod(module, "ping", Qt::QueuedConnection);
        threadEngine.quit();
        QVERIFY(threadEngine.wait(20000));
        QCoreApplication::processEvents();
        QCOMPARE(module->pings.load(), 1);

        delete engine;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // An engine deleted without stop still ends its module thread.
    void destroyWithoutStop() {
        const int destroyedBefore = TestModule::destroyed;
        QPointer<TestModule> module;
        {
            Engine engine([&module](PassFeed*) { return (module = new TestModule).data(); });
            QMetaObject::invokeMethod(module, "ping", Qt::QueuedConnection);
            QTRY_COMPARE_WITH_TIMEOUT(module->pings.load(), 1, 20000);
        }
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // The search against the simulated library: names compared on the whole
    // name, one crate with one slot per device, the diagnostic on standard
    // error, and the old list kept on a failed search.
    void search_data() {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<int>("status"); // 1: any negative
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QByteArray>("diagnostic");

        const QByteArray head = "{\"searchDelayMs\":5,\"realtime\":true,\"seed\":1,";
        QTest::newRow("two of three match")
            << head + "\"devices\":[" + device("VRK11", "192.0.2.11", "S1") + "," +
                   device("VRK12", "192.0.2.20", "S2") + "," + device("VRK11", "192.0.2.12", "S3") + "]}"
            << 0 << QStringList{"192.0.2.11", "192.0.2.12"} << QByteArray("VRK_Search: err=0 dev_qty=3\n");
        QTest::newRow("no device") << head + "\"devices\":[]}" << 0 << QStringList{}
                                   << QByteArray("VRK_Search: err=0 dev_qty=0\n");
        QTest::newRow("longer or shorter names")
            << head + "\"devices\":[" + device("VRK11X", "10.0.0.1", "S1") + "," +
                   device("VRK1", "10.0.0.2", "S2") + "," + device("vrk11", "10.0.0.3", "S3") + "]}"
            << 0 << QStringList{} << QByteArray("VRK_Search: err=0 dev_qty=3\n");
        QTest::newRow("search fault") << head + "\"faults\":{\"search\":-7},\"devices\":[]}" << -7
                                      << QStringList{"old"} << QByteArray("VRK_Search: err=-7 dev_qty=");
        QTest::newRow("broken config") << QByteArray("{\"searchDelayMs\": oops") << 1 << QStringList{"old"}
                                       << QByteArray("VRK_Search: err=-");
    }
    void search() {
        QFETCH(QByteArray, config);
        QFETCH(int, status);
        QFETCH(QStringList, names);
        QFETCH(QByteArray, diagnostic);
        useConfig(config);

        Engine engine([](PassFeed*) { return new TestModule; });
        Engine::Crate old;
        old.name = QStringLiteral("old");
        engine.crates().append(old);

        int got = 0;
        QByteArray err;
        {
            StderrCapture capture(dir.filePath(QStringLiteral("stderr.txt")));
            got = engine.SearchVRKmodules("VRK11", 6);
            err = capture.text();
        }
        if (status == 1)
            QVERIFY2(got < 0, QByteArray::number(got).constData());
        else
            QCOMPARE(got, status);
        QVERIFY2(err.contains(diagnostic), err.constData());

        QStringList found;
        for (const Engine::Crate& c : engine.crates())
            found << c.name;
        QCOMPARE(found, names);
        if (got != 0)
            return;
        for (const Engine::Crate& c : engine.crates()) {
            QCOMPARE(c.kind, qint16(1));
            QCOMPARE(c.slotList.size(), 1);
            const Engine::Slot& s = c.slotList.first();
            QCOMPARE(s.number, 0);
            QCOMPARE(s.moduleType, qint16(0x0B0B));
            QCOMPARE(s.name, c.name);
            QCOMPARE(QHostAddress(s.device.address).toString(), c.name);
            QCOMPARE(quint32(c.id), s.device.address);
            QCOMPARE(QString::fromLatin1(s.device.name), QStringLiteral("VRK11"));
            QVERIFY(s.serial == QLatin1String("S1") || s.serial == QLatin1String("S3"));
        }
    }

    // refreshHardware in the engine's thread hands the list over queued.
    void refreshDeliversAcrossThreads() {
        useConfig("{\"searchDelayMs\":5,\"devices\":[" + device("VRK11", "192.0.2.11", "S1") + "]}");
        TestModule* module = nullptr;
        auto* engine = new Engine([&module](PassFeed*) { return module = new TestModule; });
        QThread threadEngine;
        engine->moveToThread(&threadEngine);
        threadEngine.start();
        CrateReceiver receiver;
        QVERIFY(connect(engine, SIGNAL(readyCrate(QList<Engine::Crate>&)), &receiver,
                        SLOT(readyCrate(QList<Engine::Crate>&))));
        QVERIFY(QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection));
        QTRY_COMPARE_WITH_TIMEOUT(receiver.received.size(), 1, 20000);
        QCOMPARE(receiver.received.first(), QStringList{"192.0.2.11"});

        int stoppedCount = 0;
        connect(engine, &Engine::stopped, this, [&stoppedCount] { ++stoppedCount; });
        QVERIFY(QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection));
        QTRY_COMPARE_WITH_TIMEOUT(stoppedCount, 1, 20000);
        threadEngine.quit();
        QVERIFY(threadEngine.wait(20000));
        delete engine;
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
