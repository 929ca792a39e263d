#ifndef ANALYSIS_WINDOW_H
#define ANALYSIS_WINDOW_H

#include <vector>

// Four-term periodic Blackman-Nuttall window over one frame of one channel,
// with its gains.  A value: built once per acquisition configuration, then
// only read (any thread).
struct AnalysisWindow {
    std::vector<double> values; // w[n], n = 0..N-1
    double windowRms = 1.0;     // sqrt(mean(w^2)); 1.0 when empty
    double windowMean = 1.0;    // mean(w); 1.0 when empty
};

// N <= 0 gives an empty window with gains 1.0.
AnalysisWindow buildAnalysisWindow(int n);

#endif // ANALYSIS_WINDOW_H
