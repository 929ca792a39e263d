#ifndef TREND_HISTORY_H
#define TREND_HISTORY_H

#include <QObject>
#include <QVector>
#include <QtGlobal>
#include <array>
#include <deque>
#include <functional>

#include "pass_record.h"
#include "trend_point.h"
#include "trend_segment_key.h"

// The latest, smallest, largest and mean reading of one channel over a span,
// in mV; `count` is the number of readings they were taken from (0: none,
// and the other fields are meaningless).
struct TrendStatistics {
    int count = 0;
    double latest = 0.0;
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
};

// The recent voltage readings of every channel, for the trend chart.
//
// Per channel it keeps one point per pass record that carried a readable
// voltage, for the last 60 minutes (`keepMs`) and never more than
// `maxPointsPerChannel` points.  Memory bound: 32 channels x 36 000 points x
// 16 bytes = 18.4 MB plus the deques' block overhead (under 1 %), whatever the
// record rate.  36 000 points are 60 minutes at 10 records a second, the
// fastest display period the options dialog offers; at a faster rate (a
// display period set by hand in vernier.ini) the oldest points go first, so
// the history covers less than 60 minutes.
//
// Lines: a new configuration serial, or `startNewSegment` (called on a stop
// or a device change), ends every channel's line; the next point of a channel
// is preceded by a gap marker (a point whose mV is NaN), so a chart never
// joins readings of unrelated runs.
//
// Statistics segments: a channel's statistics take only the points measured
// with its current TrendSegmentKey (device, ADC rate, mode, the channel's
// AC/DC and range), from the point where that key began.  An AC RMS and a DC
// mean, or readings of two devices, never meet in one figure; a restart for a
// change to another channel, or a stop, keeps the channel's segment.
//
// Stale readings (no new samples) and readings that are not numbers add no
// point and change no key.
//
// Time is the record's monotonic time (QElapsedTimer's msecsSinceReference()),
// and trimming compares it with `clock`, which reads the same clock unless a
// test injects another.
//
// Threads: GUI thread only.  It is fed from PassFeed::passRecorded through a
// queued connection, read by the trend window in the same thread, and takes
// no lock.
class TrendHistory : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<qint64()>; // monotonic milliseconds

    static constexpr int channelCount = 32;
    static constexpr qint64 keepMs = 60 * 60 * 1000;
    static constexpr int maxPointsPerChannel = 36000;

    explicit TrendHistory(QObject* parent = nullptr);

    void setClock(Clock clock);
    qint64 now() const;

    // Channel numbers (1..32) that hold at least one reading, ascending.
    QVector<int> channels() const;
    // The channel's points in time order, gap markers included; empty for a
    // number outside 1..32.
    const std::deque<TrendPoint>& points(int channel) const;
    // Decimal places of the channel's latest voltage reading (for showing
    // statistics as precisely as the readings were written).
    int decimals(int channel) const;
    // Over the points at or after `fromMs` (monotonic ms) that belong to the
    // channel's current statistics segment.
    TrendStatistics statistics(int channel, qint64 fromMs) const;
    // The key of the channel's current statistics segment; `configured` is
    // false for a channel without readings (or a number outside 1..32).
    TrendSegmentKey segmentKey(int channel) const;

    // Drops points older than keepMs before `now()`.
    void trim();

public slots:
    // One display pass, from PassFeed::passRecorded; stale readings and
    // readings that are not numbers give no point.
    void append(const PassRecord& record);
    // Acquisition stopped or the device changed: ends every channel's line.
    void startNewSegment();
    // Forgets every reading (the window's "Сбросить").
    void reset();

private:
    struct Channel {
        std::deque<TrendPoint> points;
        bool gapPending = false;
        int decimals = 3;
        // Every point ever added (gap markers too) has a sequence number;
        // the front one's is nextSequence - points.size().  A count, not a
        // time: two passes may carry the same monotonic ms.
        quint64 nextSequence = 0;
        quint64 segmentStart = 0; // sequence number where the current key began
        bool haveKey = false;
        TrendSegmentKey key;
    };

    static TrendSegmentKey keyOf(const PassRecord& record, int channel);
    void add(Channel& channel, qint64 timeMs, double mV);
    static void dropLeadingGaps(std::deque<TrendPoint>& points);

    std::array<Channel, channelCount> channelData;
    Clock clock;
    bool haveSerial = false;
    quint64 lastSerial = 0;
};

#endif // TREND_HISTORY_H
