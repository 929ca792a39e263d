#ifndef FAKE_INSTRUMENT_H
#define FAKE_INSTRUMENT_H

#include <cmath>

#include "channel_words.h"
#include "remote_instrument.h"

// An instrument in memory, GUI thread: the window's channel rows, scan
// order, mode, rate and period, two devices, and passes the test publishes.
// A change is measured from the first pass after it, as a restart takes its
// copy.  Channel n reads n/10 V; an AC channel also 100·n Hz.
class FakeInstrument : public RemoteInstrument {
public:
    FakeInstrument() {
        for (int n = 1; n <= 32; ++n)
            rows.append({n, n == 1, false, 0});
    }

    QString serial() const override { return selected.isEmpty() ? QString() : QStringLiteral("SIM-9"); }
    QVector<RemoteDevice> devices() const override { return deviceList; }
    bool searching() const override { return searchRunning; }
    void search() override { searchRunning = true; }
    QString selectedDevice() const override { return selected; }
    bool selectDevice(const QString& address) override {
        if (!selectWorks)
            return false;
        selected = address;
        ++copies; // the engine's start takes a copy
        return true;
    }
    QVector<ChannelChoice> channels() const override { return rows; }
    QVector<int> scanList() const override {
        QVector<int> list;
        for (int n : order)
            if (rows[n - 1].enabled)
                list.append(n);
        return list;
    }
    int modeCode() const override { return mode; }
    double adcRateHz() const override { return rate; }
    int displayPeriodMs() const override { return period; }
    quint64 apply(const RemoteChange& change) override {
        bool changed = false;
        if (change.modeCode && *change.modeCode != mode) {
            mode = *change.modeCode;
            changed = true;
        }
        if (change.adcRateHz && *change.adcRateHz != rate) {
            rate = *change.adcRateHz;
            changed = true;
        }
        for (const ChannelChoice& kind : change.kinds) {
            ChannelChoice& row = rows[kind.number - 1];
            if (row.dc != kind.dc || row.rangeCode != kind.rangeCode) {
                row.dc = kind.dc;
                row.rangeCode = kind.rangeCode;
                changed = true;
            }
        }
        if (change.scan) {
            order = *change.scan;
            for (ChannelChoice& row : rows) {
                const bool wanted = change.scan->contains(row.number);
                changed = changed || row.enabled != wanted;
                row.enabled = wanted;
            }
        }
        if (change.displayPeriodMs && *change.displayPeriodMs != period) {
            period = *change.displayPeriodMs;
            changed = true;
        }
        if (!changed)
            return 0;
        dirty = true;
        return copies;
    }
    quint64 controlsCopies() const override { return copies; }
    bool startRecording() override { return recordingNow = recordWorks; }
    void stopRecording() override { recordingNow = false; }
    bool recording() const override { return recordingNow; }
    QString recordingFile() const override {
        return recordingNow ? QStringLiteral("/records/vernier-20261208-120000.csv") : QString();
    }

    // The test's side.  Publishes a pass of the configuration as it is now
    // (the one before a pending change when `previous`), optionally with
    // channel `overloaded` overloaded and channel `staleChannel` stale.
    void publish(bool previous = false, int overloaded = 0, int staleChannel = 0) {
        if (dirty && !previous) {
            ++copies;
            ++configSerial;
            dirty = false;
            measured = rows;
        }
        PassRecord record;
        record.config.serial = configSerial;
        record.config.controlsCopy = copies;
        for (const ChannelChoice& row : measured) {
            if (!row.enabled)
                continue;
            record.config.channels.append({row.number, row.dc, row.rangeCode});
            ChannelReading reading;
            reading.number = row.number;
            reading.volts = row.number / 10.0;
            reading.hertz = row.dc ? std::nan("") : 100.0 * row.number;
            reading.overload = row.number == overloaded;
            reading.stale = row.number == staleChannel;
            record.readings.append(reading);
        }
        emit passRecorded(record);
    }
    void finishSearch(const QVector<RemoteDevice>& found) {
        deviceList = found;
        searchRunning = false;
        emit searchFinished();
    }

    QVector<ChannelChoice> rows;
    QVector<ChannelChoice> measured = rows;
    QVector<int> order = {1};
    int mode = 1;
    double rate = 20000;
    int period = 500;
    quint64 copies = 1;
    quint64 configSerial = 1;
    bool dirty = true;
    QVector<RemoteDevice> deviceList = {{QStringLiteral("192.0.2.1"), QStringLiteral("SIM-9")},
                                        {QStringLiteral("192.0.2.2"), QStringLiteral("SIM-8")}};
    bool searchRunning = false;
    QString selected = QStringLiteral("192.0.2.1");
    bool selectWorks = true;
    bool recordWorks = true;
    bool recordingNow = false;
};

#endif // FAKE_INSTRUMENT_H
