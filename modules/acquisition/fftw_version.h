#ifndef FFTW_VERSION_H
#define FFTW_VERSION_H

#include <QString>

// The version of the FFTW library the analysis runs on, as the loaded library
// names itself without its "fftw-" prefix, e.g. "3.3.10-sse2-avx".  Only this
// layer links FFTW; the program hands the text up to the about box.  Any
// thread; no lock (a constant of the library).
QString fftwVersion();

#endif // FFTW_VERSION_H
