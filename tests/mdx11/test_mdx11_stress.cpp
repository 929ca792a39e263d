// Hundreds of random operator actions with the driver in its own thread:
// first one at a time, then in rapid bursts that the driver has to catch up
// with.  After every action (resp. burst) the controls must be consistent
// and `restart` must have been emitted once per action that changed a
// control.

#include <QRandomGenerator>
#include <QtTest>

#include "driver_harness.h"

class TestMdx11Stress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void randomActions_data();
    void randomActions();
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
    int expectedRestarts = h.restarts();
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
            ++expectedRestarts;
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
        QVERIFY2(
            h.restarts() == expectedRestarts,
            qPrintable(QStringLiteral("%1 restarts for %2 changes after %3")
                           .arg(h.restarts())
                           .arg(expectedRestarts)
                           .arg(history.mid(history.size() - burstLength - 2).join(QLatin1String("; ")))));
    }
}

QTEST_MAIN(TestMdx11Stress)
#include "test_mdx11_stress.moc"
