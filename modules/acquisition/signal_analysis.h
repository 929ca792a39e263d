#ifndef SIGNAL_ANALYSIS_H
#define SIGNAL_ANALYSIS_H

#include <utility>
#include <vector>

// Window analysis shared by all channels of a run.  The window is rebuilt
// by the acquisition configuration (threadModule or the caller of start)
// while no receive loop or display pass runs, and only read by the display
// pass, so it needs no lock of its own.
//
// Four-term periodic Blackman-Nuttall window of one frame of one channel.
extern std::vector<double> analysisWindow;
extern double windowRms;  // sqrt(mean(w^2)); 1.0 until a window is built
extern double windowMean; // mean(w); 1.0 until a window is built

// Rebuilds analysisWindow for n points and recomputes windowRms/windowMean.
void buildAnalysisWindow(int n);
// Back to the initial gains (1.0) after a refused configuration.
void resetWindowGains();

// Frequency (Hz) of the strongest non-DC line of a real FFT of v sampled at
// rateHz: (peak bin) * rateHz / v.size(), no interpolation.  0 for empty v.
double estimateFrequency(const std::vector<double>& v, double rateHz);

// One AC reading of a channel's drained samples: (RMS of the alternating
// part in volts, frequency in Hz).  The frequency uses all samples, the
// weighted mean and RMS at most one window's length.
std::pair<double, double> analyzeAcSamples(std::vector<double> samples, double rateHz);
// One DC reading: the window-weighted mean in volts.
double analyzeDcSamples(std::vector<double> samples);

#endif // SIGNAL_ANALYSIS_H
