// The data path from a converted frame to the record of a display pass, fed
// directly: the split of a frame by channel with the overload test at the
// ends of the scale, the queues' hand-over and bound, and the readings,
// decimals and texts of one pass.

#include <QtTest>
#include <cmath>
#include <limits>
#include <vector>

#include "frame_splitter.h"
#include "pass_analysis.h"
#include "sample_queues.h"

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

// Volts of converter code `code` on a range of full scale `fullScale`.
double code(int code, double fullScale) {
    return code * fullScale / 32768;
}

std::vector<RunChannel> runChannels(const QVector<double>& fullScales) {
    std::vector<RunChannel> channels;
    for (int i = 0; i < fullScales.size(); ++i)
        channels.push_back({i, false, 0, fullScales[i]});
    return channels;
}

struct Split {
    QVector<double> fullScales;        // per logical channel, V
    QVector<double> frame;             // interleaved in scan order
    QVector<QVector<double>> expected; // per channel
    QVector<bool> overload;            // per channel
};

// One channel's samples for a pass: `n` points of offset + amplitude *
// sin(2 pi f t) at `rateHz`.
std::vector<double> sine(int n, double rateHz, double offset, double amplitude, double hertz) {
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = offset + amplitude * std::sin(2 * M_PI * hertz * i / rateHz + 0.3);
    return v;
}

struct Reading {
    int channel; // physical, from 0
    bool dc;
    double offset;    // V
    double amplitude; // V, sine
    int samples;      // in the block; 0: no samples this pass
    bool overload;
    QString voltage; // expected texts
    QString frequency;
};

} // namespace

Q_DECLARE_METATYPE(Split)
Q_DECLARE_METATYPE(QVector<Reading>)

class DataPathTest : public QObject {
    Q_OBJECT

private slots:
    void split_data() {
        QTest::addColumn<Split>("s");
        const double ten = 10.0, low = 0.15;
        // clang-format off
        QTest::newRow("two channels")
            << Split{{ten, ten}, {1, 2, 3, 4, 5, 6}, {{1, 3, 5}, {2, 4, 6}}, {false, false}};
        QTest::newRow("a tail that is no whole row")
            << Split{{ten, ten, ten}, {1, 2, 3, 4, 5, 6, 7}, {{1, 4, 7}, {2, 5}, {3, 6}}, {false, false, false}};
        QTest::newRow("top code clips, one below does not")
            << Split{{ten, ten}, {code(32767, ten), code(32766, ten)}, {{code(32767, ten)}, {code(32766, ten)}}, {true, false}};
        QTest::newRow("bottom code clips, one above does not")
            << Split{{ten, ten}, {code(-32767, ten), -ten}, {{code(-32767, ten)}, {-ten}}, {false, true}};
        QTest::newRow("each channel on its own range")
            << Split{{low, ten}, {code(32767, low), code(32767, low)}, {{code(32767, low)}, {code(32767, low)}}, {true, false}};
        QTest::newRow("clipping in the tail")
            << Split{{ten, ten, ten}, {0, 0, 0, 0, ten}, {{0, 0}, {0, ten}, {0}}, {false, true, false}};
        // clang-format on
    }
    // Values land in their channel in arrival order; a channel is marked
    // overloaded when any of its samples reaches the end of its own range.
    void split() {
        QFETCH(Split, s);
        // Buffers from an earlier frame, longer than needed, are reused.
        std::vector<ChannelData> out(1);
        out[0].samples.assign(20, 99.0);
        splitFrame(s.frame.data(), size_t(s.frame.size()), runChannels(s.fullScales), out);
        QCOMPARE(int(out.size()), s.fullScales.size());
        for (int i = 0; i < s.fullScales.size(); ++i) {
            QCOMPARE(QVector<double>(out[size_t(i)].samples.begin(), out[size_t(i)].samples.end()),
                     s.expected[i]);
            QCOMPARE(out[size_t(i)].overload, s.overload[i]);
        }
    }

    // The queues hand over what arrived, oldest first; an overload stays
    // marked until a pass takes it; a lagging pass finds only the newest
    // whole frames.
    void queues() {
        const std::vector<RunChannel> channels = runChannels({10.0, 10.0});
        SampleQueues queues(2, 3, 2); // frames of 3 samples per channel, at most 2 kept
        std::vector<ChannelData> frame;
        std::vector<ChannelData> taken;
        auto push = [&](std::vector<double> interleaved) {
            splitFrame(interleaved.data(), interleaved.size(), channels, frame);
            queues.append(frame);
        };
        push({1, -1, 2, -2, 3, 10});
        push({4, -4, 5, -5, 6, -6});
        queues.take(taken);
        QCOMPARE(taken[0].samples, std::vector<double>({1, 2, 3, 4, 5, 6}));
        QCOMPARE(taken[1].samples, std::vector<double>({-1, -2, 10, -4, -5, -6}));
        QVERIFY(!taken[0].overload && taken[1].overload);

        queues.take(taken); // nothing new: empty blocks, the mark gone
        QVERIFY(taken[0].samples.empty() && taken[1].samples.empty() && !taken[1].overload);

        for (int f = 0; f < 5; ++f)
            push({10.0 * f, 0, 10.0 * f + 1, 0, 10.0 * f + 2, 0});
        QCOMPARE(queues.queued(0), std::vector<double>({30, 31, 32, 40, 41, 42}));
        queues.take(taken);
        QCOMPARE(taken[0].samples, std::vector<double>({30, 31, 32, 40, 41, 42}));
        QVERIFY(queues.queued(0).empty());
    }

    void readings_data() {
        QTest::addColumn<QVector<Reading>>("channels");
        // A run at 25 kHz per channel, frames of 5000 samples; decimals: AC 4, DC 2, frequency 6.
        // clang-format off
        QTest::newRow("DC and AC")
            << QVector<Reading>{{0, true, -0.0123456, 0, 5000, false, "-12.35", ""},
                                {16, false, 0.25, 1.5, 5000, true, "1060.6602", "0.020000"}};
        QTest::newRow("a channel without samples gets no reading")
            << QVector<Reading>{{2, true, 1.5, 0, 0, false, "", ""},
                                {5, false, -1.0, 0.5, 10000, false, "353.5534", "0.020000"}};
        QTest::newRow("two frames: frequency on all, level on one window")
            << QVector<Reading>{{31, true, 7.0, 0, 10000, false, "7000.00", ""}};
        // clang-format on
    }
    // Each block becomes a reading of its channel in numbers and texts, in
    // logical order; DC has no frequency, a channel without samples none.
    void readings() {
        QFETCH(QVector<Reading>, channels);
        const double rate = 25000;
        AcquisitionRun run;
        run.samplesChannel = 5000;
        run.channelRateHz = rate;
        run.window = buildAnalysisWindow(run.samplesChannel);
        run.decimalsAc = 4;
        run.decimalsDc = 2;
        run.decimalsFreq = 6;
        run.config.serial = 7;
        std::vector<ChannelData> blocks;
        for (const Reading& c : channels) {
            run.channels.push_back({c.channel, c.dc, 0, 10.0});
            ChannelData block;
            block.samples = sine(c.samples, rate, c.offset, c.dc ? 0.0 : c.amplitude, 20.0);
            block.overload = c.overload;
            blocks.push_back(block);
        }
        PassAnalysis analysis;
        const QDateTime time = QDateTime::currentDateTime();
        const PassRecord record = analysis.analyze(run, blocks, time, 12345, 12345);
        QCOMPARE(record.config.serial, quint64(7));
        QCOMPARE(record.time, time);
        QCOMPARE(record.monotonicMs, qint64(12345));
        int next = 0;
        for (const Reading& c : channels) {
            if (c.samples == 0)
                continue;
            QVERIFY(next < record.readings.size());
            const ChannelReading& r = record.readings[next++];
            QCOMPARE(r.number, c.channel + 1);
            QCOMPARE(r.voltage, c.voltage);
            QCOMPARE(r.frequency, c.frequency);
            QCOMPARE(r.overload, c.overload);
            QCOMPARE(r.decimals, c.dc ? 2 : 4);
            const double volts = c.dc ? c.offset : c.amplitude / std::sqrt(2.0);
            QVERIFY2(std::abs(r.volts - volts) < 1e-9, qPrintable(QString::number(r.volts, 'g', 17)));
            QCOMPARE(std::isnan(r.hertz), c.dc);
            if (!c.dc)
                QCOMPARE(r.hertz, 20.0);
        }
        QCOMPARE(next, record.readings.size());
    }
};

QTEST_GUILESS_MAIN(DataPathTest)
#include "test_datapath.moc"
