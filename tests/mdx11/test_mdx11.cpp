// The 11-series driver's controls and settings, with the driver under the
// engine as in the program.

#include <QSemaphore>
#include <QtTest>
#include <array>
#include <memory>

#include "driver_harness.h"
#include "sim_setup.h"

namespace {

using Words = std::array<const char*, 5>; // of wordKeys; nothing stored when the first is null
const QStringList wordKeys = {"ChannelsEnabled", "ChannelsSetToDc", "Channels16SelectedRange",
                              "Channels32SelectedRange", "TestSignalFrequencyHz"};

struct Script {
    Words stored;
    std::vector<Action> actions; // after the restore
    int restarts;                // asked for
    Words saved;                 // at exit
    double signalHz;             // the test-signal frequency in use
};

// Made before any thread starts and reached without a capture, so that
// ThreadSanitizer sees its whole hand-over.
QSemaphore idle;

} // namespace

Q_DECLARE_METATYPE(Script)

class TestMdx11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }

    // Stored words are restored into the controls and their mirror; each
    // action leaves the invariants whole at once and once served; the words
    // kept as the controls change, and at exit, say what they showed.  A
    // test-signal frequency that is no positive finite number means 20 Hz,
    // its text kept.
    void scripts_data() {
        QTest::addColumn<Script>("s");
        const Words none{}, defaults{"1", "0", "0", "0", "20"};
        using A = Action;
        // clang-format off
        QTest::newRow("nothing stored")                   << Script{none, {}, 0, defaults, 20};
        QTest::newRow("enabled 0 reads as channel 1")     << Script{{"0", "0", "0", "0", "0"}, {}, 0, {"1", "0", "0", "0", "0"}, 20};
        QTest::newRow("channels 1 and 3, 3 DC")           << Script{{"5", "4", "0", "0", "1000"}, {}, 0, {"5", "4", "0", "0", "1000"}, 1000};
        QTest::newRow("range word 12: 2 on 0.15 V")       << Script{{"3", "0", "12", "0", "-5"}, {}, 0, {"3", "0", "12", "0", "-5"}, 20};
        QTest::newRow("a channel not enabled gets none")  << Script{{"1", "2", "12", "0", "inf"}, {}, 0, {"1", "0", "0", "0", "inf"}, 20};
        QTest::newRow("channel 20 on 0.6 V DC")           << Script{{"524288", "524288", "0", "128", "20"}, {}, 1, {"524288", "524288", "0", "128", "20"}, 20};
        QTest::newRow("words that are no numbers")        << Script{{"abc", "x", "?", "1.5", "nan"}, {}, 0, {"1", "0", "0", "0", "nan"}, 20};
        QTest::newRow("all-channels box again: none")     << Script{none, {{A::All}, {A::All}}, 2, {"0", "0", "0", "0", "20"}, 20};
        QTest::newRow("differential unchecks 17-32")      << Script{none, {{A::Common}, {A::Check, 20}, {A::Check, 25}, {A::Differential}}, 4, defaults, 20};
        QTest::newRow("common range, own, set back")      << Script{none, {{A::Check, 3}, {A::CommonRange, 0, 2}, {A::Range, 3, 1}, {A::Range, 3, 2}}, 4, {"5", "0", "34", "0", "20"}, 20};
        QTest::newRow("own DC, all DC, common AC")        << Script{none, {{A::Check, 3}, {A::Type, 3, 1}, {A::Type, 1, 1}, {A::CommonType, 0, 0}}, 4, {"5", "0", "0", "0", "20"}, 20};
        QTest::newRow("17-32 on 0.15 V, 1 unchecked")     << Script{none, {{A::Common}, {A::All}, {A::CommonRange, 0, 3}, {A::Uncheck, 1}}, 4, {"4294967294", "0", "4294967295", "4294967295", "20"}, 20};
        QTest::newRow("unchecked 2 keeps DC and 0.6 V")   << Script{none, {{A::Check, 2}, {A::Range, 2, 2}, {A::Type, 2, 1}, {A::Uncheck, 2}}, 4, {"1", "2", "8", "0", "20"}, 20};
        QTest::newRow("channel 32 DC on 2.5 V")           << Script{none, {{A::Common}, {A::Check, 32}, {A::Range, 32, 1}, {A::Type, 32, 1}}, 4, {"2147483649", "2147483648", "0", "1073741824", "20"}, 20};
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
        for (const Action& action : s.actions) {
            QVERIFY(h.act(action));
            QCOMPARE(h.brokenInvariant(false, false), QString()); // control slots run at once
            QVERIFY(h.settle());
            const bool fresh = action.kind != Action::Common && action.kind != Action::Differential;
            QCOMPARE(h.brokenInvariant(fresh, fresh), QString());
        }
        QCOMPARE(int(h.restarts), s.restarts);
        QCOMPARE(MessageLog::count(QtWarningMsg) + MessageLog::count(QtCriticalMsg), 0);
        QCOMPARE(ModuleMdx11Test::testSignalFrequencyHz(*h.driver), s.signalHz);
        const auto stored = [&] {
            QStringList words;
            for (const QString& key : wordKeys)
                words << h.settings.value("MDX11/" + key).toString();
            return words;
        };
        QCOMPARE(stored(), QStringList(s.saved.begin(), s.saved.end())); // kept as they change
        h.shutDown();
        QCOMPARE(stored(), QStringList(s.saved.begin(), s.saved.end()));
    }

    // A display period set before the start spaces the passes: its timer
    // never fires early by more than a few per cent, so half the period per
    // pass holds on a loaded machine too (without it: every 200-ms frame).
    // Then a storm of changes, the GUI thread kept busy after it: the driver
    // restarts on the last without its help, asking no more restarts than changes.
    void displayPeriodAndRestartStorm() {
        SimConfig sim;
        QVERIFY(sim.apply());
        DriverHarness h;
        h.engine->setDisplayUpdateMs(1000);
        QVERIFY(h.openAndStart());
        QTRY_VERIFY_WITH_TIMEOUT(h.recordCount > 0, 30000);
        const int firstCount = h.recordCount;
        const qint64 firstMs = h.lastRecord.monotonicMs;
        QTRY_VERIFY_WITH_TIMEOUT(h.recordCount >= firstCount + 2, 30000);
        QVERIFY(h.lastRecord.monotonicMs - firstMs >= (h.recordCount - firstCount) * 500);

        const int before = h.restarts;
        int changes = h.act({Action::Common}) + h.act({Action::All});
        for (int n = 1; n <= 32; ++n) {
            changes += h.act({Action::Range, n, n % 4}) + h.act({Action::Type, n, n % 2});
            if (n % 3 == 0)
                changes += h.act({Action::Uncheck, n});
        }
        // Blocked without serving events; a call queued behind the restart
        // runs once threadModule has served it.
        QMetaObject::invokeMethod(
            h.driver, [] { idle.release(); }, Qt::QueuedConnection);
        QVERIFY(idle.tryAcquire(1, 60000));
        QVERIFY(h.settle() && h.restarts - before <= changes);
        QTRY_COMPARE_WITH_TIMEOUT(h.recordMask(), 0xFFFFFFFFu & ~0x24924924u, 30000);
        for (const ChannelConfig& c : h.lastRecord.config.channels)
            QVERIFY(c.rangeCode == c.number % 4 && c.dc == (c.number % 2 == 1));
        QCOMPARE(h.brokenInvariant(true, true), QString());
        QCOMPARE(MessageLog::count(QtWarningMsg) + MessageLog::count(QtCriticalMsg), 0);
    }
};

QTEST_MAIN(TestMdx11)
#include "test_mdx11.moc"