#ifndef DRIVER_HARNESS_H
#define DRIVER_HARNESS_H

// Test support for the 11-series driver: white-box
// access, and a harness that builds the driver into host widgets the way
// the program does (driver in its own thread, widgets in the GUI thread).

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantMap>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "custom_check_box.h"
#include "message_log.h"
#include "module_mdx11.h"
#include "pass_feed.h"

// The driver's private state, for the tests only.
class ModuleMdx11Test {
public:
    static std::vector<ChannelControlState> mirror(const ModuleMdx11& d) { return d.channelControls(); }
    static int displayPeriodMs(const ModuleMdx11& d) { return d.displayPeriodMs; }
    static double testSignalFrequencyHz(const ModuleMdx11& d) { return d.testSignalFrequencyHz; }
    static int accuracyAc(const ModuleMdx11& d, int r) { return d.accuracyAc[r]; }
    static int accuracyDc(const ModuleMdx11& d, int r) { return d.accuracyDc[r]; }
    static int accuracyFreq(const ModuleMdx11& d) { return d.accuracyFreq; }
    static int accuracyAcEdit(const ModuleMdx11& d, int r) { return d.accuracyAcEdit[r]; }
    static int accuracyDcEdit(const ModuleMdx11& d, int r) { return d.accuracyDcEdit[r]; }
    static int adcFrequencyIndex(const ModuleMdx11& d) { return d.adcFrequencyIndex; }
    static int modeCode(const ModuleMdx11& d) { return d.modeCode; }
    static const QList<ParameterInfo>& parameters(const ModuleMdx11& d) { return d.parameters; }
    static QLineEdit* voltageEdit(const ModuleMdx11& d, int n) { return d.voltageEdits[n]; }
    static QLineEdit* frequencyEdit(const ModuleMdx11& d, int n) { return d.frequencyEdits[n]; }
    static int pendingEchoes(ModuleMdx11& d) { return d.echoPending.size(); }
};

class DriverHarness {
public:
    struct Options {
        bool threaded = true; // driver in its own thread, as in the program
        bool settings = true; // hand a settings object to loadSettings
        bool settingsHost = true, controlsHost = true, infoHost = true, optionsHost = true;
        std::function<void(QSettings&)> preset; // writes group "MDX11" before the driver reads it
        QString iniFile;                        // an existing settings file instead of a fresh one
    };

    DriverHarness();
    explicit DriverHarness(const Options& options);
    // Ends a run the harness started (as shutDown does), else destroyDriver.
    ~DriverHarness();

    // Options whose settings file holds `keys` in group "MDX11".
    static Options withKeys(const QVariantMap& keys, const QString& iniFile = QString());

    // Lets the driver finish everything queued so far and everything that
    // causes in turn (its slots, the echoes of its own changes, the GUI work
    // they post), until no echo is pending and a full round of the driver's
    // queue changed nothing.  False if that did not happen within 30 s.
    bool settle();

    // Destroys the driver as the program does at exit (the channel keys are
    // written) and syncs the file; the hosts stay.
    void destroyDriver();
    // Returns once every call queued to the driver's thread so far has run
    // (false after 20 s); the GUI thread keeps processing events meanwhile.
    bool syncModuleThread();

    // Device use from the GUI thread, as the engine does it: search, open the
    // first "VRK11" and start; release stops a run and closes.
    bool openAndStart();
    void release();
    // Release, end of the driver's thread and deletion as the engine's stop
    // does them, in a thread of their own while the GUI thread keeps serving
    // the driver; the ms it took (bounded waits only).
    qint64 shutDown();
    // Accuracy through the options form, as the options dialog does it.
    void setDecimals(int rangeCode, int ac, int dc, int freq);
    // Drops the reading texts of every channel so the next ones are fresh.
    void clearReadings();

    // Does one operator action in the GUI thread and returns whether it
    // changed a control (only then does the driver hear of it):
    //   "all" click the all-channels box;  "check N" / "uncheck N";
    //   "mode common" / "mode diff";  "crange I" common range index;
    //   "ctype AC|DC";  "chrange N I";  "chtype N AC|DC";  "freq I".
    bool act(const QString& action);
    // The checked channels, e.g. "1,3,17" (numeric order), "" for none.
    QString checkedChannels() const;
    // Invariants of the controls that hold once the driver has settled;
    // returns the first one broken, or an empty string.
    // commonRange / commonType: also check that box (it is only refreshed
    // by channel-level changes, so it may be stale after a mode switch).
    QString brokenInvariant(bool commonRange, bool commonType) const;

    QString iniPath() const { return ini; }
    int restarts() const { return restartCount.load(); }

    QCheckBox* check(int n) const;
    QComboBox* range(int n) const;
    QComboBox* type(int n) const;
    QWidget* rowWidget(const QString& prefix, int n) const;
    QComboBox* mode() const;
    QComboBox* commonRange() const;
    QComboBox* commonType() const;
    QComboBox* frequency() const;
    QLineEdit* voltageEdit(int n) const {
        return find<QLineEdit>(QStringLiteral("lineEditVoltageCh%1").arg(n));
    }
    QLineEdit* frequencyEdit(int n) const {
        return find<QLineEdit>(QStringLiteral("lineEditFrequencyCh%1").arg(n));
    }
    Ui::CustomCheckBox* allChannels() const;
    template <class T> T* find(const QString& name) const {
        for (QWidget* host : {settingsHost.get(), controlsHost.get(), infoHost.get(), optionsHost.get()})
            if (T* w = host->findChild<T*>(name))
                return w;
        return nullptr;
    }

    // The number a reading field shows, NaN while it is empty or not a number.
    static double reading(const QLineEdit* edit) {
        bool ok = false;
        const double v = edit->text().toDouble(&ok);
        return ok ? v : qQNaN();
    }
    // Own enabled flag (a child of a disabled host keeps its own state).
    static bool ownEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }

    QTemporaryDir dir;
    QString ini;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<QWidget> settingsHost, controlsHost, reportHost, infoHost, optionsHost;
    PassFeed feed;
    // The newest display-pass record (delivered queued to the GUI thread).
    PassRecord lastRecord;
    int recordCount = 0;
    // Channel numbers of the newest record's configuration, e.g. "1,3,17".
    QString recordChannels() const;
    ModuleMdx11* driver = nullptr;
    QThread moduleThread;

private:
    void stopThread();
    std::atomic<int> restartCount{0};
    bool started = false; // openAndStart was called
};

// "3:2,5:1" -> {{3, 2}, {5, 1}}: channel number and combo index pairs of a test table.
QList<QPair<int, int>> channelPairs(const QString& text);

#endif // DRIVER_HARNESS_H
