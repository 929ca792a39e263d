#ifndef TEST_MODULE_H
#define TEST_MODULE_H

#include <QHostAddress>
#include <QMutex>
#include <QPixmap>
#include <QStringList>
#include <atomic>

#include "module.h"

// A module driver that records every call ("open 192.0.2.11", "start 0",
// "stop", ...) and answers with configurable results.  Called from the GUI
// thread and from threadEngine, so the log and the results are under a mutex.
// The state queries (isOpened, isRunning) are not logged when `quietQueries`
// is set.
class TestModule : public Module {
    Q_OBJECT

public:
    struct Results {
        bool open = true;
        bool start = true;
        bool stop = true;
        bool close = true;
    };

    explicit TestModule(QObject* parent = nullptr);
    ~TestModule() override;

    QStringList calls() const;
    void clearCalls();
    void setResults(const Results& results);
    void setState(bool opened, bool running);
    bool opened() const { return openedState; }
    bool running() const { return runningState; }

    // Counts of instances destroyed (any TestModule), and of ping() runs.
    static std::atomic<int> destroyed;
    std::atomic<int> pings{0};
    bool quietQueries = false;

    void loadSettings(QSettings* settings) override;
    QString name(quintptr reserved) const override;
    int typeCode() const override;
    QPixmap pixmap() const override;
    void createWidgets(QWidget* settingsHost, QWidget* controlsHost, QWidget* reportHost, QWidget* infoHost,
                       QWidget* optionsHost) override;
    bool open(const VRK_DeviceRecord* device) override;
    bool reservedCheck(quintptr a, quintptr b, quintptr c, quintptr d) override;
    QString serialNumber() override;
    void prepareOptions() override;
    void saveSettings(QSettings* settings) override;
    bool setParameter(const QString& name, double value) override;
    bool checkParameter(const QString& name, double value, QString& error) override;
    bool isOpened() override;
    bool start(int reserved) override;
    bool isRunning() override;
    bool stop() override;
    bool close() override;
    int reservedQuery(quintptr reserved) override;
    void zeroOtherChannels(bool zero) override;

public slots:
    // Stands for a queued driver slot (restartManual and the like).
    void ping();

private:
    void record(const QString& call);

    mutable QMutex mutex;
    QStringList log;
    Results results;
    std::atomic<bool> openedState{false};
    std::atomic<bool> runningState{false};
};

#endif // TEST_MODULE_H
