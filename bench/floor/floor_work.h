#ifndef FLOOR_WORK_H
#define FLOOR_WORK_H

#include <fftw3.h>

#include <cstdint>
#include <vector>

// The per-sample arithmetic of the data path and nothing else, in one thread:
// raw words to volts, de-interleaving into per-channel buffers, and per
// channel the window-weighted mean, the AC RMS and one FFT with its peak
// search.  It is the reference the program's CPU is compared against, so it
// shares no code with the program's driver or analysis.  Not copyable (it
// owns an FFTW plan); one thread at a time.
class FloorWork {
public:
    // `channels` sines, `samplesPerChannel` samples each at `channelRateHz`,
    // codes of a `fullScale` volt range.  The frame of words is made here,
    // once.
    FloorWork(int channels, int samplesPerChannel, double channelRateHz, double fullScale);
    ~FloorWork();
    FloorWork(const FloorWork&) = delete;
    FloorWork& operator=(const FloorWork&) = delete;

    // One pass over the frame; returns a sum of the results so that none of
    // the work can be left out.
    double pass();
    // Thread CPU nanoseconds per sample of `repetitions` passes, each timed
    // alone and sorted ascending.
    std::vector<double> nsPerSample(int repetitions);

    int channels() const { return channelCount; }
    int samplesPerChannel() const { return samples; }
    // Results of the last pass for logical channel `i`.
    double mean(int i) const { return means[size_t(i)]; }
    double rms(int i) const { return rmss[size_t(i)]; }
    double frequencyHz(int i) const { return frequencies[size_t(i)]; }
    // Volts of the sine that channel `i` carries (amplitude, offset) and its
    // frequency, as generated.
    double amplitude(int i) const;
    double offset() const { return 0.1; }
    double signalHz(int i) const;
    // The last pass found every channel's offset, RMS and frequency as
    // generated (a figure of wrong work would be worthless).
    bool resultsAsGenerated() const;

private:
    int channelCount;
    int samples;
    double rate;
    double voltsPerCode;
    std::vector<uint32_t> words;  // one frame, interleaved in scan order
    std::vector<double> volts;    // the frame converted, still interleaved
    std::vector<double*> buffers; // per channel, contiguous, FFTW-aligned
    std::vector<double> meanTaps; // window / sum of the window
    std::vector<double> rmsTaps;  // window / RMS of the window
    double* spectrum = nullptr;   // half-complex output of the FFT
    fftw_plan plan = nullptr;
    std::vector<double> means, rmss, frequencies;
};

#endif // FLOOR_WORK_H
