#include "sim_setup.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>

#include "test_files.h"

QString writeSimConfig(const QTemporaryDir& dir, const QByteArray& text, const QString& name) {
    const QString path = dir.filePath(name);
    return writeFile(path, text) && qputenv("VRK_SIM_CONFIG", QFile::encodeName(path)) ? path : QString();
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
    return QJsonDocument(QJsonObject{{"searchDelayMs", searchDelayMs},
                                     {"realtime", realtime},
                                     {"seed", 7},
                                     {"devices", devices}})
        .toJson();
}

bool findFirstDevice(VRK_DeviceRecord* record) {
    VRK_DeviceRecord records[16];
    const int32_t written = VRK_Search(records, 16, nullptr, 1000, 16777216, 0);
    for (int32_t i = 0; i < written; ++i)
        if (std::strcmp(records[i].name, "VRK11") == 0) {
            *record = records[i];
            return true;
        }
    return false;
}

VRK_Handle openFirstDevice() {
    VRK_DeviceRecord record{};
    VRK_Handle handle = 0;
    return findFirstDevice(&record) && VRK_Open(&handle, &record, 16777216, 5000, 0, 0) == 0 ? handle : 0;
}
