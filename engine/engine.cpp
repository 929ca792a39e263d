#include "engine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QMetaObject>
#include <QMetaType>
#include <QTextCodec>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

// A device count above this cannot be a real network and is treated like a
// record buffer that cannot be had (it would otherwise ask for gigabytes).
constexpr int maxSearchRecords = 65536;

QString hexAddress(const void* object) {
    return QString::number(reinterpret_cast<quintptr>(object), 16);
}

} // namespace

Engine::Engine(const ModuleFactory& factory) : QObject(nullptr), mode(0) {
    module = factory(&feed);
    if (!module)
        qFatal("Engine: no module driver");
    crateList.clear();
    currentCrate = -1;
    currentSlot = -1;

    qRegisterMetaType<QList<Engine::Crate>>("QList<Engine::Crate>&");
    qRegisterMetaType<Engine::ModuleUsage>("ModuleUsage");

    qInfo("%s", qUtf8Printable(QStringLiteral("currentThread=") + hexAddress(QThread::currentThread())));
    qInfo("%s", qUtf8Printable(QStringLiteral("threadModule id=") + hexAddress(&threadModule)));

    module->moveToThread(&threadModule);
    // Emitted by the thread itself as its last step.
    connect(
        &threadModule, &QThread::finished, this,
        [this] { moduleThreadDone.store(true, std::memory_order_release); }, Qt::DirectConnection);
    threadModule.start(QThread::InheritPriority);
}

// A thread that did not end cannot be destroyed: the program then ends
// without tearing the engine down (see main).
Engine::~Engine() {
    endModuleThread();
    crateList.clear();
    delete module;
}

// Caller's thread (threadEngine at close, or the GUI thread from the
// destructor).  Worst case: one restart in progress (see the driver's stop).
// The driver is deleted later from the GUI thread, which is safe once its
// thread has ended; the calls still queued for it are dropped with it.
void Engine::endModuleThread() {
    threadModule.quit();
    if (!threadModule.wait(QDeadlineTimer(moduleThreadWaitMs)) || !moduleThreadEnded())
        qWarning("Поток модуля не завершился за %d мс", moduleThreadWaitMs);
}

bool Engine::moduleThreadEnded() const {
    return moduleThreadDone.load(std::memory_order_acquire);
}

bool Engine::hasStopped() const {
    return stopDone.load(std::memory_order_acquire);
}

QList<Engine::Crate>& Engine::crates() {
    return crateList;
}

int Engine::crateInUse() const {
    const int crate = currentCrate.load();
    return crate >= 0 && crate < crateList.size() ? crate : -1;
}

bool Engine::useModule(int crate, int slot) {
    if (mode == 1) {
        currentCrate = crate;
        currentSlot = slot;
        return true;
    }

    do {
        if (module->isOpened()) {
            if (crate == currentCrate && slot == currentSlot) {
                // The module in use is chosen again: start it if idle.  When it
                // already runs it is left as it is (opening it again over the
                // open device would lose the handle and the start would fail).
                if (module->isRunning())
                    return true;
                return module->start(0);
            }
            if (module->isRunning() && !module->stop())
                break;
            // A close that failed but let go of the device (the driver has
            // reported it) does not keep the operator on that device.
            if (!module->close() && module->isOpened())
                break;
        }
        if (crate < 0 || crate >= crateList.size())
            break;
        Crate& c = crateList[crate];
        if (slot < 0 || slot >= c.slotList.size())
            break;
        Slot& s = c.slotList[slot];
        if (!module->open(&s.device))
            break;
        s.serial = module->serialNumber();
        currentCrate = crate;
        currentSlot = slot;
        return module->start(0);
    } while (false);

    currentCrate = -1;
    currentSlot = -1;
    return false;
}

bool Engine::releaseModule() {
    if (!module->isOpened())
        return false;
    if (module->isRunning() && !module->stop())
        return false;
    const bool closed = module->close();
    if (!closed && module->isOpened())
        return false;
    currentCrate = -1;
    currentSlot = -1;
    return closed;
}

void Engine::setModuleMode(int value) {
    mode = value;
}

void Engine::setDisplayUpdateMs(int ms) {
    module->setParameter(displayPeriodParameter(), static_cast<double>(ms));
}

void Engine::loadSettings(QSettings* settings) {
    module->loadSettings(settings);
}

void Engine::saveSettings(QSettings* settings) {
    module->saveSettings(settings);
}

void Engine::prepareOptions() {
    module->prepareOptions();
}

QPixmap Engine::pixmap() const {
    return module->pixmap();
}

PassFeed* Engine::passFeed() {
    return &feed;
}

void Engine::createWidgets(QWidget* settingsHost, QWidget* controlsHost, QWidget* reportHost,
                           QWidget* infoHost, QWidget* optionsHost) {
    module->createWidgets(settingsHost, controlsHost, reportHost, infoHost, optionsHost);
}

QVector<ChannelChoice> Engine::channelChoices() const {
    return module->channelChoices();
}

bool Engine::setChannelChoice(const ChannelChoice& choice) {
    return module->setChannelChoice(choice);
}

int Engine::modeCode() const {
    return module->modeCode();
}

bool Engine::setModeCode(int code) {
    return module->setModeCode(code);
}

int Engine::adcFrequencyIndex() const {
    return module->adcFrequencyIndex();
}

bool Engine::setAdcFrequencyIndex(int index) {
    return module->setAdcFrequencyIndex(index);
}

void Engine::requestRestart() {
    module->requestRestart();
}

quint64 Engine::controlsCopies() const {
    return module->controlsCopies();
}

quint64 Engine::controlsCopiesBeforeChange() const {
    return module->controlsCopiesBeforeChange();
}

void Engine::start() {
    emit started();
}

void Engine::stop() {
    if (mode == 0 && module->isOpened()) {
        if (module->isRunning())
            module->stop();
        module->close();
    }
    endModuleThread();
    stopDone.store(true, std::memory_order_release);
    emit stopped();
}

void Engine::refreshHardware() {
    emit postMessage(QStringLiteral("Поиск приборов…"));
    const int inUse = crateInUse();
    const Crate previous = inUse >= 0 ? crateList.at(inUse) : Crate();

    const int status = SearchVRKmodules("VRK11", 6);
    if (status != 0) {
        // The library's text is in Windows-1251 whatever the locale.
        QString reason = QStringLiteral("список приборов не помещается в память");
        if (!searchBufferFailed) {
            QTextCodec* codec = QTextCodec::codecForName("Windows-1251");
            const char* text = VRK11_GetErrorString(status, 0);
            reason = codec && text ? codec->toUnicode(text) : QString::fromLatin1(text ? text : "");
        }
        const QString message =
            QStringLiteral("Ошибка поиска приборов. Ошибка %1 (%2)").arg(status).arg(reason);
        qWarning("%s", qUtf8Printable(message));
        emit postMessage(message);
        emit searchFailed();
        return;
    }

    emit postMessage(crateList.isEmpty() ? QStringLiteral("Приборы не найдены")
                                         : QStringLiteral("Найдено приборов: %1").arg(crateList.size()));
    if (inUse >= 0) {
        // The same device, by address, wherever the new list has it.
        int found = -1;
        for (int i = 0; i < crateList.size(); ++i)
            if (crateList.at(i).id == previous.id)
                found = i;
        currentCrate = found;
        if (found < 0) {
            currentSlot = -1;
            const QString message = QStringLiteral("Прибор %1 больше не найден").arg(previous.name);
            qWarning("%s", qUtf8Printable(message));
            emit postMessage(message);
        }
    }
    emit readyCrate(crateList);
}

int Engine::SearchVRKmodules(const char* devname, int devname_len) {
    searchBufferFailed = false;
    int32_t count = 0;
    const int32_t err = VRK_Search(nullptr, 0, &count, 1000, 16777216, 0);
    std::fprintf(stderr, "VRK_Search: err=%d dev_qty=%d\n", err, count);
    std::fflush(stderr);
    if (err < 0)
        return err;
    if (count < 0 || count > maxSearchRecords) {
        searchBufferFailed = true;
        return -1;
    }

    // One spare record keeps the pointer valid when nothing was found, so the
    // second call is still a call with records (capacity 0).
    std::vector<VRK_DeviceRecord> buffer;
    try {
        buffer.assign(static_cast<size_t>(count) + 1, VRK_DeviceRecord{});
    } catch (const std::bad_alloc&) {
        searchBufferFailed = true;
        return -1;
    }

    int32_t n = VRK_Search(buffer.data(), count, nullptr, 1000, 16777216, 0);
    // A failed fetch is a failed search: the list and the device in use stay.
    if (n < 0)
        return n;
    // Never read past what was asked for, whatever the library answers.
    n = std::min(n, count);

    crateList.clear();
    const size_t nameLength =
        std::min(static_cast<size_t>(std::max(devname_len, 0)), sizeof(VRK_DeviceRecord::name));
    for (int32_t i = 0; i < n; ++i) {
        const VRK_DeviceRecord& record = buffer[static_cast<size_t>(i)];
        if (std::strncmp(record.name, devname, nameLength) != 0)
            continue;
        const QString address = QHostAddress(static_cast<quint32>(record.address)).toString();
        Slot slot;
        slot.number = 0;
        slot.moduleType = moduleTypeMdx11;
        slot.name = address;
        slot.serial = QString::fromUtf8(record.serial,
                                        static_cast<int>(qstrnlen(record.serial, sizeof(record.serial))));
        slot.device = record;
        Crate crate;
        crate.id = static_cast<qint32>(record.address);
        crate.kind = 1;
        crate.name = address;
        crate.slotList.append(slot);
        crateList.append(crate);
    }
    return 0;
}

void Engine::zeroOtherChannels(bool zero) {
    module->zeroOtherChannels(zero);
}
