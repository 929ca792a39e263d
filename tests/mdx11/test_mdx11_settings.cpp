// Group "MDX11" of the settings file: the channel words restored and saved
// (stored garbage included) and the defaults, the test-signal frequency, the
// decimals options accepted and cancelled, and the named parameters.

#include <QSpinBox>
#include <QtTest>

#include "driver_harness.h"

namespace {

QString stored(const QString& ini, const QString& keys) {
    QSettings file(ini, QSettings::IniFormat);
    QStringList values;
    for (const QString& key : keys.split(QLatin1Char(' ')))
        values << file.value(QStringLiteral("MDX11/") + key).toString();
    return values.join(QLatin1Char(' '));
}

const QString channelKeys =
    QStringLiteral("ChannelsEnabled ChannelsSetToDc Channels16SelectedRange Channels32SelectedRange");

struct Parameters {
    QStringList names;
    QList<double> values;
    QString results;    // of setParameter, y or n each
    int periodMs;       // the display period afterwards
    QString modeText;   // the choice recorded for "Режим"
    QString checkError; // of checkParameter for the first name
};

} // namespace

Q_DECLARE_METATYPE(Parameters)

class TestMdx11Settings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }

    // The stored words are restored into the controls (their mirror then
    // equals them), operator actions follow, and the words saved at exit say
    // what the controls showed; unchecked channels keep type and range.
    void channelWords_data() {
        QTest::addColumn<QString>("words");     // as channelKeys; empty: none stored
        QTest::addColumn<bool>("commonGround"); // after the restore
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("saved");
        // clang-format off
        QTest::newRow("nothing stored")                 << "" << false << QStringList{} << "1 0 0 0";
        QTest::newRow("enabled 0 reads as channel 1")   << "0 0 0 0" << false << QStringList{} << "1 0 0 0";
        QTest::newRow("channels 1 and 3, 3 DC")         << "5 4 0 0" << false << QStringList{} << "5 4 0 0";
        QTest::newRow("range word 12: 2 on 0.15 V")     << "3 0 12 0" << false << QStringList{} << "3 0 12 0";
        QTest::newRow("a channel not enabled gets none") << "1 2 12 0" << false << QStringList{} << "1 0 0 0";
        QTest::newRow("17 switches to common ground")   << "65536 0 0 0" << true << QStringList{} << "65536 0 0 0";
        QTest::newRow("channel 20 on 0.6 V DC")         << "524288 524288 0 128" << true << QStringList{} << "524288 524288 0 128";
        QTest::newRow("every bit set")                  << "4294967295 4294967295 4294967295 4294967295" << true << QStringList{} << "4294967295 4294967295 4294967295 4294967295";
        QTest::newRow("words that are no numbers")      << "abc x ? 1.5" << false << QStringList{} << "1 0 0 0";
        QTest::newRow("a negative mask")                << "-1 0 0 0" << false << QStringList{} << "1 0 0 0";
        QTest::newRow("a mask beyond 32 bits")          << "4294967296 0 0 0" << false << QStringList{} << "1 0 0 0";
        QTest::newRow("17-32 on 0.15 V, 1 unchecked")   << "" << false << QStringList{"mode common", "all", "crange 3", "uncheck 1"} << "4294967294 0 4294967295 4294967295";
        QTest::newRow("unchecked 2 keeps DC, 0.6 V")    << "" << false << QStringList{"check 2", "chrange 2 2", "chtype 2 DC", "uncheck 2"} << "1 2 8 0";
        QTest::newRow("channel 32 DC on 2.5 V")         << "" << false << QStringList{"mode common", "check 32", "chrange 32 1", "chtype 32 DC"} << "2147483649 2147483648 0 1073741824";
        // clang-format on
    }
    void channelWords() {
        QFETCH(QString, words);
        QFETCH(bool, commonGround);
        QFETCH(QStringList, actions);
        QFETCH(QString, saved);
        QVariantMap keys;
        const QStringList names = channelKeys.split(QLatin1Char(' '));
        for (int i = 0; !words.isEmpty() && i < 4; ++i)
            keys.insert(names[i], words.section(QLatin1Char(' '), i, i));
        DriverHarness h(keys);
        QVERIFY(h.settle());
        QCOMPARE(h.combo("comboBoxMode")->currentIndex(), commonGround ? 1 : 0);
        QCOMPARE(ModuleMdx11Test::modeCode(*h.driver), commonGround ? 0 : 1);
        QCOMPARE(h.brokenInvariant(true, true), QString());
        // What was missing is written at once, with its default.
        h.settings->sync();
        QCOMPARE(QSettings(h.ini, QSettings::IniFormat).allKeys().size(), 14);
        QCOMPARE(
            stored(h.ini,
                   "AccuracyAC_10V AccuracyAC_2_5V AccuracyAC_0_6V AccuracyAC_0_15V AccuracyDC_10V "
                   "AccuracyDC_2_5V AccuracyDC_0_6V AccuracyDC_0_15V AccuracyFreq TestSignalFrequencyHz"),
            QStringLiteral("3 3 3 3 3 3 3 3 3 20"));
        for (const QString& action : actions) {
            QVERIFY2(h.act(action), qPrintable(action));
            QVERIFY(h.settle());
        }
        h.destroyDriver();
        QCOMPARE(stored(h.ini, channelKeys), saved);
    }

    // Acquisition divides by it: what is not a positive finite number keeps
    // 20 Hz.  The stored text is never rewritten.
    void testSignalFrequency_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("hz");
        for (const char* garbage : {"0", "-5", "abc", "nan", "inf"})
            QTest::newRow(garbage) << garbage << 20.0;
        QTest::newRow("1000") << "1000" << 1000.0;
    }
    void testSignalFrequency() {
        QFETCH(QString, text);
        QFETCH(double, hz);
        DriverHarness h({{"TestSignalFrequencyHz", text}});
        QCOMPARE(ModuleMdx11Test::testSignalFrequencyHz(*h.driver), hz);
        h.destroyDriver();
        QCOMPARE(stored(h.ini, "TestSignalFrequencyHz"), text);
    }

    void optionsAcceptAndCancel() {
        DriverHarness h;
        QComboBox* range = h.combo("comboBoxRangeOptions");
        auto* ac = h.find<QSpinBox>(QStringLiteral("spinBoxAccuracyAC"));
        auto* dc = h.find<QSpinBox>(QStringLiteral("spinBoxAccuracyDC"));
        auto* freq = h.find<QSpinBox>(QStringLiteral("spinBoxAccuracyFreq"));
        const int restarts = h.restarts;
        // Each range has its own working copy while the dialog is open.
        h.driver->prepareOptions();
        range->setCurrentIndex(2);
        ac->setValue(6);
        freq->setValue(0);
        range->setCurrentIndex(3);
        QCOMPARE(ac->value(), 3);
        dc->setValue(1);
        range->setCurrentIndex(2);
        QCOMPARE(QStringLiteral("%1 %2").arg(ac->value()).arg(dc->value()), QStringLiteral("6 3"));
        // Cancelled: the next preparation shows the committed values again.
        h.driver->prepareOptions();
        QCOMPARE(QStringLiteral("%1 %2").arg(ac->value()).arg(freq->value()), QStringLiteral("3 3"));
        range->setCurrentIndex(3);
        QCOMPARE(dc->value(), 3);
        // Accepted: the edits of both ranges and the frequency's are saved.
        dc->setValue(5);
        range->setCurrentIndex(1);
        ac->setValue(1);
        freq->setValue(4);
        h.driver->saveSettings(h.settings.get());
        h.settings->sync();
        QCOMPARE(stored(h.ini,
                        "AccuracyAC_10V AccuracyAC_2_5V AccuracyAC_0_6V AccuracyAC_0_15V AccuracyDC_10V "
                        "AccuracyDC_2_5V AccuracyDC_0_6V AccuracyDC_0_15V AccuracyFreq"),
                 QStringLiteral("3 1 3 3 3 3 3 5 4"));
        QVERIFY(h.settle());
        QCOMPARE(h.restarts, restarts); // no device open: nothing to restart
    }

    void parameters_data() {
        QTest::addColumn<Parameters>("p");
        const QString period = QStringLiteral("Период отображения");
        // clang-format off
        QTest::newRow("period truncated")           << Parameters{{period}, {250.9}, "y", 250, "", ""};
        QTest::newRow("negative period truncated")  << Parameters{{period}, {-7.9}, "y", -7, "", ""};
        QTest::newRow("period held at int's limit") << Parameters{{period}, {1e12}, "y", 2147483647, "", ""};
        QTest::newRow("NaN leaves the period")      << Parameters{{period}, {qQNaN()}, "y", 100, "", ""};
        QTest::newRow("a later choice replaces")    << Parameters{{"Режим DC", "Режим AC Многоканальный"}, {0, 0}, "yy", 100, "Режим AC Многоканальный", "Неизвестный параметр Режим DC"};
        QTest::newRow("enumerated name refused")    << Parameters{{"Режим"}, {0}, "n", 100, "", "Неизвестный параметр Режим"};
        QTest::newRow("accepted without effect")    << Parameters{{"Значение", "Частота АЦП"}, {9900, 20}, "yy", 100, "", "Неизвестный параметр Значение"};
        QTest::newRow("case matters")               << Parameters{{"период отображения"}, {250}, "n", 100, "", "Неизвестный параметр период отображения"};
        // clang-format on
    }
    void parameters() {
        QFETCH(Parameters, p);
        ModuleMdx11 driver;
        QString results, error;
        for (int i = 0; i < p.names.size(); ++i)
            results += driver.setParameter(p.names[i], p.values[i]) ? QLatin1Char('y') : QLatin1Char('n');
        QCOMPARE(results, p.results);
        QCOMPARE(ModuleMdx11Test::displayPeriodMs(driver), p.periodMs);
        QCOMPARE(ModuleMdx11Test::parameters(driver).at(1).currentText, p.modeText);
        QCOMPARE(parameterTable().at(1).currentText, QString()); // the process-wide table stays
        QCOMPARE(driver.checkParameter(p.names[0], 0, error), p.checkError.isEmpty());
        QCOMPARE(error, p.checkError);
    }
};

QTEST_MAIN(TestMdx11Settings)
#include "test_mdx11_settings.moc"
