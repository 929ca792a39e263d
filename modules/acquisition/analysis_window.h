#ifndef ANALYSIS_WINDOW_H
#define ANALYSIS_WINDOW_H

#include <vector>

// Four-term periodic Blackman-Nuttall window over one frame of one channel,
// with its gains.  A value: built once per acquisition configuration (by the
// thread that configures, while no analysis runs), then only read, from any
// thread; it has no lock and needs none.
struct AnalysisWindow {
    std::vector<double> values; // w[n], n = 0..N-1, dimensionless
    double windowRms = 1.0;     // sqrt(mean(w^2)); 1.0 when empty
    double windowMean = 1.0;    // mean(w); 1.0 when empty
};

// The window of n points (n samples per channel and frame).  N <= 0 gives an
// empty window with gains 1.0, so that divisions by the gains stay finite.
// Any thread; touches no shared state.
AnalysisWindow buildAnalysisWindow(int n);

#endif // ANALYSIS_WINDOW_H
