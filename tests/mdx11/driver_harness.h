#ifndef DRIVER_HARNESS_H
#define DRIVER_HARNESS_H

// The 11-series driver under the engine, built into host widgets as the main
// window builds it.  Every member is called from the GUI thread.

#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>
#include <QWidget>
#include <atomic>
#include <functional>

#include "engine.h"
#include "message_log.h"
#include "module_mdx11.h"
#include "module_mdx11_test.h"

// One operator action on the channel controls.
struct Action {
    enum Kind {
        All,
        Check,
        Uncheck,
        Common,
        Differential,
        CommonRange,
        CommonType,
        Range,
        Type,
        Frequency,
        Decimals
    };
    Kind kind;
    int channel = 0;            // Check, Uncheck, Range, Type
    int index = 0;              // the box's index: range, 1 for DC, ADC frequency; Decimals: range code
    int ac = 0, dc = 0, hz = 0; // Decimals: the options form accepted with these
};

class DriverHarness {
public:
    // `keys` go to group "MDX11" of a fresh settings file.
    explicit DriverHarness(const QVariantMap& keys = {});
    ~DriverHarness() { shutDown(); }

    // Once every call queued to the driver's thread has run; false after 20 s.
    bool syncModuleThread();
    // Until two rounds of the driver's queue caused no restart; false after 30 s.
    bool settle();
    // As the main window does: a search, the first device opened and started.
    bool openAndStart();
    // As the main window at exit: `before` and the engine's stop in a thread of
    // their own; then the engine and the driver are deleted (the words written).
    void shutDown(const std::function<void()>& before = {});

    // One operator action; whether it changed a control.
    bool act(const Action& action);
    // Bit n-1 for channel n: checked, or in the newest pass record.
    quint32 checkedMask() const;
    quint32 recordMask() const;
    // The first broken invariant of the controls and their mirror, or "".  A
    // mode switch leaves the common boxes stale, so they are checked when asked.
    QString brokenInvariant(bool commonRange, bool commonType) const;
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
    // "" once `edit` shows `truth` +- `tolerance` (mV or kHz) with `decimals`
    // decimals, within 30 s; else what it shows.
    static QString settles(const QLineEdit* edit, double truth, double tolerance, int decimals);

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat};
    QWidget root; // parent of the four hosts
    Engine* engine = nullptr;
    ModuleMdx11* driver = nullptr;     // made by the engine, in its threadModule
    PassRecord lastRecord;             // the newest display-pass record
    QHash<int, ChannelReading> latest; // the newest reading of each channel number
    int recordCount = 0;
    std::atomic<int> restarts{0}; // `restart` signals the driver emitted
    std::atomic<int> syncs{0};    // round trips to threadModule served
};

#endif // DRIVER_HARNESS_H
