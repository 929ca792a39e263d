// The display pass's record of the blocks it took, fed directly, without
// threads, device or clock: reading texts, frequency judgement, staleness.

#include <QtTest>
#include <cmath>
#include <vector>

#include "channel_words.h"
#include "pass_analysis.h"
#include "reading_text.h"

namespace {

// One channel's samples for a pass: `n` points of offset + amplitude *
// sin(2 pi f t) at `rateHz`.
std::vector<double> sine(int n, double rateHz, double offset, double amplitude, double hertz) {
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = offset + amplitude * std::sin(2 * M_PI * hertz * i / rateHz + 0.3);
    return v;
}

struct TextCase {
    double value;
    int decimals;
    QString text;
};

// One AC channel at 1.25 kHz per channel (20 kHz shared by 16 channels),
// 500 samples a pass: a sine of `amplitudeLsb` steps of its range at
// `hertz`, quantised as the converter does.
struct Judged {
    int rangeCode;
    double amplitudeLsb, hertz;
    bool hasFrequency; // else NaN and no text
    double shownHertz; // the frequency read, when there is one
    bool alias;
};

// A channel of a run that started at runStartMs, with frames of 200 ms
// and a display period of 100 ms (passes every 200 ms, stale after 600 ms):
// its latest reading came at readingMs (0: none since the analysis began);
// a pass at passMs without samples for it.
struct Stale {
    qint64 readingMs, runStartMs, passMs;
    bool stale;
};

} // namespace

Q_DECLARE_METATYPE(TextCase)
Q_DECLARE_METATYPE(Judged)
Q_DECLARE_METATYPE(Stale)

class DataPathTest : public QObject {
    Q_OBJECT

private slots:
    void texts_data() {
        QTest::addColumn<TextCase>("t");
        // clang-format off
        QTest::newRow("DC -0.0001 mV on 3 decimals") << TextCase{-0.0001, 3, "0.000"};
        QTest::newRow("no decimals")                 << TextCase{-0.4, 0, "0"};
        QTest::newRow("rounds to -1")                << TextCase{-0.6, 0, "-1"};
        QTest::newRow("six decimals")                << TextCase{-1e-9, 6, "0.000000"};
        QTest::newRow("a negative reading")          << TextCase{-0.0006, 3, "-0.001"};
        QTest::newRow("a negative with zeros")       << TextCase{-100.0, 2, "-100.00"};
        QTest::newRow("no number")                   << TextCase{qQNaN(), 3, ""};
        QTest::newRow("infinity")                    << TextCase{-qInf(), 3, ""};
        // clang-format on
    }
    // A value that rounds to zero has no sign; a missing one has no text.
    void texts() {
        QFETCH(TextCase, t);
        QCOMPARE(readingText(t.value, t.decimals), t.text);
        QCOMPARE(voltageText(t.value / 1000, t.decimals), t.text);
        QCOMPARE(frequencyText(t.value * 1000, t.decimals), t.text);
    }

    void judged_data() {
        QTest::addColumn<Judged>("j");
        // Bins of 2.5 Hz; the band is 625 Hz, its top fifth from 500 Hz.
        // clang-format off
        QTest::newRow("560 Hz: top fifth")                << Judged{0, 1000, 560, true, 560, true};
        QTest::newRow("500 Hz: the fifth's lower edge")   << Judged{0, 1000, 500, true, 500, true};
        QTest::newRow("497.5 Hz: one bin below it")       << Judged{0, 1000, 497.5, true, 497.5, false};
        QTest::newRow("625 Hz: the band's edge")          << Judged{1, 1000, 625, true, 625, true};
        QTest::newRow("1 kHz folds to 250 Hz, unmarked")  << Judged{0, 1000, 1000, true, 250, false};
        QTest::newRow("0 V: no signal")                   << Judged{0, 0, 300, false, 0, false};
        QTest::newRow("2 LSB sine: noise on 0.15 V")      << Judged{3, 2, 560, false, 0, false};
        QTest::newRow("4 LSB sine: a signal")             << Judged{0, 4, 300, true, 300, false};
        // clang-format on
    }
    // An AC reading keeps its voltage always; its frequency only above the
    // noise of quantisation, marked when it may be an alias.
    void judged() {
        QFETCH(Judged, j);
        AcquisitionRun run;
        run.samplesChannel = 500;
        run.channelRateHz = 1250;
        run.window = buildAnalysisWindow(run.samplesChannel);
        run.decimalsAc = 3;
        run.decimalsFreq = 4;
        RunChannel channel{4, false, j.rangeCode, rangeFullScale(j.rangeCode)};
        run.channels.push_back(channel);
        std::vector<ChannelData> blocks(1);
        blocks[0].samples =
            sine(run.samplesChannel, run.channelRateHz, 0.0, j.amplitudeLsb * channel.lsb(), j.hertz);
        for (double& x : blocks[0].samples)
            x = std::round(x / channel.lsb()) * channel.lsb();
        PassAnalysis analysis;
        const PassRecord record = analysis.analyze(run, blocks, QDateTime::currentDateTime(), 1000, 1000);
        QCOMPARE(record.readings.size(), 1);
        const ChannelReading& r = record.readings[0];
        QCOMPARE(r.number, 5);
        QVERIFY(!r.stale && !r.voltage.isEmpty() && r.voltage == voltageText(r.volts, 3));
        QCOMPARE(!std::isnan(r.hertz), j.hasFrequency);
        QCOMPARE(r.frequency.isEmpty(), !j.hasFrequency);
        if (j.hasFrequency) {
            QCOMPARE(r.hertz, j.shownHertz);
            QCOMPARE(r.frequency, frequencyText(j.shownHertz, 4));
        }
        QCOMPARE(r.alias, j.alias);
    }

    void stale_data() {
        QTest::addColumn<Stale>("s");
        // clang-format off
        QTest::newRow("renewed 600 ms ago: still fresh")      << Stale{10000, 10000, 10600, false};
        QTest::newRow("601 ms ago: stale")                    << Stale{10000, 10000, 10601, true};
        QTest::newRow("never, run started 600 ms ago")        << Stale{0, 10000, 10600, false};
        QTest::newRow("never, run started 601 ms ago")        << Stale{0, 10000, 10601, true};
        QTest::newRow("in an earlier run: from the start")    << Stale{5000, 10000, 10500, false};
        QTest::newRow("in an earlier run, 700 ms into this")  << Stale{5000, 10000, 10700, true};
        // clang-format on
    }
    // A channel without new samples is left out until its reading is older
    // than two display periods and a frame; then it is stale, without
    // numbers or texts, with the time of its latest reading.  Samples bring
    // it back at once.
    void stale() {
        QFETCH(Stale, s);
        AcquisitionRun run;
        run.samplesChannel = 2000;
        run.channelRateHz = 10000;
        run.periodMs = 200;
        run.displayPeriodMs = 100;
        run.window = buildAnalysisWindow(run.samplesChannel);
        run.channels.push_back({0, true, 0, 10.0});
        run.channels.push_back({1, false, 0, 10.0});
        PassAnalysis analysis;
        std::vector<ChannelData> blocks(2);
        const QDateTime time = QDateTime::currentDateTime();
        if (s.readingMs) {
            blocks[0].samples.assign(2000, 1.0);
            blocks[1].samples = sine(2000, 10000, 0.0, 1.0, 20.0);
            QCOMPARE(analysis.analyze(run, blocks, time, s.readingMs, std::min(s.readingMs, s.runStartMs))
                         .readings.size(),
                     2);
        }
        std::vector<ChannelData> empty(2);
        const PassRecord record = analysis.analyze(run, empty, time, s.passMs, s.runStartMs);
        QCOMPARE(record.readings.size(), s.stale ? 2 : 0);
        for (const ChannelReading& r : record.readings) {
            QVERIFY(r.stale);
            QCOMPARE(r.lastReadingMs, s.readingMs);
            QVERIFY(std::isnan(r.volts) && std::isnan(r.hertz));
            QVERIFY(r.voltage.isEmpty() && r.frequency.isEmpty() && !r.overload && !r.alias);
        }
        blocks[0].samples.assign(2000, 1.0);
        blocks[1].samples = sine(2000, 10000, 0.0, 1.0, 20.0);
        const PassRecord back = analysis.analyze(run, blocks, time, s.passMs + 1, s.runStartMs);
        QCOMPARE(back.readings.size(), 2);
        QVERIFY(!back.readings[0].stale && !back.readings[1].stale);
        QCOMPARE(back.readings[0].voltage, QStringLiteral("1000.000"));
        QCOMPARE(back.readings[1].frequency, QStringLiteral("0.020"));
    }
};

QTEST_GUILESS_MAIN(DataPathTest)
#include "test_datapath.moc"
