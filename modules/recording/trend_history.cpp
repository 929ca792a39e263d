#include "trend_history.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

qint64 monotonicNowMs() {
    QElapsedTimer timer;
    timer.start();
    return timer.msecsSinceReference();
}

std::deque<TrendPoint>::const_iterator firstAtOrAfter(const std::deque<TrendPoint>& points, qint64 fromMs) {
    return std::lower_bound(points.begin(), points.end(), fromMs,
                            [](const TrendPoint& p, qint64 t) { return p.timeMs < t; });
}

} // namespace

TrendHistory::TrendHistory(QObject* parent) : QObject(parent), clock(monotonicNowMs) {}

void TrendHistory::setClock(Clock c) {
    clock = std::move(c);
}

qint64 TrendHistory::now() const {
    return clock();
}

QVector<int> TrendHistory::channels() const {
    QVector<int> numbers;
    for (int i = 0; i < channelCount; ++i) {
        if (!channelData[i].points.empty())
            numbers.append(i + 1);
    }
    return numbers;
}

const std::deque<TrendPoint>& TrendHistory::points(int channel) const {
    static const std::deque<TrendPoint> none;
    if (channel < 1 || channel > channelCount)
        return none;
    return channelData[channel - 1].points;
}

int TrendHistory::decimals(int channel) const {
    if (channel < 1 || channel > channelCount)
        return 3;
    return channelData[channel - 1].decimals;
}

TrendStatistics TrendHistory::statistics(int channel, qint64 fromMs) const {
    TrendStatistics s;
    if (channel < 1 || channel > channelCount)
        return s;
    const Channel& c = channelData[channel - 1];
    const std::deque<TrendPoint>& p = c.points;
    const quint64 frontSequence = c.nextSequence - p.size();
    const quint64 skip = c.segmentStart > frontSequence ? c.segmentStart - frontSequence : 0;
    const auto segmentBegin = p.begin() + std::ptrdiff_t(std::min<quint64>(skip, p.size()));
    double sum = 0.0;
    for (auto it = std::max(firstAtOrAfter(p, fromMs), segmentBegin); it != p.end(); ++it) {
        if (std::isnan(it->mV))
            continue;
        if (s.count == 0) {
            s.min = s.max = it->mV;
        } else {
            s.min = std::min(s.min, it->mV);
            s.max = std::max(s.max, it->mV);
        }
        s.latest = it->mV;
        sum += it->mV;
        ++s.count;
    }
    if (s.count > 0)
        s.mean = sum / s.count;
    return s;
}

TrendSegmentKey TrendHistory::segmentKey(int channel) const {
    if (channel < 1 || channel > channelCount || !channelData[channel - 1].haveKey)
        return TrendSegmentKey();
    return channelData[channel - 1].key;
}

TrendSegmentKey TrendHistory::keyOf(const PassRecord& record, int channel) {
    TrendSegmentKey key;
    key.device = record.device;
    key.adcFrequencyHz = record.config.adcFrequencyHz;
    key.modeCode = record.config.modeCode;
    for (const ChannelConfig& config : record.config.channels) {
        if (config.number == channel) {
            key.configured = true;
            key.dc = config.dc;
            key.rangeCode = config.rangeCode;
            break;
        }
    }
    return key;
}

void TrendHistory::trim() {
    const qint64 oldest = now() - keepMs;
    for (Channel& c : channelData) {
        while (!c.points.empty() && c.points.front().timeMs < oldest)
            c.points.pop_front();
        dropLeadingGaps(c.points);
    }
}

void TrendHistory::append(const PassRecord& record) {
    if (!haveSerial || record.config.serial != lastSerial) {
        // Readings of another configuration are not a continuation.
        if (haveSerial)
            startNewSegment();
        haveSerial = true;
        lastSerial = record.config.serial;
    }
    for (const ChannelReading& r : record.readings) {
        if (r.number < 1 || r.number > channelCount || r.stale)
            continue;
        const double mV = r.volts * 1000.0;
        if (!std::isfinite(mV))
            continue;
        Channel& c = channelData[r.number - 1];
        // Points stay in time order, so that a span is found by bisection.
        if (!c.points.empty() && record.monotonicMs < c.points.back().timeMs)
            continue;
        const TrendSegmentKey key = keyOf(record, r.number);
        if (!c.haveKey || key != c.key) {
            // Statistics start again from the next point; the line breaks
            // there too (a restart has broken it already, unless the records
            // came without one).
            if (c.haveKey)
                c.gapPending = true;
            c.haveKey = true;
            c.key = key;
            c.segmentStart = c.nextSequence;
        }
        c.decimals = r.decimals;
        add(c, record.monotonicMs, mV);
    }
    trim();
}

void TrendHistory::add(Channel& c, qint64 timeMs, double mV) {
    if (c.gapPending && !c.points.empty() && !std::isnan(c.points.back().mV)) {
        c.points.push_back({c.points.back().timeMs, std::numeric_limits<double>::quiet_NaN()});
        ++c.nextSequence;
    }
    c.gapPending = false;
    c.points.push_back({timeMs, mV});
    ++c.nextSequence;
    while (c.points.size() > size_t(maxPointsPerChannel))
        c.points.pop_front();
    dropLeadingGaps(c.points);
}

void TrendHistory::startNewSegment() {
    for (Channel& c : channelData)
        c.gapPending = true;
}

void TrendHistory::reset() {
    for (Channel& c : channelData) {
        // Swap with an empty deque: clear() may keep a block allocated.
        std::deque<TrendPoint>().swap(c.points);
        c.gapPending = false;
        c.haveKey = false;
    }
}

void TrendHistory::dropLeadingGaps(std::deque<TrendPoint>& points) {
    while (!points.empty() && std::isnan(points.front().mV))
        points.pop_front();
}
