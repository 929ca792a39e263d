#ifndef SIM_SETUP_H
#define SIM_SETUP_H

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include "vrk_api.h"

// Writes `text` as file `name` in `dir` and points VRK_SIM_CONFIG at it, so
// the next VRK_Search reads it; the path, or "" on failure.  GUI thread.
QString writeSimConfig(const QTemporaryDir& dir, const QByteArray& text,
                       const QString& name = QStringLiteral("sim.json"));

// A configuration built by the test: one "VRK11" (192.0.2.11, serial
// "SIM-TEST", firmware "1.0-sim") whose channels and device faults the test
// sets; non-realtime and without search delay unless asked.  Volts and
// seconds as in the simulator's schema.  GUI thread.
class SimConfig {
public:
    void setChannel(int number, const QJsonObject& signal) {
        channels.insert(QString::number(number), signal);
    }
    void setDc(int number, double volts, double noise = 0.0);
    void setSine(int number, double amplitude, double frequencyHz, double offset = 0.0, double noise = 0.0);
    void setFault(const QString& key, qint64 value) { faults.insert(key, value); }
    void setRealtime(bool value) { realtime = value; }
    void setSearchDelayMs(int ms) { searchDelayMs = ms; }
    // Leaves 192.0.2.11 out; its channels and faults still serve the others.
    void removeFirstDevice() { firstListed = false; }
    // Another "VRK11" with the same faults, and the same channels unless given.
    void addDevice(const QString& address, const QString& serial, const QJsonObject& ownChannels = {}) {
        extra.append({address, serial, ownChannels});
    }
    // Writes the file and points VRK_SIM_CONFIG at it.
    bool apply();
    // The file's text, for a test that rewrites the one file VRK_SIM_CONFIG
    // names already (setting the variable while a thread reads it is a race).
    QByteArray text() const;

private:
    QTemporaryDir dir;
    QJsonObject channels, faults;
    bool realtime = false, firstListed = true;
    int searchDelayMs = 0;
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
