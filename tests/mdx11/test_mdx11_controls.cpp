// Channel controls with the driver in its own thread: each script of
// operator actions, then the state of the controls, the restarts emitted,
// and the invariants that must hold whatever the script.

#include <QSemaphore>
#include <QSpinBox>
#include <QtTest>

#include "driver_harness.h"

class TestMdx11Controls : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }

    void scripts_data();
    void scripts();
    void frequencyIsStoredButNotSaved();
    void optionsEditWorkingCopies();
    void restartWithoutDeviceStaysQuiet();
    void stalledGuiThreadLosesNoChange();
};

void TestMdx11Controls::scripts_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<int>("allState");
    QTest::addColumn<int>("restarts");
    QTest::addColumn<int>("commonRange"); // -2: not checked
    QTest::addColumn<int>("commonType");  // -2: not checked
    QTest::addColumn<QString>("ranges");  // channel:index
    QTest::addColumn<QString>("types");   // channel:index (0 AC, 1 DC)

    const QString first16 = QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16");
    QTest::newRow("all-channels box from the defaults checks 1-16")
        << QStringList{"all"} << first16 << int(Qt::Checked) << 1 << -2 << -2 << ""
        << "";
    QTest::newRow("all-channels box again unchecks every channel")
        << QStringList{"all", "all"} << "" << int(Qt::Unchecked) << 2 << -2 << -2 << ""
        << "";
    QTest::newRow("unchecking one of sixteen makes the box partial and nothing else")
        << QStringList{"all", "uncheck 5"} << "1,2,3,4,6,7,8,9,10,11,12,13,14,15,16"
        << int(Qt::PartiallyChecked) << 2 << -2 << -2 << ""
        << "";
    QTest::newRow("checking the last of sixteen makes the box checked")
        << QStringList{"all", "uncheck 5", "check 5"} << first16 << int(Qt::Checked) << 3 << -2 << -2 << ""
        << "";
    QTest::newRow("common ground opens 17-32 but checks none")
        << QStringList{"mode common"} << "1" << int(Qt::PartiallyChecked) << 1 << -2 << -2 << ""
        << "";
    QTest::newRow("common ground with nothing checked shows unchecked")
        << QStringList{"uncheck 1", "mode common"} << "" << int(Qt::Unchecked) << 2 << -2 << -2 << ""
        << "";
    QTest::newRow("all-channels box in common ground checks 1-32")
        << QStringList{"mode common", "all"}
        << "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32"
        << int(Qt::Checked) << 2 << -2 << -2 << ""
        << "";
    QTest::newRow("back to differential unchecks and closes 17-32")
        << QStringList{"mode common", "check 20", "check 25", "mode diff"} << "1" << int(Qt::PartiallyChecked)
        << 4 << -2 << -2 << ""
        << "";
    QTest::newRow("back to differential after all 32 leaves 1-16 checked")
        << QStringList{"mode common", "all", "mode diff"} << first16 << int(Qt::Checked) << 3 << -2 << -2
        << ""
        << "";
    QTest::newRow("common range goes to enabled channels only")
        << QStringList{"check 3", "crange 2"} << "1,3" << int(Qt::PartiallyChecked) << 2 << 2 << 0
        << "1:2,2:0,3:2,4:0"
        << "";
    QTest::newRow("one channel's own range blanks the common range")
        << QStringList{"check 3", "crange 2", "chrange 3 1"} << "1,3" << int(Qt::PartiallyChecked) << 3 << -1
        << 0 << "1:2,3:1"
        << "";
    QTest::newRow("setting it back shows the common range again")
        << QStringList{"check 3", "crange 2", "chrange 3 1", "chrange 3 2"} << "1,3"
        << int(Qt::PartiallyChecked) << 4 << 2 << 0 << "1:2,3:2"
        << "";
    QTest::newRow("common DC goes to enabled channels only")
        << QStringList{"check 3", "ctype DC"} << "1,3" << int(Qt::PartiallyChecked) << 2 << 0 << 1 << ""
        << "1:1,2:0,3:1";
    QTest::newRow("one channel's own type blanks the common type")
        << QStringList{"check 3", "chtype 3 DC"} << "1,3" << int(Qt::PartiallyChecked) << 2 << 0 << -1 << ""
        << "1:0,3:1";
    QTest::newRow("all channels agreeing again shows their type")
        << QStringList{"check 3", "chtype 3 DC", "chtype 1 DC"} << "1,3" << int(Qt::PartiallyChecked) << 3
        << 0 << 1 << ""
        << "1:1,3:1";
    QTest::newRow("a newly checked channel with another range blanks the common range")
        << QStringList{"crange 3", "check 2"} << "1,2" << int(Qt::PartiallyChecked) << 2 << -1 << 0
        << "1:3,2:0"
        << "";
    QTest::newRow("unchecking the odd one out mirrors the rest")
        << QStringList{"crange 3", "check 2", "uncheck 2"} << "1" << int(Qt::PartiallyChecked) << 3 << 3 << 0
        << "1:3,2:0"
        << "";
    QTest::newRow("channel 20 checked in common ground is the reference for the mirror")
        << QStringList{"uncheck 1", "mode common", "check 20", "chrange 20 3"} << "20"
        << int(Qt::PartiallyChecked) << 4 << 3 << 0 << "20:3"
        << "";
}

void TestMdx11Controls::scripts() {
    QFETCH(QStringList, actions);
    QFETCH(QString, checked);
    QFETCH(int, allState);
    QFETCH(int, restarts);
    QFETCH(int, commonRange);
    QFETCH(int, commonType);
    QFETCH(QString, ranges);
    QFETCH(QString, types);

    DriverHarness h;
    QVERIFY(h.settle());
    const int before = h.restarts();
    bool modeLast = false;
    for (const QString& action : actions) {
        QVERIFY2(h.act(action), qPrintable(action));
        QVERIFY(h.settle());
        modeLast = action.startsWith(QLatin1String("mode"));
        const QString broken = h.brokenInvariant(!modeLast, !modeLast);
        QVERIFY2(broken.isEmpty(), qPrintable(action + QLatin1String(": ") + broken));
    }
    QCOMPARE(h.checkedChannels(), checked);
    QCOMPARE(int(h.allChannels()->checkState()), allState);
    QCOMPARE(h.restarts() - before, restarts);
    if (commonRange != -2)
        QCOMPARE(h.commonRange()->currentIndex(), commonRange);
    if (commonType != -2)
        QCOMPARE(h.commonType()->currentIndex(), commonType);
    for (const auto& p : channelPairs(ranges))
        QCOMPARE(h.range(p.first)->currentIndex(), p.second);
    for (const auto& p : channelPairs(types))
        QCOMPARE(h.type(p.first)->currentIndex(), p.second);
}

void TestMdx11Controls::frequencyIsStoredButNotSaved() {
    int restarts = 0;
    {
        DriverHarness h;
        QVERIFY(h.settle());
        const int before = h.restarts();
        QVERIFY(h.act("freq 3"));
        QVERIFY(h.settle());
        QCOMPARE(ModuleMdx11Test::adcFrequencyIndex(*h.driver), 3);
        restarts = h.restarts() - before;
    }
    QCOMPARE(restarts, 1);
    DriverHarness again;
    QCOMPARE(again.frequency()->currentIndex(), 0);
    QCOMPARE(again.frequency()->currentText(), QStringLiteral("20 кГц"));
}

void TestMdx11Controls::optionsEditWorkingCopies() {
    DriverHarness h;
    auto* rangeOptions = h.find<QComboBox>(QStringLiteral("comboBoxRangeOptions"));
    auto* ac = h.find<QSpinBox>(QStringLiteral("spinBoxAccuracyAC"));
    auto* dc = h.find<QSpinBox>(QStringLiteral("spinBoxAccuracyDC"));
    h.driver->prepareOptions();
    QVERIFY(h.settle());
    const int before = h.restarts();

    // Per range: choose it, set AC and DC; only that range's working values
    // change, and the committed ones stay until saveSettings.
    const int acValues[4] = {5, 1, 6, 0};
    const int dcValues[4] = {2, 4, 1, 6};
    for (int r : {3, 1, 0, 2}) {
        rangeOptions->setCurrentIndex(r);
        QVERIFY(h.settle());
        ac->setValue(acValues[r]);
        dc->setValue(dcValues[r]);
        QVERIFY(h.settle());
    }
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(ModuleMdx11Test::accuracyAcEdit(*h.driver, r), acValues[r]);
        QCOMPARE(ModuleMdx11Test::accuracyDcEdit(*h.driver, r), dcValues[r]);
        QCOMPARE(ModuleMdx11Test::accuracyAc(*h.driver, r), 3);
    }
    // Choosing "0.15 В" shows that range's working decimals.
    rangeOptions->setCurrentIndex(3);
    QVERIFY(h.settle());
    QCOMPARE(ac->value(), acValues[3]);
    QCOMPARE(dc->value(), dcValues[3]);
    QCOMPARE(h.restarts(), before);
}

void TestMdx11Controls::restartWithoutDeviceStaysQuiet() {
    DriverHarness h;
    QVERIFY(h.settle());
    MessageLog::clear();
    QVERIFY(h.act("check 2"));
    QVERIFY(h.settle());
    // With no device open a restart has nothing to start: no failed
    // configuration, no error box; the controls keep working.
    QVERIFY(h.act("check 3"));
    QVERIFY(h.settle());
    QCOMPARE(h.checkedChannels(), QStringLiteral("1,2,3"));
    QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
}

// The operator's changes are made, then the GUI thread is kept busy (a slow
// call, say) until threadModule has restarted on them without its help.
void TestMdx11Controls::stalledGuiThreadLosesNoChange() {
    DriverHarness h;
    QVERIFY(h.settle());
    QVERIFY(h.openAndStart());
    QTRY_VERIFY_WITH_TIMEOUT(h.recordCount > 0, 30000);
    MessageLog::clear();

    QVERIFY(h.act("mode common"));
    QVERIFY(h.act("all"));
    // Blocked without serving events.  The call queued behind the restart
    // runs once threadModule has served it.
    QSemaphore idle;
    QMetaObject::invokeMethod(
        h.driver, [&idle] { idle.release(); }, Qt::QueuedConnection);
    QVERIFY(idle.tryAcquire(1, 60000));

    QVERIFY(h.settle());
    QCOMPARE(h.checkedChannels().split(',').size(), 32);
    QTRY_COMPARE_WITH_TIMEOUT(h.recordChannels().split(',').size(), 32, 30000);
    QCOMPARE(h.brokenInvariant(true, true), QString());
    QCOMPARE(MessageLog::count(QtWarningMsg) + MessageLog::count(QtCriticalMsg), 0);
}

QTEST_MAIN(TestMdx11Controls)
#include "test_mdx11_controls.moc"
