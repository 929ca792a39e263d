#ifndef TEST_MODULE_H
#define TEST_MODULE_H

#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QPixmap>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <thread>

#include "module.h"

// A module driver that records its calls ("open 192.0.2.11", "start 0",
// "stop", ...) and fails the ones named in `failing` (set before the
// engine's thread runs a call).  Called from the GUI thread and from the
// engine's threads: the log is under a mutex, the state atomic.  The state
// queries are logged unless `quietQueries` is set.
class TestModule : public Module {
    Q_OBJECT

public:
    static inline std::atomic<int> destroyed{0};
    std::atomic<bool> opened{false}, running{false}, quietQueries{false}, holding{false};
    std::atomic<int> pings{0};
    // stop() does not return while set, for at most a minute: a stuck driver.
    std::atomic<bool> stuck{false};
    // A failing close still lets go of the device, as the real driver does.
    std::atomic<bool> letGoOnFailedClose{false};
    QStringList failing; // "open", "start", "stop", "close"

    ~TestModule() override { ++destroyed; }
    QStringList calls() const {
        QMutexLocker lock(&mutex);
        return log;
    }
    void clearCalls() {
        QMutexLocker lock(&mutex);
        log.clear();
    }

    void loadSettings(QSettings*) override { record(QStringLiteral("loadSettings")); }
    QString name(quintptr) const override { return QStringLiteral("TEST"); }
    int typeCode() const override { return moduleTypeMdx11; }
    QPixmap pixmap() const override { return QPixmap(); }
    void createWidgets(QWidget*, QWidget*, QWidget*, QWidget*, QWidget*) override { record("createWidgets"); }
    bool open(const VRK_DeviceRecord* device) override {
        return change(opened, true, "open " + QHostAddress(device->address).toString());
    }
    bool reservedCheck(quintptr, quintptr, quintptr, quintptr) override { return true; }
    QString serialNumber() override { return QStringLiteral("TEST-SERIAL"); }
    void prepareOptions() override { record(QStringLiteral("prepareOptions")); }
    void saveSettings(QSettings*) override { record(QStringLiteral("saveSettings")); }
    bool setParameter(const QString& name, double value) override {
        record(QStringLiteral("setParameter %1 %2").arg(name).arg(value));
        return true;
    }
    bool checkParameter(const QString&, double, QString&) override { return true; }
    bool isOpened() override { return query("isOpened", opened); }
    bool start(int reserved) override {
        return change(running, opened, "start " + QString::number(reserved)) && opened;
    }
    bool isRunning() override { return query("isRunning", running); }
    bool stop() override {
        for (int i = 0; stuck && i < 6000; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return change(running, false, QStringLiteral("stop"));
    }
    bool close() override {
        const bool closed = change(opened, false, QStringLiteral("close"));
        if (!closed && letGoOnFailedClose)
            opened = false;
        return closed;
    }
    int reservedQuery(quintptr) override { return 0; }
    void zeroOtherChannels(bool) override {}

public slots:
    // Stands for a queued driver slot (restartManual and the like).
    void ping() { ++pings; }
    // Keeps the driver's thread busy for `ms`, as a restart stuck in the
    // device library would.
    void hold(int ms) {
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

private:
    void record(const QString& call) {
        QMutexLocker lock(&mutex);
        log.append(call);
    }
    bool query(const char* call, bool state) {
        if (!quietQueries)
            record(QString::fromLatin1(call));
        return state;
    }
    // Logs the call; unless it is failing, sets the state.
    bool change(std::atomic<bool>& state, bool value, const QString& call) {
        record(call);
        if (failing.contains(call.section(QLatin1Char(' '), 0, 0)))
            return false;
        state = value;
        return true;
    }

    mutable QMutex mutex;
    QStringList log;
};

#endif // TEST_MODULE_H
