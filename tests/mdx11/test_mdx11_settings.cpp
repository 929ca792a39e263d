// Group "MDX11" of the settings file: defaults written on first use, the
// channel restore, stored garbage, the options round, and a round trip of
// random channel configurations through the file.

#include <QRandomGenerator>
#include <QSpinBox>
#include <QtTest>

#include "driver_harness.h"

class TestMdx11Settings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void freshFile();
    void restore_data();
    void restore();
    void savedWords_data();
    void savedWords();
    void scalars_data();
    void scalars();
    void optionsAcceptAndCancel();
    void roundTrip();
};

namespace {

const QString differentialText = QStringLiteral("Дифференциальный (16 каналов)");
const QString commonGroundText = QStringLiteral("С общей землей (32 канала)");

QVariant storedValue(const QString& ini, const QString& key) {
    QSettings file(ini, QSettings::IniFormat);
    return file.value(QStringLiteral("MDX11/") + key);
}

} // namespace

void TestMdx11Settings::freshFile() {
    DriverHarness h;
    QVERIFY(h.settle());
    QSettings file(h.iniPath(), QSettings::IniFormat);
    h.settings->sync();
    file.sync();
    file.beginGroup(QStringLiteral("MDX11"));
    QStringList keys = file.allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"AccuracyAC_0_15V", "AccuracyAC_0_6V", "AccuracyAC_10V", "AccuracyAC_2_5V",
                                "AccuracyDC_0_15V", "AccuracyDC_0_6V", "AccuracyDC_10V", "AccuracyDC_2_5V",
                                "AccuracyFreq", "Channels16SelectedRange", "Channels32SelectedRange",
                                "ChannelsEnabled", "ChannelsSetToDc", "TestSignalFrequencyHz"}));
    for (const QString& key : keys) {
        const QString expected = key.startsWith(QLatin1String("Accuracy"))       ? QStringLiteral("3")
                                 : key == QLatin1String("TestSignalFrequencyHz") ? QStringLiteral("20")
                                 : key == QLatin1String("ChannelsEnabled")       ? QStringLiteral("1")
                                                                                 : QStringLiteral("0");
        QCOMPARE(file.value(key).toString(), expected);
    }
    QCOMPARE(h.checkedChannels(), QStringLiteral("1"));
    QCOMPARE(h.range(1)->currentText(), QStringLiteral("10 В"));
    QCOMPARE(h.type(1)->currentText(), QStringLiteral("AC"));
    QCOMPARE(h.mode()->currentText(), differentialText);
    QCOMPARE(h.brokenInvariant(true, true), QString());
}

void TestMdx11Settings::restore_data() {
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<bool>("commonGround");
    QTest::addColumn<QString>("ranges"); // channel:index
    QTest::addColumn<QString>("dc");     // DC channels
    QTest::addColumn<int>("commonRange");
    QTest::addColumn<int>("commonType");

    QTest::newRow("enabled 0 reads as channel 1")
        << QVariantMap{{"ChannelsEnabled", "0"}} << "1" << false << "1:0"
        << "" << 0 << 0;
    QTest::newRow("channels 1 and 3, channel 3 DC")
        << QVariantMap{{"ChannelsEnabled", "5"}, {"ChannelsSetToDc", "4"}} << "1,3" << false << ""
        << "3" << 0 << -1;
    QTest::newRow("range word 12 puts an enabled channel 2 on 0.15 V")
        << QVariantMap{{"ChannelsEnabled", "3"}, {"Channels16SelectedRange", "12"}} << "1,2" << false
        << "1:0,2:3"
        << "" << -1 << 0;
    QTest::newRow("range of a channel that is not enabled is not restored")
        << QVariantMap{{"ChannelsEnabled", "1"}, {"Channels16SelectedRange", "12"}, {"ChannelsSetToDc", "2"}}
        << "1" << false << "2:0"
        << "" << 0 << 0;
    QTest::newRow("channel 17 switches to common ground")
        << QVariantMap{{"ChannelsEnabled", "65536"}} << "17" << true << "17:0"
        << "" << 0 << 0;
    QTest::newRow("channel 20 is the reference after the mode switch")
        << QVariantMap{{"ChannelsEnabled", "524288"},
                       {"ChannelsSetToDc", "524288"},
                       {"Channels32SelectedRange", "128"}}
        << "20" << true << "20:2"
        << "20" << 2 << 1;
    QTest::newRow("every bit set: all channels on 0.15 V DC")
        << QVariantMap{{"ChannelsEnabled", "4294967295"},
                       {"ChannelsSetToDc", "4294967295"},
                       {"Channels16SelectedRange", "4294967295"},
                       {"Channels32SelectedRange", "4294967295"}}
        << "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32" << true
        << "1:3,16:3,17:3,32:3"
        << "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32" << 3 << 1;
    QTest::newRow("a mask that is not a number reads as channel 1")
        << QVariantMap{{"ChannelsEnabled", "abc"}, {"ChannelsSetToDc", "x"}, {"Channels16SelectedRange", "?"}}
        << "1" << false << "1:0"
        << "" << 0 << 0;
    QTest::newRow("a negative mask reads as channel 1")
        << QVariantMap{{"ChannelsEnabled", "-1"}} << "1" << false << ""
        << "" << 0 << 0;
    QTest::newRow("a mask beyond 32 bits reads as channel 1")
        << QVariantMap{{"ChannelsEnabled", "4294967296"}} << "1" << false << ""
        << "" << 0 << 0;
}

void TestMdx11Settings::restore() {
    QFETCH(QVariantMap, stored);
    QFETCH(QString, checked);
    QFETCH(bool, commonGround);
    QFETCH(QString, ranges);
    QFETCH(QString, dc);
    QFETCH(int, commonRange);
    QFETCH(int, commonType);

    DriverHarness h(DriverHarness::withKeys(stored));
    QVERIFY(h.settle());
    QCOMPARE(h.checkedChannels(), checked);
    QCOMPARE(h.mode()->currentText(), commonGround ? commonGroundText : differentialText);
    for (const auto& p : channelPairs(ranges))
        QCOMPARE(h.range(p.first)->currentIndex(), p.second);
    QStringList dcChannels;
    for (int n = 1; n <= 32; ++n)
        if (h.type(n)->currentText() == QLatin1String("DC"))
            dcChannels << QString::number(n);
    QCOMPARE(dcChannels.join(QLatin1Char(',')), dc);
    QCOMPARE(h.commonRange()->currentIndex(), commonRange);
    QCOMPARE(h.commonType()->currentIndex(), commonType);
    QCOMPARE(h.brokenInvariant(false, false), QString());
    QCOMPARE(ModuleMdx11Test::modeCode(*h.driver), commonGround ? 0 : 1);
}

void TestMdx11Settings::savedWords_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<QString>("dc");
    QTest::addColumn<QString>("ranges16");
    QTest::addColumn<QString>("ranges32");

    QTest::newRow("defaults") << QStringList{} << "1"
                              << "0"
                              << "0"
                              << "0";
    QTest::newRow("channels 17-32 all on 0.15 V")
        << QStringList{"mode common", "all", "crange 3", "uncheck 1"} << "4294967294"
        << "0"
        << "4294967295"
        << "4294967295";
    QTest::newRow("unchecked channels keep their saved type and range")
        << QStringList{"check 2", "chrange 2 2", "chtype 2 DC", "uncheck 2"} << "1"
        << "2"
        << "8"
        << "0";
    QTest::newRow("channel 32 DC on 2.5 V")
        << QStringList{"mode common", "check 32", "chrange 32 1", "chtype 32 DC"} << "2147483649"
        << "2147483648"
        << "0"
        << "1073741824";
}

void TestMdx11Settings::savedWords() {
    QFETCH(QStringList, actions);
    QFETCH(QString, enabled);
    QFETCH(QString, dc);
    QFETCH(QString, ranges16);
    QFETCH(QString, ranges32);

    DriverHarness h;
    QVERIFY(h.settle());
    for (const QString& action : actions) {
        QVERIFY2(h.act(action), qPrintable(action));
        QVERIFY(h.settle());
    }
    h.destroyDriver();
    QCOMPARE(storedValue(h.iniPath(), "ChannelsEnabled").toString(), enabled);
    QCOMPARE(storedValue(h.iniPath(), "ChannelsSetToDc").toString(), dc);
    QCOMPARE(storedValue(h.iniPath(), "Channels16SelectedRange").toString(), ranges16);
    QCOMPARE(storedValue(h.iniPath(), "Channels32SelectedRange").toString(), ranges32);
}

void TestMdx11Settings::scalars_data() {
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<double>("testSignalHz");
    QTest::addColumn<int>("ac10");      // committed value, as stored
    QTest::addColumn<int>("shownAc10"); // what the options form shows for 10 V
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("shownFreq");

    QTest::newRow("stored values") << QVariantMap{{"TestSignalFrequencyHz", "1000"},
                                                  {"AccuracyAC_10V", "5"},
                                                  {"AccuracyFreq", "1"}}
                                   << 1000.0 << 5 << 5 << 1 << 1;
    QTest::newRow("zero frequency keeps 20")
        << QVariantMap{{"TestSignalFrequencyHz", "0"}} << 20.0 << 3 << 3 << 3 << 3;
    QTest::newRow("negative frequency keeps 20")
        << QVariantMap{{"TestSignalFrequencyHz", "-5"}} << 20.0 << 3 << 3 << 3 << 3;
    QTest::newRow("frequency not a number keeps 20")
        << QVariantMap{{"TestSignalFrequencyHz", "abc"}} << 20.0 << 3 << 3 << 3 << 3;
    QTest::newRow("nan frequency keeps 20")
        << QVariantMap{{"TestSignalFrequencyHz", "nan"}} << 20.0 << 3 << 3 << 3 << 3;
    QTest::newRow("infinite frequency keeps 20")
        << QVariantMap{{"TestSignalFrequencyHz", "inf"}} << 20.0 << 3 << 3 << 3 << 3;
    QTest::newRow("accuracy beyond 6 is shown as 6")
        << QVariantMap{{"AccuracyAC_10V", "99"}, {"AccuracyFreq", "1000000000"}} << 20.0 << 99 << 6
        << 1000000000 << 6;
    QTest::newRow("negative accuracy is shown as 0")
        << QVariantMap{{"AccuracyAC_10V", "-3"}, {"AccuracyFreq", "-1"}} << 20.0 << -3 << 0 << -1 << 0;
    QTest::newRow("accuracy not a number reads as 0")
        << QVariantMap{{"AccuracyAC_10V", "x"}, {"AccuracyFreq", "2.5"}} << 20.0 << 0 << 0 << 0 << 0;
}

void TestMdx11Settings::scalars() {
    QFETCH(QVariantMap, stored);
    QFETCH(double, testSignalHz);
    QFETCH(int, ac10);
    QFETCH(int, shownAc10);
    QFETCH(int, freq);
    QFETCH(int, shownFreq);

    DriverHarness h(DriverHarness::withKeys(stored));
    QCOMPARE(ModuleMdx11Test::testSignalFrequencyHz(*h.driver), testSignalHz);
    QCOMPARE(ModuleMdx11Test::accuracyAc(*h.driver, 0), ac10);
    QCOMPARE(ModuleMdx11Test::accuracyFreq(*h.driver), freq);
    h.driver->prepareOptions();
    QCOMPARE(h.find<QSpinBox>("spinBoxAccuracyAC")->value(), shownAc10);
    QCOMPARE(h.find<QSpinBox>("spinBoxAccuracyFreq")->value(), shownFreq);
    // A stored frequency is never rewritten by the program.
    h.destroyDriver();
    if (stored.contains("TestSignalFrequencyHz"))
        QCOMPARE(storedValue(h.iniPath(), "TestSignalFrequencyHz"), stored.value("TestSignalFrequencyHz"));
}

void TestMdx11Settings::optionsAcceptAndCancel() {
    DriverHarness h;
    QVERIFY(h.settle());
    auto* rangeOptions = h.find<QComboBox>("comboBoxRangeOptions");
    auto* ac = h.find<QSpinBox>("spinBoxAccuracyAC");
    auto* dc = h.find<QSpinBox>("spinBoxAccuracyDC");
    auto* freq = h.find<QSpinBox>("spinBoxAccuracyFreq");
    const int restarts = h.restarts();

    // Cancelled: edits made, dialog not accepted; the next preparation
    // shows the committed values again, and the file is unchanged.
    h.driver->prepareOptions();
    rangeOptions->setCurrentIndex(2);
    QVERIFY(h.settle());
    ac->setValue(6);
    freq->setValue(0);
    QVERIFY(h.settle());
    h.driver->prepareOptions();
    QCOMPARE(ac->value(), 3);
    QCOMPARE(freq->value(), 3);
    QCOMPARE(storedValue(h.iniPath(), "AccuracyAC_0_6V").toInt(), 3);

    // Accepted at once, before the driver's thread has seen the edits.
    ac->setValue(1);
    dc->setValue(5);
    freq->setValue(4);
    h.driver->saveSettings(h.settings.get());
    h.settings->sync();
    QCOMPARE(storedValue(h.iniPath(), "AccuracyAC_0_6V").toInt(), 1);
    QCOMPARE(storedValue(h.iniPath(), "AccuracyDC_0_6V").toInt(), 5);
    QCOMPARE(storedValue(h.iniPath(), "AccuracyFreq").toInt(), 4);
    QCOMPARE(storedValue(h.iniPath(), "AccuracyAC_10V").toInt(), 3);
    QCOMPARE(ModuleMdx11Test::accuracyAc(*h.driver, 2), 1);
    QCOMPARE(ModuleMdx11Test::accuracyDc(*h.driver, 2), 5);
    QCOMPARE(ModuleMdx11Test::accuracyFreq(*h.driver), 4);
    QVERIFY(h.settle());
    // No device open: nothing to restart.
    QCOMPARE(h.restarts(), restarts);
}

void TestMdx11Settings::roundTrip() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vernier.ini"));
    QRandomGenerator random(21);
    for (int round = 0; round < 12; ++round) {
        QString checked, mode;
        QMap<int, QPair<int, int>> rows; // channel -> (range, type) of checked channels
        {
            DriverHarness h(DriverHarness::withKeys({}, ini));
            QVERIFY(h.settle());
            if (random.bounded(2))
                h.act(QStringLiteral("mode common"));
            for (int i = 0; i < 30; ++i) {
                const int n = 1 + random.bounded(h.mode()->currentIndex() == 0 ? 16 : 32);
                switch (random.bounded(3)) {
                case 0:
                    h.act(QStringLiteral("%1 %2").arg(h.check(n)->isChecked() ? "uncheck" : "check").arg(n));
                    break;
                case 1:
                    if (h.check(n)->isChecked())
                        h.act(QStringLiteral("chrange %1 %2").arg(n).arg(random.bounded(4)));
                    break;
                default:
                    if (h.check(n)->isChecked())
                        h.act(QStringLiteral("chtype %1 %2").arg(n).arg(random.bounded(2) ? "DC" : "AC"));
                }
                QVERIFY(h.settle());
            }
            checked = h.checkedChannels();
            bool upper = false;
            for (int n = 1; n <= 32; ++n)
                if (h.check(n)->isChecked()) {
                    rows.insert(n, {h.range(n)->currentIndex(), h.type(n)->currentIndex()});
                    upper = upper || n > 16;
                }
            // The mode is not stored: it follows from the channels.
            mode = upper ? commonGroundText : differentialText;
            h.destroyDriver();
        }
        DriverHarness again(DriverHarness::withKeys({}, ini));
        QVERIFY(again.settle());
        // Nothing checked is stored as 0, which reads as channel 1.
        QCOMPARE(again.checkedChannels(), checked.isEmpty() ? QStringLiteral("1") : checked);
        QCOMPARE(again.mode()->currentText(), mode);
        for (auto it = rows.begin(); it != rows.end(); ++it) {
            QCOMPARE(again.range(it.key())->currentIndex(), it.value().first);
            QCOMPARE(again.type(it.key())->currentIndex(), it.value().second);
        }
        QCOMPARE(again.brokenInvariant(false, false), QString());
    }
}

QTEST_MAIN(TestMdx11Settings)
#include "test_mdx11_settings.moc"
