// The engine against a recording test driver (useModule, releaseModule and
// stop, call by call) and against the simulated device library (the search).
#include <QtCore>
#include <QtTest>

#include "engine.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_module.h"

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // Setup steps, then one action whose result and driver calls are checked.
    // Steps: "use c s", "release", "state opened running", "fail call", "ok"
    // (nothing fails), "emulator".  Two crates 192.0.2.11 and .12, one slot each.
    void selection_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("calls");
        // clang-format off
        QTest::newRow("closed, first crate")           << "" << "use 0 0" << true << "isOpened, open 192.0.2.11, start 0";
        QTest::newRow("closed, second crate")          << "" << "use 1 0" << true << "isOpened, open 192.0.2.12, start 0";
        QTest::newRow("crate past the end")            << "" << "use 2 0" << false << "isOpened";
        QTest::newRow("negative crate")                << "" << "use -1 0" << false << "isOpened";
        QTest::newRow("slot past the end")             << "" << "use 0 1" << false << "isOpened";
        QTest::newRow("negative slot")                 << "" << "use 0 -1" << false << "isOpened";
        QTest::newRow("open fails")                    << "fail open" << "use 0 0" << false << "isOpened, open 192.0.2.11";
        QTest::newRow("start fails after open")        << "fail start" << "use 0 0" << false << "isOpened, open 192.0.2.11, start 0";
        QTest::newRow("same, idle: only started")      << "use 0 0; state 1 0" << "use 0 0" << true << "isOpened, isRunning, start 0";
        QTest::newRow("same, running: left alone")     << "use 0 0" << "use 0 0" << true << "isOpened, isRunning";
        QTest::newRow("failed start keeps the choice") << "fail start; use 0 0; ok" << "use 0 0" << true << "isOpened, isRunning, start 0";
        QTest::newRow("other crate")                   << "use 0 0" << "use 1 0" << true << "isOpened, isRunning, stop, close, open 192.0.2.12, start 0";
        QTest::newRow("other crate, idle: no stop")    << "use 0 0; state 1 0" << "use 1 0" << true << "isOpened, isRunning, close, open 192.0.2.12, start 0";
        QTest::newRow("other crate, stop fails")       << "use 0 0; fail stop" << "use 1 0" << false << "isOpened, isRunning, stop";
        QTest::newRow("other crate, close fails")      << "use 0 0; fail close" << "use 1 0" << false << "isOpened, isRunning, stop, close, isOpened";
        QTest::newRow("failure forgets the choice")    << "use 0 0; fail close; use 1 0; ok; state 1 0" << "use 0 0" << true << "isOpened, isRunning, close, open 192.0.2.11, start 0";
        QTest::newRow("release running")               << "use 0 0" << "release" << true << "isOpened, isRunning, stop, close";
        QTest::newRow("release idle")                  << "use 0 0; state 1 0" << "release" << true << "isOpened, isRunning, close";
        QTest::newRow("release, nothing open")         << "" << "release" << false << "isOpened";
        QTest::newRow("release, stop fails")           << "use 0 0; fail stop" << "release" << false << "isOpened, isRunning, stop";
        QTest::newRow("release, close fails")          << "use 0 0; fail close" << "release" << false << "isOpened, isRunning, stop, close, isOpened";
        QTest::newRow("release forgets the choice")    << "use 0 0; release; state 1 0" << "use 0 0" << true << "isOpened, isRunning, close, open 192.0.2.11, start 0";
        QTest::newRow("release of nothing keeps it")   << "use 0 0; state 0 0; release; state 1 0" << "use 0 0" << true << "isOpened, isRunning, start 0";
        QTest::newRow("emulator: anything, untouched") << "emulator" << "use 7 9" << true << "";
        QTest::newRow("emulator, release asks")        << "emulator" << "release" << false << "isOpened";
        // clang-format on
    }
    void selection() {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        QFETCH(bool, result);
        QFETCH(QString, calls);
        TestModule* module = nullptr;
        Engine engine([&module](PassFeed*) { return module = new TestModule; });
        for (quint32 i = 0; i < 2; ++i) {
            Engine::Crate crate;
            crate.name = QStringLiteral("192.0.2.%1").arg(11 + i);
            crate.slotList.append(Engine::Slot());
            crate.slotList[0].device.address = 0xC0000200u + 11 + i;
            engine.crates().append(crate);
        }
        const auto run = [&](const QString& step) {
            const QStringList w = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (w.value(0) == QLatin1String("use"))
                return engine.useModule(w[1].toInt(), w[2].toInt());
            if (w.value(0) == QLatin1String("release"))
                return engine.releaseModule();
            if (w.value(0) == QLatin1String("state"))
                module->opened = w[1] == QLatin1String("1"), module->running = w[2] == QLatin1String("1");
            else if (w.value(0) == QLatin1String("emulator"))
                engine.setModuleMode(1);
            else
                module->failing = w.mid(1);
            return true;
        };
        for (const QString& step : setup.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            run(step.trimmed());
        module->clearCalls();
        for (Engine::Crate& c : engine.crates())
            c.slotList[0].serial = QStringLiteral("from search");
        QCOMPARE(run(action), result);
        QCOMPARE(module->calls().join(QLatin1String(", ")), calls);
        // A device opened now shows the driver's serial number.
        for (const Engine::Crate& c : engine.crates())
            QCOMPARE(c.slotList[0].serial,
                     calls.contains("open " + c.name) && !module->failing.contains("open")
                         ? QStringLiteral("TEST-SERIAL")
                         : QStringLiteral("from search"));
    }

    // A close that fails: a driver that lets go of the device still lets
    // the operator choose another; one that keeps it keeps the choice as
    // far as it can (release) or forgets it (a failed choice).
    void failedClose_data() {
        QTest::addColumn<bool>("letsGo");
        QTest::addColumn<bool>("release"); // else: choose the other crate
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<int>("inUse");
        // clang-format off
        QTest::newRow("lets go, other device")  << true  << false << true  << "isOpened, isRunning, stop, close, isOpened, open 192.0.2.12, start 0" << 1;
        QTest::newRow("keeps it, other device") << false << false << false << "isOpened, isRunning, stop, close, isOpened" << -1;
        QTest::newRow("lets go, release")       << true  << true  << false << "isOpened, isRunning, stop, close, isOpened" << -1;
        QTest::newRow("keeps it, release")      << false << true  << false << "isOpened, isRunning, stop, close, isOpened" << 0;
        // clang-format on
    }
    void failedClose() {
        QFETCH(bool, letsGo);
        QFETCH(bool, release);
        TestModule* module = nullptr;
        Engine engine([&module](PassFeed*) { return module = new TestModule; });
        for (quint32 i = 0; i < 2; ++i) {
            Engine::Crate crate;
            crate.name = QStringLiteral("192.0.2.%1").arg(11 + i);
            crate.slotList.append(Engine::Slot());
            crate.slotList[0].device.address = 0xC0000200u + 11 + i;
            engine.crates().append(crate);
        }
        QVERIFY(engine.useModule(0, 0));
        module->failing = QStringList{QStringLiteral("close")};
        module->letGoOnFailedClose = letsGo;
        module->clearCalls();
        QTEST(release ? engine.releaseModule() : engine.useModule(1, 0), "result");
        QTEST(module->calls().join(QLatin1String(", ")), "calls");
        QTEST(engine.crateInUse(), "inUse");
        QCOMPARE(module->opened.load(), !letsGo || !release);
    }

    // stop in the engine's thread: driver calls by mode and state, stopped
    // once, the driver's thread ended (a call queued for it afterwards never
    // runs) and the driver deleted with the engine, also without stop.
    void stopInEngineThread_data() {
        QTest::addColumn<int>("mode"); // -1: deleted without stop
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("calls");
        // clang-format off
        QTest::newRow("running")        << 0 << true << true << "isOpened, isRunning, stop, close";
        QTest::newRow("open, idle")     << 0 << true << false << "isOpened, isRunning, close";
        QTest::newRow("closed")         << 0 << false << false << "isOpened";
        QTest::newRow("emulator")       << 1 << true << true << "";
        QTest::newRow("no stop at all") << -1 << false << false << "";
        // clang-format on
    }
    void stopInEngineThread() {
        QFETCH(int, mode);
        const int destroyedBefore = TestModule::destroyed;
        TestModule* module = nullptr;
        auto* engine = new Engine([&module](PassFeed*) { return module = new TestModule; });
        engine->setModuleMode(std::max(mode, 0));
        QFETCH(bool, opened);
        QFETCH(bool, running);
        module->opened = opened;
        module->running = running;
        QThread threadEngine;
        engine->moveToThread(&threadEngine);
        threadEngine.start();
        QSignalSpy stopped(engine, &Engine::stopped);
        if (mode >= 0) {
            QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
            QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 20000);
            QTEST(module->calls().join(", "), "calls");
            QVERIFY(module->thread()->isFinished());
            QMetaObject::invokeMethod(module, "ping", Qt::QueuedConnection);
        }
        threadEngine.quit();
        QVERIFY(threadEngine.wait(20000));
        QCoreApplication::processEvents();
        QCOMPARE(module->pings.load(), 0);
        delete engine;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // A driver thread that does not end (a restart stuck in the library)
    // holds the engine's stop no longer than its bound; the thread is then
    // reported as not ended, and ends on its own later.
    void moduleThreadBound() {
        TestModule* module = nullptr;
        auto* engine = new Engine([&module](PassFeed*) { return module = new TestModule; });
        QThread threadEngine;
        engine->moveToThread(&threadEngine);
        threadEngine.start();
        QSignalSpy stopped(engine, &Engine::stopped);
        // By the bound alone: the locale's codec may not be UTF-8 here.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(" %1 ").arg(Engine::moduleThreadWaitMs)));
        QMetaObject::invokeMethod(module, "hold", Qt::QueuedConnection,
                                  Q_ARG(int, Engine::moduleThreadWaitMs + 2000));
        QTRY_VERIFY(module->holding.load()); // the driver's thread is busy before the stop
        QElapsedTimer clock;
        clock.start();
        QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, Engine::moduleThreadWaitMs + 1500);
        QVERIFY(clock.elapsed() >= Engine::moduleThreadWaitMs - 100);
        QVERIFY(!engine->moduleThreadEnded() && engine->hasStopped());
        QTRY_VERIFY_WITH_TIMEOUT(engine->moduleThreadEnded(), 5000);
        threadEngine.quit();
        QVERIFY(threadEngine.wait(20000));
        delete engine;
    }

    // The search against the simulated library: names compared whole, one
    // crate with one slot per device, the diagnostic on standard error, the
    // old list kept on a failed search.
    void search_data() {
        QTest::addColumn<QByteArray>("devices"); // name address serial, ...; or a whole broken file
        QTest::addColumn<int>("status");         // 1: any negative
        QTest::addColumn<QString>("names");
        QTest::addColumn<QByteArray>("diagnostic");
        // clang-format off
        QTest::newRow("two of three match") << QByteArray("VRK11 192.0.2.11 S1, VRK12 192.0.2.20 S2, VRK11 192.0.2.12 S3") << 0 << "192.0.2.11 S1, 192.0.2.12 S3" << QByteArray("VRK_Search: err=0 dev_qty=3\n");
        QTest::newRow("no device")          << QByteArray() << 0 << "" << QByteArray("VRK_Search: err=0 dev_qty=0\n");
        QTest::newRow("names not whole")    << QByteArray("VRK11X 10.0.0.1 S1, VRK1 10.0.0.2 S2, vrk11 10.0.0.3 S3") << 0 << "" << QByteArray("VRK_Search: err=0 dev_qty=3\n");
        QTest::newRow("search fault")       << QByteArray(R"({"faults":{"search":-7}})") << -7 << "old" << QByteArray("VRK_Search: err=-7 dev_qty=");
        QTest::newRow("broken config")      << QByteArray("{\"searchDelayMs\": oops") << 1 << "old" << QByteArray("VRK_Search: err=-");
        // clang-format on
    }
    void search() {
        QFETCH(QByteArray, devices);
        QFETCH(int, status);
        QFETCH(QString, names);
        QFETCH(QByteArray, diagnostic);
        QByteArray text = devices;
        if (!devices.startsWith('{')) {
            QByteArrayList list;
            for (const QByteArray& d : devices.split(',')) {
                const QByteArrayList w = d.simplified().split(' ');
                if (w.size() == 3)
                    list << "{\"name\":\"" + w[0] + "\",\"address\":\"" + w[1] + "\",\"serial\":\"" + w[2] +
                                "\"}";
            }
            text = "{\"searchDelayMs\":5,\"devices\":[" + list.join(',') + "]}";
        }
        QVERIFY(!writeSimConfig(dir, text).isEmpty());
        Engine engine([](PassFeed*) { return new TestModule; });
        engine.crates().append(Engine::Crate());
        engine.crates()[0].name = QStringLiteral("old");
        int got = 0;
        QByteArray err;
        {
            StderrCapture capture(dir.filePath(QStringLiteral("stderr.txt")));
            got = engine.SearchVRKmodules("VRK11", 6);
            err = capture.text();
        }
        QVERIFY2(status == 1 ? got < 0 : got == status, QByteArray::number(got).constData());
        QVERIFY2(err.contains(diagnostic), err.constData());
        QStringList found;
        for (const Engine::Crate& c : engine.crates()) {
            const Engine::Slot s = c.slotList.value(0);
            found << (got == 0 ? c.name + QLatin1Char(' ') + s.serial : c.name);
            QVERIFY(got != 0 || (c.kind == 1 && c.slotList.size() == 1 && s.moduleType == 0x0B0B &&
                                 s.name == c.name && QHostAddress(s.device.address).toString() == c.name &&
                                 quint32(c.id) == s.device.address));
        }
        QCOMPARE(found.join(QLatin1String(", ")), names);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
