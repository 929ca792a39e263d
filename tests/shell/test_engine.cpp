// The engine against a recording test driver: useModule, releaseModule and
// stop, call by call.  (The search is seen through the main window.)
#include <QtCore>
#include <QtTest>

#include "engine.h"
#include "table_rows.h"
#include "test_module.h"

namespace {

// The driver's state before the action.
enum class Before { Nothing, Running, Idle, Lost, Emulator }; // Lost: chosen, then closed on its own

struct Selection {
    const char* name;
    Before before;       // Running, Idle and Lost are on crate 0
    const char* failing; // the driver call that fails during the action; "" none
    bool letsGo;         // a failing close still lets go of the device
    bool release;        // else useModule(crate, slot)
    int crate, slot;
    bool result;
    int inUse;         // crateInUse() after
    const char* calls; // the driver's calls during the action
};

// Two crates 192.0.2.11 and .12, one slot each.  One row per guard of
// useModule and releaseModule.
// clang-format off
const Selection selections[] = {
    {"first crate",                     Before::Nothing,  "",      false, false, 0,  0, true,  0,  "isOpened, open 192.0.2.11, start 0"},
    {"no crate listed",                 Before::Nothing,  "",      false, false, -1, 0, false, -1, "isOpened"},
    {"crate past the end",              Before::Nothing,  "",      false, false, 2,  0, false, -1, "isOpened"},
    {"slot past the end",               Before::Nothing,  "",      false, false, 0,  1, false, -1, "isOpened"},
    {"open fails",                      Before::Nothing,  "open",  false, false, 0,  0, false, -1, "isOpened, open 192.0.2.11"},
    {"start fails, choice kept",        Before::Nothing,  "start", false, false, 0,  0, false, 0,  "isOpened, open 192.0.2.11, start 0"},
    {"same, running: left alone",       Before::Running,  "",      false, false, 0,  0, true,  0,  "isOpened, isRunning"},
    {"same, idle: only started",        Before::Idle,     "",      false, false, 0,  0, true,  0,  "isOpened, isRunning, start 0"},
    {"other crate, stop fails",         Before::Running,  "stop",  false, false, 1,  0, false, -1, "isOpened, isRunning, stop"},
    {"other crate, idle: no stop",      Before::Idle,     "",      false, false, 1,  0, true,  1,  "isOpened, isRunning, close, open 192.0.2.12, start 0"},
    {"other crate, close lets go",      Before::Running,  "close", true,  false, 1,  0, true,  1,  "isOpened, isRunning, stop, close, isOpened, open 192.0.2.12, start 0"},
    {"other crate, close keeps it",     Before::Running,  "close", false, false, 1,  0, false, -1, "isOpened, isRunning, stop, close, isOpened"},
    {"release running",                 Before::Running,  "",      false, true,  0,  0, true,  -1, "isOpened, isRunning, stop, close"},
    {"release idle",                    Before::Idle,     "",      false, true,  0,  0, true,  -1, "isOpened, isRunning, close"},
    {"release, lost: choice kept",      Before::Lost,     "",      false, true,  0,  0, false, 0,  "isOpened"},
    {"release, close keeps it",         Before::Running,  "close", false, true,  0,  0, false, 0,  "isOpened, isRunning, stop, close, isOpened"},
    {"emulator: anything, untouched",   Before::Emulator, "",      false, false, 7,  9, true,  -1, ""},
};
// clang-format on

// The engine's driver, kept for the test (the engine owns it).
struct Driven {
    TestModule* module = nullptr;
    Engine engine{[this](PassFeed*) { return module = new TestModule; }};
};

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    // The driver calls of a choice or a release, its result, the crate in
    // use after it, and the serial number a newly opened device shows.
    void selection_data() { addRows(selections); }
    void selection() {
        const Selection& s = fetchRow(selections);
        Driven d;
        for (quint32 i = 0; i < 2; ++i) {
            Engine::Crate crate;
            crate.name = QStringLiteral("192.0.2.%1").arg(11 + i);
            crate.slotList.append(Engine::Slot());
            crate.slotList[0].device.address = 0xC0000200u + 11 + i;
            d.engine.crates().append(crate);
        }
        if (s.before == Before::Emulator)
            d.engine.setModuleMode(1);
        else if (s.before != Before::Nothing)
            QVERIFY(d.engine.useModule(0, 0));
        d.module->running = s.before == Before::Running;
        d.module->opened = s.before == Before::Running || s.before == Before::Idle;
        d.module->failing = QString::fromLatin1(s.failing).split(' ', Qt::SkipEmptyParts);
        d.module->letGoOnFailedClose = s.letsGo;
        d.module->clearCalls();
        d.engine.crates()[0].slotList[0].serial.clear();
        QCOMPARE(s.release ? d.engine.releaseModule() : d.engine.useModule(s.crate, s.slot), s.result);
        QCOMPARE(d.module->calls().join(QLatin1String(", ")), QLatin1String(s.calls));
        QCOMPARE(d.engine.crateInUse(), s.inUse);
        for (const Engine::Crate& c : d.engine.crates())
            QCOMPARE(c.slotList[0].serial == QLatin1String("TEST-SERIAL"),
                     QString::fromLatin1(s.calls).contains("open " + c.name) &&
                         QLatin1String(s.failing) != "open");
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
        QFETCH(bool, opened);
        QFETCH(bool, running);
        const int destroyedBefore = TestModule::destroyed;
        auto* d = new Driven;
        d->engine.setModuleMode(std::max(mode, 0));
        d->module->opened = opened;
        d->module->running = running;
        QThread threadEngine;
        d->engine.moveToThread(&threadEngine);
        threadEngine.start();
        QSignalSpy stopped(&d->engine, &Engine::stopped);
        if (mode >= 0) {
            QMetaObject::invokeMethod(&d->engine, "stop", Qt::QueuedConnection);
            QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 20000);
            QTEST(d->module->calls().join(", "), "calls");
            QVERIFY(d->module->thread()->isFinished());
            QMetaObject::invokeMethod(d->module, "ping", Qt::QueuedConnection);
        }
        threadEngine.quit();
        QVERIFY(threadEngine.wait(20000));
        QCoreApplication::processEvents();
        QCOMPARE(d->module->pings.load(), 0);
        delete d;
        QCOMPARE(TestModule::destroyed.load(), destroyedBefore + 1);
    }

    // A driver thread that does not end (a restart stuck in the library)
    // holds the engine's stop no longer than its bound; the thread is then
    // reported as not ended, and ends on its own later.
    void moduleThreadBound() {
        Driven d;
        QThread threadEngine;
        d.engine.moveToThread(&threadEngine);
        threadEngine.start();
        QSignalSpy stopped(&d.engine, &Engine::stopped);
        // By the bound alone: the locale's codec may not be UTF-8 here.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(" %1 ").arg(Engine::moduleThreadWaitMs)));
        QMetaObject::invokeMethod(d.module, "hold", Qt::QueuedConnection,
                                  Q_ARG(int, Engine::moduleThreadWaitMs + 1000));
        QTRY_VERIFY(d.module->holding.load()); // the driver's thread is busy before the stop
        QElapsedTimer clock;
        clock.start();
        QMetaObject::invokeMethod(&d.engine, "stop", Qt::QueuedConnection);
        // A stop that waited for the hold would find the thread ended below.
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 2 * Engine::moduleThreadWaitMs);
        QVERIFY(clock.elapsed() >= Engine::moduleThreadWaitMs - 100);
        QVERIFY(!d.engine.moduleThreadEnded() && d.engine.hasStopped());
        QTRY_VERIFY_WITH_TIMEOUT(d.engine.moduleThreadEnded(), 5000);
        threadEngine.quit();
        QVERIFY(threadEngine.wait(20000));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
