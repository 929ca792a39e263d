// Group "MDX11" of the settings file: the words restored and saved (stored
// garbage included), the defaults, and the decimals options accepted and
// cancelled.

#include <QSpinBox>
#include <QtTest>

#include "driver_harness.h"

namespace {

// The stored texts of the keys, space-separated.
QString stored(QSettings& settings, const QString& keys) {
    settings.sync();
    QStringList values;
    for (const QString& key : keys.split(' '))
        values << settings.value("MDX11/" + key).toString();
    return values.join(' ');
}

const QString wordKeys =
    "ChannelsEnabled ChannelsSetToDc Channels16SelectedRange Channels32SelectedRange TestSignalFrequencyHz";
const QString accuracyKeys =
    "AccuracyAC_10V AccuracyAC_2_5V AccuracyAC_0_6V AccuracyAC_0_15V AccuracyDC_10V AccuracyDC_2_5V "
    "AccuracyDC_0_6V AccuracyDC_0_15V AccuracyFreq";

} // namespace

class TestMdx11Settings : public QObject {
    Q_OBJECT

private slots:
    // The stored words are restored into the controls (whose mirror then
    // equals them), operator actions follow, and the words saved at exit say
    // what the controls showed; unchecked channels keep type and range.  A
    // test-signal frequency that is no positive finite number means 20 Hz,
    // and its text is never rewritten.
    void channelWords_data() {
        QTest::addColumn<QString>("given");     // as wordKeys; empty: none stored
        QTest::addColumn<bool>("commonGround"); // after the restore
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("saved"); // the words at exit, then the test signal in use
        // clang-format off
        QTest::newRow("nothing stored")                 << "" << false << QStringList{} << "1 0 0 0 20 20";
        QTest::newRow("enabled 0 reads as channel 1")   << "0 0 0 0 0" << false << QStringList{} << "1 0 0 0 0 20";
        QTest::newRow("channels 1 and 3, 3 DC")         << "5 4 0 0 1000" << false << QStringList{} << "5 4 0 0 1000 1000";
        QTest::newRow("range word 12: 2 on 0.15 V")     << "3 0 12 0 -5" << false << QStringList{} << "3 0 12 0 -5 20";
        QTest::newRow("a channel not enabled gets none") << "1 2 12 0 inf" << false << QStringList{} << "1 0 0 0 inf 20";
        QTest::newRow("17 switches to common ground")   << "65536 0 0 0 20" << true << QStringList{} << "65536 0 0 0 20 20";
        QTest::newRow("channel 20 on 0.6 V DC")         << "524288 524288 0 128 20" << true << QStringList{} << "524288 524288 0 128 20 20";
        QTest::newRow("every bit set")                  << "4294967295 4294967295 4294967295 4294967295 20" << true << QStringList{} << "4294967295 4294967295 4294967295 4294967295 20 20";
        QTest::newRow("words that are no numbers")      << "abc x ? 1.5 nan" << false << QStringList{} << "1 0 0 0 nan 20";
        QTest::newRow("a negative mask")                << "-1 0 0 0 abc" << false << QStringList{} << "1 0 0 0 abc 20";
        QTest::newRow("a mask beyond 32 bits")          << "4294967296 0 0 0 20" << false << QStringList{} << "1 0 0 0 20 20";
        QTest::newRow("17-32 on 0.15 V, 1 unchecked")   << "" << false << QStringList{"mode common", "all", "crange 3", "uncheck 1"} << "4294967294 0 4294967295 4294967295 20 20";
        QTest::newRow("unchecked 2 keeps DC, 0.6 V")    << "" << false << QStringList{"check 2", "chrange 2 2", "chtype 2 DC", "uncheck 2"} << "1 2 8 0 20 20";
        QTest::newRow("channel 32 DC on 2.5 V")         << "" << false << QStringList{"mode common", "check 32", "chrange 32 1", "chtype 32 DC"} << "2147483649 2147483648 0 1073741824 20 20";
        // clang-format on
    }
    void channelWords() {
        QFETCH(QString, given);
        QFETCH(bool, commonGround);
        QFETCH(QStringList, actions);
        QFETCH(QString, saved);
        QVariantMap keys;
        for (int i = 0; i < 5 && !given.isEmpty(); ++i)
            keys.insert(wordKeys.section(' ', i, i), given.section(' ', i, i));
        DriverHarness h(keys);
        QVERIFY(h.settle());
        QCOMPARE(h.combo("comboBoxMode")->currentIndex(), commonGround ? 1 : 0);
        QCOMPARE(ModuleMdx11Test::modeCode(*h.driver), commonGround ? 0 : 1);
        QCOMPARE(h.brokenInvariant(true, true), QString());
        QCOMPARE(stored(h.settings, accuracyKeys), "3 3 3 3 3 3 3 3 3"); // the defaults, written at once
        const double signalHz = ModuleMdx11Test::testSignalFrequencyHz(*h.driver);
        for (const QString& action : actions)
            QVERIFY(h.act(action) && h.settle());
        h.shutDown();
        QCOMPARE(stored(h.settings, wordKeys) + ' ' + QString::number(signalHz), saved);
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
        QCOMPARE(stored(h.settings, accuracyKeys), "3 1 3 3 3 3 3 5 4");
        QVERIFY(h.settle());
        QCOMPARE(int(h.restarts), 0); // no device open: nothing to restart
    }
};

QTEST_MAIN(TestMdx11Settings)
#include "test_mdx11_settings.moc"
