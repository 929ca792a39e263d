#include "pass_analysis.h"

#include <algorithm>
#include <utility>

#include "reading_text.h"

PassRecord PassAnalysis::analyze(const AcquisitionRun& run, const std::vector<ChannelData>& blocks,
                                 const QDateTime& time, qint64 monotonicMs) {
    PassRecord record;
    record.config = run.config;
    record.time = time;
    record.monotonicMs = monotonicMs;
    const std::size_t n = std::min(blocks.size(), run.channels.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::vector<double>& samples = blocks[i].samples;
        if (samples.empty())
            continue;
        const RunChannel& channel = run.channels[i];
        ChannelReading reading;
        reading.number = channel.channel + 1;
        reading.overload = blocks[i].overload;
        reading.frequencyDecimals = run.decimalsFreq;
        if (channel.dc) {
            reading.volts = analyzer.analyzeDc(samples.data(), samples.size(), run.window);
            reading.decimals = run.decimalsDc;
        } else {
            const std::pair<double, double> ac =
                analyzer.analyzeAc(samples.data(), samples.size(), run.window, run.channelRateHz);
            reading.volts = ac.first;
            reading.hertz = ac.second;
            reading.decimals = run.decimalsAc;
            reading.frequency = frequencyText(reading.hertz, reading.frequencyDecimals);
        }
        reading.voltage = voltageText(reading.volts, reading.decimals);
        record.readings.append(reading);
    }
    return record;
}
