// Samples of an audio file for the "file" waveform: the first channel of any
// file libsndfile reads, played looped at the file's own sample rate.
#ifndef VRK_SIM_SAMPLE_FILE_H
#define VRK_SIM_SAMPLE_FILE_H

#include <string>
#include <vector>

namespace vrksim {

class SampleFile {
public:
    // Reads the whole file; on failure returns false and sets error.
    bool load(const std::string& path, std::string& error);

    // Value at time t seconds: linear interpolation between neighbouring
    // samples, wrapping from the last sample back to the first.
    double valueAt(double t) const;

    double sampleRate() const { return rate; }
    size_t size() const { return samples.size(); }

private:
    std::vector<double> samples;
    double rate = 0.0;
};

} // namespace vrksim

#endif
