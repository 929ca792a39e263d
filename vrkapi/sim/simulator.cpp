#include "simulator.h"

#include "config_loader.h"
#include "device_registry.h"
#include "error_texts.h"
#include "sim_device.h"
#include "sim_status.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace vrksim {

namespace {

void copyText(char* dst, size_t size, const std::string& src) {
    const size_t n = std::min(size - 1, src.size());
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// The record's text up to its NUL, reading no further than its field.
std::string fieldText(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

} // namespace

Simulator& Simulator::instance() {
    static Simulator simulator;
    return simulator;
}

std::shared_ptr<const SimConfig> Simulator::load() {
    std::string error;
    std::shared_ptr<const SimConfig> config = ConfigLoader::fromEnvironment(error);
    if (!config) {
        ErrorTexts::setConfigError(error);
        std::fprintf(stderr, "%s\n", error.c_str());
    }
    return config;
}

int32_t Simulator::search(VRK_DeviceRecord* records, int32_t capacity, int32_t* count, int32_t timeoutMs) {
    if (count)
        *count = 0; // never leave the caller's count undefined on an error
    if (records && capacity < 0)
        return StatusInvalidArgument;
    std::shared_ptr<const SimConfig> config = load();
    if (!config) {
        // A later open must not use the configuration the file had before.
        std::lock_guard<std::mutex> lock(mutex);
        current.reset();
        return StatusConfigError;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        current = config;
    }
    // The discovery happens on the counting call; the call that fetches the
    // records right after it reads what was found, as a real search's second
    // step returns at once.
    const int64_t delay =
        records ? 0 : std::min<int64_t>(config->searchDelayMs, std::max<int32_t>(timeoutMs, 0));
    if (delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    if (config->searchFault != 0)
        return config->searchFault;
    if (records && config->searchRecordsFault != 0)
        return config->searchRecordsFault;
    const int32_t total = static_cast<int32_t>(config->devices.size());
    if (count)
        *count = total;
    if (!records)
        return 0;
    const int32_t written = std::min(total, capacity);
    for (int32_t i = 0; i < written; ++i) {
        const DeviceConfig& d = config->devices[static_cast<size_t>(i)];
        VRK_DeviceRecord& r = records[i];
        std::memset(&r, 0, sizeof(r));
        copyText(r.name, sizeof(r.name), d.name);
        copyText(r.serial, sizeof(r.serial), d.serial);
        r.address = d.address;
    }
    return written;
}

int32_t Simulator::open(VRK_Handle* handle, const VRK_DeviceRecord* record) {
    if (!handle || !record)
        return StatusInvalidArgument;
    std::shared_ptr<const SimConfig> config;
    {
        std::lock_guard<std::mutex> lock(mutex);
        config = current;
    }
    if (!config) { // opened without a search: use what a search would find
        config = load();
        if (!config)
            return StatusConfigError;
        std::lock_guard<std::mutex> lock(mutex);
        current = config;
    }
    const std::string name = fieldText(record->name, sizeof(record->name));
    const std::string serial = fieldText(record->serial, sizeof(record->serial));
    for (const DeviceConfig& d : config->devices) {
        if (d.address != record->address || d.name != name || d.serial != serial)
            continue;
        if (d.faults.open != 0)
            return d.faults.open;
        *handle =
            DeviceRegistry::instance().add(std::make_shared<SimDevice>(d, config->realtime, config->seed));
        return StatusOk;
    }
    return StatusDeviceNotFound;
}

} // namespace vrksim
