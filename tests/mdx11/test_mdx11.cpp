// The 11-series driver's controls and settings, with the driver under the
// engine as in the program.

#include <QSemaphore>
#include <QSpinBox>
#include <QtTest>
#include <array>
#include <memory>

#include "driver_harness.h"
#include "reading_text.h"
#include "sim_setup.h"

namespace {

using Words = std::array<const char*, 5>; // in the order of wordKeys; nothing stored when the first is null
const QStringList wordKeys = {"ChannelsEnabled", "ChannelsSetToDc", "Channels16SelectedRange",
                              "Channels32SelectedRange", "TestSignalFrequencyHz"};
const QStringList accuracyKeys = {"AccuracyAC_10V",   "AccuracyAC_2_5V",  "AccuracyAC_0_6V",
                                  "AccuracyAC_0_15V", "AccuracyDC_10V",   "AccuracyDC_2_5V",
                                  "AccuracyDC_0_6V",  "AccuracyDC_0_15V", "AccuracyFreq"};

struct Script {
    Words stored;
    std::vector<Action> actions; // after the restore
    int restarts;                // asked for
    Words saved;                 // at exit
    double signalHz;             // the test-signal frequency in use
};

// The stored texts of the keys, space-separated.
QString stored(QSettings& settings, const QStringList& keys) {
    settings.sync();
    QStringList values;
    for (const QString& key : keys)
        values << settings.value("MDX11/" + key).toString();
    return values.join(' ');
}

int warnings() {
    return MessageLog::count(QtWarningMsg) + MessageLog::count(QtCriticalMsg);
}

} // namespace

Q_DECLARE_METATYPE(Script)

class TestMdx11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }

    // Stored words are restored into the controls (whose mirror then equals
    // them), the actions follow, each leaving the invariants whole at once
    // and once served, and the words saved at exit say what the controls
    // showed.  A test-signal frequency that is no positive finite number
    // means 20 Hz, and its text is never rewritten.  With no device open
    // nothing is said.
    void scripts_data() {
        QTest::addColumn<Script>("s");
        const Words none{}, defaults{"1", "0", "0", "0", "20"},
            all{"4294967295", "4294967295", "4294967295", "4294967295", "20"};
        using A = Action;
        // clang-format off
        QTest::newRow("nothing stored")                   << Script{none, {}, 0, defaults, 20};
        QTest::newRow("enabled 0 reads as channel 1")     << Script{{"0", "0", "0", "0", "0"}, {}, 0, {"1", "0", "0", "0", "0"}, 20};
        QTest::newRow("channels 1 and 3, 3 DC")           << Script{{"5", "4", "0", "0", "1000"}, {}, 0, {"5", "4", "0", "0", "1000"}, 1000};
        QTest::newRow("range word 12: 2 on 0.15 V")       << Script{{"3", "0", "12", "0", "-5"}, {}, 0, {"3", "0", "12", "0", "-5"}, 20};
        QTest::newRow("a channel not enabled gets none")  << Script{{"1", "2", "12", "0", "inf"}, {}, 0, {"1", "0", "0", "0", "inf"}, 20};
        QTest::newRow("17 switches to common ground")     << Script{{"65536", "0", "0", "0", "20"}, {}, 1, {"65536", "0", "0", "0", "20"}, 20};
        QTest::newRow("channel 20 on 0.6 V DC")           << Script{{"524288", "524288", "0", "128", "20"}, {}, 1, {"524288", "524288", "0", "128", "20"}, 20};
        QTest::newRow("every bit set")                    << Script{all, {}, 1, all, 20};
        QTest::newRow("words that are no numbers")        << Script{{"abc", "x", "?", "1.5", "nan"}, {}, 0, {"1", "0", "0", "0", "nan"}, 20};
        QTest::newRow("a mask beyond 32 bits")            << Script{{"4294967296", "0", "0", "0", "20"}, {}, 0, defaults, 20};
        QTest::newRow("all-channels box checks 1-16")     << Script{none, {{A::All}}, 1, {"65535", "0", "0", "0", "20"}, 20};
        QTest::newRow("all-channels box again: none")     << Script{none, {{A::All}, {A::All}}, 2, {"0", "0", "0", "0", "20"}, 20};
        QTest::newRow("differential unchecks 17-32")      << Script{none, {{A::Common}, {A::Check, 20}, {A::Check, 25}, {A::Differential}}, 4, defaults, 20};
        QTest::newRow("common range, own, set back")      << Script{none, {{A::Check, 3}, {A::CommonRange, 0, 2}, {A::Range, 3, 1}, {A::Range, 3, 2}}, 4, {"5", "0", "34", "0", "20"}, 20};
        QTest::newRow("own DC, all DC, common AC")        << Script{none, {{A::Check, 3}, {A::Type, 3, 1}, {A::Type, 1, 1}, {A::CommonType, 0, 0}}, 4, {"5", "0", "0", "0", "20"}, 20};
        QTest::newRow("unchecking the odd one out")       << Script{none, {{A::CommonRange, 0, 3}, {A::Check, 2}, {A::Uncheck, 2}}, 3, {"1", "0", "3", "0", "20"}, 20};
        QTest::newRow("20 in common ground, the reference") << Script{none, {{A::Uncheck, 1}, {A::Common}, {A::Check, 20}, {A::Range, 20, 3}}, 4, {"524288", "0", "0", "192", "20"}, 20};
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
        QCOMPARE(stored(h.settings, accuracyKeys), "3 3 3 3 3 3 3 3 3"); // the defaults, written at once
        for (const Action& action : s.actions) {
            QVERIFY(h.act(action));
            QCOMPARE(h.brokenInvariant(false, false), QString()); // control slots run at once
            QVERIFY(h.settle());
            const bool fresh = action.kind != Action::Common && action.kind != Action::Differential;
            QCOMPARE(h.brokenInvariant(fresh, fresh), QString());
        }
        QCOMPARE(int(h.restarts), s.restarts);
        QCOMPARE(warnings(), 0);
        QCOMPARE(ModuleMdx11Test::testSignalFrequencyHz(*h.driver), s.signalHz);
        h.shutDown();
        QCOMPARE(stored(h.settings, wordKeys), QStringList(s.saved.begin(), s.saved.end()).join(' '));
    }

    // A display period set before the start spaces the run's passes: its
    // timer never fires early by more than a few per cent, so half the
    // period per pass holds on a loaded machine too; without it the passes
    // come every frame (200 ms).  Then a storm of changes, with the GUI
    // thread kept busy (a slow call, say) after it: threadModule restarts
    // on the last of them without the GUI thread's help, asking no more
    // restarts than there were changes.
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
        QVERIFY2(h.lastRecord.monotonicMs - firstMs >= (h.recordCount - firstCount) * 500,
                 qPrintable(QString::number(h.lastRecord.monotonicMs - firstMs)));

        const int before = h.restarts;
        int changes = h.act({Action::Common}) + h.act({Action::All});
        for (int n = 1; n <= 32; ++n) {
            changes += h.act({Action::Range, n, n % 4}) + h.act({Action::Type, n, n % 2});
            if (n % 3 == 0)
                changes += h.act({Action::Uncheck, n});
        }
        // Blocked without serving events; a call queued behind the restart
        // runs once threadModule has served it.
        auto idle = std::make_shared<QSemaphore>();
        QMetaObject::invokeMethod(
            h.driver, [idle] { idle->release(); }, Qt::QueuedConnection);
        QVERIFY(idle->tryAcquire(1, 60000));
        QVERIFY(h.settle());
        QVERIFY(h.restarts - before <= changes);
        QTRY_COMPARE_WITH_TIMEOUT(h.recordMask(), 0xFFFFFFFFu & ~0x24924924u, 30000);
        for (const ChannelConfig& c : h.lastRecord.config.channels)
            QVERIFY(c.rangeCode == c.number % 4 && c.dc == (c.number % 2 == 1));
        QCOMPARE(h.brokenInvariant(true, true), QString());
        QCOMPARE(warnings(), 0);
    }

    // Every voltage field has one width and every frequency field one,
    // checked or not, measuring or not, with any decimals the options
    // offer: the widest reading with 6 decimals fits it.  Only more
    // decimals than the options offer (a hand-edited settings file, 9 for
    // DC here) widen a field, to show the reading whole.
    void fieldsKeepOneWidth() {
        SimConfig sim;
        sim.setSine(1, 9.9, 20);
        for (int n = 2; n <= 32; ++n)
            sim.setDc(n, -9.99);
        QVERIFY(sim.apply());
        DriverHarness h({{"AccuracyAC_10V", 6}, {"AccuracyDC_10V", 9}, {"AccuracyFreq", 6}});
        h.root.show();
        QCoreApplication::processEvents();
        const int voltageWidth = h.voltage(1)->width(), frequencyWidth = h.frequency(1)->width();
        const QFontMetrics metrics = h.voltage(1)->fontMetrics();
        QVERIFY(metrics.horizontalAdvance(readingText(-10000.0, 6)) < voltageWidth - 8);
        QVERIFY(metrics.horizontalAdvance(readingText(500.0, 6)) < frequencyWidth - 8);
        h.act({Action::Common});
        h.act({Action::All});
        for (int n = 2; n <= 32; n += 2)
            h.act({Action::Type, n, 1});
        QVERIFY(h.openAndStart());
        const QRegularExpression whole("^-99\\d\\d\\.\\d{9}$");
        QTRY_VERIFY_WITH_TIMEOUT(
            whole.match(h.voltage(32)->text()).hasMatch() && !h.frequency(1)->text().isEmpty(), 30000);
        QCoreApplication::processEvents();
        for (int n = 1; n <= 32; ++n) {
            QCOMPARE(h.frequency(n)->width(), frequencyWidth);
            QVERIFY(n % 2 ? h.voltage(n)->width() == voltageWidth : h.voltage(n)->width() > voltageWidth);
        }
    }

    // Each range has its own working copy while the options are open; a
    // cancel drops them all, an accept saves those of every range.
    void optionsAcceptAndCancel() {
        DriverHarness h;
        QComboBox* range = h.combo("comboBoxRangeOptions");
        QSpinBox* boxes[3] = {h.find<QSpinBox>("spinBoxAccuracyAC"), h.find<QSpinBox>("spinBoxAccuracyDC"),
                              h.find<QSpinBox>("spinBoxAccuracyFreq")};
        auto shown = [&] {
            return QStringLiteral("%1 %2 %3")
                .arg(boxes[0]->value())
                .arg(boxes[1]->value())
                .arg(boxes[2]->value());
        };
        h.driver->prepareOptions();
        range->setCurrentIndex(2);
        boxes[0]->setValue(6);
        boxes[2]->setValue(0);
        range->setCurrentIndex(3);
        QCOMPARE(shown(), "3 3 0");
        boxes[1]->setValue(1);
        range->setCurrentIndex(2);
        QCOMPARE(shown(), "6 3 0");
        h.driver->prepareOptions(); // the dialog cancelled and opened again
        QCOMPARE(shown(), "3 3 3");
        range->setCurrentIndex(3);
        QCOMPARE(shown(), "3 3 3");
        boxes[1]->setValue(5);
        range->setCurrentIndex(1);
        boxes[0]->setValue(1);
        boxes[2]->setValue(4);
        h.driver->saveSettings(&h.settings); // accepted
        QCOMPARE(stored(h.settings, accuracyKeys), "3 1 3 3 3 3 3 5 4");
        QVERIFY(h.settle());
        QCOMPARE(int(h.restarts), 0); // no device open: nothing to restart
    }
};

QTEST_MAIN(TestMdx11)
#include "test_mdx11.moc"