#ifndef ENGINE_H
#define ENGINE_H

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QThread>
#include <QVector>
#include <atomic>
#include <functional>

#include "channel_choice.h"
#include "module.h"
#include "pass_feed.h"
#include "vrk_api.h"

class QSettings;
class QWidget;

// Between the main window and the hardware: searches for devices, owns the
// module driver and the thread it lives in, and selects, opens, starts, stops
// and closes the driver.
//
// Threads: the object lives in the main window's threadEngine, where the slots
// start, stop and refreshHardware run when invoked queued.  The direct
// operations (useModule, releaseModule, crates, settings, createWidgets,
// pixmap) are called from the GUI thread.  The engine takes no lock: the
// caller keeps its direct calls away from a running search (the main window's
// hardwareLock).
class Engine : public QObject {
    Q_OBJECT

public:
    // One module place of a crate.
    struct Slot {
        qint32 number = 0;
        qint16 moduleType = 0;
        QString name;
        QString serial;
        VRK_DeviceRecord device{};
    };

    // One found device.  The module places are in `slotList`: the word "slots"
    // is a reserved macro of the framework and cannot name a member.
    struct Crate {
        qint32 id = 0;
        qint16 kind = 0;
        QString name;
        QList<Slot> slotList;
    };

    enum ModuleUsage : qint32 { ModuleUnused = 0, ModuleInUse = 1 };

    // Makes the driver; it publishes its display passes to the given feed.
    using ModuleFactory = std::function<Module*(PassFeed*)>;

    // Runs in the constructing thread (the GUI thread); creates the driver
    // through `factory`, moves it to threadModule and starts that thread.
    explicit Engine(const ModuleFactory& factory);
    // Deletes the driver.  If stop has not ended threadModule, ends it first.
    ~Engine() override;

    // Direct operations, GUI thread.
    QList<Crate>& crates();
    // Index in crates() of the device in use, -1 when none.  A search keeps
    // it pointing at the same device (by address) in the new list, or sets
    // it to -1 when that device was not found again.
    int crateInUse() const;
    bool useModule(int crate, int slot);
    // Stops and closes the module in use and forgets the choice.  A close
    // that fails but lets go of the device (the driver no longer reports it
    // open) still forgets the choice; the result is then false.
    bool releaseModule();
    void setModuleMode(int mode);
    void setDisplayUpdateMs(int ms);
    void loadSettings(QSettings* settings);
    void saveSettings(QSettings* settings);
    void prepareOptions();
    QPixmap pixmap() const;
    // One record per display pass of the driver; lives as long as the engine.
    // Connect to it queued (records are published in threadModule).
    PassFeed* passFeed();
    void createWidgets(QWidget* settingsHost, QWidget* controlsHost, QWidget* reportHost, QWidget* infoHost,
                       QWidget* optionsHost);
    // Remote control, GUI thread: the driver's choices, changed through its
    // controls as the operator changes them (see Module).
    QVector<ChannelChoice> channelChoices() const;
    bool setChannelChoice(const ChannelChoice& choice);
    int modeCode() const;
    bool setModeCode(int code);
    int adcFrequencyIndex() const;
    bool setAdcFrequencyIndex(int index);
    void requestRestart();
    quint64 controlsCopies() const;
    quint64 controlsCopiesBeforeChange() const;

    // Whether threadModule has ended (false while it runs, and after a stop
    // that gave up on it).  Any thread; a true answer orders everything the
    // thread did before the caller's next steps.
    bool moduleThreadEnded() const;
    // Whether `stop` has returned; a true answer orders everything the stop
    // did before the caller's next steps.  Any thread.
    bool hasStopped() const;

    // Longest the engine waits for threadModule to end once the driver has
    // stopped: the call still running there is a restart, whose stop and
    // start are bounded by the driver (a few seconds).
    static constexpr int moduleThreadWaitMs = 4000;

signals:
    void started();
    void stopped();
    void readyCrate(QList<Engine::Crate>& listCrate);
    void readyModuleChangeUsage();
    void postMessage(QString message);
    void postInfo(QString message);
    void popupMessage(QString message, bool success);
    // The search asked for by refreshHardware failed; the crate list and the
    // choice are as they were (postMessage has said why).
    void searchFailed();

public slots:
    // threadEngine.
    void start();
    // threadEngine: stops and closes the driver (normal mode), ends
    // threadModule and emits stopped.  A second call only emits stopped.
    void stop();
    // threadEngine: device search (blocks for the library's search time).
    // Says "Поиск приборов…" through postMessage, then the outcome: the number
    // of devices found, none, the library's failure (also logged as a
    // warning), or that the device in use is no longer found (also logged).
    // Ends in readyCrate, or in searchFailed when the search failed.
    void refreshHardware();
    // Rebuilds the crate list from the devices whose name matches `devname`
    // in its first `devname_len` bytes.  0, a negative search status, or -1
    // when no record buffer could be had; on failure the list is unchanged.
    int SearchVRKmodules(const char* devname, int devname_len);
    void zeroOtherChannels(bool zero);

private:
    // Ends threadModule after the call running there (a restart, at most)
    // has returned, waiting at most moduleThreadWaitMs; calls queued for the
    // driver after that never run.
    void endModuleThread();

    qint32 mode = 0;
    PassFeed feed;
    QThread threadModule;
    // Set by threadModule itself as it ends, and by `stop` as it returns:
    // std::atomic, so that the order is visible to ThreadSanitizer as well
    // (it cannot see inside QThread::wait or a queued signal).
    std::atomic<bool> moduleThreadDone{false};
    std::atomic<bool> stopDone{false};
    Module* module = nullptr;
    QList<Crate> crateList;
    // Written by the direct operations (GUI thread) and by a search
    // (threadEngine) while the window keeps away: atomic, as the queued
    // signal that orders them is invisible to ThreadSanitizer.
    std::atomic<qint32> currentCrate{-1};
    std::atomic<qint32> currentSlot{-1};
    // Set by SearchVRKmodules when its -1 is its own (no record buffer), not
    // the library's status.
    bool searchBufferFailed = false;
};

#endif // ENGINE_H
