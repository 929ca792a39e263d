#ifndef CHANNEL_CONFIG_H
#define CHANNEL_CONFIG_H

// One logical channel of an acquisition configuration.
struct ChannelConfig {
    int number = 0;    // channel number 1..32
    bool dc = false;   // DC (window-weighted mean) or AC (RMS and frequency)
    int rangeCode = 0; // 0 "10 В", 1 "2.5 В", 2 "0.6 В", 3 "0.15 В"
};

#endif // CHANNEL_CONFIG_H
