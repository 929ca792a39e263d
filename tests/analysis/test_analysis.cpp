// Channel analysis against an independent numpy/scipy reference run in the
// same test, the rule for exactly tied peaks, the plan cache and analyzers
// in parallel.
#include "analysis_window.h"
#include "signal_analysis.h"

#include <fftw3.h>

#include <QtCore>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>

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
// every magnitude stored, the first largest one.  Plans for one length at a
// time; single thread only (it calls the planner without a lock).
class HalfComplexPeak {
public:
    ~HalfComplexPeak() { reset(0); }
    double frequency(const std::vector<double>& x, double rateHz) {
        const int n = int(x.size());
        if (n == 0)
            return 0.0;
        if (n != length)
            reset(n);
        std::copy(x.begin(), x.end(), in.begin());
        fftw_execute(plan);
        std::vector<double> magnitudes;
        for (int k = 1; k <= n / 2; ++k)
            magnitudes.push_back(2 * k == n ? std::fabs(out[size_t(k)])
                                            : std::sqrt(out[size_t(k)] * out[size_t(k)] +
                                                        out[size_t(n - k)] * out[size_t(n - k)]));
        const auto first = std::max_element(magnitudes.begin(), magnitudes.end());
        return double(first - magnitudes.begin() + 1) * rateHz / n;
    }

private:
    void reset(int n) {
        if (plan)
            fftw_destroy_plan(plan);
        plan = nullptr;
        length = n;
        if (n == 0)
            return;
        in.assign(size_t(n), 0.0);
        out.assign(size_t(n), 0.0);
        plan = fftw_plan_r2r_1d(n, in.data(), out.data(), FFTW_R2HC, FFTW_ESTIMATE);
    }
    int length = 0;
    std::vector<double> in, out;
    fftw_plan plan = nullptr;
};

// Seeded noise about a sine, of varying lengths, for the cache tests.
std::vector<double> noisySine(size_t n, quint64 seed) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = 0.1 + std::sin(0.37 * double(i) + double(seed)) + noise(gen);
    return v;
}

struct Reading {
    double rms, frequency, dc;
    bool operator==(const Reading& o) const { return rms == o.rms && frequency == o.frequency && dc == o.dc; }
};

Reading read(SignalAnalyzer& analyzer, const std::vector<double>& x, const AnalysisWindow& w) {
    const std::pair<double, double> ac = analyzer.analyzeAc(x.data(), x.size(), w, 10000.0);
    return {ac.first, ac.second, analyzer.analyzeDc(x.data(), x.size(), w)};
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
        QTest::newRow("random, m = N even")     << 5000 << 5000 << 25000.0 << 0.0;
        QTest::newRow("random, m = N odd")      << 4999 << 4999 << 25000.0 << 0.0;
        QTest::newRow("random, m < N, m odd")   << 6250 << 3001 << 31250.0 << 0.0;
        QTest::newRow("random, m > N")          << 500 << 1237 << 20000.0 << 0.0;
        QTest::newRow("m = 0")                  << 500 << 0 << 20000.0 << 0.0;
        QTest::newRow("m = 1")                  << 500 << 1 << 20000.0 << 0.0;
        QTest::newRow("m = 2")                  << 500 << 2 << 20000.0 << 0.0;
        QTest::newRow("m = 3")                  << 500 << 3 << 20000.0 << 0.0;
        QTest::newRow("m = 8 + 3, tail sums")   << 500 << 11 << 20000.0 << 0.0;
        QTest::newRow("sine, two frames")       << 5000 << 10000 << 25000.0 << 20.0;
        QTest::newRow("sine off bin, m < N")    << 6250 << 6000 << 100000.0 << 1234.5;
        QTest::newRow("sine, N odd, m > N odd") << 1001 << 2501 << 400000.0 << 9000.0;
        QTest::newRow("sine at Nyquist bin")    << 64 << 64 << 1000.0 << 500.0;
        QTest::newRow("sine, large frame")      << 200000 << 200000 << 1000000.0 << 20.0;
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
        QCOMPARE(int(window.values.size()), n);
        SignalAnalyzer analyzer;
        const std::pair<double, double> ac = analyzer.analyzeAc(x.data(), x.size(), window, rateHz);
        const double values[] = {window.windowMean, window.windowRms,
                                 analyzer.analyzeDc(x.data(), x.size(), window), ac.first};
        const char* keys[] = {"windowMean", "windowRms", "dc", "ac"};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(relativeError(values[i], ref[keys[i]].toDouble()) < 1e-12,
                     qPrintable(QStringLiteral("%1: %2 against %3")
                                    .arg(keys[i])
                                    .arg(values[i], 0, 'g', 17)
                                    .arg(ref[keys[i]].toDouble(), 0, 'g', 17)));
        QVERIFY2(ref["frequencies"].toArray().contains(ac.second), qPrintable(QString::number(ac.second)));
        QCOMPARE(ac.second, HalfComplexPeak().frequency(x, rateHz));
    }

    void emptyWindow_data() {
        QTest::addColumn<int>("n");
        QTest::newRow("N = 0") << 0;
        QTest::newRow("N < 0") << -3;
    }
    // No window: gains 1.0, no weighted sums (0), the frequency still from
    // all samples.
    void emptyWindow() {
        QFETCH(int, n);
        const AnalysisWindow window = buildAnalysisWindow(n);
        QVERIFY(window.values.empty());
        QCOMPARE(window.windowRms, 1.0);
        QCOMPARE(window.windowMean, 1.0);
        const std::vector<double> x = sine(100, 1000.0, 50.0, 0.0);
        SignalAnalyzer analyzer;
        QCOMPARE(analyzer.analyzeDc(x.data(), x.size(), window), 0.0);
        const std::pair<double, double> ac = analyzer.analyzeAc(x.data(), x.size(), window, 1000.0);
        QCOMPARE(ac.first, 0.0);
        QCOMPARE(ac.second, 50.0);
    }

    void peakAmongManyTies_data() {
        QTest::addColumn<quint64>("seed");
        QTest::addColumn<int>("minN");
        QTest::addColumn<int>("maxN");
        QTest::addColumn<int>("rounds");       // in all when interleaved, else per length
        QTest::addColumn<bool>("interleaved"); // lengths change every call
        QTest::newRow("n 2..41, length per call") << quint64(99) << 2 << 41 << 2000 << true;
        // Among these, real-to-complex rounding alone puts four ties on
        // another bin than the half-complex transform.
        QTest::newRow("n 2..201, 500 per length") << quint64(5) << 2 << 201 << 500 << false;
    }
    // Short inputs of -1, 0 and 1 have many exactly equal magnitudes: the
    // peak is the first largest of the half-complex magnitudes, as stored.
    void peakAmongManyTies() {
        QFETCH(quint64, seed);
        QFETCH(int, minN);
        QFETCH(int, maxN);
        QFETCH(int, rounds);
        QFETCH(bool, interleaved);
        std::mt19937_64 gen(seed);
        SignalAnalyzer analyzer;
        HalfComplexPeak reference;
        const int total = interleaved ? rounds : rounds * (maxN - minN + 1);
        for (int round = 0; round < total; ++round) {
            const int n = interleaved ? minN + round % (maxN - minN + 1) : minN + round / rounds;
            std::vector<double> x(static_cast<size_t>(n));
            for (double& v : x)
                v = double(int(gen() % 3) - 1);
            const double expected = reference.frequency(x, 1000.0);
            if (analyzer.estimateFrequency(x.data(), x.size(), 1000.0) != expected ||
                estimateFrequency(x, 1000.0) != expected)
                QFAIL(qPrintable(
                    QStringLiteral("n = %1, round %2: expected %3 Hz").arg(n).arg(round).arg(expected)));
        }
    }

    void replannedAfterEviction_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("tie"); // an all-zero input: the half-complex plan decides
        QTest::newRow("n = 5000") << 5000 << false;
        QTest::newRow("n = 4999") << 4999 << false;
        QTest::newRow("n = 6250, tie") << 6250 << true;
    }
    // A length pushed out of the cache by cachedLengths others gives the same
    // readings with its new plans as with its first ones.
    void replannedAfterEviction() {
        QFETCH(int, n);
        QFETCH(bool, tie);
        const std::vector<double> x = tie ? std::vector<double>(size_t(n), 0.0) : noisySine(size_t(n), 3);
        const AnalysisWindow window = buildAnalysisWindow(n / 2);
        SignalAnalyzer analyzer;
        const Reading first = read(analyzer, x, window);
        for (size_t other = 0; other < SignalAnalyzer::cachedLengths; ++other) {
            const std::vector<double> y = noisySine(100 + 17 * other, other);
            read(analyzer, y, window);
        }
        const Reading again = read(analyzer, x, window);
        QVERIFY(again == first);
        QCOMPARE(again.frequency, HalfComplexPeak().frequency(x, 10000.0));
    }

    // Analyzers in several threads plan concurrently through the planner
    // lock and, cycling through more lengths than they cache, evict and plan
    // again; every reading equals a single-threaded run's.
    void concurrentAnalyzers() {
        const int threads = 4, count = 600;
        const size_t lengths = SignalAnalyzer::cachedLengths + 5;
        const AnalysisWindow window = buildAnalysisWindow(1000);
        std::vector<std::vector<double>> inputs;
        for (int i = 0; i < count; ++i)
            inputs.push_back(i % 50 == 7 ? std::vector<double>(64 + size_t(i) % lengths, 1.0)
                                         : noisySine(500 + 101 * (size_t(i) % lengths), quint64(i)));
        std::vector<Reading> expected;
        {
            SignalAnalyzer analyzer;
            for (const std::vector<double>& x : inputs)
                expected.push_back(read(analyzer, x, window));
        }
        std::vector<std::vector<Reading>> results(threads);
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&, t] {
                SignalAnalyzer analyzer;
                // Each thread starts elsewhere in the inputs, so the threads
                // plan different lengths at the same time.
                for (int i = 0; i < count; ++i)
                    results[size_t(t)].push_back(
                        read(analyzer, inputs[size_t((i + 37 * t) % count)], window));
            });
        for (std::thread& w : workers)
            w.join();
        for (int t = 0; t < threads; ++t)
            for (int i = 0; i < count; ++i)
                if (!(results[size_t(t)][size_t(i)] == expected[size_t((i + 37 * t) % count)]))
                    QFAIL(qPrintable(QStringLiteral("thread %1, reading %2 differs").arg(t).arg(i)));
    }
};

QTEST_GUILESS_MAIN(AnalysisTest)
#include "test_analysis.moc"
