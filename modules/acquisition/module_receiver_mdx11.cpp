#include "module_receiver_mdx11.h"

#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include "error_text.h"
#include "frame_geometry.h"
#include "frame_splitter.h"

namespace {

QString statusText(const char* format, int32_t status) {
    const QByteArray text = errorText(VRK11_GetErrorString(status, 0));
    return QString::asprintf(format, int(status), text.constData());
}

// Loops a stop gave up on, still inside the device library.  They own
// everything they touch (their run, queues and state), so they may go on
// after the driver has gone; only the process's end must not run static
// destructors under them.
struct Abandoned {
    std::mutex mutex;
    std::vector<std::pair<std::thread, std::shared_ptr<ModuleReceiverMdx11::LoopState>>> loops;
};

Abandoned& abandoned() {
    static Abandoned* a = new Abandoned; // never destroyed: detached loops may outlive main
    return *a;
}

} // namespace

ModuleReceiverMdx11::ModuleReceiverMdx11() = default;

ModuleReceiverMdx11::~ModuleReceiverMdx11() {
    // The driver stops acquisition first; a run still going is stopped here,
    // within the same bound.
    if (isRunning())
        stopStreams();
    if (loopThread.joinable())
        loopThread.join(); // the loop has ended: its thread is returning
}

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
    std::lock_guard<std::mutex> lock(currentMutex);
    return current && !current->ended.load();
}

bool ModuleReceiverMdx11::LoopState::waitEnded(int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex);
    return endedCondition.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                   [this] { return ended.load(); });
}

void ModuleReceiverMdx11::LoopState::markEnded() {
    std::lock_guard<std::mutex> lock(mutex);
    ended = true;
    endedCondition.notify_all();
}

int32_t ModuleReceiverMdx11::LoopState::stopStreams() {
    if (!streamsOn.exchange(false))
        return 0;
    return VRK11_StreamsStop(handle);
}

// Caller's thread, under the driver's controlMutex.  A loop that ended on
// its own (an error) has left its thread; it is joined here.
void ModuleReceiverMdx11::retireEndedRun() {
    std::lock_guard<std::mutex> lock(currentMutex);
    if (current && current->ended.load()) {
        if (loopThread.joinable())
            loopThread.join(); // ended: returns at once
        current.reset();
    }
}

// Caller's thread, under the driver's controlMutex.
bool ModuleReceiverMdx11::readyToStart() {
    retireEndedRun();
    if (isRunning()) {
        qWarning("%s", "Модуль уже запущен");
        return false;
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
    auto state = std::make_shared<LoopState>();
    state->handle = run->handle;
    {
        std::lock_guard<std::mutex> lock(currentMutex);
        current = state;
    }
    loopThread =
        std::thread(&ModuleReceiverMdx11::dataReceiver, std::move(run), std::move(queues), std::move(state));
    return true;
}

// Caller's thread, under the driver's controlMutex.  Raises the stop, stops
// the device streams (which wakes a blocked receive), then waits for the
// loop: at most stopJoinMs.  A loop still inside the library then is left
// to end on its own (it owns all it touches and ends silently), and the
// stop goes on: the next run gets a thread of its own.
bool ModuleReceiverMdx11::stopStreams() {
    retireEndedRun();
    if (!isRunning()) {
        qWarning("%s", "Модуль не был запущен");
        return false;
    }
    std::shared_ptr<LoopState> state;
    {
        std::lock_guard<std::mutex> lock(currentMutex);
        state = std::move(current);
    }
    state->stopRequested = true;
    const int32_t status = state->stopStreams();
    if (state->waitEnded(stopJoinMs)) {
        loopThread.join(); // ended: returns at once
    } else {
        qWarning("%s", qUtf8Printable(
                           QString::asprintf("Цикл приема не завершился за %d мс и оставлен", stopJoinMs)));
        std::lock_guard<std::mutex> lock(abandoned().mutex);
        abandoned().loops.emplace_back(std::move(loopThread), state);
    }
    if (status != 0) {
        qCritical("%s", qUtf8Printable(statusText("Сбор остановлен с ошибкой. Ошибка %d (%s)", status)));
        return false;
    }
    return true;
}

int ModuleReceiverMdx11::abandonedLoops() {
    std::lock_guard<std::mutex> lock(abandoned().mutex);
    int count = 0;
    for (const auto& loop : abandoned().loops)
        count += loop.second->ended.load() ? 0 : 1;
    return count;
}

bool ModuleReceiverMdx11::joinAbandonedLoops(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::lock_guard<std::mutex> lock(abandoned().mutex);
    auto& loops = abandoned().loops;
    for (auto it = loops.begin(); it != loops.end();) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!it->second->waitEnded(int(std::max<long long>(left.count(), 0))))
            return false;
        it->first.join(); // ended: returns at once
        it = loops.erase(it);
    }
    return true;
}

// Reads up to `need` words to get back to a channel boundary after a short
// frame.  Returns the words still missing: 0 when aligned, more when a stop
// was requested or the device sent nothing for one receive timeout.  A
// negative receive status is stored in *status.
int ModuleReceiverMdx11::realign(const AcquisitionRun& run, const LoopState& state,
                                 std::vector<uint32_t>& raw, int need, int32_t* status) {
    QElapsedTimer idle;
    idle.start();
    while (need > 0) {
        if (state.stopRequested.load())
            return need;
        const int32_t r = VRK11_Recv(run.handle, raw.data(), need, 1000);
        if (state.stopRequested.load())
            return need;
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

// The loop's own thread, for the whole of a run.  Reads only its run, its
// own buffers, its queues and its state, all of which it holds, so a stop
// that gives up on it, a close or a new run cannot pull anything from under
// it.  Whatever a receive returns once the stop is raised (0, or the closed
// device's status) ends the loop without a word.
void ModuleReceiverMdx11::dataReceiver(std::shared_ptr<const AcquisitionRun> handed,
                                       std::shared_ptr<SampleQueues> queues,
                                       std::shared_ptr<LoopState> state) {
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
    while (!state->stopRequested.load() && status == 0) {
        if (missing > 0) {
            missing = realign(run, *state, rawBuffer, missing, &status);
            if (status != 0)
                qCritical("%s",
                          qUtf8Printable(statusText("Ошибка при приеме кадра. Ошибка %d (%s)", status)));
            continue;
        }
        const int32_t r = VRK11_Recv(run.handle, rawBuffer.data(), frameWords, run.recvTimeoutMs);
        if (state->stopRequested.load())
            break;
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
    if (status != 0 && !state->stopRequested.load()) {
        // Ended by an error: leave the device idle, so that a later start on
        // the same device works and nothing streams unread.
        const int32_t stopped = state->stopStreams();
        if (stopped != 0)
            qCritical("%s", qUtf8Printable(statusText("Сбор остановлен с ошибкой. Ошибка %d (%s)", stopped)));
    }
    state->markEnded();
}
