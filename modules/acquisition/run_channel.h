#ifndef RUN_CHANNEL_H
#define RUN_CHANNEL_H

// One logical channel of a run, as configured.
struct RunChannel {
    int channel = 0;         // physical channel, counted from 0, as the device reports it
    bool dc = false;         // measured as DC (window-weighted mean) or AC (RMS and frequency)
    int rangeCode = 0;       // 0 "10 В", 1 "2.5 В", 2 "0.6 В", 3 "0.15 В"
    double fullScale = 10.0; // of that range, V

    // One step of the converter on this range, V: its 16-bit words span
    // -fullScale .. fullScale in 65536 codes.
    double lsb() const { return fullScale / 32768; }
};

#endif // RUN_CHANNEL_H
