// The receive loop and frame geometry against the simulated module.

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <cmath>
#include <memory>

#include "error_text.h"
#include "frame_geometry.h"
#include "message_log.h"
#include "module_mdx11.h"
#include "module_receiver_mdx11.h"
#include "signal_analysis.h"
#include "sim_setup.h"

namespace {

// Receiver in its own thread on the first simulated device.
struct Rig {
    VRK_Handle handle = 0;
    std::vector<ChannelData> channels;
    QMutex dataMutex;
    QThread thread;
    ModuleReceiverMdx11* receiver = nullptr;

    Rig() {
        handle = openFirstDevice();
        receiver = new ModuleReceiverMdx11(handle, channels, dataMutex);
        receiver->moveToThread(&thread);
        thread.start();
    }
    ~Rig() {
        if (receiver->isRunning())
            receiver->stopStreams();
        thread.quit();
        if (!thread.wait(10000))
            qFatal("receiver thread did not end");
        delete receiver;
        if (handle)
            VRK_Close(&handle, 0);
    }
    void table(const QVector<int>& physical, quint8 mode, quint8 range, double adcHz) {
        for (int i = 0; i < physical.size(); ++i)
            VRK11_SetLChannel(handle, i, physical[i], mode, range);
        VRK11_SetLChannelCount(handle, physical.size());
        VRK11_SetAdcFreq(handle, &adcHz, nullptr);
    }
    int configure(double signalHz) {
        QMutexLocker lock(&dataMutex);
        return receiver->configureAcquisition(signalHz);
    }
    size_t queued(size_t i) {
        QMutexLocker lock(&dataMutex);
        return i < channels.size() ? channels[i].samples.size() : 0;
    }
    std::vector<double> take(size_t i) {
        QMutexLocker lock(&dataMutex);
        std::vector<double> v(channels[i].samples.begin(), channels[i].samples.end());
        channels[i].samples.clear();
        return v;
    }
};

QVector<int> range(int first, int count) {
    QVector<int> v;
    for (int i = 0; i < count; ++i)
        v << first + i;
    return v;
}

QString statusMessage(const char* format, int status) {
    return QString::asprintf(format, status, errorText(VRK11_GetErrorString(status, 0)).constData());
}

} // namespace

class ModuleReceiverMdx11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void geometry_data();
    void geometry();
    void geometryRefused_data();
    void geometryRefused();
    void refusal_data();
    void refusal();
    void loopFaults_data();
    void loopFaults();
    void stall_data();
    void stall();
    void stopRightAfterStart();
    void refusedStates();
    void queueBound();

private:
    static size_t rawWords(const ModuleReceiverMdx11& r) { return r.rawBuffer.size(); }
    static size_t dataValues(const ModuleReceiverMdx11& r) { return r.dataBuffer.size(); }
};

void ModuleReceiverMdx11Test::initTestCase() {
    MessageLog::install();
}

void ModuleReceiverMdx11Test::init() {
    MessageLog::clear();
}

void ModuleReceiverMdx11Test::geometry_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("adcHz");
    QTest::addColumn<double>("signalHz");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("period");

    QTest::newRow("16 ch at 25 kHz each, 20 Hz") << 16 << 400000.0 << 20.0 << 5000 << 200;
    QTest::newRow("1 ch at 1000 kHz, 20 Hz") << 1 << 1000000.0 << 20.0 << 200000 << 200;
    QTest::newRow("32 ch at 31.25 kHz each, 20 Hz") << 32 << 1000000.0 << 20.0 << 6250 << 200;
    // P grows from 4 to 25 one period at a time.
    QTest::newRow("20 kHz per channel, 1 kHz signal") << 1 << 20000.0 << 1000.0 << 500 << 25;
    // ceil(4 * 1000 / 7.985) = 501, made even.
    QTest::newRow("odd count made even") << 1 << 1000000.0 << 7985.0 << 502 << 1;
    QTest::newRow("just above twice the signal") << 2 << 20000.0 << 4990.0 << 3008 << 301;
}

void ModuleReceiverMdx11Test::geometry() {
    QFETCH(int, count);
    QFETCH(double, adcHz);
    QFETCH(double, signalHz);
    QFETCH(int, samples);
    QFETCH(int, period);
    const FrameGeometry g =
        frameGeometry(count, adcHz / count / 1000, signalHz, ModuleReceiverMdx11::maxFrameWords);
    QCOMPARE(int(g.verdict), int(FrameGeometry::Ok));
    QCOMPARE(g.samplesPerChannel, samples);
    QCOMPARE(g.frameWords, samples * count);
    QCOMPARE(g.periodMs, period);

    // The receiver sizes its buffers and window from it.
    SimConfig sim;
    QVERIFY(sim.apply());
    Rig rig;
    QVERIFY(rig.handle);
    rig.table(range(0, count), 0, 0, adcHz);

    QCOMPARE(rig.configure(signalHz), period);
    QCOMPARE(rig.receiver->samplesPerChannel(), samples);
    QCOMPARE(rig.receiver->frameWords(), samples * count);
    QCOMPARE(rig.receiver->receiveTimeoutMs(), period + 1000);
    QCOMPARE(rawWords(*rig.receiver), size_t(samples * count));
    QCOMPARE(dataValues(*rig.receiver), size_t(samples * count));
    QCOMPARE(analysisWindow.size(), size_t(samples));
    QCOMPARE(rig.channels.size(), size_t(count));
    for (int i = 0; i < count; ++i)
        QCOMPARE(rig.channels[size_t(i)].channel, i);
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

void ModuleReceiverMdx11Test::geometryRefused_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("rateKhz");
    QTest::addColumn<double>("signalHz");
    QTest::addColumn<int>("verdict");
    const int low = FrameGeometry::RateTooLow, bad = FrameGeometry::BadGeometry;
    // clang-format off
    QTest::newRow("rate exactly twice")  << 1 << 2.0 << 1000.0 << low;
    QTest::newRow("NaN signal")          << 1 << 20.0 << qQNaN() << low;
    QTest::newRow("zero signal")         << 1 << 20.0 << 0.0 << bad;
    QTest::newRow("negative signal")     << 1 << 20.0 << -5.0 << bad;
    QTest::newRow("no channel")          << 0 << 20.0 << 20.0 << bad;
    QTest::newRow("33 channels")         << 33 << 20.0 << 20.0 << bad;
    QTest::newRow("frame above 2^24")    << 32 << 31.25 << 0.001 << bad;
    // clang-format on
}

void ModuleReceiverMdx11Test::geometryRefused() {
    QFETCH(int, count);
    QFETCH(double, rateKhz);
    QFETCH(double, signalHz);
    QFETCH(int, verdict);
    const FrameGeometry g = frameGeometry(count, rateKhz, signalHz, ModuleReceiverMdx11::maxFrameWords);
    QCOMPARE(int(g.verdict), verdict);
    QCOMPARE(g.frameWords, 0);
}

void ModuleReceiverMdx11Test::refusal_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("adcHz");
    QTest::addColumn<double>("signalHz");
    QTest::addColumn<QString>("message"); // exact text, or a prefix ending in '*'

    const QString tooLow =
        QString::fromUtf8("Недостаточная частота АЦП %.3f кГц на канал для сигнала %.3f кГц");
    QTest::newRow("rate exactly twice the signal")
        << 1 << 20000.0 << 10000.0 << QString::asprintf(qUtf8Printable(tooLow), 20.0, 10.0);
    QTest::newRow("rate below twice the signal")
        << 2 << 20000.0 << 6000.0 << QString::asprintf(qUtf8Printable(tooLow), 10.0, 6.0);
    QTest::newRow("infinite signal") << 1 << 20000.0 << qInf()
                                     << QString::asprintf(qUtf8Printable(tooLow), 20.0, qInf());
    QTest::newRow("not a number") << 1 << 20000.0 << qQNaN() << tooLow.left(20) + "*";
    QTest::newRow("zero") << 1 << 20000.0 << 0.0 << QStringLiteral("Недопустимая геометрия кадра*");
    QTest::newRow("negative") << 1 << 20000.0 << -20.0 << QStringLiteral("Недопустимая геометрия кадра*");
    QTest::newRow("vanishing") << 1 << 1000000.0 << 1e-9 << QStringLiteral("Недопустимая геометрия кадра*");
    QTest::newRow("frame beyond memory")
        << 32 << 1000000.0 << 0.001 << QStringLiteral("Недопустимая геометрия кадра*");
}

void ModuleReceiverMdx11Test::refusal() {
    QFETCH(int, count);
    QFETCH(double, adcHz);
    QFETCH(double, signalHz);
    QFETCH(QString, message);
    SimConfig sim;
    QVERIFY(sim.apply());
    Rig rig;
    QVERIFY(rig.handle);
    // A good configuration first: a refused one must leave it in place.
    rig.table(range(0, 2), 0, 0, 400000.0);
    QCOMPARE(rig.configure(20.0), 200);
    const size_t words = rawWords(*rig.receiver);
    MessageLog::clear();

    rig.table(range(0, count), 0, 0, adcHz);
    QCOMPARE(rig.configure(signalHz), 0);
    const QStringList criticals = MessageLog::texts(QtCriticalMsg);
    QCOMPARE(criticals.size(), 1);
    if (message.endsWith('*'))
        QVERIFY2(criticals[0].startsWith(message.chopped(1)), qPrintable(criticals[0]));
    else
        QCOMPARE(criticals[0], message);
    QCOMPARE(windowRms, 1.0);
    QCOMPARE(windowMean, 1.0);
    QCOMPARE(rawWords(*rig.receiver), words);
    QCOMPARE(rig.channels.size(), size_t(2));
}

void ModuleReceiverMdx11Test::loopFaults_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("format");
    QTest::newRow("receive") << "recvErrorAfterFrames"
                             << QString::fromUtf8("Ошибка при приеме кадра. Ошибка %d (%s)");
    QTest::newRow("conversion") << "processErrorAfterFrames"
                                << QString::fromUtf8("Ошибка обработки данных! Ошибка %d (%s)");
}

void ModuleReceiverMdx11Test::loopFaults() {
    QFETCH(QString, key);
    QFETCH(QString, format);
    SimConfig sim;
    sim.setDc(1, 1.0);
    sim.setFault(key, 3);
    QVERIFY(sim.apply());
    Rig rig;
    QVERIFY(rig.handle);
    rig.table(range(0, 2), 0, 0, 400000.0);
    QVERIFY(rig.configure(20.0) > 0);
    const size_t spc = size_t(rig.receiver->samplesPerChannel());

    for (int round = 0; round < 2; ++round) {
        MessageLog::clear();
        QVERIFY(rig.receiver->startStreams());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.receiver->isRunning(), 20000);
        // The three good frames were queued, nothing after the failure.
        QCOMPARE(rig.queued(0), 3 * spc);
        const QStringList criticals = MessageLog::texts(QtCriticalMsg);
        QCOMPARE(criticals.size(), 1);
        const QRegularExpression text(
            "^" + QRegularExpression::escape(format).replace("\\%d", "(-?\\d+)").replace("\\%s", "(.+)") +
            "$");
        const QRegularExpressionMatch m = text.match(criticals[0]);
        QVERIFY2(m.hasMatch(), qPrintable(criticals[0]));
        QCOMPARE(criticals[0], statusMessage(qUtf8Printable(format), m.captured(1).toInt()));
        QVERIFY(m.captured(1).toInt() != 0);
        // The loop left the device idle.
        uint32_t word = 0;
        QVERIFY(VRK11_Recv(rig.handle, &word, 1, 0) < 0);
        // A stop now finds nothing running.
        QVERIFY(!rig.receiver->stopStreams());
        QCOMPARE(MessageLog::count(QtWarningMsg, QString::fromUtf8("Модуль не был запущен")), 1);
    }
}

void ModuleReceiverMdx11Test::stall_data() {
    QTest::addColumn<int>("stallAfter");
    QTest::addColumn<int>("shortEvery");
    QTest::addColumn<QString>("warning"); // start of the warning the stall leaves
    QTest::newRow("between frames")
        << 2 << 0 << QString::fromUtf8("Принято меньше слов, чем было в кадре! (%d из %d)").left(20);
    QTest::newRow("during realignment") << 1 << 1 << QStringLiteral("Нет данных для выравнивания");
}

void ModuleReceiverMdx11Test::stall() {
    QFETCH(int, stallAfter);
    QFETCH(int, shortEvery);
    QFETCH(QString, warning);
    SimConfig sim;
    sim.setFault("stallAfterFrames", stallAfter);
    if (shortEvery)
        sim.setFault("shortFrameEvery", shortEvery);
    QVERIFY(sim.apply());
    Rig rig;
    QVERIFY(rig.handle);
    rig.table(range(0, 3), 0, 0, 1000000.0);
    QVERIFY(rig.configure(7985.0) > 0);
    const int timeout = rig.receiver->receiveTimeoutMs();
    QVERIFY(rig.receiver->startStreams());
    QTRY_VERIFY_WITH_TIMEOUT(MessageLog::countPrefix(QtWarningMsg, warning) >= 1, 4 * timeout + 5000);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.receiver->stopStreams());
    QVERIFY(!rig.receiver->isRunning());
    // One receive timeout, loosely.
    QVERIFY2(clock.elapsed() < timeout + 3000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

void ModuleReceiverMdx11Test::stopRightAfterStart() {
    SimConfig sim;
    sim.setRealtime(true);
    QVERIFY(sim.apply());
    Rig rig;
    QVERIFY(rig.handle);
    rig.table(range(0, 4), 1, 0, 1000000.0);
    QVERIFY(rig.configure(20.0) > 0);
    for (int i = 0; i < 40; ++i) {
        QVERIFY(rig.receiver->startStreams());
        QVERIFY(rig.receiver->isRunning());
        QVERIFY(rig.receiver->stopStreams());
        QVERIFY(!rig.receiver->isRunning());
    }
    QVERIFY(MessageLog::all().isEmpty());
    // The device really stopped: nothing streams.
    uint32_t word = 0;
    QVERIFY(VRK11_Recv(rig.handle, &word, 1, 0) < 0);
}

void ModuleReceiverMdx11Test::refusedStates() {
    SimConfig sim;
    QVERIFY(sim.apply());
    Rig rig;
    QVERIFY(rig.handle);
    rig.table(range(0, 2), 0, 0, 100000.0);
    QVERIFY(rig.configure(20.0) > 0);
    QVERIFY(!rig.receiver->stopStreams());
    QVERIFY(rig.receiver->startStreams());
    QVERIFY(!rig.receiver->startStreams());
    QCOMPARE(rig.configure(20.0), 0);
    QVERIFY(rig.receiver->stopStreams());
    QVERIFY(!rig.receiver->stopStreams());
    const QString notRunning = QString::fromUtf8("Модуль не был запущен");
    const QString already = QString::fromUtf8("Модуль уже запущен");
    QCOMPARE(MessageLog::texts(QtWarningMsg), (QStringList{notRunning, already, already, notRunning}));
    QVERIFY(MessageLog::texts(QtCriticalMsg).isEmpty());
}

void ModuleReceiverMdx11Test::queueBound() {
    SimConfig sim;
    sim.setSine(1, 1.0, 1000.0);
    QVERIFY(sim.apply());
    Rig rig;
    QVERIFY(rig.handle);
    rig.table(range(0, 1), 0, 0, 1000000.0);
    QVERIFY(rig.configure(7985.0) > 0);
    const size_t spc = size_t(rig.receiver->samplesPerChannel());
    const size_t cap = spc * ModuleReceiverMdx11::maxQueuedFrames;
    QVERIFY(rig.receiver->startStreams());
    QTRY_VERIFY_WITH_TIMEOUT(rig.queued(0) == cap, 20000);
    for (int i = 0; i < 50; ++i) {
        const size_t n = rig.queued(0);
        QVERIFY(n <= cap && n % spc == 0);
        QThread::yieldCurrentThread();
    }
    QVERIFY(rig.receiver->stopStreams());
    // What is kept is one contiguous run of the sine: sample k+1 follows k.
    const std::vector<double> v = rig.take(0);
    const double step = 2 * M_PI * 1000.0 / 1e6;
    for (size_t k = 1; k + 1 < v.size(); ++k) {
        // sin(a-s) + sin(a+s) = 2 cos(s) sin(a)
        const double predicted = 2 * std::cos(step) * v[k] - v[k - 1];
        QVERIFY2(std::abs(predicted - v[k + 1]) < 4 * 10.0 / 32768, qPrintable(QString::number(k)));
    }
}

QTEST_GUILESS_MAIN(ModuleReceiverMdx11Test)
#include "test_receiver.moc"
