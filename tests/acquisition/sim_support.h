#ifndef SIM_SUPPORT_H
#define SIM_SUPPORT_H

#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QString>
#include <QTemporaryDir>

#include "vrkapi/vrk_api.h"

// One message seen by the test message handler.
struct LoggedMessage {
    QtMsgType type;
    QString text;
};

// Records every message of the process (any thread) instead of printing it,
// so criticals can be asserted on and never end a test.
class MessageLog {
public:
    static void install();
    static void clear();
    static QList<LoggedMessage> all();
    // Number of messages of this type whose text equals `text`.
    static int count(QtMsgType type, const QString& text);
    // Number of messages of this type whose text starts with `prefix`.
    static int countPrefix(QtMsgType type, const QString& prefix);
    // Messages of this type, texts only.
    static QStringList texts(QtMsgType type);
};

// A simulator configuration written by the test: one "VRK11" device whose
// physical channels and faults the test sets, non-realtime unless asked.
class SimConfig {
public:
    SimConfig();
    // waveform parameters as in the simulator's schema ("dc", "sine", ...)
    void setChannel(int number, const QJsonObject& signal);
    void setDc(int number, double volts, double noise = 0.0);
    void setSine(int number, double amplitude, double frequencyHz, double offset = 0.0, double noise = 0.0);
    void setFault(const QString& key, qint64 value);
    void setRealtime(bool realtime);
    void setSearchDelayMs(int ms);
    // Writes the file and points VRK_SIM_CONFIG at it; the next VRK_Search
    // reads it.
    bool apply();

private:
    QTemporaryDir dir;
    QJsonObject channels;
    QJsonObject faults;
    bool realtime = false;
    int searchDelayMs = 0;
};

// Searches and opens the first "VRK11"; 0 on failure.
VRK_Handle openFirstDevice();
// Fills *record with the first "VRK11" of a search; false when none.
bool findFirstDevice(VRK_DeviceRecord* record);

#endif // SIM_SUPPORT_H
