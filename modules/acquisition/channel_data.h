#ifndef CHANNEL_DATA_H
#define CHANNEL_DATA_H

#include <vector>

// One logical channel's converted samples in volts, in arrival order, and
// whether any of them reached full scale.
struct ChannelData {
    std::vector<double> samples;
    bool overload = false;
};

#endif // CHANNEL_DATA_H
