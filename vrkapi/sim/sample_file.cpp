#include "sample_file.h"

#include <sndfile.h>

#include <cmath>

namespace vrksim {

bool SampleFile::load(const std::string& path, std::string& error) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) {
        error = std::string("cannot read audio file \"") + path + "\": " + sf_strerror(nullptr);
        return false;
    }
    if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0) {
        sf_close(f);
        error = "audio file \"" + path + "\" holds no samples";
        return false;
    }
    std::vector<double> frames(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_double(f, frames.data(), info.frames);
    sf_close(f);
    if (got <= 0) {
        error = "audio file \"" + path + "\" holds no samples";
        return false;
    }
    samples.resize(static_cast<size_t>(got));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = frames[i * static_cast<size_t>(info.channels)];
    rate = info.samplerate;
    return true;
}

double SampleFile::valueAt(double t) const {
    const size_t n = samples.size();
    if (n == 0)
        return 0.0;
    double pos = std::fmod(t * rate, static_cast<double>(n));
    if (pos < 0)
        pos += static_cast<double>(n);
    size_t i = static_cast<size_t>(pos);
    if (i >= n) // rounding at the very end of the loop
        i = n - 1;
    const double frac = pos - static_cast<double>(i);
    const double a = samples[i];
    const double b = samples[i + 1 < n ? i + 1 : 0];
    return a + (b - a) * frac;
}

} // namespace vrksim
