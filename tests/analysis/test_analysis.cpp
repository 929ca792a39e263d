// Channel analysis against an independent numpy/scipy reference run in the
// same test, and the rule for exactly tied peaks.
#include "analysis_window.h"
#include "signal_analysis.h"

#include <fftw3.h>

#include <QtCore>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

std::vector<double> sine(int m, double rateHz, double frequencyHz, double phase) {
    std::vector<double> v(size_t(m), 0.0);
    for (int i = 0; i < m; ++i)
        v[size_t(i)] = 0.25 + 1.5 * std::sin(2.0 * M_PI * frequencyHz * i / rateHz + phase);
    return v;
}

double relativeError(double actual, double expected) {
    return actual == expected ? 0.0 : std::fabs(actual - expected) / std::fabs(expected);
}

// The frequency as it was always computed: FFTW's half-complex transform,
// every magnitude stored, the first largest one.  Single thread only (it
// calls the planner without a lock).
double halfComplexPeak(std::vector<double> x, double rateHz) {
    const int n = int(x.size());
    if (n == 0)
        return 0.0;
    std::vector<double> out(x.size());
    const fftw_plan plan = fftw_plan_r2r_1d(n, x.data(), out.data(), FFTW_R2HC, FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    std::vector<double> magnitudes;
    for (int k = 1; k <= n / 2; ++k)
        magnitudes.push_back(2 * k == n ? std::fabs(out[size_t(k)])
                                        : std::sqrt(out[size_t(k)] * out[size_t(k)] +
                                                    out[size_t(n - k)] * out[size_t(n - k)]));
    const auto first = std::max_element(magnitudes.begin(), magnitudes.end());
    return double(first - magnitudes.begin() + 1) * rateHz / n;
}

} // namespace

class AnalysisTest : public QObject {
    Q_OBJECT

private slots:
    void matchesReference_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("m");
        QTest::addColumn<double>("rateHz");
        QTest::addColumn<double>("frequencyHz"); // 0: seeded random samples
        // clang-format off
        QTest::newRow("random, m = N odd")      << 4999 << 4999 << 25000.0 << 0.0;
        QTest::newRow("random, m < N, m odd")   << 6250 << 3001 << 31250.0 << 0.0;
        QTest::newRow("random, m > N")          << 500 << 1237 << 20000.0 << 0.0;
        QTest::newRow("m = 0")                  << 500 << 0 << 20000.0 << 0.0;
        QTest::newRow("m = 1")                  << 500 << 1 << 20000.0 << 0.0;
        QTest::newRow("m = 8 + 3, tail sums")   << 500 << 11 << 20000.0 << 0.0;
        QTest::newRow("sine, two frames")       << 5000 << 10000 << 25000.0 << 20.0;
        QTest::newRow("sine off bin, m < N")    << 6250 << 6000 << 100000.0 << 1234.5;
        QTest::newRow("sine at Nyquist bin")    << 64 << 64 << 1000.0 << 500.0;
        // clang-format on
    }
    // Window gains, weighted mean and weighted RMS of the alternating part
    // agree with numpy/scipy to 1e-12 relative; the frequency is one of
    // numpy's peak bins and exactly the half-complex transform's first one.
    void matchesReference() {
        QFETCH(int, n);
        QFETCH(int, m);
        QFETCH(double, rateHz);
        QFETCH(double, frequencyHz);
        // An offset, so that the mean is no difference of nearly equal sums.
        std::vector<double> x = sine(m, rateHz, frequencyHz, 0.1 * m);
        std::mt19937_64 gen(quint64(m) * 7919 + quint64(n));
        if (frequencyHz == 0)
            for (double& v : x)
                v = 0.4 + 2.0 * (double(gen() >> 11) * 0x1.0p-53) - 1.0;

        QProcess python; // a missing interpreter, numpy or scipy fails here: no silent skip
        python.start(QStringLiteral(REFERENCE_PYTHON), {QStringLiteral(REFERENCE_SCRIPT), QString::number(n),
                                                        QString::number(rateHz, 'g', 17)});
        python.write(reinterpret_cast<const char*>(x.data()), qint64(x.size() * sizeof(double)));
        python.closeWriteChannel();
        QVERIFY2(python.waitForFinished(120000) && python.exitCode() == 0,
                 python.readAllStandardError().constData());
        const QJsonObject ref = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
        const AnalysisWindow window = buildAnalysisWindow(n);
        SignalAnalyzer analyzer;
        const std::pair<double, double> ac = analyzer.analyzeAc(x.data(), x.size(), window, rateHz);
        const double values[] = {window.windowMean, window.windowRms,
                                 analyzer.analyzeDc(x.data(), x.size(), window), ac.first};
        const char* keys[] = {"windowMean", "windowRms", "dc", "ac"};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(relativeError(values[i], ref[keys[i]].toDouble()) < 1e-12, keys[i]);
        QVERIFY2(ref["frequencies"].toArray().contains(ac.second), qPrintable(QString::number(ac.second)));
        QCOMPARE(ac.second, halfComplexPeak(x, rateHz));
    }

    // Short inputs of -1, 0 and 1 have many exactly equal magnitudes: the
    // peak is the first largest of the half-complex magnitudes, as stored.
    // Lengths 2..201, 500 rounds each (among them four ties that
    // real-to-complex rounding alone puts on another bin), then lengths
    // 2..41 changing every call, so that each call plans anew.
    void peakAmongManyTies() {
        std::mt19937_64 gen(5);
        SignalAnalyzer analyzer;
        for (int round = 0; round < 102000; ++round) {
            const int n = round < 100000 ? 2 + round / 500 : 2 + round % 40;
            std::vector<double> x(static_cast<size_t>(n));
            for (double& v : x)
                v = double(int(gen() % 3) - 1);
            const double expected = halfComplexPeak(x, 1000.0);
            if (analyzer.estimateFrequency(x.data(), x.size(), 1000.0) != expected ||
                estimateFrequency(x, 1000.0) != expected)
                QFAIL(qPrintable(
                    QStringLiteral("n = %1, round %2: expected %3 Hz").arg(n).arg(round).arg(expected)));
        }
    }
};

QTEST_GUILESS_MAIN(AnalysisTest)
#include "test_analysis.moc"
