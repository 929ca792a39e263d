#ifndef PASS_TRACKER_H
#define PASS_TRACKER_H

#include <QHash>
#include <QtGlobal>

#include "channel_reading.h"
#include "pass_record.h"

// What the remote clients know of the passes: each channel's latest reading
// in the newest configuration seen, the newest configuration copy seen, and
// the newest change a client made (a pass of an older copy is not one of
// the configuration the clients asked for).  Shared by the server's
// sessions.  GUI thread; no lock.
class PassTracker {
public:
    void add(const PassRecord& record);
    // A client's change: passes up to `ticket` predate it.
    void changed(quint64 ticket);
    quint64 changeTicket() const { return latestChange; }
    quint64 newestCopy() const { return copy; }
    // Whether `record` was measured with every change made so far.
    bool current(const PassRecord& record) const { return record.config.controlsCopy > latestChange; }
    // The channel's latest reading, or null when the newest configuration
    // has none for it.
    const ChannelReading* reading(int channel) const;
    // Whether the newest configuration measures the channel as DC.
    bool measuredAsDc(int channel) const;

private:
    quint64 serial = 0;
    quint64 copy = 0;
    quint64 latestChange = 0;
    AcquisitionConfig config;
    QHash<int, ChannelReading> readings;
};

#endif // PASS_TRACKER_H
