// Acquisition end to end: the receive loop alone, and the driver under the
// engine against the simulator's truth, its faults, closes and marks.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>
#include <QTextCodec>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "channel_band.h"
#include "channel_words.h"
#include "driver_harness.h"
#include "frame_geometry.h"
#include "module_receiver_mdx11.h"
#include "sim_setup.h"
#include "windows1251.h"

namespace {

// Decimals per range code, different for AC and DC: a field shows whose it got.
const int decimalsAc[4] = {3, 4, 5, 6}, decimalsDc[4] = {5, 6, 3, 4};

enum Wave { Dc, Sine, Square };

// Channels first..last on range code `range`: for Dc a level of a V with
// noise of RMS b V, measured as DC; else a waveform of amplitude a V,
// frequency b Hz and offset c V, measured as AC.  `mV`: the reading, when
// not the level or the RMS of a sine; `clips`: the channel clips.
struct Channel {
    int first, last, range;
    Wave wave;
    double a, b = 0, c = 0;
    double mV = qQNaN();
    bool clips = false;
    bool dc() const { return wave == Dc; }
    double reading() const { return std::isnan(mV) ? (dc() ? a : a / std::sqrt(2.0)) * 1000 : mV; }
};
using Channels = QVector<Channel>;

// Sets the channels' signals (0.123 V on every other channel, which must not
// show anywhere) and returns the settings that measure them with the
// decimals above; `table` gets each channel by number.
QVariantMap prepare(const Channels& channels, SimConfig& sim, QMap<int, Channel>* table = nullptr) {
    quint32 on = 0, dc = 0, ranges[2] = {0, 0};
    for (int n = 1; n <= 32; ++n)
        sim.setDc(n, 0.123);
    for (const Channel& c : channels)
        for (int n = c.first; n <= c.last; ++n) {
            on |= 1u << (n - 1);
            dc |= quint32(c.wave == Dc) << (n - 1);
            ranges[n > 16] |= quint32(c.range) << (2 * ((n - 1) % 16));
            if (c.wave == Dc)
                sim.setDc(n, c.a, c.b);
            else
                sim.setChannel(n, {{"waveform", c.wave == Sine ? "sine" : "square"},
                                   {"amplitude", c.a},
                                   {"frequency", c.b},
                                   {"offset", c.c}});
            if (table)
                table->insert(n, c);
        }
    QVariantMap keys{{"ChannelsEnabled", on},
                     {"ChannelsSetToDc", dc},
                     {"Channels16SelectedRange", ranges[0]},
                     {"Channels32SelectedRange", ranges[1]},
                     {"AccuracyFreq", 6}};
    const char* names[4] = {"10V", "2_5V", "0_6V", "0_15V"};
    for (int i = 0; i < 4; ++i) {
        keys.insert(QStringLiteral("AccuracyAC_") + names[i], decimalsAc[i]);
        keys.insert(QStringLiteral("AccuracyDC_") + names[i], decimalsDc[i]);
    }
    return keys;
}

constexpr auto settles = &DriverHarness::settles;

struct Fault {
    std::vector<std::pair<const char*, int>> faults; // the simulator's device faults
    double signalHz;                                 // a stored TestSignalFrequencyHz; 0: none
    bool opens, staysOpen, starts, measures, stopFails, loopEnds;
    int warnings;     // at least this many warnings of the message and no critical; 0: one critical
    bool onlyWarning; // no other warning comes
    bool recovers;    // the device chosen again, healthy, measures
    int status;       // the library status whose text stands for %s
    QString message;  // %d: any number
};

// A close while the run is in some state: measuring (a reading shown),
// restarting on a change, in a storm of `toggles` clicks (served between them
// or not), stalled, or searching.
struct Close {
    bool realtime;
    int repetitions;
    bool reading, restart;
    int toggles;
    bool serveEvents, stall, search;
};

// Channels, ADC frequency (Hz, all channels), test signal (Hz) -> verdict,
// samples per channel and frame period (ms).
struct Geometry {
    int channels;
    double adcHz, signalHz;
    int verdict, samples, periodMs;
};

// The rate per channel of an ADC frequency shared by some channels.
struct Band {
    double perChannelHz;
    QString text;
};

// The field carries the mark set by the display: the background of overload
// and alias, the text colour of a stale reading.
bool amber(const QLineEdit* edit) {
    return edit->styleSheet().contains("background") && edit->toolTip().contains("наложения спектра");
}
bool grey(const QLineEdit* edit) {
    return edit->styleSheet().contains("color:") && edit->toolTip().contains("не поступают");
}

} // namespace

Q_DECLARE_METATYPE(Channels)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Band)
Q_DECLARE_METATYPE(Geometry)
Q_DECLARE_METATYPE(Close)

class AcquisitionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }
    // The library's texts decode as Qt's own codec has every byte above ASCII.
    void windows1251HighHalf() {
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const char text[] = {char(byte), 0};
            QCOMPARE(decodeWindows1251(text), QTextCodec::codecForName("Windows-1251")->toUnicode(text));
        }
    }
    void geometry_data() {
        QTest::addColumn<Geometry>("g");
        const FrameGeometry::Verdict ok = FrameGeometry::Ok, low = FrameGeometry::RateTooLow,
                                     bad = FrameGeometry::BadGeometry;
        // clang-format off
        QTest::newRow("16 ch at 25 kHz each, 20 Hz")    << Geometry{16, 400000, 20, ok, 5000, 200};
        QTest::newRow("1 ch at 1000 kHz, 20 Hz")        << Geometry{1, 1000000, 20, ok, 200000, 200};
        QTest::newRow("32 ch at 31.25 kHz each, 20 Hz") << Geometry{32, 1000000, 20, ok, 6250, 200};
        QTest::newRow("periods grow from 4 to 25")      << Geometry{1, 20000, 1000, ok, 500, 25};
        QTest::newRow("odd count 501 made even")        << Geometry{1, 1000000, 7985, ok, 502, 1};
        QTest::newRow("just above twice the signal")    << Geometry{2, 20000, 4990, ok, 3008, 301};
        QTest::newRow("rate exactly twice the signal")  << Geometry{1, 20000, 10000, low, 0, 0};
        QTest::newRow("infinite signal")                << Geometry{1, 20000, qInf(), low, 0, 0};
        QTest::newRow("NaN signal")                     << Geometry{1, 20000, qQNaN(), low, 0, 0};
        QTest::newRow("zero signal")                    << Geometry{1, 20000, 0, bad, 0, 0};
        QTest::newRow("negative signal")                << Geometry{1, 20000, -20.0, bad, 0, 0};
        QTest::newRow("frame above 2^24 words")         << Geometry{32, 1000000, 0.001, bad, 0, 0};
        QTest::newRow("no channel")                     << Geometry{0, 20000, 20, bad, 0, 0};
        QTest::newRow("33 channels")                    << Geometry{33, 20000, 20, bad, 0, 0};
        // clang-format on
    }
    void geometry() {
        QFETCH(Geometry, g);
        const FrameGeometry r =
            frameGeometry(g.channels, g.adcHz / std::max(g.channels, 1) / 1000, g.signalHz, 1 << 24);
        QCOMPARE(QList<int>({r.verdict, r.samplesPerChannel, r.frameWords, r.periodMs}),
                 QList<int>({g.verdict, g.samples, g.samples * g.channels, g.periodMs}));
    }

    // A second start and a stop with nothing running are refused with a
    // warning each; a stop issued at once after a start still finds the run
    // and ends it, and leaves the device idle.
    void refusedStatesAndStopRightAfterStart() {
        SimConfig sim;
        sim.setRealtime(true);
        DriverHarness rig(prepare({{1, 4, 0, Dc, 1}}, sim));
        QVERIFY(sim.apply() && rig.openAndStart());
        const QList<int> results{rig.driver->start(0), rig.driver->stop(), rig.driver->stop()}; // in order
        QCOMPARE(results, QList<int>({0, 1, 0}));
        QCOMPARE(MessageLog::texts(QtWarningMsg),
                 QStringList({"Модуль уже запущен", "Модуль не был запущен"}));
        for (int i = 0; i < 40; ++i)
            QVERIFY(rig.driver->start(0) && rig.driver->isRunning() && rig.driver->stop() &&
                    !rig.driver->isRunning());
        uint32_t word = 0;
        QVERIFY(VRK11_Recv(ModuleMdx11Test::handle(*rig.driver), &word, 1, 0) < 0);
        QCOMPARE(MessageLog::count(QtWarningMsg) + MessageLog::count(QtCriticalMsg), 2);
    }

    // With the display pass held up, a queue keeps the newest whole frames:
    // what is kept stays one contiguous run of the sine,
    // sin(a-s) + sin(a+s) = 2 cos(s) sin(a).
    void queueBound() {
        SimConfig sim;
        QVariantMap keys = prepare({{1, 1, 0, Sine, 1, 1000}}, sim);
        keys.insert("TestSignalFrequencyHz", 7985);
        DriverHarness rig(keys);
        rig.act({Action::Frequency, 0, 4});
        QVERIFY(sim.apply() && rig.openAndStart());
        auto go = std::make_shared<QSemaphore>();
        const auto release = qScopeGuard([go] { go->release(); });
        QMetaObject::invokeMethod(
            rig.driver, [go] { go->tryAcquire(1, 60000); }, Qt::QueuedConnection);
        const size_t frame = 502, cap = frame * ModuleReceiverMdx11::maxQueuedFrames;
        QTRY_COMPARE_WITH_TIMEOUT(ModuleMdx11Test::queued(*rig.driver).size(), cap, 20000);
        for (int i = 0; i < 20; ++i)
            QVERIFY(ModuleMdx11Test::queued(*rig.driver).size() % frame == 0);
        const std::vector<double> v = ModuleMdx11Test::queued(*rig.driver);
        for (size_t k = 1; k + 1 < v.size(); ++k)
            QVERIFY2(std::abs(2 * std::cos(2 * M_PI / 1000) * v[k] - v[k - 1] - v[k + 1]) < 4 * 10.0 / 32768,
                     qPrintable(QString::number(k)));
    }

    void readings_data() {
        QTest::addColumn<int>("rate"); // index of the ADC frequency
        QTest::addColumn<Channels>("channels");
        // The range whose decimals every field shows: that of the channel
        // scanned last, in the order the rows were created (1, 17, 2, 9, 25,
        // 10, ..., 16, 32, 18, 3, 19, 4, ..., 8, 24), not the numeric one.
        QTest::addColumn<int>("scanRange");
        // clang-format off
        QTest::newRow("DC on 10 V at 20 kHz")          << 0 << Channels{{1, 1, 0, Dc, 7}, {2, 2, 0, Dc, -5.5}, {3, 3, 0, Dc, 0.31}, {4, 4, 0, Dc, -6}} << 0;
        QTest::newRow("DC on 2.5 V at 100 kHz")        << 1 << Channels{{1, 1, 1, Dc, 1.75}, {2, 2, 1, Dc, -1.375}, {3, 3, 1, Dc, 0.0775}, {4, 4, 1, Dc, -1.5}} << 1;
        QTest::newRow("DC on 0.6 V at 500 kHz")        << 3 << Channels{{1, 1, 2, Dc, 0.42}, {2, 2, 2, Dc, -0.33}, {3, 3, 2, Dc, 0.0186}, {4, 4, 2, Dc, -0.36}} << 2;
        QTest::newRow("DC on 0.15 V at 1000 kHz")      << 4 << Channels{{1, 1, 3, Dc, 0.105}, {2, 2, 3, Dc, -0.0825}, {3, 3, 3, Dc, 0.00465}, {4, 4, 3, Dc, -0.09}} << 3;
        QTest::newRow("noisy DC on 10 V at 400 kHz")   << 2 << Channels{{1, 1, 0, Dc, 7, 0.2}, {2, 2, 0, Dc, -5.5, 0.2}, {3, 3, 0, Dc, 0.31, 0.2}, {4, 4, 0, Dc, -6, 0.2}} << 0;
        QTest::newRow("noisy DC on 2.5 V at 20 kHz")   << 0 << Channels{{1, 1, 1, Dc, 1.75, 0.05}, {2, 2, 1, Dc, -1.375, 0.05}, {3, 3, 1, Dc, 0.0775, 0.05}} << 1;
        QTest::newRow("noisy DC on 0.6 V at 1000 kHz") << 4 << Channels{{1, 1, 2, Dc, 0.42, 0.03}, {2, 2, 2, Dc, -0.33, 0.03}, {4, 4, 2, Dc, -0.36, 0.03}} << 2;
        QTest::newRow("noisy DC on 0.15 V at 100 kHz") << 1 << Channels{{1, 1, 3, Dc, 0.105, 0.0075}, {4, 4, 3, Dc, -0.09, 0.0075}} << 3;
        QTest::newRow("20 Hz on a bin")                << 0 << Channels{{1, 1, 0, Sine, 1, 20, 0.5}} << 0;
        QTest::newRow("near Nyquist on a bin")         << 0 << Channels{{1, 1, 0, Sine, 2, 9500, -1}} << 0;
        QTest::newRow("between bins, 16 ch")           << 2 << Channels{{1, 16, 1, Sine, 0.5, 1234.5, 0.1}} << 1;
        QTest::newRow("near Nyquist between bins, 32 ch") << 4 << Channels{{1, 32, 2, Sine, 0.1, 15001.7, 0.02}} << 2;
        QTest::newRow("low between bins on 0.15 V")    << 1 << Channels{{1, 2, 3, Sine, 0.1, 47, 0.03}} << 3;
        QTest::newRow("1 ch at 1000 kHz")              << 4 << Channels{{1, 1, 0, Sine, 1, 123456.7}} << 0;
        QTest::newRow("on a bin, 5 ch at 100 kHz")     << 1 << Channels{{1, 5, 1, Sine, 1.2, 2000, -0.4}} << 1;
        QTest::newRow("3 ch at 500 kHz")               << 3 << Channels{{1, 1, 0, Sine, 3, 2500}, {2, 2, 1, Dc, -1}, {3, 3, 2, Sine, 0.4, 7000}} << 2;
        QTest::newRow("mapping, differential")         << 2 << Channels{{1, 1, 0, Dc, 2}, {2, 2, 1, Sine, 0.95, 500}, {5, 5, 2, Sine, 0.276, 800}, {9, 9, 3, Dc, -0.075}, {16, 16, 0, Sine, 6.2, 1900}} << 2;
        QTest::newRow("mapping, common ground")        << 4 << Channels{{3, 3, 1, Sine, 0.75, 600}, {7, 7, 0, Dc, -3}, {18, 18, 3, Sine, 0.069, 2100}, {25, 25, 2, Dc, -0.3}, {30, 30, 0, Sine, 6.2, 3300}, {31, 31, 1, Dc, -1.75}} << 0;
        QTest::newRow("3 on 0.15 V scanned after 9 on 10 V") << 0 << Channels{{9, 9, 0, Dc, 1.2345678}, {3, 3, 3, Dc, -0.0123456}} << 3;
        QTest::newRow("AC clipping, and a square that does not") << 0 << Channels{{1, 1, 0, Sine, 20, 100, 0, 8843, true}, {2, 2, 0, Square, 1, 100, 0, 1000}, {3, 3, 3, Square, 0.2, 100, 0, 150, true}} << 3;
        // clang-format on
    }
    void readings() {
        QFETCH(int, rate);
        QFETCH(Channels, channels);
        QFETCH(int, scanRange);
        SimConfig sim;
        QMap<int, Channel> table;
        DriverHarness rig(prepare(channels, sim, &table));
        QVERIFY(sim.apply());
        rig.act({Action::Frequency, 0, rate});
        QVERIFY(rig.openAndStart());
        const double channelRate = adcFrequencyTable[rate] / table.size(),
                     points = std::ceil(4 * channelRate / 20);
        for (auto it = table.begin(); it != table.end(); ++it) {
            const Channel& c = it.value();
            const int n = it.key(), decimals = (c.dc() ? decimalsDc : decimalsAc)[scanRange];
            const double lsb = rangeFullScale(c.range) / 32.768 + 0.5 * std::pow(10.0, -decimals);
            // DC: three standard errors of one frame's window-weighted mean
            // (the window's gain ratio is 0.5111022 / 0.3635819).  AC: 0.05 %.
            const double spread = c.dc() ? 3 * c.b * 1000 * 0.5111022 / 0.3635819 / std::sqrt(points)
                                         : 0.0005 * std::abs(c.reading());
            QCOMPARE(settles(rig.voltage(n), c.reading(), lsb + spread, decimals), QString());
            // On a bin the frequency is exact, between bins within one bin.
            const double bins = c.b * points / channelRate;
            const double within =
                std::abs(bins - std::round(bins)) < 1e-9 ? 0.0 : channelRate / points / 1000;
            if (!c.dc())
                QCOMPARE(settles(rig.frequency(n), c.b / 1000, within + 0.5e-6, 6), QString());
            // A clipping channel is marked, in its field and in the record.
            QTRY_COMPARE(rig.voltage(n)->toolTip().isEmpty(), !c.clips);
            QCOMPARE(rig.voltage(n)->styleSheet().isEmpty(), !c.clips);
            QTRY_VERIFY(rig.latest.contains(n)); // the record comes after the texts
            QCOMPARE(rig.latest[n].overload, c.clips);
        }
        for (int n = 1; n <= 32; ++n) {
            QCOMPARE(rig.voltage(n)->text().isEmpty(), !table.contains(n));
            QCOMPARE(rig.frequency(n)->text().isEmpty(), !table.contains(n) || table[n].dc());
        }
        QCOMPARE((MessageLog::texts(QtCriticalMsg) + MessageLog::texts(QtWarningMsg)).join('\n'), QString());
    }

    // The mark clears at the next pass without clipping, and at the start of
    // a configuration for a channel no longer measured; its reading stays.
    void overloadMarkClears() {
        SimConfig sim;
        DriverHarness rig(prepare({{1, 1, 3, Dc, 0.5}, {2, 2, 1, Dc, 3}}, sim));
        QVERIFY(sim.apply());
        QVERIFY(rig.openAndStart());
        QLineEdit *one = rig.voltage(1), *two = rig.voltage(2);
        QTRY_VERIFY_WITH_TIMEOUT(!one->toolTip().isEmpty() && !two->toolTip().isEmpty(), 20000);
        rig.act({Action::Range, 1, 1}); // 2.5 V: 0.5 V no longer clips
        QTRY_VERIFY_WITH_TIMEOUT(one->toolTip().isEmpty() && one->styleSheet().isEmpty(), 20000);
        QVERIFY(!two->toolTip().isEmpty());
        rig.act({Action::Uncheck, 2});
        QTRY_VERIFY_WITH_TIMEOUT(two->toolTip().isEmpty() && two->styleSheet().isEmpty(), 20000);
        QVERIFY(!two->text().isEmpty());
    }

    // Readings follow the controls while running, and nothing clears the
    // fields between: AC -> DC must empty the frequency field itself.
    void followsConfiguration() {
        SimConfig sim;
        DriverHarness rig(prepare({{1, 1, 0, Sine, 1, 500, 0.25}}, sim));
        sim.setDc(2, -2.0);
        QVERIFY(sim.apply());
        QVERIFY(rig.openAndStart());
        const double lsb = 10.0 / 32768 * 1000;
        QCOMPARE(settles(rig.frequency(1), 0.5, 0, 6), QString());
        rig.act({Action::Type, 1, 1});
        QCOMPARE(settles(rig.voltage(1), 250.0, lsb, 5), QString());
        QTRY_COMPARE(rig.frequency(1)->text(), QString());
        rig.act({Action::Check, 2});
        rig.act({Action::Type, 2, 1});
        rig.act({Action::Decimals, 0, 0, 1, 2, 1}); // the options form, accepted while running
        QCOMPARE(settles(rig.voltage(1), 250.0, lsb + 0.005, 2), QString());
        QCOMPARE(settles(rig.voltage(2), -2000.0, lsb + 0.005, 2), QString());
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }

    void faults_data() {
        QTest::addColumn<Fault>("f");
        const bool T = true, F = false;
        // clang-format off
        //                                                   signal opens staysOpen starts measures stopFails loopEnds warnings only recovers
        QTest::newRow("open")                     << Fault{{{"open", -4}}, 0,     F, F, F, F, F, F, 0, F, T, -4, "Не удалось установить связь с модулем. Ошибка -4 (%s)"};
        QTest::newRow("info")                     << Fault{{{"info", -19}}, 0,    F, T, F, F, F, F, 0, F, T, -19, "Не удалось прочитать информацию о модуле. Ошибка -19: %s\n"};
        QTest::newRow("info, unknown status")     << Fault{{{"info", 4242}}, 0,   F, T, F, F, F, F, 0, F, T, 4242, "Не удалось прочитать информацию о модуле. Ошибка 4242: %s\n"};
        QTest::newRow("configure")                << Fault{{{"configure", -31}}, 0, T, T, F, F, F, F, 0, F, T, -31, "Не удалось установить настройки АЦП: Ошибка -31 (%s)"};
        QTest::newRow("streamsEnable")            << Fault{{{"streamsEnable", -32}}, 0, T, T, F, F, F, F, 0, F, T, -32, "Не удалось запустить сбор данных! Ошибка -32 (%s)"};
        QTest::newRow("streamsStart")             << Fault{{{"streamsStart", -33}}, 0, T, T, F, F, F, F, 0, F, T, -33, "Не удалось запустить сбор данных! Ошибка -33 (%s)"};
        QTest::newRow("streamsStop")              << Fault{{{"streamsStop", -34}}, 0, T, T, T, T, T, F, 0, F, T, -34, "Сбор остановлен с ошибкой. Ошибка -34 (%s)"};
        QTest::newRow("recvErrorAfterFrames")     << Fault{{{"recvErrorAfterFrames", 3}}, 0, T, T, T, T, F, T, 0, F, T, -14, "Ошибка при приеме кадра. Ошибка -14 (%s)"};
        QTest::newRow("processErrorAfterFrames")  << Fault{{{"processErrorAfterFrames", 3}}, 0, T, T, T, T, F, T, 0, F, T, -17, "Ошибка обработки данных! Ошибка -17 (%s)"};
        QTest::newRow("test signal too fast")     << Fault{{}, 6000,              T, T, F, F, F, F, 0, F, F, 0, "Недостаточная частота АЦП 10.000 кГц на канал для сигнала 6.000 кГц"};
        QTest::newRow("test signal too slow")     << Fault{{}, 0.001,             T, T, F, F, F, F, 0, F, F, 0, "Недопустимая геометрия кадра: 2 каналов, сигнал 0.001 Гц"};
        QTest::newRow("close")                    << Fault{{{"close", -14}}, 0,   T, T, T, T, F, F, 0, F, T, -14, "Не удалось завершить работу с модулем. Ошибка -14 (%s)"};
        QTest::newRow("shortFrameEvery")          << Fault{{{"shortFrameEvery", 2}}, 0, T, T, T, T, F, F, 3, T, T, 0, "Принято меньше слов, чем было в кадре! (%d из 4000)"};
        QTest::newRow("stallAfterFrames")         << Fault{{{"stallAfterFrames", 3}}, 0, T, T, T, T, F, F, 1, T, T, 0, "Принято меньше слов, чем было в кадре! (0 из 4000)"};
        QTest::newRow("stall during realignment") << Fault{{{"stallAfterFrames", 1}, {"shortFrameEvery", 1}}, 0, T, T, T, F, F, F, 1, F, T, 0, "Нет данных для выравнивания кадра за 1200 мс (не хватает %d слов)"};
        // clang-format on
    }
    // Two DC channels on 10 V at 20 kHz: frames of 2 x 2000 words, 200 ms.
    // A fault leaves one critical message (one box) or only warnings, and
    // the device chosen again, healthy, measures again.
    void faults() {
        QFETCH(Fault, f);
        SimConfig sim, healthy;
        const Channels channels{{1, 1, 0, Dc, 1.5}, {2, 2, 0, Dc, -0.5}};
        QVariantMap keys = prepare(channels, sim);
        prepare(channels, healthy);
        for (const auto& fault : f.faults)
            sim.setFault(fault.first, fault.second);
        if (f.signalHz > 0)
            keys.insert("TestSignalFrequencyHz", f.signalHz);
        DriverHarness rig(keys);
        QVERIFY(sim.apply());
        const double lsb = 10.0 / 32768 * 1000;
        auto measuring = [&] {
            return settles(rig.voltage(1), 1500.0, lsb, 5) + settles(rig.voltage(2), -500.0, lsb, 5);
        };
        // The expected text: %d any number, %s the library's text of the status.
        const QString text =
            QTextCodec::codecForName("Windows-1251")->toUnicode(VRK11_GetErrorString(f.status, 0));
        QString expected = QRegularExpression::escape(f.message).replace("\\%d", "-?\\d+");
        const QRegularExpression pattern('^' + expected.replace("\\%s", QRegularExpression::escape(text)) +
                                         '$');
        auto matching = [&](const QStringList& texts) { return texts.filter(pattern).size(); };

        VRK_DeviceRecord record{};
        QVERIFY(findFirstDevice(&record));
        QCOMPARE(rig.driver->open(&record), f.opens);
        QCOMPARE(rig.driver->isOpened(), f.staysOpen);
        QCOMPARE(rig.driver->serialNumber(), f.opens ? "SIM-TEST" : "?");
        QCOMPARE(rig.find<QLineEdit>("lineEditModuleSerial")->text(), f.opens ? "SIM-TEST" : "");
        QCOMPARE(f.opens && rig.driver->start(0), f.starts);
        if (f.measures)
            QCOMPARE(measuring(), QString());
        if (f.stopFails)
            QVERIFY(!rig.driver->stop());
        uint32_t word = 0; // the loop that ended on an error leaves the device idle
        if (f.loopEnds)
            QTRY_VERIFY_WITH_TIMEOUT(!rig.driver->isRunning() &&
                                         VRK11_Recv(ModuleMdx11Test::handle(*rig.driver), &word, 1, 0) < 0,
                                     20000);
        if (f.warnings > 0) {
            QTRY_VERIFY_WITH_TIMEOUT(matching(MessageLog::texts(QtWarningMsg)) >= f.warnings, 20000);
            QVERIFY(rig.driver->isRunning());
            const QStringList warnings = MessageLog::texts(QtWarningMsg);
            if (f.onlyWarning)
                QCOMPARE(matching(warnings), warnings.size());
        }
        rig.engine->releaseModule();
        // A device that refuses to close is let go all the same.
        QVERIFY(!rig.driver->isOpened());
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), f.warnings > 0 ? 0 : 1);
        QCOMPARE(matching(criticals), criticals.size());

        if (!f.recovers)
            return; // the stored test signal stays: nothing will start
        QVERIFY(healthy.apply());
        rig.clearReadings();
        MessageLog::clear();
        QVERIFY(findFirstDevice(&record) && rig.driver->open(&record) && rig.driver->start(0));
        QCOMPARE(measuring(), QString());
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
    }
    void closeDuring_data() {
        QTest::addColumn<Close>("c");
        const bool T = true, F = false;
        // clang-format off
        //                                               realtime repetitions reading restart toggles serve stall search
        QTest::newRow("acquisition, real time") << Close{T, 10, T, F, 0,  F, F, F};
        QTest::newRow("acquisition, flat out")  << Close{F, 10, T, F, 0,  F, F, F};
        QTest::newRow("start")                  << Close{T, 10, F, F, 0,  F, F, F};
        QTest::newRow("restart")                << Close{T, 10, F, T, 0,  F, F, F};
        QTest::newRow("restart storm")          << Close{F, 6,  F, F, 40, F, F, F};
        QTest::newRow("stall")                  << Close{T, 3,  T, F, 0,  F, T, F};
        QTest::newRow("burst of clicks")        << Close{T, 6,  F, F, 40, T, F, F};
        QTest::newRow("a search")               << Close{T, 4,  T, F, 0,  F, F, T};
        // clang-format on
    }
    void closeDuring() {
        QFETCH(Close, c);
        SimConfig sim;
        sim.setRealtime(c.realtime);
        sim.setSearchDelayMs(c.search ? 300 : 0);
        sim.setSine(1, 1.0, 250.0);
        sim.setDc(2, 0.5);
        sim.setFault("stallAfterFrames", c.stall);
        QVERIFY(sim.apply());
        for (int i = 0; i < c.repetitions; ++i) {
            // A 2 kHz test signal keeps frames short, so states change quickly.
            DriverHarness rig({{"ChannelsEnabled", 0xF}, {"TestSignalFrequencyHz", 2000}});
            QVERIFY(rig.openAndStart());
            if (c.reading)
                QTRY_VERIFY_WITH_TIMEOUT(!rig.voltage(1)->text().isEmpty(), 30000);
            if (c.restart)
                rig.act({Action::Type, 2, 1});
            for (int k = 0; k < c.toggles; ++k) {
                rig.check(1 + k * 3 % 4)->toggle();
                if (c.serveEvents)
                    QCoreApplication::processEvents();
            }
            // The search runs in threadEngine before the stop queued behind it.
            rig.shutDown([&rig, c] {
                if (c.search)
                    rig.engine->refreshHardware();
            });
        }
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }

    void band_data() {
        QTest::addColumn<Band>("b");
        // clang-format off
        QTest::newRow("20 kHz, 1 channel")     << Band{adcFrequencyTable[0] / 1, "На канал: 20.00 кГц, полоса до 10.00 кГц"};
        QTest::newRow("20 kHz, 2 channels")    << Band{adcFrequencyTable[0] / 2, "На канал: 10.00 кГц, полоса до 5.00 кГц"};
        QTest::newRow("20 kHz, 16 channels")   << Band{adcFrequencyTable[0] / 16, "На канал: 1.25 кГц, полоса до 0.63 кГц"};
        QTest::newRow("20 kHz, 32 channels")   << Band{adcFrequencyTable[0] / 32, "На канал: 0.63 кГц, полоса до 0.31 кГц"};
        QTest::newRow("100 kHz, 3 channels")   << Band{adcFrequencyTable[1] / 3, "На канал: 33.33 кГц, полоса до 16.67 кГц"};
        QTest::newRow("100 kHz, 16 channels")  << Band{adcFrequencyTable[1] / 16, "На канал: 6.25 кГц, полоса до 3.13 кГц"};
        QTest::newRow("400 kHz, 4 channels")   << Band{adcFrequencyTable[2] / 4, "На канал: 100.00 кГц, полоса до 50.00 кГц"};
        QTest::newRow("400 kHz, 8 channels")   << Band{adcFrequencyTable[2] / 8, "На канал: 50.00 кГц, полоса до 25.00 кГц"};
        QTest::newRow("500 kHz, 32 channels")  << Band{adcFrequencyTable[3] / 32, "На канал: 15.63 кГц, полоса до 7.81 кГц"};
        QTest::newRow("1000 kHz, 1 channel")   << Band{adcFrequencyTable[4] / 1, "На канал: 1000.00 кГц, полоса до 500.00 кГц"};
        QTest::newRow("1000 kHz, 7 channels")  << Band{adcFrequencyTable[4] / 7, "На канал: 142.86 кГц, полоса до 71.43 кГц"};
        QTest::newRow("1000 kHz, 32 channels") << Band{adcFrequencyTable[4] / 32, "На канал: 31.25 кГц, полоса до 15.63 кГц"};
        // clang-format on
    }
    // The rate per channel in the operator's words.
    void band() {
        QFETCH(Band, b);
        QCOMPARE(channelBandText(b.perChannelHz), b.text);
    }

    // 16 channels at 20 kHz, 1.25 kHz each: the band is shown and logged; a
    // 560 Hz sine lies in the top fifth of the band and is marked, a 300 Hz
    // one is not; a channel without a signal has no frequency, one of 10
    // LSB has its own.  A higher ADC rate clears the mark.
    void marksAt16Channels() {
        SimConfig sim;
        const double lsb = 10.0 / 32768;
        sim.setSine(1, 1.0, 560);
        sim.setSine(2, 1.0, 300);
        sim.setDc(3, 0.0);
        sim.setSine(4, 10 * lsb, 200);
        for (int n = 5; n <= 16; ++n)
            sim.setDc(n, 0.123);
        QVERIFY(sim.apply());
        DriverHarness rig({{"ChannelsEnabled", 0xFFFF}, {"ChannelsSetToDc", 0xFFF0}});
        QVERIFY(rig.openAndStart());
        QLabel* band = rig.find<QLabel>("labelChannelBand");
        QVERIFY(band);
        QTRY_COMPARE_WITH_TIMEOUT(band->text(), QStringLiteral("На канал: 1.25 кГц, полоса до 0.63 кГц"),
                                  20000);
        QCOMPARE(MessageLog::texts(QtInfoMsg).filter("На канал").join('|'),
                 QStringLiteral("На канал: 1.25 кГц, полоса до 0.63 кГц"));

        QTRY_COMPARE_WITH_TIMEOUT(rig.frequency(1)->text(), QStringLiteral("0.560"), 30000);
        QTRY_VERIFY(amber(rig.frequency(1)));
        QTRY_COMPARE_WITH_TIMEOUT(rig.frequency(2)->text(), QStringLiteral("0.300"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.frequency(4)->text(), QStringLiteral("0.200"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.voltage(3)->text(), QStringLiteral("0.000"), 30000);
        QTRY_VERIFY(rig.latest.size() == 16);
        QVERIFY(!amber(rig.frequency(2)) && rig.frequency(2)->styleSheet().isEmpty());
        QCOMPARE(rig.frequency(3)->text(), QString());
        QCOMPARE(rig.lastRecord.device, QStringLiteral("SIM-TEST"));
        QCOMPARE(rig.lastRecord.config.adcFrequencyHz, 20000.0);

        rig.act({Action::Frequency, 0, 1}); // 100 kHz: 6.25 kHz per channel, 560 Hz well inside the band
        QTRY_COMPARE_WITH_TIMEOUT(band->text(), QStringLiteral("На канал: 6.25 кГц, полоса до 3.13 кГц"),
                                  20000);
        QTRY_VERIFY_WITH_TIMEOUT(
            rig.lastRecord.config.adcFrequencyHz == 100000.0 && rig.latest[1].frequency == "0.560", 30000);
        QVERIFY(!rig.latest[1].alias);
        QTRY_VERIFY(rig.frequency(1)->styleSheet().isEmpty() && rig.frequency(1)->toolTip().isEmpty());
        QCOMPARE(
            MessageLog::texts(QtInfoMsg).filter("На канал").join('|'),
            QStringLiteral("На канал: 1.25 кГц, полоса до 0.63 кГц|На канал: 6.25 кГц, полоса до 3.13 кГц"));
        QCOMPARE((MessageLog::texts(QtCriticalMsg) + MessageLog::texts(QtWarningMsg)).join('\n'), QString());
    }

    // The device stops delivering after 5 frames of 200 ms; passes run every
    // 200 ms, so a reading is stale 2 x 200 + 200 = 600 ms after it came.
    // Its fields turn grey with the time of that reading, the record flags
    // it stale without numbers, and a new run's samples bring it back.
    void staleWhenTheDeviceStalls() {
        SimConfig sim;
        sim.setRealtime(true);
        sim.setDc(1, 1.5);
        sim.setSine(2, 1.0, 20);
        sim.setFault("stallAfterFrames", 5);
        QVERIFY(sim.apply());
        DriverHarness rig({{"ChannelsEnabled", 3}, {"ChannelsSetToDc", 1}});
        const int boundMs = 600;
        QElapsedTimer clock;
        clock.start();
        qint64 lastFreshMs = -1, firstStaleMs = -1;
        QDateTime lastFreshTime;
        QString lastFreshText;
        bool greyOnStale = false;
        QObject::connect(
            rig.engine->passFeed(), &PassFeed::passRecorded, rig.engine, [&](const PassRecord& r) {
                for (const ChannelReading& reading : r.readings) {
                    if (reading.number != 1)
                        continue;
                    if (!reading.stale) {
                        lastFreshMs = clock.elapsed();
                        lastFreshTime = r.time;
                        lastFreshText = reading.voltage;
                    } else if (firstStaleMs < 0) {
                        firstStaleMs = clock.elapsed();
                        // The fields were posted before the record.
                        greyOnStale = grey(rig.voltage(1)) && grey(rig.voltage(2)) && grey(rig.frequency(2));
                    }
                }
            });
        QVERIFY(rig.openAndStart());
        QTRY_VERIFY_WITH_TIMEOUT(firstStaleMs >= 0, 30000);
        QVERIFY(lastFreshMs >= 0);
        QVERIFY2(firstStaleMs - lastFreshMs <= 2 * boundMs,
                 qPrintable(QStringLiteral("grey after %1 ms").arg(firstStaleMs - lastFreshMs)));
        QVERIFY(greyOnStale);
        // The readings shown stay; the tooltip says when they came.
        QCOMPARE(rig.voltage(1)->text(), lastFreshText);
        QVERIFY(std::abs(lastFreshText.toDouble() - 1500.0) < 1.0);
        QCOMPARE(rig.frequency(2)->text(), QStringLiteral("0.020"));
        const QString tip = rig.voltage(1)->toolTip();
        QVERIFY2(tip.contains(lastFreshTime.toString("hh:mm:ss")) ||
                     tip.contains(lastFreshTime.addSecs(1).toString("hh:mm:ss")) ||
                     tip.contains(lastFreshTime.addSecs(-1).toString("hh:mm:ss")),
                 qPrintable(tip + " / " + lastFreshTime.toString("hh:mm:ss.zzz")));
        QCOMPARE(rig.lastRecord.readings.size(), 2);
        for (const ChannelReading& r : rig.lastRecord.readings)
            QVERIFY(r.stale && r.lastReadingMs > 0);

        // A new run delivers again: channel 2 as DC reads its sine's mean.
        rig.act({Action::Type, 2, 1});
        QTRY_COMPARE_WITH_TIMEOUT(rig.frequency(2)->text(), QString(), 20000);
        QVERIFY(!grey(rig.voltage(2)) && std::abs(rig.voltage(2)->text().toDouble()) < 1.0);
        QVERIFY(!rig.latest[2].stale);
        // ... until it stalls again.
        QTRY_VERIFY_WITH_TIMEOUT(grey(rig.voltage(1)) && grey(rig.voltage(2)), 30000);
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }

    void libraryIgnoresStop_data() {
        QTest::addColumn<bool>("switchDevice"); // else close
        QTest::newRow("close") << false;
        QTest::newRow("device switch") << true;
    }
    // The library keeps a blocked receive for 6 s after the streams are
    // stopped and the device closed.  A close ends within the driver's
    // bound all the same; a switch to the other device measures that
    // device's own signal at once.  The loops left behind end on their own,
    // without a word.
    void libraryIgnoresStop() {
        QFETCH(bool, switchDevice);
        SimConfig sim;
        sim.setRealtime(true);
        sim.setDc(1, 1.5);
        sim.setFault("ignoreStopMs", 6000);
        sim.addDevice("192.0.2.12", "SIM-B", {{"1", QJsonObject{{"waveform", "dc"}, {"offset", -2.5}}}});
        QVERIFY(sim.apply());
        const double lsb = 10.0 / 32768 * 1000;
        {
            DriverHarness rig(
                {{"ChannelsEnabled", 1}, {"ChannelsSetToDc", 1}, {"TestSignalFrequencyHz", 200}});
            QVERIFY(rig.openAndStart());
            QCOMPARE(settles(rig.voltage(1), 1500.0, lsb, 3), QString());
            QElapsedTimer clock;
            clock.start();
            if (switchDevice) {
                QVERIFY(rig.engine->useModule(1, 0));
                QVERIFY(clock.elapsed() < ModuleReceiverMdx11::stopJoinMs + 2500);
                QCOMPARE(ModuleReceiverMdx11::abandonedLoops(), 1); // still ignoring the stop
                rig.clearReadings();
                QCOMPARE(settles(rig.voltage(1), -2500.0, lsb, 3), QString());
                clock.restart();
            }
            rig.shutDown();
            QVERIFY2(clock.elapsed() < ModuleReceiverMdx11::stopJoinMs + 2500,
                     qPrintable(QString::number(clock.elapsed())));
        }
        // The last loop left is still ignoring its stop (an earlier one may
        // have ended by now); the warnings count them all.
        QVERIFY(ModuleReceiverMdx11::abandonedLoops() >= 1);
        QVERIFY(ModuleReceiverMdx11::joinAbandonedLoops(10000));
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
        QCOMPARE(MessageLog::texts(QtWarningMsg).filter("оставлен").size(), switchDevice ? 2 : 1);
        QCOMPARE(MessageLog::texts(QtWarningMsg).filter("кадре").join('\n'), QString());
    }

    // Clicks while the operator switches to the other device: the engine's
    // stop waits for a restart in progress and drops a pending one, and the
    // new device starts from the controls as they are.
    void deviceSwitchInBurst() {
        SimConfig sim;
        sim.setRealtime(true);
        sim.addDevice("192.0.2.12", "SIM-B");
        QVERIFY(sim.apply());
        DriverHarness rig;
        QVERIFY(rig.openAndStart());
        QCOMPARE(rig.engine->crates().size(), 2);
        for (int round = 0; round < 4; ++round) {
            for (int k = 0; k < 30; ++k) {
                rig.check(1 + (k * 5 + round) % 16)->toggle();
                QCoreApplication::processEvents();
                if (k == 15)
                    QVERIFY(rig.engine->useModule(1 - round % 2, 0));
            }
            if (rig.checkedMask() == 0)
                rig.act({Action::Check, 1});
            QTRY_COMPARE_WITH_TIMEOUT(rig.recordMask(), rig.checkedMask(), 30000);
        }
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }
};

QTEST_MAIN(AcquisitionTest)
#include "test_acquisition.moc"
