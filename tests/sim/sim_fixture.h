// Helpers of the simulator tests: configurations written to a temporary
// directory and the usual open / configure / start sequence.
#ifndef TEST_SIM_FIXTURE_H
#define TEST_SIM_FIXTURE_H

#include "sim_setup.h"
#include "vrk_api.h"

#include <QString>
#include <QTemporaryDir>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <vector>

using nlohmann::json;

struct TableEntry {
    int channel; // from 0
    int mode;    // 1 differential, 0 common ground
    int range;   // 0..3
};

class SimFixture {
public:
    // One "VRK11" device with the given channels and faults.
    static json device(const json& channels = json::object(), const json& faults = json::object());
    // No search delay, non-realtime unless asked, seed 1.
    static json config(const json& devices, bool realtime = false);

    // Writes `text` as a file in the temporary directory and points
    // VRK_SIM_CONFIG at it; returns the path.
    QString useConfigText(const QByteArray& text) { return writeSimConfig(dir, text); }
    QString useConfig(const json& config) { return useConfigText(QByteArray::fromStdString(config.dump())); }
    // One device with these channels and faults.
    QString useDevice(const json& channels = json::object(), const json& faults = json::object(),
                      bool realtime = false) {
        return useConfig(config(json::array({device(channels, faults)}), realtime));
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    // Searches and opens the first "VRK11"; 0 on failure.
    static VRK_Handle openFirst() { return openFirstDevice(); }
    // Sets the table and frequency and configures; the configure status.
    static int32_t configure(VRK_Handle h, const std::vector<TableEntry>& table, double adcHz);
    // Enable, then start; the first failing status or 0.
    static int32_t start(VRK_Handle h);
    // Opens the first device, configures and starts it; 0 on any failure.
    static VRK_Handle run(const std::vector<TableEntry>& table, double adcHz);
    // Receives exactly `count` words (repeating short receives); converts
    // them when `volts` is given.  False on any error.
    static bool receive(VRK_Handle h, int32_t count, std::vector<uint32_t>& raw, std::vector<double>* volts);

private:
    QTemporaryDir dir;
};

#endif
