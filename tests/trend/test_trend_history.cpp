#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

#include "trend_decimator.h"
#include "trend_history.h"

namespace {

// A record of `serial` at `timeMs` with one voltage text per channel.
PassRecord record(quint64 serial, qint64 timeMs, const QVector<QPair<int, QString>>& voltages) {
    PassRecord r;
    r.config.serial = serial;
    r.monotonicMs = timeMs;
    for (const auto& v : voltages)
        r.readings.append({v.first, v.second, QString(), false});
    return r;
}

PassRecord record(quint64 serial, qint64 timeMs, double mV) {
    return record(serial, timeMs, {{1, QString::number(mV, 'f', 3)}});
}

// The channel's points as text: values, and "|" for a gap.
QString shape(const std::deque<TrendPoint>& points) {
    QStringList parts;
    for (const TrendPoint& p : points)
        parts << (std::isnan(p.mV) ? QStringLiteral("|") : QString::number(p.mV));
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestTrendHistory : public QObject {
    Q_OBJECT

    qint64 nowMs = 0;

    void useTestClock(TrendHistory& h) {
        nowMs = 0;
        h.setClock([this] { return nowMs; });
    }

private slots:
    void pointCapKeepsTheNewest();
    void trimmedByTime();
    void segments_data();
    void segments();
    void unreadableTextsAreNoPoints_data();
    void unreadableTextsAreNoPoints();
    void statisticsOverSpan_data();
    void statisticsOverSpan();
    void decimationKeepsColumnExtremes();
    void decimationBreaksAtGaps();
};

void TestTrendHistory::pointCapKeepsTheNewest() {
    // 20 records a second: the cap, not the hour, is the limit.
    TrendHistory h;
    useTestClock(h);
    const int total = TrendHistory::maxPointsPerChannel + 500;
    for (int i = 0; i < total; ++i) {
        nowMs = i * 50;
        h.append(record(1, nowMs, i));
    }
    const std::deque<TrendPoint>& p = h.points(1);
    QCOMPARE(int(p.size()), TrendHistory::maxPointsPerChannel);
    QCOMPARE(p.front().mV, 500.0);
    QCOMPARE(p.back().mV, double(total - 1));
}

void TestTrendHistory::trimmedByTime() {
    // One record a second for two hours keeps the last hour only.
    TrendHistory h;
    useTestClock(h);
    for (int s = 0; s <= 7200; ++s) {
        nowMs = s * 1000LL;
        h.append(record(1, nowMs, s));
    }
    QCOMPARE(int(h.points(1).size()), 3601);
    QCOMPARE(h.points(1).front().timeMs, nowMs - TrendHistory::keepMs);

    // Without new records the hour still runs out.
    nowMs += TrendHistory::keepMs;
    h.trim();
    QCOMPARE(int(h.points(1).size()), 1);
    nowMs += 1;
    h.trim();
    QVERIFY(h.points(1).empty());
    QVERIFY(h.channels().isEmpty());
}

void TestTrendHistory::segments_data() {
    QTest::addColumn<QVector<quint64>>("serials");
    QTest::addColumn<int>("breakBefore"); // index of the record before which startNewSegment is called
    QTest::addColumn<QString>("expected");
    QTest::newRow("one run") << QVector<quint64>{1, 1, 1, 1} << -1 << "0 1 2 3";
    QTest::newRow("new serial") << QVector<quint64>{1, 1, 2, 2} << -1 << "0 1 | 2 3";
    QTest::newRow("two new serials") << QVector<quint64>{1, 2, 3, 3} << -1 << "0 | 1 | 2 3";
    QTest::newRow("stop or device change") << QVector<quint64>{1, 1, 1, 1} << 2 << "0 1 | 2 3";
    QTest::newRow("break and new serial: one gap") << QVector<quint64>{1, 1, 2, 2} << 2 << "0 1 | 2 3";
    QTest::newRow("break before the first reading: no gap") << QVector<quint64>{1, 1, 1, 1} << 0 << "0 1 2 3";
}

void TestTrendHistory::segments() {
    QFETCH(QVector<quint64>, serials);
    QFETCH(int, breakBefore);
    QFETCH(QString, expected);
    TrendHistory h;
    useTestClock(h);
    for (int i = 0; i < serials.size(); ++i) {
        if (i == breakBefore)
            h.startNewSegment();
        nowMs = i * 100;
        h.append(record(serials[i], nowMs, i));
    }
    QCOMPARE(shape(h.points(1)), expected);
}

void TestTrendHistory::unreadableTextsAreNoPoints_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("number") << "-12.346"
                            << "1 -12.346";
    QTest::newRow("empty") << ""
                           << "1";
    QTest::newRow("word") << "abc"
                          << "1";
    QTest::newRow("nan") << "nan"
                         << "1";
    QTest::newRow("infinity") << "inf"
                              << "1";
}

void TestTrendHistory::unreadableTextsAreNoPoints() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    TrendHistory h;
    useTestClock(h);
    h.append(record(1, 0, {{1, QStringLiteral("1")}, {33, QStringLiteral("2")}, {0, QStringLiteral("3")}}));
    h.append(record(1, 100, {{1, text}}));
    QCOMPARE(shape(h.points(1)), expected);
    QCOMPARE(h.channels(), QVector<int>{1});
}

void TestTrendHistory::statisticsOverSpan_data() {
    QTest::addColumn<qint64>("fromMs");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("latest");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("mean");
    // Readings 4 -2 7 | 1 5 at 0..4 s, a gap after the third.
    QTest::newRow("all") << qint64(0) << 5 << 5.0 << -2.0 << 7.0 << 3.0;
    QTest::newRow("from 1 s") << qint64(1000) << 4 << 5.0 << -2.0 << 7.0 << 2.75;
    QTest::newRow("from 2.5 s, after the gap") << qint64(2500) << 2 << 5.0 << 1.0 << 5.0 << 3.0;
    QTest::newRow("after the last") << qint64(4001) << 0 << 0.0 << 0.0 << 0.0 << 0.0;
}

void TestTrendHistory::statisticsOverSpan() {
    QFETCH(qint64, fromMs);
    TrendHistory h;
    useTestClock(h);
    const double values[] = {4, -2, 7, 1, 5};
    for (int i = 0; i < 5; ++i) {
        nowMs = i * 1000;
        h.append(record(i < 3 ? 1 : 2, nowMs, values[i]));
    }
    const TrendStatistics s = h.statistics(1, fromMs);
    QTEST(s.count, "count");
    if (s.count == 0)
        return;
    QTEST(s.latest, "latest");
    QTEST(s.min, "min");
    QTEST(s.max, "max");
    QTEST(s.mean, "mean");
}

void TestTrendHistory::decimationKeepsColumnExtremes() {
    // 20 000 noisy points with rare spikes over 300 columns of 10 s each.
    const int columns = 300;
    const qint64 fromMs = 1000000, toMs = fromMs + columns * 10000LL;
    std::deque<TrendPoint> points;
    QRandomGenerator random(7);
    for (qint64 t = fromMs - 500; t <= toMs; t += 150) {
        double mV = random.bounded(10.0);
        if (random.bounded(100) == 0)
            mV = random.bounded(2) ? 1000.0 : -1000.0;
        points.push_back({t, mV});
    }
    QVector<double> lows(columns, INFINITY), highs(columns, -INFINITY);
    for (const TrendPoint& p : points) {
        if (p.timeMs < fromMs)
            continue;
        const int c = std::min(columns - 1, int((p.timeMs - fromMs) / 10000));
        lows[c] = std::min(lows[c], p.mV);
        highs[c] = std::max(highs[c], p.mV);
    }

    const QVector<QPointF> out = TrendDecimator::decimate(points, fromMs, toMs, columns);
    QVERIFY(out.size() <= 2 * columns + 1);
    // The lead-in point before the span, then per column exactly its extremes.
    QCOMPARE(out.first().x(), double(fromMs - 50));
    QVector<QVector<double>> seen(columns);
    for (int i = 1; i < out.size(); ++i) {
        QVERIFY(out[i].x() > out[i - 1].x());
        const int c = std::min(columns - 1, int((qint64(out[i].x()) - fromMs) / 10000));
        seen[c].append(out[i].y());
    }
    for (int c = 0; c < columns; ++c) {
        QVERIFY2(seen[c].contains(lows[c]) && seen[c].contains(highs[c]), qPrintable(QString::number(c)));
        QVERIFY(seen[c].size() <= 2);
    }
}

void TestTrendHistory::decimationBreaksAtGaps() {
    const double gap = std::nan("");
    const std::deque<TrendPoint> points = {{0, 1}, {10, 2}, {20, gap}, {20, gap}, {30, 3}, {40, 4}};
    const QVector<QPointF> out = TrendDecimator::decimate(points, 0, 100, 100);
    QCOMPARE(out.size(), 5);
    QCOMPARE(out[1], QPointF(10, 2));
    QVERIFY(std::isnan(out[2].y()));
    QCOMPARE(out[3], QPointF(30, 3));
}

QTEST_GUILESS_MAIN(TestTrendHistory)
#include "test_trend_history.moc"
