#include "sim_setup.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>
#include <vector>

QString writeSimConfig(const QTemporaryDir& dir, const QByteArray& text, const QString& name) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return QString();
    file.close();
    return qputenv("VRK_SIM_CONFIG", QFile::encodeName(path)) ? path : QString();
}

void SimConfig::setDc(int number, double volts, double noise) {
    setChannel(number, QJsonObject{{"waveform", "dc"}, {"offset", volts}, {"noise", noise}});
}

void SimConfig::setSine(int number, double amplitude, double frequencyHz, double offset, double noise) {
    setChannel(number, QJsonObject{{"waveform", "sine"},
                                   {"amplitude", amplitude},
                                   {"frequency", frequencyHz},
                                   {"offset", offset},
                                   {"noise", noise}});
}

bool SimConfig::apply() {
    return !writeSimConfig(dir, text()).isEmpty();
}

QByteArray SimConfig::text() const {
    QJsonObject device{{"name", "VRK11"},       {"address", "192.0.2.11"}, {"serial", "SIM-TEST"},
                       {"firmware", "1.0-sim"}, {"channels", channels},    {"faults", faults}};
    QJsonArray devices;
    if (firstListed)
        devices.append(device);
    for (const auto& other : extra) {
        device["address"] = other.address;
        device["serial"] = other.serial;
        device["channels"] = other.channels.isEmpty() ? channels : other.channels;
        devices.append(device);
    }
    const QJsonObject root{{"searchDelayMs", searchDelayMs},
                           {"realtime", realtime},
                           {"seed", 7},
                           {"faults", QJsonObject{{"search", searchFault}}},
                           {"devices", devices}};
    return QJsonDocument(root).toJson();
}

bool findFirstDevice(VRK_DeviceRecord* record) {
    std::vector<VRK_DeviceRecord> records(16);
    const int32_t written = VRK_Search(records.data(), int32_t(records.size()), nullptr, 1000, 16777216, 0);
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
    VRK_Handle handle = 0;
    if (!findFirstDevice(&record) || VRK_Open(&handle, &record, 16777216, 5000, 0, 0) != 0)
        return 0;
    return handle;
}
