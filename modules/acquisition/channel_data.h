#ifndef CHANNEL_DATA_H
#define CHANNEL_DATA_H

#include <deque>

// One logical channel of a run: its physical channel (from 0) and the FIFO
// of converted samples in volts.  Guarded by the driver's dataMutex while
// the receive loop and the display pass share it.
struct ChannelData {
    int channel = 0;
    // Measurement kind of the channel, fixed at configuration (every change
    // of a channel's type restarts acquisition), so the display pass never
    // has to read a widget the GUI thread may be changing.
    bool dc = false;
    // Full scale of the channel's range in volts, fixed at configuration.
    double fullScale = 10.0;
    // A sample reached full scale since the last display pass.
    bool overload = false;
    std::deque<double> samples;
};

// True when a sample `volts` of a range with full scale `fullScale` (V) is
// at the end of the converter's scale, within half an LSB: the input clips.
inline bool clipsFullScale(double volts, double fullScale) {
    const double lsb = fullScale / 32768;
    return volts >= fullScale * 32767 / 32768 - lsb / 2 || volts <= -fullScale + lsb / 2;
}

#endif // CHANNEL_DATA_H
