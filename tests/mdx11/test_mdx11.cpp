// The 11-series driver's controls and settings, with the driver under the
// engine as in the program.

#include <QRandomGenerator>
#include <QSemaphore>
#include <QSpinBox>
#include <QtTest>
#include <array>
#include <cmath>
#include <memory>

#include "driver_harness.h"
#include "reading_text.h"
#include "sim_setup.h"

namespace {

// The stored words in key order: ChannelsEnabled, ChannelsSetToDc,
// Channels16SelectedRange, Channels32SelectedRange, TestSignalFrequencyHz.
using Words = std::array<const char*, 5>;
const char* const wordKeys[] = {"ChannelsEnabled", "ChannelsSetToDc", "Channels16SelectedRange",
                                "Channels32SelectedRange", "TestSignalFrequencyHz"};

// The range and type indexes one channel's boxes show (type 1: DC).
struct Boxes {
    int channel, range, type;
};

struct Script {
    Words stored;                // nothing stored when the first is null
    std::vector<Action> actions; // after the restore
    quint32 checked;
    int allState;                // 0 unchecked, 1 partial, 2 checked
    int restarts;                // asked for
    int commonRange, commonType; // the common boxes (-1 blank); -2: not looked at
    std::vector<Boxes> boxes;
    Words saved;     // the words at exit; not looked at when the first is null
    double signalHz; // the test-signal frequency in use
};

// A state of the channel table: the mode, the channels checked (bit n-1
// for channel n), the decimals of AC and DC readings on 10 V and of
// frequencies, and whether a device measures.
struct TableState {
    bool common;
    quint32 checked;
    int decimals;
    int frequencyDecimals;
    bool measuring;
};

const QString accuracyKeys = "AccuracyAC_10V AccuracyAC_2_5V AccuracyAC_0_6V AccuracyAC_0_15V AccuracyDC_10V "
                             "AccuracyDC_2_5V AccuracyDC_0_6V AccuracyDC_0_15V AccuracyFreq";

// The stored texts of the keys, space-separated.
QString stored(QSettings& settings, const QStringList& keys) {
    settings.sync();
    QStringList values;
    for (const QString& key : keys)
        values << settings.value("MDX11/" + key).toString();
    return values.join(' ');
}

// An action the operator could do now: only on enabled controls.
Action randomAction(const DriverHarness& h, QRandomGenerator& random, bool acquiring) {
    QList<int> open, checked;
    for (int n = 1; n <= 32; ++n) {
        if (DriverHarness::ownEnabled(h.check(n)))
            open << n;
        if (h.check(n)->isChecked())
            checked << n;
    }
    const int kind = random.bounded(100), n = open[random.bounded(open.size())], r = random.bounded(4);
    const int c = checked.isEmpty() ? 0 : checked[random.bounded(checked.size())];
    const int dc = random.bounded(2);
    if (kind < 10 || (kind >= 66 && c == 0))
        return {Action::All};
    if (kind < 40)
        return {h.check(n)->isChecked() ? Action::Uncheck : Action::Check, n};
    if (kind < 47)
        return {h.combo("comboBoxMode")->currentIndex() ? Action::Differential : Action::Common};
    if (kind < 62)
        return kind < 55 ? Action{Action::CommonRange, 0, r} : Action{Action::CommonType, 0, dc};
    if (kind < 66 && acquiring)
        return kind < 64 ? Action{Action::Decimals, 0, r, n % 7, c % 7, kind % 7}
                         : Action{Action::Frequency, 0, r + 1};
    return kind < 83 ? Action{Action::Range, c, r} : Action{Action::Type, c, dc};
}

} // namespace

Q_DECLARE_METATYPE(Script)

class TestMdx11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }

    // Stored words are restored into the controls (whose mirror then equals
    // them), the actions follow, each leaving the invariants whole, and the
    // words saved at exit say what the controls showed.  A test-signal
    // frequency that is no positive finite number means 20 Hz, and its text
    // is never rewritten.  With no device open nothing is said.
    void scripts_data() {
        QTest::addColumn<Script>("s");
        const quint32 all16 = 0xFFFF, all32 = 0xFFFFFFFF;
        const Words none{}, defaults{"1", "0", "0", "0", "20"};
        using A = Action;
        // clang-format off
        QTest::newRow("nothing stored")                    << Script{none, {}, 0x1, 1, 0, 0, 0, {{1, 0, 0}, {2, 0, 0}}, defaults, 20};
        QTest::newRow("enabled 0 reads as channel 1")      << Script{{"0", "0", "0", "0", "0"}, {}, 0x1, 1, 0, -2, -2, {}, {"1", "0", "0", "0", "0"}, 20};
        QTest::newRow("channels 1 and 3, 3 DC")            << Script{{"5", "4", "0", "0", "1000"}, {}, 0x5, 1, 0, 0, -1, {{1, 0, 0}, {3, 0, 1}}, {"5", "4", "0", "0", "1000"}, 1000};
        QTest::newRow("range word 12: 2 on 0.15 V")        << Script{{"3", "0", "12", "0", "-5"}, {}, 0x3, 1, 0, -1, 0, {{1, 0, 0}, {2, 3, 0}}, {"3", "0", "12", "0", "-5"}, 20};
        QTest::newRow("a channel not enabled gets none")   << Script{{"1", "2", "12", "0", "inf"}, {}, 0x1, 1, 0, 0, 0, {{2, 0, 0}}, {"1", "0", "0", "0", "inf"}, 20};
        QTest::newRow("17 switches to common ground")      << Script{{"65536", "0", "0", "0", "20"}, {}, 0x10000, 1, 1, -2, -2, {}, {"65536", "0", "0", "0", "20"}, 20};
        QTest::newRow("channel 20 on 0.6 V DC")            << Script{{"524288", "524288", "0", "128", "20"}, {}, 0x80000, 1, 1, 2, 1, {{20, 2, 1}}, {"524288", "524288", "0", "128", "20"}, 20};
        QTest::newRow("every bit set")                     << Script{{"4294967295", "4294967295", "4294967295", "4294967295", "20"}, {}, all32, 2, 1, 3, 1, {{1, 3, 1}, {32, 3, 1}}, {"4294967295", "4294967295", "4294967295", "4294967295", "20"}, 20};
        QTest::newRow("words that are no numbers")         << Script{{"abc", "x", "?", "1.5", "nan"}, {}, 0x1, 1, 0, -2, -2, {}, {"1", "0", "0", "0", "nan"}, 20};
        QTest::newRow("a negative mask")                   << Script{{"-1", "0", "0", "0", "abc"}, {}, 0x1, 1, 0, -2, -2, {}, {"1", "0", "0", "0", "abc"}, 20};
        QTest::newRow("a mask beyond 32 bits")             << Script{{"4294967296", "0", "0", "0", "20"}, {}, 0x1, 1, 0, -2, -2, {}, defaults, 20};
        QTest::newRow("all-channels box checks 1-16")      << Script{none, {{A::All}}, all16, 2, 1, -2, -2, {}, {"65535", "0", "0", "0", "20"}, 20};
        QTest::newRow("all-channels box again: none")      << Script{none, {{A::All}, {A::All}}, 0, 0, 2, -2, -2, {}, {"0", "0", "0", "0", "20"}, 20};
        QTest::newRow("one of sixteen unchecked: partial") << Script{none, {{A::All}, {A::Uncheck, 5}}, all16 & ~0x10u, 1, 2, -2, -2, {}, none, 0};
        QTest::newRow("the last of sixteen: checked")      << Script{none, {{A::All}, {A::Uncheck, 5}, {A::Check, 5}}, all16, 2, 3, -2, -2, {}, none, 0};
        QTest::newRow("common ground opens 17-32, checks none") << Script{none, {{A::Common}}, 0x1, 1, 1, -2, -2, {}, none, 0};
        QTest::newRow("common ground, nothing checked")    << Script{none, {{A::Uncheck, 1}, {A::Common}}, 0, 0, 2, -2, -2, {}, none, 0};
        QTest::newRow("all-channels box in common ground") << Script{none, {{A::Common}, {A::All}}, all32, 2, 2, -2, -2, {}, none, 0};
        QTest::newRow("differential unchecks, closes 17-32") << Script{none, {{A::Common}, {A::Check, 20}, {A::Check, 25}, {A::Differential}}, 0x1, 1, 4, -2, -2, {}, defaults, 20};
        QTest::newRow("differential after all 32")         << Script{none, {{A::Common}, {A::All}, {A::Differential}}, all16, 2, 3, -2, -2, {}, none, 0};
        QTest::newRow("common range to enabled channels")  << Script{none, {{A::Check, 3}, {A::CommonRange, 0, 2}}, 0x5, 1, 2, 2, 0, {{1, 2, 0}, {2, 0, 0}, {3, 2, 0}, {4, 0, 0}}, {"5", "0", "34", "0", "20"}, 20};
        QTest::newRow("a channel's own range blanks it")   << Script{none, {{A::Check, 3}, {A::CommonRange, 0, 2}, {A::Range, 3, 1}}, 0x5, 1, 3, -1, 0, {{1, 2, 0}, {3, 1, 0}}, none, 0};
        QTest::newRow("set back, the common range shows")  << Script{none, {{A::Check, 3}, {A::CommonRange, 0, 2}, {A::Range, 3, 1}, {A::Range, 3, 2}}, 0x5, 1, 4, 2, 0, {{1, 2, 0}, {3, 2, 0}}, none, 0};
        QTest::newRow("common DC to enabled channels")     << Script{none, {{A::Check, 3}, {A::CommonType, 0, 1}}, 0x5, 1, 2, 0, 1, {{1, 0, 1}, {2, 0, 0}, {3, 0, 1}}, {"5", "5", "0", "0", "20"}, 20};
        QTest::newRow("a channel's own type blanks it")    << Script{none, {{A::Check, 3}, {A::Type, 3, 1}}, 0x5, 1, 2, 0, -1, {{1, 0, 0}, {3, 0, 1}}, none, 0};
        QTest::newRow("all agreeing again shows the type") << Script{none, {{A::Check, 3}, {A::Type, 3, 1}, {A::Type, 1, 1}}, 0x5, 1, 3, 0, 1, {{1, 0, 1}, {3, 0, 1}}, none, 0};
        QTest::newRow("a new channel on another range")    << Script{none, {{A::CommonRange, 0, 3}, {A::Check, 2}}, 0x3, 1, 2, -1, 0, {{1, 3, 0}, {2, 0, 0}}, none, 0};
        QTest::newRow("unchecking the odd one out")        << Script{none, {{A::CommonRange, 0, 3}, {A::Check, 2}, {A::Uncheck, 2}}, 0x1, 1, 3, 3, 0, {{1, 3, 0}, {2, 0, 0}}, none, 0};
        QTest::newRow("20 in common ground, the reference") << Script{none, {{A::Uncheck, 1}, {A::Common}, {A::Check, 20}, {A::Range, 20, 3}}, 0x80000, 1, 4, 3, 0, {{20, 3, 0}}, {"524288", "0", "0", "192", "20"}, 20};
        QTest::newRow("17-32 on 0.15 V, 1 unchecked")      << Script{none, {{A::Common}, {A::All}, {A::CommonRange, 0, 3}, {A::Uncheck, 1}}, all32 & ~1u, 1, 4, -2, -2, {}, {"4294967294", "0", "4294967295", "4294967295", "20"}, 20};
        QTest::newRow("unchecked 2 keeps DC and 0.6 V")    << Script{none, {{A::Check, 2}, {A::Range, 2, 2}, {A::Type, 2, 1}, {A::Uncheck, 2}}, 0x1, 1, 4, -2, -2, {}, {"1", "2", "8", "0", "20"}, 20};
        QTest::newRow("channel 32 DC on 2.5 V")            << Script{none, {{A::Common}, {A::Check, 32}, {A::Range, 32, 1}, {A::Type, 32, 1}}, 0x80000001, 1, 4, -2, -2, {}, {"2147483649", "2147483648", "0", "1073741824", "20"}, 20};
        // clang-format on
    }
    void scripts() {
        QFETCH(Script, s);
        QVariantMap keys;
        for (int i = 0; i < 5 && s.stored[0]; ++i)
            keys.insert(wordKeys[i], s.stored[size_t(i)]);
        DriverHarness h(keys);
        QVERIFY(h.settle());
        QCOMPARE(h.brokenInvariant(true, true), QString());
        QCOMPARE(stored(h.settings, accuracyKeys.split(' ')),
                 "3 3 3 3 3 3 3 3 3"); // the defaults, written at once
        for (const Action& action : s.actions) {
            QVERIFY(h.act(action));
            QVERIFY(h.settle());
            const bool fresh = action.kind != Action::Common && action.kind != Action::Differential;
            QCOMPARE(h.brokenInvariant(fresh, fresh), QString());
        }
        QCOMPARE(h.checkedMask(), s.checked);
        QCOMPARE(int(h.allChannels()->checkState()), s.allState);
        QCOMPARE(int(h.restarts), s.restarts);
        if (s.commonRange != -2) {
            QCOMPARE(h.combo("comboBoxRange")->currentIndex(), s.commonRange);
            QCOMPARE(h.combo("comboBoxVoltageType")->currentIndex(), s.commonType);
        }
        for (const Boxes& b : s.boxes) {
            QCOMPARE(h.range(b.channel)->currentIndex(), b.range);
            QCOMPARE(h.type(b.channel)->currentIndex(), b.type);
        }
        QCOMPARE(MessageLog::count(QtWarningMsg) + MessageLog::count(QtCriticalMsg), 0);
        const double signalHz = ModuleMdx11Test::testSignalFrequencyHz(*h.driver);
        h.shutDown();
        if (s.saved[0]) {
            QStringList saved;
            for (const char* word : s.saved)
                saved << word;
            QCOMPARE(stored(h.settings, {std::begin(wordKeys), std::end(wordKeys)}), saved.join(' '));
            QCOMPARE(signalHz, s.signalHz);
        }
    }

    void randomActions_data() {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("bursts");
        QTest::addColumn<int>("burstLength"); // 1: the driver settles after each action
        QTest::addColumn<bool>("acquiring");
        QTest::newRow("one at a time") << quint32(11) << 300 << 1 << false;
        QTest::newRow("bursts of 8") << quint32(12) << 40 << 8 << false;
        QTest::newRow("bursts of 60") << quint32(14) << 6 << 60 << false;
        QTest::newRow("bursts of 25, acquiring") << quint32(21) << 8 << 25 << true;
        QTest::newRow("restart storm: bursts of 150, acquiring") << quint32(22) << 2 << 150 << true;
    }
    // Control slots run at once in the GUI thread: every invariant holds
    // right after each action, with no waiting.  Restarts coalesce: never
    // more than the changes.  A running module measures the checked set.
    void randomActions() {
        QFETCH(quint32, seed);
        QFETCH(int, bursts);
        QFETCH(int, burstLength);
        QFETCH(bool, acquiring);
        // VERNIER_STRESS_SEED explores other sequences than the fixed ones.
        QRandomGenerator random(seed ^ qEnvironmentVariable("VERNIER_STRESS_SEED").toUInt());
        SimConfig sim;
        for (int n = 1; n <= 32; ++n)
            sim.setDc(n, 0.01 * n);
        sim.setSine(5, 2.0, 1000.0, 0.3);
        sim.setSine(32, 0.8, 3000.0);
        QVERIFY(sim.apply());
        DriverHarness h;
        QVERIFY(!acquiring || h.openAndStart());
        int changes = 0;
        bool fresh[2] = {true, true}; // the common range and type boxes; stale after a mode switch
        QStringList history;
        for (int b = 0; b < bursts; ++b, history.clear()) {
            for (int i = 0; i < burstLength; ++i) {
                const Action a = randomAction(h, random, acquiring);
                history << QStringLiteral("%1 %2 %3").arg(a.kind).arg(a.channel).arg(a.index);
                if (!h.act(a))
                    continue;
                ++changes;
                QCOMPARE(h.brokenInvariant(false, false), QString());
                if (a.kind == Action::Common || a.kind == Action::Differential)
                    fresh[0] = fresh[1] = false;
                else if (a.kind == Action::CommonRange || a.kind == Action::Range)
                    fresh[0] = true;
                else if (a.kind == Action::CommonType || a.kind == Action::Type)
                    fresh[1] = true;
                else if (a.kind <= Action::Uncheck && h.checkedMask() != 0)
                    fresh[0] = fresh[1] = true;
            }
            QVERIFY(h.settle());
            const QString broken =
                h.brokenInvariant(burstLength == 1 && fresh[0], burstLength == 1 && fresh[1]);
            QVERIFY2(broken.isEmpty(), qPrintable(broken + " after " + history.join("; ")));
            QVERIFY2(h.restarts <= changes,
                     qPrintable(QStringLiteral("%1 for %2").arg(h.restarts).arg(changes)));
            QCOMPARE(h.restarts > 0, changes > 0);
            if (acquiring && h.checkedMask() != 0)
                QTRY_COMPARE_WITH_TIMEOUT(h.recordMask(), h.checkedMask(), 30000);
        }
        if (!acquiring)
            return;
        // The last configuration, whatever came before: common ground at
        // 1000 kHz, channels 1, 5, 20 and 32 on 10 V, 1 and 20 DC; 5 AC
        // decimals, 4 DC, 6 for the frequency.
        for (const Action& a : {Action{Action::Common}, Action{Action::Frequency, 0, 4},
                                Action{Action::Decimals, 0, 0, 5, 4, 6}})
            h.act(a);
        for (int n = 1; n <= 32; ++n) {
            const bool on = n == 1 || n == 5 || n == 20 || n == 32;
            h.act({on ? Action::Check : Action::Uncheck, n});
            if (on) {
                h.act({Action::Range, n, 0});
                h.act({Action::Type, n, n == 1 || n == 20});
            }
        }
        QVERIFY(h.settle());
        h.clearReadings();
        // clang-format off
        const struct { int channel; double mV, kHz; int decimals; } truths[] = { // kHz 0: DC, no frequency
            {1, 10, 0, 4},
            {5, 2000 / std::sqrt(2.0), 1, 5},
            {20, 200, 0, 4},
            {32, 800 / std::sqrt(2.0), 3, 5},
        };
        // clang-format on
        for (const auto& t : truths) {
            QCOMPARE(
                DriverHarness::settles(h.voltage(t.channel), t.mV, 10 / 32.768 + 0.0005 * t.mV, t.decimals),
                QString());
            if (t.kHz > 0)
                QCOMPARE(DriverHarness::settles(h.frequency(t.channel), t.kHz, 0, 6), QString());
            else
                QCOMPARE(h.frequency(t.channel)->text(), QString());
        }
        QCOMPARE((MessageLog::texts(QtCriticalMsg) + MessageLog::texts(QtWarningMsg)).join('\n'), QString());
    }

    // The operator's changes are made, then the GUI thread is kept busy (a
    // slow call, say) until threadModule has restarted on them without its
    // help.
    void stalledGuiThreadLosesNoChange() {
        SimConfig sim;
        QVERIFY(sim.apply());
        DriverHarness h;
        QVERIFY(h.openAndStart());
        QTRY_VERIFY_WITH_TIMEOUT(h.recordCount > 0, 30000);
        QVERIFY(h.act({Action::Common}) && h.act({Action::All}));
        // Blocked without serving events; a call queued behind the restart
        // runs once threadModule has served it.
        auto idle = std::make_shared<QSemaphore>();
        QMetaObject::invokeMethod(
            h.driver, [idle] { idle->release(); }, Qt::QueuedConnection);
        QVERIFY(idle->tryAcquire(1, 60000));
        QVERIFY(h.settle());
        QTRY_COMPARE_WITH_TIMEOUT(h.recordMask(), h.checkedMask(), 30000);
        QCOMPARE(h.recordMask(), 0xFFFFFFFFu);
        QCOMPARE(h.brokenInvariant(true, true), QString());
        QCOMPARE(MessageLog::count(QtWarningMsg) + MessageLog::count(QtCriticalMsg), 0);
    }

    // A display period set before the start spaces the run's passes.  Its
    // timer never fires early by more than a few per cent, so half the
    // period per pass holds on a loaded machine too; without it the passes
    // come every frame (200 ms).
    void displayPeriodSpacesPasses() {
        SimConfig sim;
        QVERIFY(sim.apply());
        DriverHarness h;
        h.engine->setDisplayUpdateMs(1000);
        QVERIFY(h.openAndStart());
        QTRY_VERIFY_WITH_TIMEOUT(h.recordCount > 0, 30000);
        const int firstCount = h.recordCount;
        const qint64 firstMs = h.lastRecord.monotonicMs;
        QTRY_VERIFY_WITH_TIMEOUT(h.recordCount >= firstCount + 3, 30000);
        QVERIFY2(h.lastRecord.monotonicMs - firstMs >= (h.recordCount - firstCount) * 500,
                 qPrintable(QString::number(h.lastRecord.monotonicMs - firstMs)));
    }

    // Every voltage field has one width and every frequency field one,
    // checked or not, measuring or not, with any decimals the options
    // offer: the widest reading with 6 decimals fits it.  Only more
    // decimals than the options offer (a hand-edited settings file) widen a
    // field, to show the reading whole.
    void fieldsKeepOneWidth() {
        // clang-format off
        const TableState states[] = {
            {false, 0x0,        3, 3, false},
            {false, 0x1,        0, 0, false},
            {false, 0xFFFF,     6, 6, true},
            {true,  0xFFFFFFFF, 0, 6, true},
            {true,  0x80000001, 6, 0, true},
        };
        // clang-format on
        SimConfig sim;
        sim.setSine(1, 9.9, 20);
        for (int n = 2; n <= 32; ++n)
            sim.setDc(n, -9.99);
        QVERIFY(sim.apply());
        int voltageWidth = -1, frequencyWidth = -1;
        for (const TableState& state : states) {
            const QString row = QStringLiteral("%1 %2").arg(state.checked, 0, 16).arg(state.decimals);
            DriverHarness h({{"AccuracyAC_10V", state.decimals},
                             {"AccuracyDC_10V", state.decimals},
                             {"AccuracyFreq", state.frequencyDecimals},
                             {"ChannelsSetToDc", 0xFFFFFFFE}});
            h.root.show();
            if (state.common)
                h.act({Action::Common});
            for (int n = 1; n <= 32; ++n)
                h.check(n)->setChecked(state.checked & (1u << (n - 1)));
            if (state.measuring) {
                QVERIFY2(h.openAndStart(), qPrintable(row));
                const int last = 32 - qCountLeadingZeroBits(state.checked);
                QTRY_VERIFY_WITH_TIMEOUT(!h.voltage(last)->text().isEmpty(), 30000);
                QTRY_VERIFY_WITH_TIMEOUT(!h.frequency(1)->text().isEmpty(), 30000);
            }
            QCoreApplication::processEvents();
            if (voltageWidth < 0) {
                voltageWidth = h.voltage(1)->width();
                frequencyWidth = h.frequency(1)->width();
            }
            for (int n = 1; n <= 32; ++n) {
                QCOMPARE(h.voltage(n)->width(), voltageWidth);
                QCOMPARE(h.frequency(n)->width(), frequencyWidth);
            }
            const QFontMetrics metrics = h.voltage(1)->fontMetrics();
            QVERIFY2(metrics.horizontalAdvance(readingText(-10000.0, 6)) < voltageWidth - 8, qPrintable(row));
            QVERIFY2(metrics.horizontalAdvance(readingText(500.0, 6)) < frequencyWidth - 8, qPrintable(row));
        }

        DriverHarness h({{"AccuracyDC_10V", 9}, {"ChannelsEnabled", 2}, {"ChannelsSetToDc", 2}});
        h.root.show();
        QVERIFY(h.openAndStart());
        QTRY_VERIFY_WITH_TIMEOUT(!h.voltage(2)->text().isEmpty(), 30000);
        QCoreApplication::processEvents();
        QVERIFY2(QRegularExpression("^-99\\d\\d\\.\\d{9}$").match(h.voltage(2)->text()).hasMatch(),
                 qPrintable(h.voltage(2)->text()));
        QVERIFY(h.voltage(2)->width() > voltageWidth);
        QCOMPARE(h.voltage(3)->width(), voltageWidth);
    }

    void optionsAcceptAndCancel() {
        DriverHarness h;
        QComboBox* range = h.combo("comboBoxRangeOptions");
        auto* ac = h.find<QSpinBox>("spinBoxAccuracyAC");
        auto* dc = h.find<QSpinBox>("spinBoxAccuracyDC");
        auto* freq = h.find<QSpinBox>("spinBoxAccuracyFreq");
        auto shown = [&] {
            return QStringLiteral("%1 %2 %3").arg(ac->value()).arg(dc->value()).arg(freq->value());
        };
        // Each range has its own working copy while the dialog is open.
        h.driver->prepareOptions();
        range->setCurrentIndex(2);
        ac->setValue(6);
        freq->setValue(0);
        range->setCurrentIndex(3);
        QCOMPARE(shown(), "3 3 0");
        dc->setValue(1);
        range->setCurrentIndex(2);
        QCOMPARE(shown(), "6 3 0");
        // Cancelled: the next preparation shows the committed values again.
        h.driver->prepareOptions();
        QCOMPARE(shown(), "3 3 3");
        range->setCurrentIndex(3);
        QCOMPARE(shown(), "3 3 3");
        // Accepted: the edits of both ranges and the frequency's are saved.
        dc->setValue(5);
        range->setCurrentIndex(1);
        ac->setValue(1);
        freq->setValue(4);
        h.driver->saveSettings(&h.settings);
        QCOMPARE(stored(h.settings, accuracyKeys.split(' ')), "3 1 3 3 3 3 3 5 4");
        QVERIFY(h.settle());
        QCOMPARE(int(h.restarts), 0); // no device open: nothing to restart
    }
};

QTEST_MAIN(TestMdx11)
#include "test_mdx11.moc"
