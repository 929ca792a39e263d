// Channel analysis against an independent numpy/scipy reference run in the
// same test, plus the cases whose results are known in closed form.

#include "signal_analysis.h"

#include <fftw3.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <random>
#include <thread>

namespace {

const double pi = 3.14159265358979323846;

// Portable seeded values in [-1, 1): the same on every standard library.
std::vector<double> randomSamples(int m, quint64 seed, double offset) {
    std::mt19937_64 gen(seed);
    std::vector<double> v(static_cast<std::size_t>(m));
    for (double& x : v)
        x = offset + 2.0 * (static_cast<double>(gen() >> 11) * 0x1.0p-53) - 1.0;
    return v;
}

std::vector<double> sineSamples(int m, double rateHz, double frequencyHz, double offset, double amplitude,
                                double phase) {
    std::vector<double> v(static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i)
        v[static_cast<std::size_t>(i)] =
            offset + amplitude * std::sin(2.0 * pi * frequencyHz * i / rateHz + phase);
    return v;
}

double relativeError(double actual, double expected) {
    if (actual == expected)
        return 0.0;
    return std::fabs(actual - expected) / std::fabs(expected);
}

bool writeDoubles(const QString& path, const std::vector<double>& v) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const qint64 bytes = static_cast<qint64>(v.size() * sizeof(double));
    return f.write(reinterpret_cast<const char*>(v.data()), bytes) == bytes;
}

std::vector<double> readDoubles(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    std::vector<double> v(static_cast<std::size_t>(bytes.size()) / sizeof(double));
    memcpy(v.data(), bytes.constData(), v.size() * sizeof(double));
    return v;
}

} // namespace

class AnalysisTest : public QObject {
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void wholePeriods_data();
    void wholePeriods();
    void peakAmongManyTies();
    void singlePassesEqualTheSteps_data();
    void singlePassesEqualTheSteps();
    void samplesBeyondTheWindow();
    void emptyInput();
    void concurrentFrequencyEstimates();
};

void AnalysisTest::matchesReference_data() {
    QTest::addColumn<bool>("sine");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("m");
    QTest::addColumn<double>("rateHz");
    QTest::addColumn<double>("frequencyHz");
    QTest::addColumn<quint64>("seed");

    QTest::newRow("random, m = N even") << false << 5000 << 5000 << 25000.0 << 0.0 << quint64(1);
    QTest::newRow("random, m = N odd") << false << 4999 << 4999 << 25000.0 << 0.0 << quint64(2);
    QTest::newRow("random, m < N, m odd") << false << 6250 << 3001 << 31250.0 << 0.0 << quint64(3);
    QTest::newRow("random, m > N") << false << 500 << 1237 << 20000.0 << 0.0 << quint64(4);
    QTest::newRow("random, m = 1") << false << 500 << 1 << 20000.0 << 0.0 << quint64(5);
    QTest::newRow("random, m = 2") << false << 500 << 2 << 20000.0 << 0.0 << quint64(6);
    QTest::newRow("random, m = 3") << false << 500 << 3 << 20000.0 << 0.0 << quint64(7);
    QTest::newRow("sine, two frames") << true << 5000 << 10000 << 25000.0 << 20.0 << quint64(8);
    QTest::newRow("sine off bin, m < N") << true << 6250 << 6000 << 100000.0 << 1234.5 << quint64(9);
    QTest::newRow("sine, N odd, m > N odd") << true << 1001 << 2501 << 400000.0 << 9000.0 << quint64(10);
    QTest::newRow("sine, large frame") << true << 200000 << 200000 << 1000000.0 << 20.0 << quint64(11);
}

// Window, weighted mean, weighted RMS of the alternating part and the
// peak-bin frequency agree with numpy/scipy to 1e-9 relative.
void AnalysisTest::matchesReference() {
    QFETCH(bool, sine);
    QFETCH(int, n);
    QFETCH(int, m);
    QFETCH(double, rateHz);
    QFETCH(double, frequencyHz);
    QFETCH(quint64, seed);

    // Inputs carry an offset so that the mean is not a difference of
    // nearly equal sums, where "relative" would mean nothing.
    std::vector<double> x =
        sine ? sineSamples(m, rateHz, frequencyHz, 0.25, 1.5, 0.1 * static_cast<double>(seed))
             : randomSamples(m, seed, 0.4);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString samplesPath = dir.filePath(QStringLiteral("samples.bin"));
    const QString windowPath = dir.filePath(QStringLiteral("window.bin"));
    QVERIFY(writeDoubles(samplesPath, x));

    // A missing interpreter, numpy or scipy fails here: no silent skip.
    QProcess python;
    python.start(QStringLiteral(REFERENCE_PYTHON),
                 {QStringLiteral(REFERENCE_SCRIPT), samplesPath, QString::number(n),
                  QString::number(rateHz, 'g', 17), windowPath});
    QVERIFY2(python.waitForStarted(30000), qPrintable(python.errorString()));
    QVERIFY2(python.waitForFinished(120000), "reference script did not finish");
    QVERIFY2(python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0,
             python.readAllStandardError().constData());
    QJsonParseError parseError;
    const QJsonObject ref = QJsonDocument::fromJson(python.readAllStandardOutput(), &parseError).object();
    QVERIFY2(parseError.error == QJsonParseError::NoError, qPrintable(parseError.errorString()));

    buildAnalysisWindow(n);
    const std::vector<double> refWindow = readDoubles(windowPath);
    QCOMPARE(analysisWindow.size(), refWindow.size());
    double worst = 0.0;
    for (std::size_t i = 0; i < refWindow.size(); ++i)
        worst = std::max(worst, relativeError(analysisWindow[i], refWindow[i]));
    QVERIFY2(worst < 1e-9, qPrintable(QStringLiteral("window differs by %1").arg(worst)));
    QVERIFY(relativeError(windowMean, ref.value(QStringLiteral("windowMean")).toDouble()) < 1e-9);
    QVERIFY(relativeError(windowRms, ref.value(QStringLiteral("windowRms")).toDouble()) < 1e-9);

    const double dc = analyzeDcSamples(x);
    const std::pair<double, double> ac = analyzeAcSamples(x, rateHz);
    const double refDc = ref.value(QStringLiteral("dc")).toDouble();
    const double refAc = ref.value(QStringLiteral("ac")).toDouble();
    QVERIFY2(relativeError(dc, refDc) < 1e-9, qPrintable(QStringLiteral("dc %1 vs %2").arg(dc).arg(refDc)));
    QVERIFY2(relativeError(ac.first, refAc) < 1e-9,
             qPrintable(QStringLiteral("ac %1 vs %2").arg(ac.first).arg(refAc)));

    QList<double> frequencies;
    for (const QJsonValue& f : ref.value(QStringLiteral("frequencies")).toArray())
        frequencies << f.toDouble();
    QVERIFY2(frequencies.contains(ac.second),
             qPrintable(QStringLiteral("frequency %1 not among the reference peaks").arg(ac.second)));
    if (sine)
        QVERIFY(std::fabs(ac.second - frequencyHz) <= rateHz / m);
}

void AnalysisTest::wholePeriods_data() {
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("phase");
    QTest::addColumn<int>("m");

    QTest::newRow("positive offset") << 0.5 << 1.0 << 0.0 << 5000;
    QTest::newRow("negative offset, small") << -2.0 << 0.25 << 1.0 << 5000;
    QTest::newRow("no offset, large") << 0.0 << 3.0 << 0.3 << 5000;
    QTest::newRow("constant, negative") << -3.2 << 0.0 << 0.0 << 5000;
    QTest::newRow("constant, two frames") << 1.25 << 0.0 << 0.0 << 10000;
    QTest::newRow("zero") << 0.0 << 0.0 << 0.0 << 5000;
}

// 20 Hz at 25 kHz per channel, one frame of 5000: four whole periods, so
// level and RMS are exact in closed form.
void AnalysisTest::wholePeriods() {
    QFETCH(double, offset);
    QFETCH(double, amplitude);
    QFETCH(double, phase);
    QFETCH(int, m);

    buildAnalysisWindow(5000);
    const std::vector<double> x = sineSamples(m, 25000.0, 20.0, offset, amplitude, phase);
    const std::pair<double, double> ac = analyzeAcSamples(x, 25000.0);
    QVERIFY(std::fabs(analyzeDcSamples(x) - offset) <= 1e-12 * (std::fabs(offset) + amplitude));
    if (amplitude == 0.0) {
        QVERIFY(std::fabs(ac.first) <= 1e-12 * std::fabs(offset));
        return;
    }
    QCOMPARE(ac.second, 20.0);
    QVERIFY(relativeError(ac.first, amplitude / std::sqrt(2.0)) < 1e-12);
}

// Short inputs of -1, 0 and 1 have many exactly equal magnitudes: the
// peak is the first largest of the plainly stored magnitudes.
void AnalysisTest::peakAmongManyTies() {
    std::mt19937_64 gen(99);
    for (int round = 0; round < 2000; ++round) {
        const int n = 2 + round % 40;
        std::vector<double> x(static_cast<std::size_t>(n));
        for (double& v : x)
            v = static_cast<double>(static_cast<int>(gen() % 3) - 1);
        std::vector<double> in(x), out(x.size());
        fftw_plan plan = fftw_plan_r2r_1d(n, in.data(), out.data(), FFTW_R2HC, FFTW_ESTIMATE);
        fftw_execute(plan);
        fftw_destroy_plan(plan);
        std::vector<double> magnitudes;
        for (int k = 1; k <= n / 2; ++k)
            magnitudes.push_back(2 * k == n ? std::fabs(out[k])
                                            : std::sqrt(out[k] * out[k] + out[n - k] * out[n - k]));
        const auto first = std::max_element(magnitudes.begin(), magnitudes.end());
        const double expected = static_cast<double>(first - magnitudes.begin() + 1) * 1000.0 / n;
        const double actual = estimateFrequency(x, 1000.0);
        if (actual != expected)
            QFAIL(
                qPrintable(QStringLiteral("n = %1: %2 Hz, expected %3 Hz").arg(n).arg(actual).arg(expected)));
    }
}

void AnalysisTest::singlePassesEqualTheSteps_data() {
    QTest::addColumn<int>("m");

    QTest::newRow("m < N") << 3333;
    QTest::newRow("m = N") << 5000;
    QTest::newRow("m > N") << 7777;
}

// The readings are bit for bit those of the separate steps: weight, mean,
// subtract, weight, RMS.
void AnalysisTest::singlePassesEqualTheSteps() {
    QFETCH(int, m);

    buildAnalysisWindow(5000);
    const std::vector<double> x = randomSamples(m, quint64(m), 0.2);
    std::vector<double> a(x);
    weightByMean(a);
    const double mu = meanOf(a);
    std::vector<double> b(x);
    for (double& v : b)
        v -= mu;
    weightByRms(b);

    const std::pair<double, double> ac = analyzeAcSamples(x, 25000.0);
    QVERIFY(ac.first == rmsOf(b));
    QVERIFY(ac.second == estimateFrequency(x, 25000.0));
    QVERIFY(analyzeDcSamples(x) == mu);
}

// Two frames queued: a constant first frame and a sine in the second.  The
// level and RMS come from the first frame only, the frequency from both.
void AnalysisTest::samplesBeyondTheWindow() {
    buildAnalysisWindow(5000);
    std::vector<double> x(5000, 1.5);
    const std::vector<double> tail = sineSamples(5000, 25000.0, 2500.0, 0.0, 4.0, 0.0);
    x.insert(x.end(), tail.begin(), tail.end());
    QVERIFY(std::fabs(analyzeDcSamples(x) - 1.5) < 1e-12);
    const std::pair<double, double> ac = analyzeAcSamples(x, 25000.0);
    QVERIFY(std::fabs(ac.first) < 1e-12);
    QCOMPARE(ac.second, 2500.0);
}

void AnalysisTest::emptyInput() {
    buildAnalysisWindow(5000);
    QCOMPARE(estimateFrequency({}, 25000.0), 0.0);
    QCOMPARE(analyzeDcSamples({}), 0.0);
    QCOMPARE(analyzeAcSamples({}, 25000.0), std::make_pair(0.0, 0.0));
    QCOMPARE(meanOf({}), 0.0);
    QCOMPARE(rmsOf({}), 0.0);
}

// FFTW's planner is shared: estimates from several threads at once must
// neither crash nor disturb each other.
void AnalysisTest::concurrentFrequencyEstimates() {
    const int threads = 4;
    const int perThread = 250;
    std::vector<std::vector<double>> inputs;
    std::vector<double> expected;
    for (int i = 0; i < threads * perThread; ++i) {
        const int m = 16 + (37 * i) % 3000;
        const double f = 100.0 + 50.0 * (i % 20);
        inputs.push_back(sineSamples(m, 10000.0, f, 0.1, 1.0, 0.2));
        expected.push_back(estimateFrequency(inputs.back(), 10000.0));
    }
    std::vector<double> results(inputs.size(), -1.0);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = t; i < threads * perThread; i += threads)
                results[static_cast<std::size_t>(i)] =
                    estimateFrequency(inputs[static_cast<std::size_t>(i)], 10000.0);
        });
    }
    for (std::thread& w : workers)
        w.join();
    for (std::size_t i = 0; i < results.size(); ++i)
        QCOMPARE(results[i], expected[i]);
}

QTEST_GUILESS_MAIN(AnalysisTest)
#include "test_analysis.moc"
