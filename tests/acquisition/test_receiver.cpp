// The receive loop against the simulated module: frame geometry and the
// configurations it refuses, the refused states, stop right after start,
// the loop's own faults and the bound of the sample queues.

#include <QMutexLocker>
#include <QTest>
#include <QThread>
#include <cmath>

#include "frame_geometry.h"
#include "message_log.h"
#include "module_receiver_mdx11.h"
#include "signal_analysis.h"
#include "sim_setup.h"

// A receiver in its own thread on the first simulated device.
class ModuleReceiverMdx11Test : public QObject {
    Q_OBJECT

    VRK_Handle handle = 0;
    std::vector<ChannelData> channels;
    QMutex dataMutex;
    QThread thread;
    std::unique_ptr<ModuleReceiverMdx11> receiver;

    // A device with `sim` and channels 0..count-1 in `mode`; the result of
    // configureAcquisition.
    int configure(SimConfig& sim, int count, double adcHz, double signalHz, quint8 mode = 0) {
        if (!handle && sim.apply() && (handle = openFirstDevice()) != 0) {
            receiver = std::make_unique<ModuleReceiverMdx11>(handle, channels, dataMutex);
            receiver->moveToThread(&thread);
            thread.start();
        }
        for (int i = 0; i < count; ++i)
            VRK11_SetLChannel(handle, i, i, mode, 0);
        VRK11_SetLChannelCount(handle, count);
        VRK11_SetAdcFreq(handle, &adcHz, nullptr);
        QMutexLocker lock(&dataMutex);
        return receiver ? receiver->configureAcquisition(signalHz) : -1;
    }
    std::vector<double> queued() {
        QMutexLocker lock(&dataMutex);
        return std::vector<double>(channels[0].samples.begin(), channels[0].samples.end());
    }
    bool idle() {
        uint32_t word = 0;
        return VRK11_Recv(handle, &word, 1, 0) < 0;
    }

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }
    void cleanup() {
        if (receiver && receiver->isRunning())
            receiver->stopStreams();
        thread.quit();
        thread.wait();
        receiver.reset();
        VRK_Close(&handle, 0);
        handle = 0;
    }

    void geometry_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("adcHz"); // all channels together
        QTest::addColumn<double>("signalHz");
        QTest::addColumn<int>("samples"); // per channel; 0: refused
        QTest::addColumn<int>("periodMs");
        QTest::addColumn<QString>("message"); // of a refusal, whole or up to a '*'
        const QString low = QStringLiteral("Недостаточная частота АЦП %1 кГц на канал для сигнала %2 кГц");
        const QString bad = QStringLiteral("Недопустимая геометрия кадра*");
        // clang-format off
        QTest::newRow("16 ch at 25 kHz each, 20 Hz")    << 16 << 400000.0 << 20.0 << 5000 << 200 << "";
        QTest::newRow("1 ch at 1000 kHz, 20 Hz")        << 1 << 1000000.0 << 20.0 << 200000 << 200 << "";
        QTest::newRow("32 ch at 31.25 kHz each, 20 Hz") << 32 << 1000000.0 << 20.0 << 6250 << 200 << "";
        QTest::newRow("periods grow from 4 to 25")      << 1 << 20000.0 << 1000.0 << 500 << 25 << "";
        QTest::newRow("odd count 501 made even")        << 1 << 1000000.0 << 7985.0 << 502 << 1 << "";
        QTest::newRow("just above twice the signal")    << 2 << 20000.0 << 4990.0 << 3008 << 301 << "";
        QTest::newRow("rate exactly twice the signal")  << 1 << 20000.0 << 10000.0 << 0 << 0 << low.arg("20.000", "10.000");
        QTest::newRow("rate below twice the signal")    << 2 << 20000.0 << 6000.0 << 0 << 0 << low.arg("10.000", "6.000");
        QTest::newRow("infinite signal")                << 1 << 20000.0 << qInf() << 0 << 0 << low.arg("20.000", "inf");
        QTest::newRow("NaN signal")                     << 1 << 20000.0 << qQNaN() << 0 << 0 << low.left(26) + "*";
        QTest::newRow("zero signal")                    << 1 << 20000.0 << 0.0 << 0 << 0 << bad;
        QTest::newRow("negative signal")                << 1 << 20000.0 << -20.0 << 0 << 0 << bad;
        QTest::newRow("vanishing signal")               << 1 << 1000000.0 << 1e-9 << 0 << 0 << bad;
        QTest::newRow("frame above 2^24 words")         << 32 << 1000000.0 << 0.001 << 0 << 0 << bad;
        QTest::newRow("no channel")                     << 0 << 20000.0 << 20.0 << 0 << 0 << "";
        QTest::newRow("33 channels")                    << 33 << 20000.0 << 20.0 << 0 << 0 << "";
        // clang-format on
    }
    // The pure geometry, then the receiver: it sizes its queues and window
    // from it, and a refusal leaves the previous configuration in place and
    // the window's gains at 1.
    void geometry() {
        QFETCH(int, count);
        QFETCH(double, adcHz);
        QFETCH(double, signalHz);
        QFETCH(int, samples);
        QFETCH(int, periodMs);
        QFETCH(QString, message);
        const FrameGeometry g = frameGeometry(count, adcHz / std::max(count, 1) / 1000, signalHz,
                                              ModuleReceiverMdx11::maxFrameWords);
        const bool low = message.contains(QStringLiteral("АЦП"));
        QCOMPARE(int(g.verdict), samples ? FrameGeometry::Ok
                                 : low   ? FrameGeometry::RateTooLow
                                         : FrameGeometry::BadGeometry);
        QCOMPARE(QList<int>({g.samplesPerChannel, g.frameWords, g.periodMs}),
                 QList<int>({samples, samples * count, periodMs}));
        if (count < 1 || count > 32)
            return;
        SimConfig sim;
        QCOMPARE(configure(sim, 2, 400000.0, 20.0), 200);
        MessageLog::clear();
        QCOMPARE(configure(sim, count, adcHz, signalHz), periodMs);
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), samples ? 0 : 1);
        QCOMPARE(receiver->samplesPerChannel(), samples ? samples : 40000);
        QCOMPARE(analysisWindow.size(), size_t(samples ? samples : 40000));
        QCOMPARE(int(channels.size()), samples ? count : 2);
        QCOMPARE(channels.back().channel, int(channels.size()) - 1);
        if (!samples) {
            QCOMPARE(message.endsWith('*') ? criticals[0].left(message.size() - 1) + '*' : criticals[0],
                     message);
            QCOMPARE(QList<double>({windowRms, windowMean}), QList<double>({1.0, 1.0}));
        }
    }

    void refusedStatesAndStopRightAfterStart() {
        SimConfig sim;
        sim.setRealtime(true);
        QVERIFY(configure(sim, 4, 1000000.0, 20.0, 1) > 0);
        QVERIFY(!receiver->stopStreams());
        QVERIFY(receiver->startStreams());
        QVERIFY(!receiver->startStreams());
        QCOMPARE(configure(sim, 4, 1000000.0, 20.0, 1), 0);
        QVERIFY(receiver->stopStreams());
        QVERIFY(!receiver->stopStreams());
        const QString notRunning = QStringLiteral("Модуль не был запущен"),
                      already = QStringLiteral("Модуль уже запущен");
        QCOMPARE(MessageLog::texts(QtWarningMsg), (QStringList{notRunning, already, already, notRunning}));
        MessageLog::clear();
        // A stop issued at once still finds the run and ends it.
        for (int i = 0; i < 40; ++i) {
            QVERIFY(receiver->startStreams());
            QVERIFY(receiver->isRunning());
            QVERIFY(receiver->stopStreams());
            QVERIFY(!receiver->isRunning());
        }
        QCOMPARE(MessageLog::all().size(), 0);
        QVERIFY(idle());
    }

    // Whole oldest frames are dropped: what is kept stays one contiguous run
    // of the sine, sin(a-s) + sin(a+s) = 2 cos(s) sin(a).
    void queueBound() {
        SimConfig sim;
        sim.setSine(1, 1.0, 1000.0);
        QVERIFY(configure(sim, 1, 1000000.0, 7985.0) > 0);
        const size_t frame = size_t(receiver->samplesPerChannel()),
                     cap = frame * ModuleReceiverMdx11::maxQueuedFrames;
        QVERIFY(receiver->startStreams());
        QTRY_COMPARE_WITH_TIMEOUT(queued().size(), cap, 20000);
        for (int i = 0; i < 20; ++i)
            QVERIFY(queued().size() <= cap && queued().size() % frame == 0);
        QVERIFY(receiver->stopStreams());
        const std::vector<double> v = queued();
        for (size_t k = 1; k + 1 < v.size(); ++k)
            QVERIFY2(std::abs(2 * std::cos(2 * M_PI / 1000) * v[k] - v[k - 1] - v[k + 1]) < 4 * 10.0 / 32768,
                     qPrintable(QString::number(k)));
    }
};

QTEST_GUILESS_MAIN(ModuleReceiverMdx11Test)
#include "test_receiver.moc"
