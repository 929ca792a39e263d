#include "module_receiver_mdx11.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "error_text.h"
#include "frame_geometry.h"
#include "frame_splitter.h"

namespace {

// Extra time a stop grants the loop beyond one receive timeout (the loop may
// be inside a realignment read of up to 1000 ms).
constexpr int stopMarginMs = 2000;

QString statusText(const char* format, int32_t status) {
    const QByteArray text = errorText(VRK11_GetErrorString(status, 0));
    return QString::asprintf(format, int(status), text.constData());
}

} // namespace

ModuleReceiverMdx11::ModuleReceiverMdx11(QObject* parent) : QObject(parent) {}

// Caller's thread, under the driver's controlMutex.  Touches nothing but
// the device and `run`, which no loop or display pass sees yet.
int ModuleReceiverMdx11::configureAcquisition(double signalFrequencyHz, AcquisitionRun& run) {
    const VRK_Handle handle = run.handle;
    if (isRunning()) {
        qWarning("%s", "Модуль уже запущен");
        return 0;
    }
    const int32_t configured = VRK11_Configure(handle, 0);
    int32_t count = 0;
    VRK11_GetLChannelCount(handle, &count);
    double perChannelHz = 0.0;
    VRK11_GetAdcFreq(handle, nullptr, &perChannelHz);
    const double rate = perChannelHz / 1000.0;

    std::fprintf(stderr, "LChQnt=%d ChRate=%f\n", int(count), rate);
    std::fprintf(stderr, "signalFreq=%f\n", signalFrequencyHz);

    if (configured != 0) {
        qCritical("%s", qUtf8Printable(
                            statusText("Не удалось установить настройки АЦП: Ошибка %d (%s)", configured)));
        return 0;
    }
    const double f = signalFrequencyHz / 1000.0;
    const FrameGeometry g = frameGeometry(count, rate, signalFrequencyHz, maxFrameWords);
    if (g.verdict != FrameGeometry::Ok) {
        if (g.verdict == FrameGeometry::RateTooLow)
            qCritical("%s",
                      qUtf8Printable(QString::asprintf(
                          "Недостаточная частота АЦП %.3f кГц на канал для сигнала %.3f кГц", rate, f)));
        else
            qCritical("%s", qUtf8Printable(
                                QString::asprintf("Недопустимая геометрия кадра: %d каналов, сигнал %g Гц",
                                                  int(count), signalFrequencyHz)));
        return 0;
    }

    run.samplesChannel = g.samplesPerChannel;
    run.dataFrameSize = g.frameWords;
    std::fprintf(stderr, "dataFrameSize=%d samplesChannel=%d\n", run.dataFrameSize, run.samplesChannel);
    run.periodMs = std::max(g.periodMs, 1);
    run.recvTimeoutMs = g.periodMs + 1000;
    run.channelRateHz = perChannelHz;
    run.channels.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        uint32_t number = 0;
        VRK11_GetLChannel(handle, i, &number, nullptr, nullptr);
        run.channels[size_t(i)].channel = int(number);
    }
    run.window = buildAnalysisWindow(run.samplesChannel);
    return run.periodMs;
}

bool ModuleReceiverMdx11::isRunning() const {
    return running.available() != 0;
}

bool ModuleReceiverMdx11::waitWhileRunning(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&runMutex);
    while (running.available() != 0) {
        if (!runEnded.wait(&runMutex, deadline))
            return running.available() == 0;
    }
    return true;
}

// Caller's thread, under the driver's controlMutex.
bool ModuleReceiverMdx11::readyToStart() {
    if (stopRequest.available() != 0) {
        qWarning("%s", "Модуль в процессе остановки");
        if (!waitWhileRunning(recvTimeoutMs + stopMarginMs))
            qWarning("%s", qUtf8Printable(QString::asprintf("Цикл приема не завершился за %d мс",
                                                            recvTimeoutMs + stopMarginMs)));
    }
    if (isRunning()) {
        qWarning("%s", "Модуль уже запущен");
        return false;
    }
    // A request left over by a loop that ended on its own must not end the
    // next run at once.
    while (stopRequest.tryAcquire(1)) {
    }
    return true;
}

// Caller's thread, under the driver's controlMutex.
bool ModuleReceiverMdx11::startStreams(std::shared_ptr<const AcquisitionRun> run,
                                       std::shared_ptr<SampleQueues> queues) {
    if (!run || !queues || !readyToStart())
        return false;
    int32_t status = VRK11_StreamsEnable(run->handle, 1);
    if (status == 0)
        status = VRK11_StreamsStart(run->handle);
    if (status != 0) {
        qCritical("%s",
                  qUtf8Printable(statusText("Не удалось запустить сбор данных! Ошибка %d (%s)", status)));
        return false;
    }
    runHandle = run->handle;
    recvTimeoutMs = run->recvTimeoutMs;
    streamsOn = true;
    {
        QMutexLocker lock(&runMutex);
        handedRun = std::move(run);
        handedQueues = std::move(queues);
    }
    running.release(1);
    QMetaObject::invokeMethod(this, "dataReceiver", Qt::QueuedConnection);
    return true;
}

int32_t ModuleReceiverMdx11::stopDeviceStreams(VRK_Handle handle) {
    if (!streamsOn.exchange(false))
        return 0;
    return VRK11_StreamsStop(handle);
}

// Caller's thread, under the driver's controlMutex.
bool ModuleReceiverMdx11::stopStreams() {
    if (!isRunning()) {
        qWarning("%s", "Модуль не был запущен");
        return false;
    }
    if (stopRequest.available() == 0)
        stopRequest.release(1);
    const int bound = recvTimeoutMs + stopMarginMs;
    bool ended = waitWhileRunning(bound);
    if (!ended)
        qWarning("%s", qUtf8Printable(QString::asprintf("Цикл приема не завершился за %d мс", bound)));
    // Stopping the streams also makes a receive still blocked return.
    const int32_t status = stopDeviceStreams(runHandle);
    if (!ended)
        ended = waitWhileRunning(stopMarginMs);
    if (ended) {
        while (stopRequest.tryAcquire(1)) {
        }
    }
    if (status != 0) {
        qCritical("%s", qUtf8Printable(statusText("Сбор остановлен с ошибкой. Ошибка %d (%s)", status)));
        return false;
    }
    return ended;
}

int ModuleReceiverMdx11::realign(const AcquisitionRun& run, std::vector<uint32_t>& raw, int need,
                                 int32_t* status) {
    QElapsedTimer idle;
    idle.start();
    while (need > 0) {
        if (stopRequest.available() != 0)
            return need;
        const int32_t r = VRK11_Recv(run.handle, raw.data(), need, 1000);
        if (r < 0) {
            *status = r;
            return need;
        }
        if (r > 0) {
            need -= std::min<int>(r, need);
            idle.restart();
        } else if (idle.elapsed() >= run.recvTimeoutMs) {
            qWarning("%s", qUtf8Printable(QString::asprintf(
                               "Нет данных для выравнивания кадра за %d мс (не хватает %d слов)",
                               run.recvTimeoutMs, need)));
            return need;
        }
    }
    return 0;
}

// receiverThread, for the whole of a run.  Reads only the run it was handed,
// its own buffers and the run's queues.
void ModuleReceiverMdx11::dataReceiver() {
    std::shared_ptr<const AcquisitionRun> handed;
    std::shared_ptr<SampleQueues> queues;
    {
        QMutexLocker lock(&runMutex);
        handed.swap(handedRun);
        queues.swap(handedQueues);
    }
    // Each startStreams hands over one run and queues one call; a call
    // without a run (not queued by startStreams) has nothing to serve.
    if (!handed || !queues)
        return;
    const AcquisitionRun& run = *handed;
    const int q = int(run.channels.size());
    const int frameWords = run.dataFrameSize;
    // Sized once per run and reused for every frame.
    std::vector<uint32_t> rawBuffer(size_t(frameWords), 0u);
    std::vector<double> dataBuffer(size_t(frameWords), 0.0);
    std::vector<ChannelData> split(static_cast<size_t>(q));
    int32_t status = 0;
    // Words still missing to reach a channel boundary after a short frame;
    // the next frame is read only once they have arrived.
    int missing = 0;
    while (!stopRequest.tryAcquire(1) && status == 0) {
        if (missing > 0) {
            missing = realign(run, rawBuffer, missing, &status);
            if (status != 0)
                qCritical("%s",
                          qUtf8Printable(statusText("Ошибка при приеме кадра. Ошибка %d (%s)", status)));
            continue;
        }
        const int32_t r = VRK11_Recv(run.handle, rawBuffer.data(), frameWords, run.recvTimeoutMs);
        if (stopRequest.available() != 0)
            continue;
        if (r < 0) {
            status = r;
            qCritical("%s", qUtf8Printable(statusText("Ошибка при приеме кадра. Ошибка %d (%s)", r)));
            continue;
        }
        if (r < frameWords) {
            qWarning("%s", qUtf8Printable(QString::asprintf(
                               "Принято меньше слов, чем было в кадре! (%d из %d)", int(r), frameWords)));
            if (q > 0 && r % q != 0)
                missing = q - r % q;
            continue;
        }
        int32_t n = r;
        const int32_t processed =
            VRK11_ProcessAdcData(run.handle, rawBuffer.data(), dataBuffer.data(), &n, 1);
        if (processed != 0) {
            status = processed;
            qCritical("%s", qUtf8Printable(statusText("Ошибка обработки данных! Ошибка %d (%s)", processed)));
            continue;
        }
        // Split outside the lock; the queues only take the buffers over.
        splitFrame(dataBuffer.data(), size_t(std::clamp(n, 0, frameWords)), run.channels, split);
        queues->append(split);
    }
    if (status != 0) {
        // Ended by an error: leave the device idle, so that a later start on
        // the same device works and nothing streams unread.
        const int32_t stopped = stopDeviceStreams(run.handle);
        if (stopped != 0)
            qCritical("%s", qUtf8Printable(statusText("Сбор остановлен с ошибкой. Ошибка %d (%s)", stopped)));
    }
    QMutexLocker lock(&runMutex);
    running.acquire(1);
    runEnded.wakeAll();
}
