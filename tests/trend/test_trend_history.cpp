// The trend history's bound, gaps, segments and statistics, and the decimation
// that keeps every pixel column's extremes.
#include <QtTest>
#include <cmath>

#include "trend_decimator.h"
#include "trend_history.h"

namespace {

// Channels 1 and 2 AC 10 V at 20 kHz, differential, on SIM-0001.
struct Setup {
    QString device = QStringLiteral("SIM-0001");
    double adcHz = 20000;
    int mode = 1;
    ChannelConfig ch1{1, false, 0};
    ChannelConfig ch2{2, false, 0};
    bool ch2On = true;
};

ChannelReading reading(int number, double mV) {
    ChannelReading r;
    r.number = number;
    r.volts = mV / 1000;
    return r;
}

// Channel 1 reads `mV1` with 2 decimals, channel 2 (when on) 1000 mV;
// channels 0 and 33 do not exist.
PassRecord pass(const Setup& setup, quint64 serial, qint64 timeMs, double mV1, bool stale1 = false) {
    PassRecord r;
    r.device = setup.device;
    r.config = {serial, setup.adcHz, setup.mode, {setup.ch1}};
    r.monotonicMs = timeMs;
    r.readings = {reading(1, mV1), reading(0, 5), reading(33, 5)};
    r.readings[0].decimals = 2;
    r.readings[0].stale = stale1;
    if (setup.ch2On) {
        r.config.channels.append(setup.ch2);
        r.readings.append(reading(2, 1000));
    }
    return r;
}

} // namespace

class TestTrendHistory : public QObject {
    Q_OBJECT

    qint64 nowMs = 0;

private slots:
    // The newest points stay, at most 36 000 and an hour old, also without
    // new records; a segment trimmed keeps its start; a reset forgets the
    // key; a reading out of time order changes nothing.
    void boundAndReset() {
        TrendHistory h;
        h.setClock([this] { return nowMs; });
        Setup setup;
        setup.ch2On = false;
        h.append(pass(setup, 1, nowMs += 100, 50));
        setup.ch1.dc = true;
        for (int i = 0; i < TrendHistory::maxPointsPerChannel + 10; ++i)
            h.append(pass(setup, 2, nowMs += 50, i % 2 ? 1 : 3));
        const TrendStatistics s = h.statistics(1, 0); // the AC point is gone, its segment too
        QVERIFY(int(h.points(1).size()) == s.count && s.count == TrendHistory::maxPointsPerChannel &&
                s.mean == 2);
        h.append(pass(setup, 2, nowMs += TrendHistory::keepMs, 5)); // the last before is an hour old
        QCOMPARE(int(h.points(1).size()), 2);
        ++nowMs;
        h.trim();
        QCOMPARE(int(h.points(1).size()), 1);
        h.reset();
        QVERIFY(!h.segmentKey(1).configured && h.channels().isEmpty());
        h.startNewSegment(); // before the first point: no gap
        setup.ch1.dc = false;
        for (double mV : {4.0, qInf(), -qInf(), qQNaN()}) // a reading that is not finite gives no point
            h.append(pass(setup, 3, nowMs += 50, mV));
        setup.ch1.dc = true;
        h.append(pass(setup, 4, h.points(1).back().timeMs - 10, 9)); // older than the latest: dropped whole
        QVERIFY(h.points(1).size() == 1 && h.points(1).front().mV == 4 && h.channels() == QVector<int>{1});
        // The key and the decimals of the reading kept (not guessed from a text).
        QVERIFY(h.segmentKey(1).configured && !h.segmentKey(1).dc && h.decimals(1) == 2);
    }

    // Channel 1 reads 100, 200, 300 mV, then after a change -5 and 7 mV.
    // Its statistics and row's AC/DC are of the current segment: a change of
    // its own mode or range, the ADC rate, the module's mode or the device
    // starts one; another channel's change, a stop or stale passes do not.
    void segmentStatistics() {
        struct Case {
            const char* name;
            void (*change)(Setup&); // the configuration after; nullptr: the same
            bool stop;              // startNewSegment between (a stop or a device change)
            bool stale;             // three stale passes between, the same configuration
            bool newSegment;        // statistics of -5 and 7 only, else of all five
            int ch2Count;           // channel 2 reads 1000 throughout: its own changes only start a segment
        };
        // clang-format off
        const Case cases[] = {
            {"stop and restart",      nullptr,                                                 true,  false, false, 5},
            {"AC to DC: the DC part", [](Setup& s) { s.ch1.dc = true; },                       false, false, true,  5},
            {"other channel to DC",   [](Setup& s) { s.ch2.dc = true; },                       false, false, false, 2},
            {"other channel off",     [](Setup& s) { s.ch2On = false; },                       false, false, false, 3},
            {"ADC rate",              [](Setup& s) { s.adcHz = 100000; },                      false, false, true,  2},
            {"device",                [](Setup& s) { s.device = QStringLiteral("SIM-0002"); }, true,  false, true,  2},
            {"stale passes between",  nullptr,                                                 false, true,  false, 8},
        };
        // clang-format on
        for (const Case& c : cases) {
            TrendHistory h;
            h.setClock([this] { return nowMs; });
            Setup setup;
            quint64 serial = 0; // a first serial of 0 is a serial too
            for (double mV : {100.0, 200.0, 300.0})
                h.append(pass(setup, serial, nowMs += 500, mV));
            if (c.stop)
                h.startNewSegment();
            if (c.change)
                c.change(setup);
            if (c.change || c.stop)
                ++serial; // every configuration (and restart) has a serial of its own
            for (int i = 0; c.stale && i < 3; ++i)
                h.append(pass(setup, serial, nowMs += 500, 999, true));
            for (double mV : {-5.0, 7.0})
                h.append(pass(setup, serial, nowMs += 500, mV));
            const bool gap = c.change || c.stop; // one in the line, also for a stop and a new serial
            QVERIFY2(h.points(1).size() == 5u + gap && std::isnan(h.points(1)[3].mV) == gap, c.name);
            const TrendStatistics s = h.statistics(1, 0);
            const QVector<double> got{double(s.count), s.latest, s.min, s.max, s.mean};
            const QVector<double> expected =
                c.newSegment ? QVector<double>{2, 7, -5, 7, 1} : QVector<double>{5, 7, -5, 300, 120.4};
            QVERIFY2(got == expected, c.name);
            QVERIFY2(h.segmentKey(1).configured && h.segmentKey(1).dc == setup.ch1.dc, c.name);
            QVERIFY2(h.statistics(2, 0).count == c.ch2Count, c.name);
            // The span still applies within the segment, also after the last.
            const TrendStatistics last = h.statistics(1, nowMs - 100);
            QVERIFY2(last.count == 1 && last.min == 7 && h.statistics(1, nowMs + 1).count == 0, c.name);
        }
    }

    // Per pixel column its smallest and largest reading, in time order,
    // once each, the first of ties; the last point before the span leads in.
    void decimation() {
        using Points = std::deque<TrendPoint>;
        QCOMPARE(TrendDecimator::decimate(Points{{0, 5}, {10, 1}, {20, 1}, {30, 9}, {40, 9}}, 0, 100, 1),
                 (QVector<QPointF>{{10, 1}, {30, 9}}));
        QCOMPARE(TrendDecimator::decimate(Points{{-10, 4}, {0, 5}, {10, 5}, {60, 2}}, 0, 100, 2),
                 (QVector<QPointF>{{-10, 4}, {0, 5}, {60, 2}}));
    }
};

QTEST_GUILESS_MAIN(TestTrendHistory)
#include "test_trend_history.moc"