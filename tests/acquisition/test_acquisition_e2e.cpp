// The driver end to end: simulated module -> receive loop -> display pass ->
// the reading texts in the channel rows, compared with the simulator's truth.

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <functional>

#include "driver_harness.h"
#include "error_text.h"
#include "message_log.h"
#include "module_receiver_mdx11.h"
#include "sim_setup.h"

namespace {

const double fullScale[4] = {10.0, 2.5, 0.6, 0.15};
const int rateIndexOf[] = {20000, 100000, 400000, 500000, 1000000};

// Every accuracy key at `decimals`.
QVariantMap accuracyKeys(int decimals) {
    QVariantMap keys;
    for (const char* r : {"10V", "2_5V", "0_6V", "0_15V"}) {
        keys.insert(QStringLiteral("AccuracyAC_%1").arg(QLatin1String(r)), decimals);
        keys.insert(QStringLiteral("AccuracyDC_%1").arg(QLatin1String(r)), decimals);
    }
    keys.insert(QStringLiteral("AccuracyFreq"), decimals);
    return keys;
}

// Settings for a channel table: numbers enabled, DC set, range code each.
QVariantMap tableKeys(const QVector<int>& enabled, const QVector<int>& dc, const QMap<int, int>& ranges,
                      int decimals = 6) {
    QVariantMap keys = accuracyKeys(decimals);
    quint32 on = 0, dcMask = 0, r16 = 0, r32 = 0;
    for (int n : enabled)
        on |= 1u << (n - 1);
    for (int n : dc)
        dcMask |= 1u << (n - 1);
    for (auto it = ranges.begin(); it != ranges.end(); ++it) {
        if (it.key() <= 16)
            r16 |= quint32(it.value()) << (2 * (it.key() - 1));
        else
            r32 |= quint32(it.value()) << (2 * (it.key() - 17));
    }
    keys.insert("ChannelsEnabled", on);
    keys.insert("ChannelsSetToDc", dcMask);
    keys.insert("Channels16SelectedRange", r16);
    keys.insert("Channels32SelectedRange", r32);
    return keys;
}

bool waitFor(const std::function<bool()>& ready, int ms = 20000) {
    return QTest::qWaitFor(ready, ms);
}

// A reading within `tolerance` of `truth`, both in the field's unit.
bool near(const QLineEdit* edit, double truth, double tolerance) {
    const double v = DriverHarness::reading(edit);
    return std::isfinite(v) && std::abs(v - truth) <= tolerance;
}

QString describe(const QLineEdit* edit, double truth, double tolerance) {
    return QStringLiteral("%1: '%2', want %3 +- %4")
        .arg(edit->objectName(), edit->text())
        .arg(truth, 0, 'f', 7)
        .arg(tolerance, 0, 'g', 4);
}

// Waits for the field to read `truth` within `tolerance`: empty, or what
// it shows instead.
QString settlesNear(const QLineEdit* edit, double truth, double tolerance) {
    return waitFor([&] { return near(edit, truth, tolerance); }) ? QString()
                                                                 : describe(edit, truth, tolerance);
}

// Selects the ADC frequency before the device is opened.
void chooseRate(DriverHarness& rig, int index) {
    rig.frequency()->setCurrentIndex(index);
    rig.syncModuleThread();
}

QString statusMessage(const QString& format, int status) {
    return QString::asprintf(qUtf8Printable(format), status,
                             errorText(VRK11_GetErrorString(status, 0)).constData());
}

// samplesChannel for a per-channel rate and the 20 Hz test signal
int framePoints(double rateHz) {
    return int(std::ceil(4 * (rateHz / 1000) / 0.02));
}

} // namespace

class AcquisitionEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void dcLevels_data();
    void dcLevels();
    void sines_data();
    void sines();
    void clipping_data();
    void clipping();
    void overloadMarkClears();
    void mapping_data();
    void mapping();
    void decimalsColumn_data();
    void decimalsColumn();
    void followsConfiguration();
    void signalTooFast();
    void faults_data();
    void faults();
};

void AcquisitionEndToEndTest::initTestCase() {
    MessageLog::install();
}

void AcquisitionEndToEndTest::init() {
    MessageLog::clear();
}

void AcquisitionEndToEndTest::dcLevels_data() {
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("rateIndex");
    QTest::addColumn<double>("noise"); // share of full scale, RMS
    QTest::newRow("10 V at 20 kHz") << 0 << 0 << 0.0;
    QTest::newRow("2.5 V at 100 kHz") << 1 << 1 << 0.0;
    QTest::newRow("0.6 V at 500 kHz") << 2 << 3 << 0.0;
    QTest::newRow("0.15 V at 1000 kHz") << 3 << 4 << 0.0;
    QTest::newRow("10 V noisy at 400 kHz") << 0 << 2 << 0.02;
    QTest::newRow("2.5 V noisy at 20 kHz") << 1 << 0 << 0.02;
    QTest::newRow("0.6 V noisy at 1000 kHz") << 2 << 4 << 0.05;
    QTest::newRow("0.15 V noisy at 100 kHz") << 3 << 1 << 0.05;
}

void AcquisitionEndToEndTest::dcLevels() {
    QFETCH(int, range);
    QFETCH(int, rateIndex);
    QFETCH(double, noise);
    const double fs = fullScale[range];
    // Noisy levels stay six standard deviations inside the range, so clipping
    // does not bias the mean.
    const double levels[4] = {0.7 * fs, -0.55 * fs, 0.031 * fs, -0.6 * fs};
    SimConfig sim;
    for (int n = 1; n <= 4; ++n)
        sim.setDc(n, levels[n - 1], noise * fs);
    QVERIFY(sim.apply());
    DriverHarness rig(DriverHarness::withKeys(
        tableKeys({1, 2, 3, 4}, {1, 2, 3, 4}, {{1, range}, {2, range}, {3, range}, {4, range}})));
    chooseRate(rig, rateIndex);
    MessageLog::clear();
    QVERIFY(rig.openAndStart());

    // One LSB, three standard errors of the window-weighted mean of one
    // frame, half a unit of the last decimal; in mV.
    const int points = framePoints(rateIndexOf[rateIndex] / 4.0);
    const double gainRatio = 0.5111022 / 0.3635819;
    const double se = noise * fs * gainRatio / std::sqrt(double(points));
    const double tolerance = (fs / 32768 + 3 * se) * 1000 + 0.5e-6;
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(settlesNear(rig.voltageEdit(n), levels[n - 1] * 1000, tolerance), QString());
        QCOMPARE(rig.frequencyEdit(n)->text(), QString());
    }
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
    QVERIFY(MessageLog::texts(QtWarningMsg).isEmpty());
}

void AcquisitionEndToEndTest::sines_data() {
    QTest::addColumn<int>("rateIndex");
    QTest::addColumn<int>("count"); // channels 1..count enabled, same signal
    QTest::addColumn<int>("range");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("onBin");
    QTest::newRow("lowest: 20 Hz on a bin, 20 kHz") << 0 << 1 << 0 << 20.0 << 1.0 << 0.5 << true;
    QTest::newRow("near Nyquist on a bin, 20 kHz") << 0 << 1 << 0 << 9500.0 << 2.0 << -1.0 << true;
    QTest::newRow("between bins, 16 ch at 25 kHz") << 2 << 16 << 1 << 1234.5 << 0.5 << 0.1 << false;
    QTest::newRow("near Nyquist between bins, 32 ch") << 4 << 32 << 2 << 15001.7 << 0.1 << 0.02 << false;
    QTest::newRow("low between bins, 0.15 V") << 1 << 2 << 3 << 47.0 << 0.1 << 0.03 << false;
    QTest::newRow("1 ch at 1000 kHz") << 4 << 1 << 0 << 123456.7 << 1.0 << 0.0 << false;
    QTest::newRow("on a bin, 5 ch at 100 kHz") << 1 << 5 << 1 << 2000.0 << 1.2 << -0.4 << true;
}

void AcquisitionEndToEndTest::sines() {
    QFETCH(int, rateIndex);
    QFETCH(int, count);
    QFETCH(int, range);
    QFETCH(double, frequency);
    QFETCH(double, amplitude);
    QFETCH(double, offset);
    QFETCH(bool, onBin);
    SimConfig sim;
    QVector<int> enabled;
    QMap<int, int> ranges;
    for (int n = 1; n <= count; ++n) {
        sim.setSine(n, amplitude, frequency, offset);
        enabled << n;
        ranges.insert(n, range);
    }
    QVERIFY(sim.apply());
    DriverHarness rig(DriverHarness::withKeys(tableKeys(enabled, {}, ranges)));
    chooseRate(rig, rateIndex);
    MessageLog::clear();
    QVERIFY(rig.openAndStart());

    const double rate = rateIndexOf[rateIndex] / double(count);
    const double bin = rate / framePoints(rate);
    const double rms = amplitude / std::sqrt(2.0) * 1000;
    const double rmsTolerance = 0.0005 * rms + fullScale[range] / 32768 * 1000 + 0.5e-6;
    for (int n = 1; n <= count; ++n) {
        QCOMPARE(settlesNear(rig.voltageEdit(n), rms, rmsTolerance), QString());
        if (onBin)
            QTRY_COMPARE_WITH_TIMEOUT(rig.frequencyEdit(n)->text(), QString::number(frequency / 1000, 'f', 6),
                                      20000);
        else
            QCOMPARE(settlesNear(rig.frequencyEdit(n), frequency / 1000, bin / 1000 + 0.5e-6), QString());
    }
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

void AcquisitionEndToEndTest::clipping_data() {
    QTest::addColumn<int>("range");
    QTest::addColumn<bool>("dc");
    QTest::addColumn<QString>("waveform");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("low"); // reading in mV within [low, high]
    QTest::addColumn<double>("high");
    QTest::addColumn<bool>("overload"); // the field is marked and the record says so
    const double lsb10 = 10.0 / 32768 * 1000;
    const double tri = 2000 / std::sqrt(3.0);
    // clang-format off
    QTest::newRow("+15 V on 10 V")   << 0 << true << "dc" << 0.0 << 15.0 << 10000 - 2 * lsb10 << 10000.0 << true;
    QTest::newRow("-15 V on 10 V")   << 0 << true << "dc" << 0.0 << -15.0 << -10000.0 << -10000 + 2 * lsb10 << true;
    QTest::newRow("1 V on 0.15 V")   << 3 << true << "dc" << 0.0 << 1.0 << 149.99 << 150.0 << true;
    QTest::newRow("-0.7 V on 0.6 V") << 2 << true << "dc" << 0.0 << -0.7 << -600.0 << -599.98 << true;
    // A 20 V sine cut at +-10 V: the RMS of the clipped wave is 8843 mV.
    QTest::newRow("20 V sine on 10 V") << 0 << false << "sine" << 20.0 << 0.0 << 8830.0 << 8856.0 << true;
    QTest::newRow("square 1 V")      << 0 << false << "square" << 1.0 << 0.0 << 1000 - 0.5 - lsb10 << 1000 + 0.5 + lsb10 << false;
    QTest::newRow("triangle 2 V")    << 1 << false << "triangle" << 2.0 << 0.3 << tri * 0.9995 - 0.08 << tri * 1.0005 + 0.08 << false;
    QTest::newRow("square 0.2 V clipped on 0.15 V") << 3 << false << "square" << 0.2 << 0.0 << 149.9 << 150.0 << true;
    // clang-format on
}

void AcquisitionEndToEndTest::clipping() {
    QFETCH(int, range);
    QFETCH(bool, dc);
    QFETCH(QString, waveform);
    QFETCH(double, amplitude);
    QFETCH(double, offset);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(bool, overload);
    SimConfig sim;
    sim.setChannel(1, QJsonObject{{"waveform", waveform},
                                  {"amplitude", amplitude},
                                  {"frequency", 100.0},
                                  {"offset", offset},
                                  {"phase", 0}});
    QVERIFY(sim.apply());
    DriverHarness rig(
        DriverHarness::withKeys(tableKeys({1}, dc ? QVector<int>{1} : QVector<int>{}, {{1, range}})));
    QVERIFY(rig.openAndStart());
    QVERIFY2(waitFor([&] {
                 const double v = DriverHarness::reading(rig.voltageEdit(1));
                 return v >= low && v <= high;
             }),
             qPrintable(
                 QStringLiteral("'%1' not in [%2, %3]").arg(rig.voltageEdit(1)->text()).arg(low).arg(high)));
    QVERIFY(waitFor([&] { return rig.recordCount > 2; }));
    QCOMPARE(rig.lastRecord.readings.value(0).overload, overload);
    QTRY_COMPARE(rig.voltageEdit(1)->toolTip().isEmpty(), !overload);
}

// The mark clears at the next pass without clipping, and at the start of a
// configuration for a channel no longer measured.
void AcquisitionEndToEndTest::overloadMarkClears() {
    SimConfig sim;
    sim.setDc(1, 0.5);
    sim.setDc(2, 3.0);
    QVERIFY(sim.apply());
    DriverHarness rig(DriverHarness::withKeys(tableKeys({1, 2}, {1, 2}, {{1, 3}, {2, 1}})));
    QVERIFY(rig.openAndStart());
    QLineEdit* one = rig.voltageEdit(1);
    QLineEdit* two = rig.voltageEdit(2);
    QVERIFY(waitFor([&] { return !one->toolTip().isEmpty() && !two->toolTip().isEmpty(); }));
    QVERIFY(one->styleSheet().contains(QLatin1String("background")));
    rig.range(1)->setCurrentIndex(1); // 2.5 V: 0.5 V no longer clips
    QVERIFY(waitFor([&] { return one->toolTip().isEmpty() && one->styleSheet().isEmpty(); }));
    QVERIFY(!two->toolTip().isEmpty()); // still measured and still clipping
    rig.check(2)->setChecked(false);
    QVERIFY(waitFor([&] { return two->toolTip().isEmpty(); }));
    QVERIFY(!two->text().isEmpty()); // the reading text stays
}

void AcquisitionEndToEndTest::mapping_data() {
    QTest::addColumn<QVector<int>>("enabled");
    QTest::addColumn<QVector<int>>("dc");
    QTest::addColumn<QVector<int>>("ranges"); // range code per enabled channel
    QTest::addColumn<int>("rateIndex");
    // Rows are created 1, 17, 2, 9, 25, 10, ..., so these scan out of
    // numeric order.
    QTest::newRow("differential") << QVector<int>{1, 2, 5, 9, 16} << QVector<int>{1, 9}
                                  << QVector<int>{0, 1, 2, 3, 0} << 2;
    QTest::newRow("common ground") << QVector<int>{3, 7, 18, 25, 30, 31} << QVector<int>{7, 25, 31}
                                   << QVector<int>{1, 0, 3, 2, 0, 1} << 4;
}

void AcquisitionEndToEndTest::mapping() {
    QFETCH(QVector<int>, enabled);
    QFETCH(QVector<int>, dc);
    QFETCH(QVector<int>, ranges);
    QFETCH(int, rateIndex);
    // Channel n: DC level or sine distinct from every other channel.
    auto level = [&](int i) { return fullScale[ranges[i]] * (0.2 + 0.1 * i) * (i % 2 ? -1 : 1); };
    auto amplitude = [&](int i) { return fullScale[ranges[i]] * (0.3 + 0.08 * i); };
    auto frequencyOf = [](int n) { return 100.0 * (n + 3); }; // on 5 Hz bins
    SimConfig sim;
    QMap<int, int> rangeOf;
    for (int i = 0; i < enabled.size(); ++i) {
        const int n = enabled[i];
        rangeOf.insert(n, ranges[i]);
        if (dc.contains(n))
            sim.setDc(n, level(i));
        else
            sim.setSine(n, amplitude(i), frequencyOf(n));
    }
    // Disabled neighbours carry signals that must not show anywhere.
    for (int n = 1; n <= 32; ++n)
        if (!enabled.contains(n))
            sim.setDc(n, 0.123);
    QVERIFY(sim.apply());
    DriverHarness rig(DriverHarness::withKeys(tableKeys(enabled, dc, rangeOf)));
    chooseRate(rig, rateIndex);
    MessageLog::clear();
    QVERIFY(rig.openAndStart());

    const double rate = rateIndexOf[rateIndex] / double(enabled.size());
    for (int i = 0; i < enabled.size(); ++i) {
        const int n = enabled[i];
        const double lsb = fullScale[ranges[i]] / 32768 * 1000;
        if (dc.contains(n)) {
            QCOMPARE(settlesNear(rig.voltageEdit(n), level(i) * 1000, lsb + 1e-6), QString());
            QCOMPARE(rig.frequencyEdit(n)->text(), QString());
        } else {
            const double rms = amplitude(i) / std::sqrt(2.0) * 1000;
            QCOMPARE(settlesNear(rig.voltageEdit(n), rms, 0.0005 * rms + lsb + 1e-6), QString());
            const double bin = rate / framePoints(rate) / 1000 + 0.5e-6;
            QCOMPARE(settlesNear(rig.frequencyEdit(n), frequencyOf(n) / 1000, bin), QString());
        }
    }
    for (int n = 1; n <= 32; ++n) {
        if (!enabled.contains(n)) {
            QCOMPARE(rig.voltageEdit(n)->text(), QString());
            QCOMPARE(rig.frequencyEdit(n)->text(), QString());
        }
    }
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

void AcquisitionEndToEndTest::decimalsColumn_data() {
    QTest::addColumn<int>("first");    // channel on 10 V
    QTest::addColumn<int>("second");   // channel on 0.15 V
    QTest::addColumn<int>("decimals"); // decimals every reading shows
    // Creation order 1, 17, 2, 9, ...: the channel scanned last chooses.
    QTest::newRow("0.15 V scanned last") << 1 << 2 << 4;
    QTest::newRow("10 V scanned last") << 9 << 2 << 1;
}

void AcquisitionEndToEndTest::decimalsColumn() {
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, decimals);
    SimConfig sim;
    sim.setDc(first, 1.2345678);
    sim.setDc(second, -0.0123456);
    QVERIFY(sim.apply());
    QVariantMap keys = tableKeys({first, second}, {first, second}, {{first, 0}, {second, 3}});
    keys.insert("AccuracyDC_10V", 1);
    keys.insert("AccuracyDC_0_15V", 4);
    DriverHarness rig(DriverHarness::withKeys(keys));
    QVERIFY(rig.openAndStart());
    const QRegularExpression digits(QStringLiteral("^-?\\d+\\.\\d{%1}$").arg(decimals));
    for (int n : {first, second})
        QTRY_VERIFY_WITH_TIMEOUT(digits.match(rig.voltageEdit(n)->text()).hasMatch(), 20000);
}

void AcquisitionEndToEndTest::followsConfiguration() {
    SimConfig sim;
    sim.setSine(1, 1.0, 500.0, 0.25);
    sim.setDc(2, -2.0);
    QVERIFY(sim.apply());
    DriverHarness rig(DriverHarness::withKeys(tableKeys({1}, {}, {})));
    QVERIFY(rig.openAndStart());
    const double lsb = 10.0 / 32768 * 1000;
    QTRY_COMPARE_WITH_TIMEOUT(rig.frequencyEdit(1)->text(), QStringLiteral("0.500000"), 20000);

    // AC -> DC: the offset, and the frequency field is cleared.
    rig.type(1)->setCurrentIndex(rig.type(1)->findText("DC"));
    QVERIFY2(waitFor([&] {
                 return near(rig.voltageEdit(1), 250.0, lsb + 1e-6) && rig.frequencyEdit(1)->text().isEmpty();
             }),
             qPrintable(describe(rig.voltageEdit(1), 250.0, lsb)));
    // A second channel joins.
    rig.check(2)->setChecked(true);
    rig.type(2)->setCurrentIndex(rig.type(2)->findText("DC"));
    QCOMPARE(settlesNear(rig.voltageEdit(2), -2000.0, lsb + 1e-6), QString());
    // Fewer decimals through the options form.
    rig.setDecimals(0, 2, 2, 2);
    const QRegularExpression twoDecimals(QStringLiteral("^-?\\d+\\.\\d{2}$"));
    for (int n : {1, 2}) {
        const double truth = n == 1 ? 250.0 : -2000.0;
        QVERIFY2(waitFor([&] {
                     return twoDecimals.match(rig.voltageEdit(n)->text()).hasMatch() &&
                            near(rig.voltageEdit(n), truth, lsb + 0.005);
                 }),
                 qPrintable(describe(rig.voltageEdit(n), truth, lsb)));
    }
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

// A stored test-signal frequency the per-channel rate cannot carry: the
// start is refused with the configuration's message, and nothing runs.
void AcquisitionEndToEndTest::signalTooFast() {
    SimConfig sim;
    QVERIFY(sim.apply());
    QVariantMap keys = tableKeys({1, 2}, {}, {});
    keys.insert("TestSignalFrequencyHz", 5000.0);
    DriverHarness rig(DriverHarness::withKeys(keys));
    QVERIFY(!rig.openAndStart());
    QVERIFY(!rig.driver->isRunning());
    QCOMPARE(MessageLog::texts(QtCriticalMsg),
             QStringList{QString::asprintf("Недостаточная частота АЦП %.3f кГц на канал для сигнала %.3f кГц",
                                           10.0, 5.0)});
}

void AcquisitionEndToEndTest::faults_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("phase");  // where the fault shows
    QTest::addColumn<QString>("format"); // its message
    QTest::newRow("configure") << "configure" << -31 << "start"
                               << QString::fromUtf8("Не удалось установить настройки АЦП: Ошибка %d (%s)");
    QTest::newRow("streamsEnable") << "streamsEnable" << -32 << "start"
                                   << QString::fromUtf8("Не удалось запустить сбор данных! Ошибка %d (%s)");
    QTest::newRow("streamsStart") << "streamsStart" << -33 << "start"
                                  << QString::fromUtf8("Не удалось запустить сбор данных! Ошибка %d (%s)");
    QTest::newRow("streamsStop") << "streamsStop" << -34 << "stop"
                                 << QString::fromUtf8("Сбор остановлен с ошибкой. Ошибка %d (%s)");
    QTest::newRow("recvErrorAfterFrames") << "recvErrorAfterFrames" << 3 << "run"
                                          << QString::fromUtf8("Ошибка при приеме кадра. Ошибка %d (%s)");
    QTest::newRow("processErrorAfterFrames") << "processErrorAfterFrames" << 3 << "run"
                                             << QString::fromUtf8("Ошибка обработки данных! Ошибка %d (%s)");
    QTest::newRow("shortFrameEvery") << "shortFrameEvery" << 2 << "warn"
                                     << QString::fromUtf8(
                                            "Принято меньше слов, чем было в кадре! (%d из %d)");
    QTest::newRow("stallAfterFrames")
        << "stallAfterFrames" << 3 << "stall"
        << QString::fromUtf8("Принято меньше слов, чем было в кадре! (%d из %d)");
}

void AcquisitionEndToEndTest::faults() {
    QFETCH(QString, key);
    QFETCH(int, value);
    QFETCH(QString, phase);
    QFETCH(QString, format);
    SimConfig sim;
    sim.setDc(1, 1.5);
    sim.setDc(2, -0.5);
    sim.setFault(key, value);
    QVERIFY(sim.apply());
    // Two channels, so a short frame leaves the stream between channels.
    DriverHarness rig(DriverHarness::withKeys(tableKeys({1, 2}, {1, 2}, {})));
    chooseRate(rig, 2);
    MessageLog::clear();
    const double lsb = 10.0 / 32768 * 1000;
    auto measuring = [&] {
        return near(rig.voltageEdit(1), 1500.0, lsb + 1e-6) && near(rig.voltageEdit(2), -500.0, lsb + 1e-6);
    };

    VRK_DeviceRecord record{};
    QVERIFY(findFirstDevice(&record));
    QVERIFY(rig.driver->open(&record));
    const bool started = rig.driver->start(0);
    QCOMPARE(started, phase != "start");
    const QRegularExpression pattern(
        "^" + QRegularExpression::escape(format).replace("\\%d", "(-?\\d+)").replace("\\%s", "(.*)") + "$");
    if (phase == "start") {
        QVERIFY(!rig.driver->isRunning());
        QCOMPARE(MessageLog::texts(QtCriticalMsg), QStringList{statusMessage(format, value)});
    } else if (phase == "stop") {
        QVERIFY(waitFor(measuring));
        QVERIFY(!rig.driver->stop());
        QVERIFY(!rig.driver->isRunning());
        QCOMPARE(MessageLog::texts(QtCriticalMsg), QStringList{statusMessage(format, value)});
    } else if (phase == "run") {
        QVERIFY(waitFor([&] { return !rig.driver->isRunning(); }));
        QVERIFY(waitFor(measuring));
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), 1);
        const QRegularExpressionMatch m = pattern.match(criticals[0]);
        QVERIFY2(m.hasMatch(), qPrintable(criticals[0]));
        QCOMPARE(criticals[0], statusMessage(format, m.captured(1).toInt()));
        QVERIFY(!rig.driver->stop());
        QCOMPARE(MessageLog::texts(QtWarningMsg), QStringList{QString::fromUtf8("Модуль не был запущен")});
    } else if (phase == "warn") {
        QVERIFY(waitFor([&] { return MessageLog::texts(QtWarningMsg).size() >= 3; }));
        QVERIFY(waitFor(measuring));
        QVERIFY(rig.driver->isRunning());
        // "(received of frame words)": two channels of one frame each.
        const int frame = 2 * framePoints(rateIndexOf[2] / 2.0);
        for (const QString& w : MessageLog::texts(QtWarningMsg)) {
            const QRegularExpressionMatch m = pattern.match(w);
            QVERIFY2(m.hasMatch(), qPrintable(w));
            QCOMPARE(m.captured(2).toInt(), frame);
            QVERIFY(m.captured(1).toInt() < frame && m.captured(1).toInt() % 2 != 0);
        }
        QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
    } else if (phase == "stall") {
        QVERIFY(waitFor(measuring));
        QVERIFY(waitFor([&] { return !MessageLog::texts(QtWarningMsg).isEmpty(); }));
        const QRegularExpressionMatch m = pattern.match(MessageLog::texts(QtWarningMsg).first());
        QVERIFY(m.hasMatch());
        QCOMPARE(m.captured(1), QStringLiteral("0"));
        QVERIFY(rig.driver->isRunning());
    }

    // Closing in this state completes in time; the device is chosen again
    // (healthy now unless the fault lets a run begin) and measures again.
    QElapsedTimer clock;
    clock.start();
    rig.release();
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    SimConfig healthy;
    if (phase != "run" && phase != "warn") {
        healthy.setDc(1, 1.5);
        healthy.setDc(2, -0.5);
        QVERIFY(healthy.apply());
    }
    rig.clearReadings();
    QVERIFY(rig.openAndStart());
    QVERIFY(waitFor(measuring));
    QVERIFY(rig.shutDown() < 3000);
}

QTEST_MAIN(AcquisitionEndToEndTest)
#include "test_acquisition_e2e.moc"
