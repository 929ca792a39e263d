#include "sim_support.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

QMutex logMutex;
QList<LoggedMessage> logged;

void handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "FATAL: %s\n", qUtf8Printable(text));
        std::abort();
    }
    QMutexLocker lock(&logMutex);
    logged.append({type, text});
}

} // namespace

void MessageLog::install() {
    qInstallMessageHandler(handler);
}

void MessageLog::clear() {
    QMutexLocker lock(&logMutex);
    logged.clear();
}

QList<LoggedMessage> MessageLog::all() {
    QMutexLocker lock(&logMutex);
    return logged;
}

int MessageLog::count(QtMsgType type, const QString& text) {
    int n = 0;
    for (const LoggedMessage& m : all())
        n += m.type == type && m.text == text;
    return n;
}

int MessageLog::countPrefix(QtMsgType type, const QString& prefix) {
    int n = 0;
    for (const LoggedMessage& m : all())
        n += m.type == type && m.text.startsWith(prefix);
    return n;
}

QStringList MessageLog::texts(QtMsgType type) {
    QStringList out;
    for (const LoggedMessage& m : all())
        if (m.type == type)
            out << m.text;
    return out;
}

SimConfig::SimConfig() = default;

void SimConfig::setChannel(int number, const QJsonObject& signal) {
    channels.insert(QString::number(number), signal);
}

void SimConfig::setDc(int number, double volts, double noise) {
    setChannel(number, QJsonObject{{"waveform", "dc"}, {"offset", volts}, {"noise", noise}});
}

void SimConfig::setSine(int number, double amplitude, double frequencyHz, double offset, double noise) {
    setChannel(number, QJsonObject{{"waveform", "sine"},
                                   {"amplitude", amplitude},
                                   {"frequency", frequencyHz},
                                   {"offset", offset},
                                   {"phase", 0},
                                   {"noise", noise}});
}

void SimConfig::setFault(const QString& key, qint64 value) {
    faults.insert(key, value);
}

void SimConfig::setRealtime(bool value) {
    realtime = value;
}

void SimConfig::setSearchDelayMs(int ms) {
    searchDelayMs = ms;
}

bool SimConfig::apply() {
    QJsonObject device{{"name", "VRK11"},       {"address", "192.0.2.11"}, {"serial", "SIM-TEST"},
                       {"firmware", "1.0-sim"}, {"channels", channels},    {"faults", faults}};
    QJsonObject root{
        {"searchDelayMs", 0}, {"realtime", realtime}, {"seed", 7}, {"devices", QJsonArray{device}}};
    const QString path = dir.filePath(QStringLiteral("sim.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QJsonDocument(root).toJson());
    file.close();
    return qputenv("VRK_SIM_CONFIG", QFile::encodeName(path));
}

bool findFirstDevice(VRK_DeviceRecord* record) {
    int32_t count = 0;
    if (VRK_Search(nullptr, 0, &count, 1000, 16777216, 0) != 0 || count <= 0)
        return false;
    std::vector<VRK_DeviceRecord> records(static_cast<size_t>(count));
    const int32_t written = VRK_Search(records.data(), count, nullptr, 1000, 16777216, 0);
    for (int32_t i = 0; i < written; ++i) {
        if (std::strcmp(records[size_t(i)].name, "VRK11") == 0) {
            *record = records[size_t(i)];
            return true;
        }
    }
    return false;
}

VRK_Handle openFirstDevice() {
    VRK_DeviceRecord record{};
    if (!findFirstDevice(&record))
        return 0;
    VRK_Handle handle = 0;
    if (VRK_Open(&handle, &record, 16777216, 5000, 0, 0) != 0)
        return 0;
    return handle;
}
