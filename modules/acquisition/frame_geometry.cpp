#include "frame_geometry.h"

#include <cmath>

FrameGeometry frameGeometry(int channels, double channelRateKhz, double signalHz, int maxWords) {
    FrameGeometry g;
    const double rate = channelRateKhz;
    const double f = signalHz / 1000.0;
    if (!(rate > 2 * f)) {
        g.verdict = FrameGeometry::RateTooLow;
        return g;
    }
    // A frequency that is not positive and finite would make the loop below
    // run away.
    if (!(f > 0) || !std::isfinite(f) || channels < 1 || channels > 32)
        return g;

    double periods = std::ceil(3.0 / (1.0 - 2.0 * f / rate));
    if (periods < 4)
        periods = 4;
    double samples = std::ceil(periods * rate / f);
    while (samples < 500) {
        periods += 1;
        samples = std::ceil(periods * rate / f);
    }
    if (!(samples * channels <= maxWords))
        return g;
    int perChannel = int(samples);
    if (perChannel % 2 != 0)
        ++perChannel;

    g.verdict = FrameGeometry::Ok;
    g.samplesPerChannel = perChannel;
    g.frameWords = perChannel * channels;
    g.periodMs = int(std::ceil(perChannel / rate));
    return g;
}
