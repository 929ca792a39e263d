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

namespace {

// Extra time a stop grants the loop beyond one receive timeout (the loop may
// be inside a realignment read of up to 1000 ms).
constexpr int stopMarginMs = 2000;

QString statusText(const char* format, int32_t status) {
    const QByteArray text = errorText(VRK11_GetErrorString(status, 0));
    return QString::asprintf(format, int(status), text.constData());
}

} // namespace

ModuleReceiverMdx11::ModuleReceiverMdx11(VRK_Handle& handle, std::vector<ChannelData>& channels,
                                         QMutex& dataMutex, QObject* parent)
    : QObject(parent), handle(handle), channels(channels), dataMutex(dataMutex) {}

// Caller's thread; the loop is not running; the caller holds displayMutex and
// dataMutex, so neither the display pass nor anyone else sees the buffers,
// queues or window change.
int ModuleReceiverMdx11::configureAcquisition(double signalFrequencyHz) {
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
        window = buildAnalysisWindow(0);
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

    lChQnt = count;
    chRate = rate;
    samplesChannel = g.samplesPerChannel;
    dataFrameSize = g.frameWords;
    std::fprintf(stderr, "dataFrameSize=%d samplesChannel=%d\n", dataFrameSize, samplesChannel);
    const int periodMs = g.periodMs;

    rawBuffer.assign(size_t(dataFrameSize), 0u);
    dataBuffer.assign(size_t(dataFrameSize), 0.0);

    channels.resize(size_t(lChQnt));
    for (int i = 0; i < lChQnt; ++i) {
        uint32_t number = 0;
        VRK11_GetLChannel(handle, i, &number, nullptr, nullptr);
        channels[size_t(i)].channel = int(number);
    }

    window = buildAnalysisWindow(samplesChannel);
    recvTimeoutMs = periodMs + 1000;
    return periodMs < 1 ? 1 : periodMs;
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
bool ModuleReceiverMdx11::startStreams() {
    if (!readyToStart())
        return false;
    int32_t count = 0;
    VRK11_GetLChannelCount(handle, &count);
    {
        QMutexLocker lock(&dataMutex);
        const size_t n = std::min(channels.size(), size_t(count > 0 ? count : 0));
        for (size_t i = 0; i < n; ++i)
            channels[i].samples.clear();
    }
    int32_t status = VRK11_StreamsEnable(handle, 1);
    if (status == 0)
        status = VRK11_StreamsStart(handle);
    if (status != 0) {
        qCritical("%s",
                  qUtf8Printable(statusText("Не удалось запустить сбор данных! Ошибка %d (%s)", status)));
        return false;
    }
    streamsOn = true;
    running.release(1);
    QMetaObject::invokeMethod(this, "dataReceiver", Qt::QueuedConnection);
    return true;
}

int32_t ModuleReceiverMdx11::stopDeviceStreams() {
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
    const int32_t status = stopDeviceStreams();
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

int ModuleReceiverMdx11::realign(int need, int32_t* status) {
    QElapsedTimer idle;
    idle.start();
    while (need > 0) {
        if (stopRequest.available() != 0)
            return need;
        const int32_t r = VRK11_Recv(handle, rawBuffer.data(), need, 1000);
        if (r < 0) {
            *status = r;
            return need;
        }
        if (r > 0) {
            need -= std::min<int>(r, need);
            idle.restart();
        } else if (idle.elapsed() >= recvTimeoutMs) {
            qWarning("%s", qUtf8Printable(QString::asprintf(
                               "Нет данных для выравнивания кадра за %d мс (не хватает %d слов)",
                               recvTimeoutMs, need)));
            return need;
        }
    }
    return 0;
}

// receiverThread, for the whole of a run.
void ModuleReceiverMdx11::dataReceiver() {
    int32_t q = 0;
    VRK11_GetLChannelCount(handle, &q);
    int32_t status = 0;
    // Words still missing to reach a channel boundary after a short frame;
    // the next frame is read only once they have arrived.
    int missing = 0;
    while (!stopRequest.tryAcquire(1) && status == 0) {
        if (missing > 0) {
            missing = realign(missing, &status);
            if (status != 0)
                qCritical("%s",
                          qUtf8Printable(statusText("Ошибка при приеме кадра. Ошибка %d (%s)", status)));
            continue;
        }
        const int32_t r = VRK11_Recv(handle, rawBuffer.data(), dataFrameSize, recvTimeoutMs);
        if (stopRequest.available() != 0)
            continue;
        if (r < 0) {
            status = r;
            qCritical("%s", qUtf8Printable(statusText("Ошибка при приеме кадра. Ошибка %d (%s)", r)));
            continue;
        }
        if (r < dataFrameSize) {
            qWarning("%s", qUtf8Printable(QString::asprintf(
                               "Принято меньше слов, чем было в кадре! (%d из %d)", int(r), dataFrameSize)));
            if (q > 0 && r % q != 0)
                missing = q - r % q;
            continue;
        }
        int32_t n = r;
        const int32_t processed = VRK11_ProcessAdcData(handle, rawBuffer.data(), dataBuffer.data(), &n, 1);
        if (processed != 0) {
            status = processed;
            qCritical("%s", qUtf8Printable(statusText("Ошибка обработки данных! Ошибка %d (%s)", processed)));
            continue;
        }
        int32_t m = 0;
        VRK11_GetLChannelCount(handle, &m);
        if (n > dataFrameSize)
            n = dataFrameSize;
        QMutexLocker lock(&dataMutex);
        const size_t keep = size_t(maxQueuedFrames) * size_t(samplesChannel);
        for (int32_t i = 0; i < m && size_t(i) < channels.size(); ++i) {
            ChannelData& entry = channels[size_t(i)];
            std::deque<double>& queue = entry.samples;
            // Clipping is judged here, in the pass that moves the samples anyway.
            bool clipped = false;
            for (int32_t j = i; j < n; j += m) {
                const double v = dataBuffer[size_t(j)];
                clipped = clipped || clipsFullScale(v, entry.fullScale);
                queue.push_back(v);
            }
            entry.overload = entry.overload || clipped;
            if (queue.size() > keep) {
                // Drop whole oldest frames so the samples kept stay contiguous.
                const size_t excess = queue.size() - keep;
                const size_t frame = size_t(samplesChannel);
                const size_t drop = std::min(queue.size(), (excess + frame - 1) / frame * frame);
                queue.erase(queue.begin(), queue.begin() + std::ptrdiff_t(drop));
            }
        }
    }
    if (status != 0) {
        // Ended by an error: leave the device idle, so that a later start on
        // the same device works and nothing streams unread.
        const int32_t stopped = stopDeviceStreams();
        if (stopped != 0)
            qCritical("%s", qUtf8Printable(statusText("Сбор остановлен с ошибкой. Ошибка %d (%s)", stopped)));
    }
    QMutexLocker lock(&runMutex);
    running.acquire(1);
    runEnded.wakeAll();
}
