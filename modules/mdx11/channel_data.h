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
    std::deque<double> samples;
};

#endif // CHANNEL_DATA_H
