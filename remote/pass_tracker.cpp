#include "pass_tracker.h"

void PassTracker::add(const PassRecord& record) {
    if (record.config.serial != serial) {
        serial = record.config.serial;
        config = record.config;
        readings.clear();
    }
    copy = qMax(copy, record.config.controlsCopy);
    for (const ChannelReading& reading : record.readings)
        readings.insert(reading.number, reading);
}

void PassTracker::changed(quint64 ticket) {
    latestChange = qMax(latestChange, ticket);
}

const ChannelReading* PassTracker::reading(int channel) const {
    const auto found = readings.constFind(channel);
    return found == readings.constEnd() ? nullptr : &found.value();
}

bool PassTracker::measuredAsDc(int channel) const {
    for (const ChannelConfig& entry : config.channels)
        if (entry.number == channel)
            return entry.dc;
    return false;
}
