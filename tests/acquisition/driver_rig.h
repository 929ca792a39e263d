#ifndef DRIVER_RIG_H
#define DRIVER_RIG_H

#include <QMap>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QVariant>
#include <QWidget>
#include <memory>

#include "module_mdx11.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The driver as the engine holds it: constructed in the GUI thread, moved to
// a module thread of its own, its forms built into real host widgets, opened
// and started from the GUI thread.
class DriverRig {
public:
    // keys: settings of group "MDX11" written before the driver reads them
    explicit DriverRig(const QMap<QString, QVariant>& keys = {});
    ~DriverRig();

    // Searches, opens the first "VRK11" and starts acquisition (GUI thread).
    bool openAndStart();
    // What the engine does on release or shutdown: stop if running, close.
    void release();
    // Ends the module thread and deletes the driver; returns the ms it took
    // from the start of release (bounded waits only).
    qint64 shutDown();

    ModuleMdx11* module() const { return driver; }
    QSettings* settings() const { return settingsFile.get(); }
    QCheckBox* check(int n) const;
    QComboBox* range(int n) const;
    QComboBox* type(int n) const;
    QLineEdit* voltage(int n) const;
    QLineEdit* frequency(int n) const;
    QComboBox* combo(const char* name) const;
    QSpinBox* spin(const char* name) const;
    // Accuracy through the options form, as the options dialog does it.
    void setDecimals(int rangeCode, int ac, int dc, int freq);
    // Returns once every call queued to the module thread so far has run
    // (false after 20 s); the GUI thread keeps processing events meanwhile.
    bool syncModuleThread();

private:
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settingsFile;
    QWidget settingsHost, controlsHost, infoHost, optionsHost;
    QThread moduleThread;
    ModuleMdx11* driver = nullptr;
};

// Drops the reading texts of every channel so the next ones are fresh.
void clearReadings(const DriverRig& rig);

#endif // DRIVER_RIG_H
