#ifndef CHANNEL_CHOICE_H
#define CHANNEL_CHOICE_H

// One channel row as the operator chose it: measured or not, DC or AC, and
// the range.  The driver's controls are the authority; this is a copy.
struct ChannelChoice {
    int number = 0;       // channel number 1..32
    bool enabled = false; // its check box
    bool dc = false;      // "DC" (window-weighted mean) or "AC" (RMS and frequency)
    int rangeCode = 0;    // 0 "10 В", 1 "2.5 В", 2 "0.6 В", 3 "0.15 В"

    bool operator==(const ChannelChoice& other) const {
        return number == other.number && enabled == other.enabled && dc == other.dc &&
               rangeCode == other.rangeCode;
    }
    bool operator!=(const ChannelChoice& other) const { return !(*this == other); }
};

#endif // CHANNEL_CHOICE_H
