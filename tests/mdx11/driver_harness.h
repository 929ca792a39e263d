#ifndef DRIVER_HARNESS_H
#define DRIVER_HARNESS_H

// The 11-series driver built into host widgets as the program builds it: the
// driver in its own thread, its widgets in the GUI thread.  Every member is
// called from the GUI thread.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantMap>
#include <QWidget>
#include <atomic>
#include <memory>
#include <vector>

#include "message_log.h"
#include "module_mdx11.h"
#include "pass_feed.h"

// The driver's private state, for the tests only.
class ModuleMdx11Test {
public:
    static std::vector<ChannelControlState> mirror(const ModuleMdx11& d) { return d.channelControls(); }
    static int displayPeriodMs(const ModuleMdx11& d) { return d.displayPeriodMs; }
    static double testSignalFrequencyHz(const ModuleMdx11& d) { return d.testSignalFrequencyHz; }
    static int modeCode(const ModuleMdx11& d) { return d.modeCode; }
    static const QList<ParameterInfo>& parameters(const ModuleMdx11& d) { return d.parameters; }
    static int pendingEchoes(const ModuleMdx11& d) { return d.echoPending.size(); }
};

class DriverHarness {
public:
    // `keys` go to group "MDX11" of the settings file (a fresh one, or
    // `iniFile`) before the driver reads it.
    explicit DriverHarness(const QVariantMap& keys = {}, const QString& iniFile = {});
    // Ends a run as shutDown does, else as destroyDriver does.
    ~DriverHarness();

    // Returns once every call queued to the driver's thread so far has run
    // (false after 20 s); the GUI thread serves events meanwhile.
    bool syncModuleThread();
    // Until the driver has served every restart and echo it caused and two
    // rounds of its queue changed nothing; false after 30 s.
    bool settle();
    // Deletes the driver as the program does at exit (the channel words are
    // written) and syncs the file.
    void destroyDriver();
    // As the engine does from the GUI thread: open the first "VRK11" found
    // and start; release stops a run and closes.
    bool openAndStart();
    void release();
    // Release, end of the driver's thread and deletion as the engine's stop
    // does them in its own thread, while the GUI thread serves events.
    void shutDown();

    // One operator action; whether it changed a control:
    //   "all" click the all-channels box;  "check N" / "uncheck N";
    //   "mode common" / "mode diff";  "crange I" common range index;
    //   "ctype AC|DC";  "chrange N I";  "chtype N AC|DC";  "freq I";
    //   "decimals R A D F": range code R gets A AC, D DC and F frequency
    //   decimals through the options form, accepted.
    bool act(const QString& action);
    // Channels in numeric order, e.g. "1,3,17": checked, or those of the
    // newest pass record's configuration.
    QString checkedChannels() const;
    QString recordChannels() const;
    // The first broken invariant of the controls and their mirror, or "".
    // A mode switch leaves the common boxes as they were until the next
    // channel-level change, so each is checked only when asked.
    QString brokenInvariant(bool commonRange, bool commonType) const;
    // Empties every reading field, so the next texts are fresh.
    void clearReadings();

    template <class T = QWidget> T* find(const QString& name) const { return root.findChild<T*>(name); }
    QCheckBox* check(int n) const { return find<QCheckBox>(QStringLiteral("checkBoxCh%1").arg(n)); }
    QComboBox* range(int n) const { return find<QComboBox>(QStringLiteral("comboBoxRangeCh%1").arg(n)); }
    QComboBox* type(int n) const { return find<QComboBox>(QStringLiteral("comboBoxVoltageTypeCh%1").arg(n)); }
    QLineEdit* voltage(int n) const { return find<QLineEdit>(QStringLiteral("lineEditVoltageCh%1").arg(n)); }
    QLineEdit* frequency(int n) const {
        return find<QLineEdit>(QStringLiteral("lineEditFrequencyCh%1").arg(n));
    }
    QComboBox* combo(const char* name) const { return find<QComboBox>(QLatin1String(name)); }
    QCheckBox* allChannels() const { return find<QCheckBox>(QStringLiteral("checkBoxChannels")); }
    // The widget's own enabled flag (a child of a disabled host keeps it).
    static bool ownEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }
    // The number a field shows; NaN while it shows none.
    static double reading(const QLineEdit* edit);

    QTemporaryDir dir;
    QString ini;
    std::unique_ptr<QSettings> settings;
    QWidget root; // parent of the four hosts
    PassFeed feed;
    PassRecord lastRecord; // the newest display-pass record
    int recordCount = 0;
    ModuleMdx11* driver = nullptr;
    QThread moduleThread;
    std::atomic<int> restarts{0}; // `restart` signals the driver emitted

private:
    bool started = false; // openAndStart was called
};

#endif // DRIVER_HARNESS_H
