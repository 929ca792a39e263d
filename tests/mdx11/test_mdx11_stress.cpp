// Hundreds of random operator actions with the driver in its own thread:
// first one at a time, then in rapid bursts.  The controls must be
// consistent after every action, with no waiting, and the mirror the
// acquisition reads must follow them; restarts coalesce, so a burst asks
// for at most as many restarts as it made changes, and a running module
// ends up measuring exactly the checked channels.

#include <QRandomGenerator>
#include <QtTest>

#include "driver_harness.h"

class TestMdx11Stress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void randomActions_data();
    void randomActions();
    void burstWhileAcquiring_data();
    void burstWhileAcquiring();
};

namespace {

// A random action a user could do now: only on controls that are enabled.
QString randomAction(const DriverHarness& h, QRandomGenerator& random) {
    const int kind = random.bounded(100);
    auto enabledChannel = [&](auto widgetOf) {
        QList<int> candidates;
        for (int n = 1; n <= 32; ++n)
            if (DriverHarness::ownEnabled(widgetOf(n)))
                candidates << n;
        return candidates.isEmpty() ? 0 : candidates[random.bounded(candidates.size())];
    };
    if (kind < 10)
        return QStringLiteral("all");
    if (kind < 45) {
        const int n = enabledChannel([&](int c) { return h.check(c); });
        return QStringLiteral("%1 %2").arg(h.check(n)->isChecked() ? "uncheck" : "check").arg(n);
    }
    if (kind < 53)
        return h.mode()->currentIndex() == 0 ? QStringLiteral("mode common") : QStringLiteral("mode diff");
    if (kind < 63)
        return QStringLiteral("crange %1").arg(random.bounded(4));
    if (kind < 71)
        return QStringLiteral("ctype %1").arg(random.bounded(2) ? "DC" : "AC");
    if (kind < 86) {
        const int n = enabledChannel([&](int c) { return h.range(c); });
        return n ? QStringLiteral("chrange %1 %2").arg(n).arg(random.bounded(4)) : QStringLiteral("all");
    }
    const int n = enabledChannel([&](int c) { return h.type(c); });
    return n ? QStringLiteral("chtype %1 %2").arg(n).arg(random.bounded(2) ? "DC" : "AC")
             : QStringLiteral("all");
}

bool mirrorMatches(const DriverHarness& h) {
    const std::vector<ChannelControlState> rows = ModuleMdx11Test::mirror(*h.driver);
    if (rows.size() != 32)
        return false;
    for (const ChannelControlState& row : rows)
        if (row.checked != h.check(row.number)->isChecked() ||
            row.rangeIndex != h.range(row.number)->currentIndex() ||
            row.dc != (h.type(row.number)->currentText() == QLatin1String("DC")))
            return false;
    return true;
}

} // namespace

void TestMdx11Stress::randomActions_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("bursts");
    QTest::addColumn<int>("burstLength"); // 1: the driver settles after each action
    QTest::newRow("one at a time") << quint32(11) << 300 << 1;
    QTest::newRow("bursts of 8") << quint32(12) << 40 << 8;
    QTest::newRow("bursts of 25") << quint32(13) << 12 << 25;
    QTest::newRow("bursts of 60") << quint32(14) << 6 << 60;
}

void TestMdx11Stress::randomActions() {
    QFETCH(quint32, seed);
    QFETCH(int, bursts);
    QFETCH(int, burstLength);

    // VERNIER_STRESS_SEED explores other sequences than the fixed ones.
    bool exploring = false;
    const quint32 explore = qEnvironmentVariable("VERNIER_STRESS_SEED").toUInt(&exploring);
    QRandomGenerator random(exploring ? explore ^ seed : seed);
    DriverHarness h;
    QVERIFY(h.settle());
    int changes = 0;
    const int restartsBefore = h.restarts();
    // The common boxes are refreshed by channel-level changes only; a mode
    // switch may leave them stale until the next such change.
    bool rangeFresh = true, typeFresh = true;
    QStringList history;

    for (int b = 0; b < bursts; ++b) {
        for (int i = 0; i < burstLength; ++i) {
            const QString action = randomAction(h, random);
            history << action;
            if (!h.act(action))
                continue;
            ++changes;
            // Slots run at once in the GUI thread: rows follow their boxes
            // and the mirror follows the controls without any waiting.
            const QString now = h.brokenInvariant(false, false);
            QVERIFY2(now.isEmpty(), qPrintable(now + QLatin1String(" right after ") + action));
            QVERIFY2(mirrorMatches(h), qPrintable(QLatin1String("mirror stale after ") + action));
            if (action.startsWith(QLatin1String("mode")))
                rangeFresh = typeFresh = false;
            else if (action.startsWith(QLatin1String("crange")) ||
                     action.startsWith(QLatin1String("chrange")))
                rangeFresh = true;
            else if (action.startsWith(QLatin1String("ctype")) || action.startsWith(QLatin1String("chtype")))
                typeFresh = true;
            else if (!h.checkedChannels().isEmpty())
                rangeFresh = typeFresh = true;
        }
        QVERIFY2(h.settle(), "the driver did not settle");
        const bool sequential = burstLength == 1;
        const QString broken = h.brokenInvariant(sequential && rangeFresh, sequential && typeFresh);
        QVERIFY2(broken.isEmpty(),
                 qPrintable(broken + QLatin1String(" after ") +
                            history.mid(history.size() - burstLength - 2).join(QLatin1String("; "))));
        QVERIFY2(h.restarts() - restartsBefore <= changes,
                 qPrintable(QStringLiteral("%1 restarts for %2 changes")
                                .arg(h.restarts() - restartsBefore)
                                .arg(changes)));
        if (changes > 0)
            QVERIFY(h.restarts() > restartsBefore);
    }
}

void TestMdx11Stress::burstWhileAcquiring_data() {
    QTest::addColumn<quint32>("seed");
    QTest::newRow("a") << quint32(21);
    QTest::newRow("b") << quint32(22);
    QTest::newRow("c") << quint32(23);
}

// Clicks on channel boxes, the all-channels box and the mode box with only
// processEvents() between them, while acquiring.
void TestMdx11Stress::burstWhileAcquiring() {
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    DriverHarness h;
    QVERIFY(h.settle());
    QVERIFY(h.openAndStart());
    for (int i = 0; i < 60; ++i) {
        const int kind = random.bounded(10);
        QString action;
        if (kind == 0)
            action = QStringLiteral("all");
        else if (kind == 1)
            action =
                h.mode()->currentIndex() == 0 ? QStringLiteral("mode common") : QStringLiteral("mode diff");
        else {
            const int n = 1 + random.bounded(h.mode()->currentIndex() == 0 ? 16 : 32);
            action = QStringLiteral("%1 %2").arg(h.check(n)->isChecked() ? "uncheck" : "check").arg(n);
        }
        h.act(action);
        const QString now = h.brokenInvariant(false, false);
        QVERIFY2(now.isEmpty(), qPrintable(now + QLatin1String(" right after ") + action));
        QCoreApplication::processEvents();
    }
    if (h.checkedChannels().isEmpty())
        QVERIFY(h.act("check 1"));
    const QString final = h.checkedChannels();
    // The records follow: the newest configuration is the checked set.
    QTRY_COMPARE_WITH_TIMEOUT(h.recordChannels(), final, 30000);
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

QTEST_MAIN(TestMdx11Stress)
#include "test_mdx11_stress.moc"
