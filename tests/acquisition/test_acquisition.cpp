// Acquisition end to end: the receive loop alone, and the driver under the
// engine against the simulator's truth, its faults and marks.

#include <QElapsedTimer>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>
#include <QTextCodec>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

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

// Channels, ADC frequency (Hz, all channels), test signal (Hz) -> verdict,
// samples per channel and frame period (ms).
struct Geometry {
    int channels;
    double adcHz, signalHz;
    int verdict, samples, periodMs;
};

// The field carries the mark of a stale reading set by the display.
bool grey(const QLineEdit* edit) {
    return edit->styleSheet().contains("color:") && edit->toolTip().contains("не поступают");
}

} // namespace

Q_DECLARE_METATYPE(Channels)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Geometry)

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
        QTest::newRow("periods grow from 4 to 25")      << Geometry{1, 20000, 1000, ok, 500, 25};
        QTest::newRow("odd count 501 made even")        << Geometry{1, 1000000, 7985, ok, 502, 1};
        QTest::newRow("rate exactly twice the signal")  << Geometry{1, 20000, 10000, low, 0, 0};
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
        QTest::newRow("noisy DC on 2.5 V at 20 kHz")   << 0 << Channels{{1, 1, 1, Dc, 1.75, 0.05}, {2, 2, 1, Dc, -1.375, 0.05}, {3, 3, 1, Dc, 0.0775, 0.05}} << 1;
        QTest::newRow("near Nyquist between bins, 32 ch") << 4 << Channels{{1, 32, 2, Sine, 0.1, 15001.7, 0.02}} << 2;
        QTest::newRow("3 ch at 500 kHz")               << 3 << Channels{{1, 1, 0, Sine, 3, 2500}, {2, 2, 1, Dc, -1}, {3, 3, 2, Sine, 0.4, 7000}} << 2;
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

    // Readings follow the controls while running, and nothing clears the
    // fields between: AC -> DC must empty the frequency field itself.  An
    // overload mark clears at the next pass without clipping, and for a
    // channel no longer measured, whose reading stays.
    void followsConfiguration() {
        SimConfig sim;
        DriverHarness rig(
            prepare({{1, 1, 0, Sine, 1, 500, 0.25}, {2, 2, 3, Dc, 0.5}, {3, 3, 1, Dc, 3}}, sim));
        QVERIFY(sim.apply() && rig.openAndStart());
        QLineEdit *two = rig.voltage(2), *three = rig.voltage(3);
        QCOMPARE(settles(rig.frequency(1), 0.5, 0.005, 6), QString()); // within a bin of 5 Hz
        QTRY_VERIFY_WITH_TIMEOUT(!two->toolTip().isEmpty() && !three->toolTip().isEmpty(), 20000);
        rig.act({Action::Type, 1, 1}); // decimals: those of 2.5 V, the range of channel 3, scanned last
        QCOMPARE(settles(rig.voltage(1), 250.0, 10.0 / 32.768, decimalsDc[1]), QString());
        QTRY_COMPARE(rig.frequency(1)->text(), QString());
        rig.act({Action::Range, 2, 1}); // 2.5 V: 0.5 V no longer clips
        QTRY_VERIFY_WITH_TIMEOUT(two->toolTip().isEmpty() && two->styleSheet().isEmpty(), 20000);
        QVERIFY(!three->toolTip().isEmpty());
        rig.act({Action::Uncheck, 3});
        QTRY_VERIFY_WITH_TIMEOUT(three->toolTip().isEmpty() && three->styleSheet().isEmpty(), 20000);
        QVERIFY(!three->text().isEmpty());
        rig.act({Action::Decimals, 0, 1, 1, 2, 1}); // the options form, accepted while running
        QCOMPARE(settles(rig.voltage(1), 250.0, 10.0 / 32.768 + 0.005, 2), QString());
        QCOMPARE(settles(two, 500.0, 2.5 / 32.768 + 0.005, 2), QString());
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }

    void faults_data() {
        QTest::addColumn<Fault>("f");
        const bool T = true, F = false;
        // clang-format off
        //                                                   signal opens staysOpen starts measures stopFails loopEnds warnings only recovers
        QTest::newRow("open")                     << Fault{{{"open", -4}}, 0,     F, F, F, F, F, F, 0, F, T, -4, "Не удалось установить связь с модулем. Ошибка -4 (%s)"};
        QTest::newRow("info")                     << Fault{{{"info", -19}}, 0,    F, T, F, F, F, F, 0, F, T, -19, "Не удалось прочитать информацию о модуле. Ошибка -19: %s\n"};
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
        auto measuring = [&] {
            return settles(rig.voltage(1), 1500.0, 10 / 32.768, 5) +
                   settles(rig.voltage(2), -500.0, 10 / 32.768, 5);
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
    // The device stops delivering after 2 frames of 200 ms; passes run every
    // 200 ms, so a reading is stale 2 x 200 + 200 = 600 ms after it came.
    // Its fields turn grey and the record flags it stale.
    void staleWhenTheDeviceStalls() {
        SimConfig sim;
        sim.setRealtime(true);
        sim.setDc(1, 1.5);
        sim.setSine(2, 1.0, 20);
        sim.setFault("stallAfterFrames", 2);
        QVERIFY(sim.apply());
        DriverHarness rig({{"ChannelsEnabled", 3}, {"ChannelsSetToDc", 1}});
        const int boundMs = 600;
        QVERIFY(rig.openAndStart());
        // The pass's own clock: how old the reading was at the first stale
        // record seen (each later one adds 200 ms).
        QTRY_VERIFY_WITH_TIMEOUT(rig.latest.value(1).stale, 30000);
        const qint64 staleAfterMs = rig.lastRecord.monotonicMs - rig.latest[1].lastReadingMs;
        QVERIFY2(staleAfterMs > boundMs && staleAfterMs <= 2 * boundMs,
                 qPrintable(QString::number(staleAfterMs)));
        // The fields were posted before the record; the readings shown stay.
        QVERIFY(grey(rig.voltage(1)) && grey(rig.voltage(2)) && grey(rig.frequency(2)));
        QVERIFY(std::abs(rig.voltage(1)->text().toDouble() - 1500.0) < 1.0);
        QCOMPARE(rig.frequency(2)->text(), QStringLiteral("0.020"));
        QCOMPARE(rig.lastRecord.readings.size(), 2);
        for (const ChannelReading& r : rig.lastRecord.readings)
            QVERIFY(r.stale && r.lastReadingMs > 0);

        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
    }
    // The library keeps a blocked receive 8 s past the stop and the close.
    // A switch to the other device (and the final close) still ends within
    // twice the driver's 3-s bound, and the new device measures its own
    // level; the loops left behind end later on their old handles, silently.
    void switchWhileTheLoopLingers() {
        SimConfig sim;
        sim.setRealtime(true);
        sim.setDc(1, 1.5);
        sim.setFault("ignoreStopMs", 8000);
        sim.addDevice("192.0.2.12", "SIM-B", {{"1", QJsonObject{{"waveform", "dc"}, {"offset", -2.5}}}});
        QVERIFY(sim.apply());
        QElapsedTimer clock;
        {
            DriverHarness rig({{"ChannelsEnabled", 1}, {"ChannelsSetToDc", 1}});
            QVERIFY(rig.openAndStart());
            QCOMPARE(DriverHarness::settles(rig.voltage(1), 1500.0, 1.0, 3), QString());
            clock.start();
            QVERIFY(rig.engine->useModule(1, 0) && clock.elapsed() < 2 * 3000);
            QCOMPARE(ModuleReceiverMdx11::abandonedLoops(), 1);
            rig.clearReadings();
            QCOMPARE(DriverHarness::settles(rig.voltage(1), -2500.0, 1.0, 3), QString());
            clock.restart();
        }
        QVERIFY2(clock.elapsed() < 2 * 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(ModuleReceiverMdx11::joinAbandonedLoops(30000));
        QCOMPARE(MessageLog::texts(QtCriticalMsg).join('\n'), QString());
        QCOMPARE(MessageLog::texts(QtWarningMsg).filter("оставлен").size(), 2);
        QCOMPARE(MessageLog::texts(QtWarningMsg).filter("кадр").join('\n'), QString());
    }
};

QTEST_MAIN(AcquisitionTest)
#include "test_acquisition.moc"
