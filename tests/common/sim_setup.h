#ifndef SIM_SETUP_H
#define SIM_SETUP_H

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include "vrk_api.h"

// The one writer of simulator configurations: writes `text` as file `name`
// in `dir` and points VRK_SIM_CONFIG at it, so the next VRK_Search reads it;
// the path, or an empty string on failure.  Tests of the simulator's own
// configuration checks give it hand-made text; everyone else uses SimConfig.
QString writeSimConfig(const QTemporaryDir& dir, const QByteArray& text,
                       const QString& name = QStringLiteral("sim.json"));

// A configuration built by the test: one "VRK11" (192.0.2.11, serial
// "SIM-TEST", firmware "1.0-sim") whose channels and device faults the test
// sets; non-realtime and without search delay unless asked.  GUI thread.
class SimConfig {
public:
    // Waveform parameters as in the simulator's schema ("dc", "sine", ...).
    void setChannel(int number, const QJsonObject& signal) {
        channels.insert(QString::number(number), signal);
    }
    // Volts; noise is the RMS of added Gaussian noise in volts.
    void setDc(int number, double volts, double noise = 0.0);
    void setSine(int number, double amplitude, double frequencyHz, double offset = 0.0, double noise = 0.0);
    void setFault(const QString& key, qint64 value) { faults.insert(key, value); }
    void setRealtime(bool value) { realtime = value; }
    void setSearchDelayMs(int ms) { searchDelayMs = ms; }
    // The status every search returns (0: none).
    void setSearchFault(qint64 status) { searchFault = status; }
    // Leaves the first device (192.0.2.11) out of the file; its channels and
    // faults still serve the devices added below.
    void removeFirstDevice() { firstListed = false; }
    // A second "VRK11" with the same faults, and the same channels unless
    // `ownChannels` gives its own.
    void addDevice(const QString& address, const QString& serial, const QJsonObject& ownChannels = {}) {
        extra.append({address, serial, ownChannels});
    }
    // Writes the file and points VRK_SIM_CONFIG at it.
    bool apply();
    // The file's text, for a test that rewrites one file VRK_SIM_CONFIG
    // names already (setting the variable while a thread may read it is a
    // race).
    QByteArray text() const;

private:
    QTemporaryDir dir;
    QJsonObject channels;
    QJsonObject faults;
    bool realtime = false;
    int searchDelayMs = 0;
    qint64 searchFault = 0;
    bool firstListed = true;
    struct Device {
        QString address, serial;
        QJsonObject channels; // empty: the first device's
    };
    QList<Device> extra;
};

// Fills *record with the first "VRK11" of a search; false when none.
bool findFirstDevice(VRK_DeviceRecord* record);
// Searches and opens the first "VRK11"; 0 on failure.
VRK_Handle openFirstDevice();

#endif // SIM_SETUP_H
