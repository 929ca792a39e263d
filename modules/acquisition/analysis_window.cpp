#include "analysis_window.h"

#include <cmath>
#include <cstddef>

namespace {

// Blackman-Nuttall coefficients, full precision.
constexpr double windowCoefficients[4] = {0.3635819267707609, 0.489177437145017, 0.1365995139786921,
                                          0.01064112210553003};
constexpr double twoPi = 6.283185307179586;

} // namespace

// The terms are summed in order a0 - a1 + a2 - a3 and the gains from plain
// running sums, exactly as readings were always computed: a recorded reading
// must not move by a rounding when the window is rebuilt.
AnalysisWindow buildAnalysisWindow(int n) {
    AnalysisWindow window;
    if (n <= 0)
        return window;
    window.values.assign(static_cast<std::size_t>(n), 0.0);
    double sumSquares = 0.0;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        double w = 0.0;
        for (int k = 0; k < 4; ++k) {
            const double term = windowCoefficients[k] * std::cos(k * twoPi * i / n);
            w = (k % 2 == 0) ? w + term : w - term;
        }
        window.values[static_cast<std::size_t>(i)] = w;
        sumSquares += w * w;
        sum += w;
    }
    window.windowRms = std::sqrt(sumSquares / n);
    window.windowMean = sum / n;
    return window;
}
