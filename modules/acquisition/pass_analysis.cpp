#include "pass_analysis.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "channel_band.h"
#include "reading_text.h"

PassRecord PassAnalysis::analyze(const AcquisitionRun& run, const std::vector<ChannelData>& blocks,
                                 const QDateTime& time, qint64 monotonicMs, qint64 runStartMs) {
    PassRecord record;
    record.config = run.config;
    record.time = time;
    record.monotonicMs = monotonicMs;
    record.device = run.device;
    const std::size_t n = std::min(blocks.size(), run.channels.size());
    for (std::size_t i = 0; i < run.channels.size(); ++i) {
        const RunChannel& channel = run.channels[i];
        const int number = channel.channel + 1;
        const bool known = number >= 1 && number <= 32;
        ChannelReading reading;
        reading.number = number;
        reading.frequencyDecimals = run.decimalsFreq;
        reading.decimals = channel.dc ? run.decimalsDc : run.decimalsAc;
        if (i >= n || blocks[i].samples.empty()) {
            if (!known)
                continue;
            const qint64 last = lastReadingMs[size_t(number)];
            if (monotonicMs - std::max(last, runStartMs) <= run.staleAfterMs())
                continue;
            reading.stale = true;
            reading.lastReadingMs = last;
            record.readings.append(reading);
            continue;
        }
        const std::vector<double>& samples = blocks[i].samples;
        reading.overload = blocks[i].overload;
        if (channel.dc) {
            reading.volts = analyzer.analyzeDc(samples.data(), samples.size(), run.window);
        } else {
            const std::pair<double, double> ac =
                analyzer.analyzeAc(samples.data(), samples.size(), run.window, run.channelRateHz);
            reading.volts = ac.first;
            // The strongest line of quantisation noise is no frequency.
            if (ac.first >= noSignalLsb * channel.lsb()) {
                reading.hertz = ac.second;
                reading.alias = mayBeAliased(reading.hertz, run.channelRateHz);
                reading.frequency = frequencyText(reading.hertz, reading.frequencyDecimals);
            }
        }
        reading.voltage = voltageText(reading.volts, reading.decimals);
        if (known)
            lastReadingMs[size_t(number)] = monotonicMs;
        reading.lastReadingMs = monotonicMs;
        record.readings.append(reading);
    }
    return record;
}
