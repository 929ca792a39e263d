// The trend history's bound, segments and statistics, and the decimation
// that keeps every pixel column's extremes.
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "trend_decimator.h"
#include "trend_history.h"

namespace {

ChannelReading reading(int number, double mV, int decimals) {
    ChannelReading r;
    r.number = number;
    r.volts = mV / 1000;
    r.decimals = decimals;
    return r;
}

// Channel 1 reads `mV` shown with 2 decimals (channels 0 and 33 do not exist).
PassRecord record(quint64 serial, qint64 timeMs, double mV) {
    PassRecord r;
    r.config.serial = serial;
    r.monotonicMs = timeMs;
    r.readings = {reading(1, mV, 2), reading(0, 5, 0), reading(33, 5, 0)};
    return r;
}

// What happens between the first and the second run of a segment case.
enum class Change {
    None,              // the same configuration goes on
    StopOnly,          // a stop and a restart with the same configuration
    ChannelToDc,       // channel 1 from AC to DC
    ChannelRange,      // channel 1 from 10 V to 0.6 V
    OtherChannelToDc,  // channel 2 from AC to DC
    OtherChannelRange, // channel 2's range
    OtherChannelOff,   // channel 2 no longer measured
    AdcRate,           // 20 kHz to 100 kHz
    Mode,              // differential to common ground
    Device,            // SIM-0001 to SIM-0002
    StaleBetween,      // passes in which channel 1 is stale (and still carries old numbers)
};

// Channels 1 and 2 AC 10 V at 20 kHz, differential, on SIM-0001; channel 1
// reads `mV1`, channel 2 reads 1000 mV.
struct Setup {
    QString device = QStringLiteral("SIM-0001");
    double adcHz = 20000;
    int mode = 1;
    ChannelConfig ch1{1, false, 0};
    ChannelConfig ch2{2, false, 0};
    bool ch2On = true;
};

PassRecord pass(const Setup& setup, quint64 serial, qint64 timeMs, double mV1, bool stale1 = false) {
    PassRecord r;
    r.device = setup.device;
    r.config.serial = serial;
    r.config.adcFrequencyHz = setup.adcHz;
    r.config.modeCode = setup.mode;
    r.config.channels = {setup.ch1};
    if (setup.ch2On)
        r.config.channels.append(setup.ch2);
    r.monotonicMs = timeMs;
    ChannelReading one = reading(1, mV1, 3);
    one.stale = stale1;
    r.readings = {one};
    if (setup.ch2On)
        r.readings.append(reading(2, 1000, 3));
    return r;
}

} // namespace

class TestTrendHistory : public QObject {
    Q_OBJECT

    qint64 nowMs = 0;

private slots:
    // The newest points stay, at most 36 000 and at most an hour old, even
    // without new records.
    void bound_data() {
        QTest::addColumn<int>("stepMs");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("kept");
        QTest::newRow("20 a second: the cap") << 50 << TrendHistory::maxPointsPerChannel + 500 << 36000;
        QTest::newRow("one a second: the hour") << 1000 << 7201 << 3601;
    }
    void bound() {
        QFETCH(int, stepMs);
        QFETCH(int, records);
        QFETCH(int, kept);
        TrendHistory h;
        h.setClock([this] { return nowMs; });
        for (int i = 0; i < records; ++i)
            h.append(record(1, nowMs = qint64(i) * stepMs, i));
        QCOMPARE(int(h.points(1).size()), kept);
        QCOMPARE(h.points(1).front().mV, double(records - kept));
        nowMs += TrendHistory::keepMs;
        h.trim();
        QCOMPARE(int(h.points(1).size()), 1);
        ++nowMs;
        h.trim();
        QVERIFY(h.points(1).empty() && h.channels().isEmpty());
    }

    // "serial:mV" records of channel 1 and "|" for startNewSegment; the
    // points come out as values and "|" for a gap.  A reading that is not
    // finite gives no point.
    void segments_data() {
        QTest::addColumn<QString>("records");
        QTest::addColumn<QString>("points");
        // clang-format off
        QTest::newRow("one run")                      << "1:0 1:1 1:2 1:3" << "0 1 2 3";
        QTest::newRow("new serial, the first 0")      << "0:0 0:1 1:2 1:3" << "0 1 | 2 3";
        QTest::newRow("two new serials")              << "1:0 2:1 3:2 3:3" << "0 | 1 | 2 3";
        QTest::newRow("stop or device change")        << "1:0 1:1 | 1:2 1:3" << "0 1 | 2 3";
        QTest::newRow("stop and new serial: one gap") << "1:0 1:1 | 2:2 2:3" << "0 1 | 2 3";
        QTest::newRow("stop before the first: none")  << "| 1:0 1:1" << "0 1";
        QTest::newRow("not finite")                   << "1:1 1:nan 1:inf 1:-inf 1:-12.346" << "1 -12.346";
        // clang-format on
    }
    void segments() {
        QFETCH(QString, records);
        TrendHistory h;
        h.setClock([this] { return nowMs; });
        nowMs = 0;
        for (const QString& r : records.split(QLatin1Char(' '))) {
            if (r == QLatin1String("|"))
                h.startNewSegment();
            else
                h.append(
                    record(r.section(':', 0, 0).toULongLong(), nowMs += 100, r.section(':', 1).toDouble()));
        }
        QStringList shape;
        for (const TrendPoint& p : h.points(1))
            shape << (std::isnan(p.mV) ? QStringLiteral("|") : QString::number(p.mV));
        QTEST(shape.join(QLatin1Char(' ')), "points");
        QCOMPARE(h.channels(), QVector<int>{1});
    }

    // Readings 4 -2 7 | 1 5 at 0..4 s, a new serial before the fourth.
    void statistics_data() {
        QTest::addColumn<qint64>("fromMs");
        QTest::addColumn<QString>("expected"); // count latest min max mean
        // clang-format off
        QTest::newRow("all")                       << qint64(0) << "5 5 -2 7 3";
        QTest::newRow("from 1 s")                  << qint64(1000) << "4 5 -2 7 2.75";
        QTest::newRow("from 2.5 s, after the gap") << qint64(2500) << "2 5 1 5 3";
        QTest::newRow("after the last")            << qint64(4001) << "0";
        // clang-format on
    }
    void statistics() {
        QFETCH(qint64, fromMs);
        TrendHistory h;
        h.setClock([this] { return nowMs; });
        const double values[] = {4, -2, 7, 1, 5};
        for (int i = 0; i < 5; ++i)
            h.append(record(i < 3 ? 1 : 2, nowMs = i * 1000, values[i]));
        const TrendStatistics s = h.statistics(1, fromMs);
        QStringList got{QString::number(s.count)};
        for (double v : {s.latest, s.min, s.max, s.mean})
            if (s.count > 0)
                got << QString::number(v);
        QTEST(got.join(QLatin1Char(' ')), "expected");
        QCOMPARE(h.decimals(1), 2); // the reading's own, not guessed from a text
    }

    // Channel 1 reads 100, 200, 300 mV, then after a change -5 and 7 mV.
    // Its statistics (and the AC/DC of its row) are of the current
    // configuration segment: a change of its own mode, range, the ADC rate,
    // the module's mode or the device starts one; a change to another
    // channel, a stop or stale passes do not.  Stale passes add no point.
    void segmentStatistics() {
        struct Case {
            const char* name;
            Change change;
            bool newSegment; // statistics of -5 and 7 only, else of all five
            bool dcAfter;    // the row says DC after the change
        };
        // clang-format off
        const Case cases[] = {
            {"same configuration",          Change::None,              false, false},
            {"stop and restart",            Change::StopOnly,          false, false},
            {"AC to DC: the DC part",       Change::ChannelToDc,       true,  true},
            {"own range",                   Change::ChannelRange,      true,  false},
            {"other channel to DC",         Change::OtherChannelToDc,  false, false},
            {"other channel's range",       Change::OtherChannelRange, false, false},
            {"other channel off",           Change::OtherChannelOff,   false, false},
            {"ADC rate",                    Change::AdcRate,           true,  false},
            {"module mode",                 Change::Mode,              true,  false},
            {"device",                      Change::Device,            true,  false},
            {"stale passes between",        Change::StaleBetween,      false, false},
        };
        // clang-format on
        for (const Case& c : cases) {
            TrendHistory h;
            h.setClock([this] { return nowMs; });
            Setup setup;
            quint64 serial = 1;
            nowMs = 1000;
            for (double mV : {100.0, 200.0, 300.0})
                h.append(pass(setup, serial, nowMs += 500, mV));
            const size_t pointsBefore = h.points(1).size();
            switch (c.change) {
            case Change::None:
                break;
            case Change::StopOnly:
                h.startNewSegment();
                ++serial;
                break;
            case Change::ChannelToDc:
                setup.ch1.dc = true;
                break;
            case Change::ChannelRange:
                setup.ch1.rangeCode = 2;
                break;
            case Change::OtherChannelToDc:
                setup.ch2.dc = true;
                break;
            case Change::OtherChannelRange:
                setup.ch2.rangeCode = 3;
                break;
            case Change::OtherChannelOff:
                setup.ch2On = false;
                break;
            case Change::AdcRate:
                setup.adcHz = 100000;
                break;
            case Change::Mode:
                setup.mode = 0;
                break;
            case Change::Device:
                h.startNewSegment();
                setup.device = QStringLiteral("SIM-0002");
                break;
            case Change::StaleBetween:
                for (int i = 0; i < 3; ++i)
                    h.append(pass(setup, serial, nowMs += 500, 999, true));
                QVERIFY2(h.points(1).size() == pointsBefore, c.name);
                break;
            }
            if (c.change != Change::None && c.change != Change::StaleBetween)
                ++serial; // every configuration (and restart) has a serial of its own
            for (double mV : {-5.0, 7.0})
                h.append(pass(setup, serial, nowMs += 500, mV));
            const TrendStatistics s = h.statistics(1, 0);
            const QVector<double> got{double(s.count), s.latest, s.min, s.max, s.mean};
            const QVector<double> expected =
                c.newSegment ? QVector<double>{2, 7, -5, 7, 1} : QVector<double>{5, 7, -5, 300, 120.4};
            QVERIFY2(got == expected, c.name);
            QVERIFY2(h.segmentKey(1).configured && h.segmentKey(1).dc == c.dcAfter, c.name);
            // Channel 2 reads 1000 throughout: its segment follows its own changes only.
            const bool ownChange = c.change == Change::OtherChannelToDc ||
                                   c.change == Change::OtherChannelRange || c.change == Change::AdcRate ||
                                   c.change == Change::Mode || c.change == Change::Device;
            const int ch2Count = c.change == Change::OtherChannelOff ? 3
                                 : c.change == Change::StaleBetween  ? 8
                                 : ownChange                         ? 2
                                                                     : 5;
            QVERIFY2(h.statistics(2, 0).count == ch2Count, c.name);
            // The span still applies within the segment.
            QVERIFY2(h.statistics(1, nowMs - 100).count == 1 && h.statistics(1, nowMs - 100).latest == 7,
                     c.name);
        }
    }

    // A segment that began long ago and lost its first points to the bound
    // still starts where it began; a reset forgets the key; a reading out of
    // time order changes nothing.
    void segmentAfterTrimAndReset() {
        TrendHistory h;
        h.setClock([this] { return nowMs; });
        Setup setup;
        nowMs = 0;
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
        QCOMPARE(h.statistics(1, 0).count, 1);
        QVERIFY(h.segmentKey(1).configured && !h.segmentKey(1).dc);
        // A reading older than the latest is dropped whole: it starts no segment.
        setup.ch1.dc = true;
        h.append(pass(setup, 4, nowMs - 10, 9));
        QCOMPARE(h.statistics(1, 0).count, 1);
        QVERIFY(!h.segmentKey(1).dc);
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
