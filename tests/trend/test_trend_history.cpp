// The trend history's bound, segments and statistics, and the decimation
// that keeps every pixel column's extremes.
#include <QtTest>
#include <algorithm>
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

ChannelReading reading(int number, double mV, int decimals) {
    ChannelReading r;
    r.number = number;
    r.volts = mV / 1000;
    r.decimals = decimals;
    return r;
}

// Channel 1 reads `mV1` with 2 decimals, channel 2 (when on) 1000 mV;
// channels 0 and 33 do not exist.
PassRecord pass(const Setup& setup, quint64 serial, qint64 timeMs, double mV1, bool stale1 = false) {
    PassRecord r;
    r.device = setup.device;
    r.config = {serial, setup.adcHz, setup.mode, {setup.ch1}};
    r.monotonicMs = timeMs;
    r.readings = {reading(1, mV1, 2), reading(0, 5, 0), reading(33, 5, 0)};
    r.readings[0].stale = stale1;
    if (setup.ch2On) {
        r.config.channels.append(setup.ch2);
        r.readings.append(reading(2, 1000, 3));
    }
    return r;
}

} // namespace

class TestTrendHistory : public QObject {
    Q_OBJECT

    qint64 nowMs = 0;

private slots:
    void init() { nowMs = 0; }

    // The newest points stay, at most 36 000 and at most an hour old, even
    // without new records.
    void bound() {
        struct Case {
            int stepMs, records, kept;
        };
        const Case cases[] = {{50, TrendHistory::maxPointsPerChannel + 500, 36000}, {1000, 7201, 3601}};
        const Setup one{QString(), 0, 0, {1, false, 0}, {}, false};
        for (const Case& c : cases) {
            TrendHistory h;
            h.setClock([this] { return nowMs; });
            for (int i = 0; i < c.records; ++i)
                h.append(pass(one, 1, nowMs = qint64(i) * c.stepMs, i));
            QCOMPARE(int(h.points(1).size()), c.kept);
            QCOMPARE(h.points(1).front().mV, double(c.records - c.kept));
            nowMs += TrendHistory::keepMs;
            h.trim();
            QCOMPARE(int(h.points(1).size()), 1);
            ++nowMs;
            h.trim();
            QVERIFY(h.points(1).empty() && h.channels().isEmpty());
        }
    }

    // Records of channel 1 and stops (startNewSegment); the points come out
    // as values and a gap marker.  A reading that is not finite gives no point.
    void segments() {
        struct Step {
            bool stop; // else a record of `serial` reading `mV`
            quint64 serial;
            double mV;
        };
        const Step stop{true, 0, 0};
        const auto at = [](quint64 serial, double mV) { return Step{false, serial, mV}; };
        const double gap = -1e300, inf = qInf();
        struct Case {
            const char* name;
            QVector<Step> steps;
            QVector<double> points; // `gap` for a gap marker
        };
        // clang-format off
        const Case cases[] = {
            {"new serial, the first 0",      {at(0, 0), at(0, 1), at(1, 2), at(1, 3)},       {0, 1, gap, 2, 3}},
            {"stop or device change",        {at(1, 0), at(1, 1), stop, at(1, 2), at(1, 3)}, {0, 1, gap, 2, 3}},
            {"stop and new serial: one gap", {at(1, 0), at(1, 1), stop, at(2, 2), at(2, 3)}, {0, 1, gap, 2, 3}},
            {"stop before the first: none",  {stop, at(1, 0), at(1, 1)},                     {0, 1}},
            {"not finite",                   {at(1, 1), at(1, qQNaN()), at(1, inf), at(1, -inf), at(1, -12.346)}, {1, -12.346}},
        };
        // clang-format on
        const Setup one{QString(), 0, 0, {1, false, 0}, {}, false};
        for (const Case& c : cases) {
            TrendHistory h;
            h.setClock([this] { return nowMs; });
            for (const Step& step : c.steps) {
                if (step.stop)
                    h.startNewSegment();
                else
                    h.append(pass(one, step.serial, nowMs += 100, step.mV));
            }
            QVector<double> got;
            for (const TrendPoint& p : h.points(1))
                got << (std::isnan(p.mV) ? gap : p.mV);
            QVERIFY2(got == c.points && h.channels() == QVector<int>{1}, c.name);
            QVERIFY2(h.decimals(1) == 2, c.name); // the reading's own, not guessed from a text
        }
    }

    // Channel 1 reads 100, 200, 300 mV, then after a change -5 and 7 mV.
    // Its statistics (and the AC/DC of its row) are of the current
    // configuration segment: a change of its own mode, range, the ADC rate,
    // the module's mode or the device starts one; a change to another
    // channel, a stop or stale passes do not.  Stale passes add no point.
    void segmentStatistics() {
        struct Case {
            const char* name;
            void (*change)(Setup&); // the configuration after; nullptr: the same
            bool stop;              // startNewSegment between (a stop or a device change)
            bool stale;             // three stale passes between, the same configuration
            bool newSegment;        // statistics of -5 and 7 only, else of all five
            bool dcAfter;           // the row says DC after the change
            int ch2Count;           // channel 2 reads 1000 throughout: its own changes only start a segment
        };
        // clang-format off
        const Case cases[] = {
            {"stop and restart",      nullptr,                                                 true,  false, false, false, 5},
            {"AC to DC: the DC part", [](Setup& s) { s.ch1.dc = true; },                       false, false, true,  true,  5},
            {"own range",             [](Setup& s) { s.ch1.rangeCode = 2; },                   false, false, true,  false, 5},
            {"other channel to DC",   [](Setup& s) { s.ch2.dc = true; },                       false, false, false, false, 2},
            {"other channel off",     [](Setup& s) { s.ch2On = false; },                       false, false, false, false, 3},
            {"ADC rate",              [](Setup& s) { s.adcHz = 100000; },                      false, false, true,  false, 2},
            {"module mode",           [](Setup& s) { s.mode = 0; },                            false, false, true,  false, 2},
            {"device",                [](Setup& s) { s.device = QStringLiteral("SIM-0002"); }, true,  false, true,  false, 2},
            {"stale passes between",  nullptr,                                                 false, true,  false, false, 8},
        };
        // clang-format on
        for (const Case& c : cases) {
            TrendHistory h;
            h.setClock([this] { return nowMs; });
            Setup setup;
            quint64 serial = 1;
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
            QVERIFY2(h.points(1).size() == 3, c.name);
            for (double mV : {-5.0, 7.0})
                h.append(pass(setup, serial, nowMs += 500, mV));
            const TrendStatistics s = h.statistics(1, 0);
            const QVector<double> got{double(s.count), s.latest, s.min, s.max, s.mean};
            const QVector<double> expected =
                c.newSegment ? QVector<double>{2, 7, -5, 7, 1} : QVector<double>{5, 7, -5, 300, 120.4};
            QVERIFY2(got == expected, c.name);
            QVERIFY2(h.segmentKey(1).configured && h.segmentKey(1).dc == c.dcAfter, c.name);
            QVERIFY2(h.statistics(2, 0).count == c.ch2Count, c.name);
            // The span still applies within the segment, also after the last.
            const TrendStatistics last = h.statistics(1, nowMs - 100);
            QVERIFY2(last.count == 1 && last.min == 7 && h.statistics(1, nowMs + 1).count == 0, c.name);
        }
    }

    // A segment that began long ago and lost its first points to the bound
    // still starts where it began; a reset forgets the key; a reading out of
    // time order changes nothing.
    void segmentAfterTrimAndReset() {
        TrendHistory h;
        h.setClock([this] { return nowMs; });
        Setup setup;
        h.append(pass(setup, 1, nowMs += 100, 50));
        setup.ch1.dc = true;
        for (int i = 0; i < TrendHistory::maxPointsPerChannel + 10; ++i)
            h.append(pass(setup, 2, nowMs += 50, i % 2 ? 1 : 3));
        QCOMPARE(h.statistics(1, 0).count, TrendHistory::maxPointsPerChannel);
        QCOMPARE(h.statistics(1, 0).mean, 2.0);
        h.reset();
        QVERIFY(!h.segmentKey(1).configured);
        QCOMPARE(h.statistics(1, 0).count, 0);
        setup.ch1.dc = false;
        h.append(pass(setup, 3, nowMs += 50, 4));
        setup.ch1.dc = true;
        h.append(pass(setup, 4, nowMs - 10, 9)); // older than the latest: dropped whole
        QCOMPARE(h.statistics(1, 0).count, 1);
        QVERIFY(h.segmentKey(1).configured && !h.segmentKey(1).dc);
    }

    // Per 100-ms column its smallest and largest reading, in time order,
    // after the last point before the span; a gap stays a gap.
    void decimation() {
        std::deque<TrendPoint> points;
        for (qint64 t = -50; t < 1000; t += 3)
            points.push_back({t, t == 124 ? 900.0 : t == 454 ? -700.0 : t == 700 ? NAN : double(t % 7)});
        const QVector<QPointF> out = TrendDecimator::decimate(points, 0, 1000, 10);
        QCOMPARE(out.first(), QPointF(-2, -2));
        QVector<QVector<double>> seen(10);
        for (int i = 1; i < out.size(); ++i) {
            QVERIFY(out[i].x() > out[i - 1].x() || std::isnan(out[i - 1].y()) || std::isnan(out[i].y()));
            seen[int(out[i].x()) / 100] << out[i].y();
        }
        for (int c = 0; c < 10; ++c) {
            const double high = c == 1 ? 900 : 6, low = c == 4 ? -700 : 0;
            QVERIFY2(seen[c].contains(low) && seen[c].contains(high) && seen[c].size() <= 2 + (c == 7),
                     qPrintable(QString::number(c)));
        }
        QVERIFY(std::any_of(seen[7].begin(), seen[7].end(), [](double y) { return std::isnan(y); }));
        // Ties: the first smallest and the first largest, once each; no point before the span.
        using Points = std::deque<TrendPoint>;
        QCOMPARE(TrendDecimator::decimate(Points{{0, 5}, {10, 1}, {20, 1}, {30, 9}, {40, 9}}, 0, 100, 1),
                 (QVector<QPointF>{{10, 1}, {30, 9}}));
        QCOMPARE(TrendDecimator::decimate(Points{{0, 5}, {10, 5}}, 0, 100, 1), (QVector<QPointF>{{0, 5}}));
    }
};

QTEST_GUILESS_MAIN(TestTrendHistory)
#include "test_trend_history.moc"