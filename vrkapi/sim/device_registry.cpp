#include "device_registry.h"

#include "sim_device.h"
#include "sim_status.h"

#include <stdexcept>

namespace vrksim {

DeviceRegistry& DeviceRegistry::instance() {
    static DeviceRegistry registry;
    return registry;
}

VRK_Handle DeviceRegistry::add(std::shared_ptr<SimDevice> device) {
    std::lock_guard<std::mutex> lock(mutex);
    // Once the counter has wrapped, refuse rather than hand out an old handle
    // that a late call of a closed device may still hold.
    if (exhausted)
        throw std::length_error("no unused handle left");
    const VRK_Handle h = next++;
    exhausted = next == 0;
    devices.emplace(h, std::move(device));
    return h;
}

std::shared_ptr<SimDevice> DeviceRegistry::find(VRK_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = devices.find(handle);
    return it == devices.end() ? nullptr : it->second;
}

int32_t DeviceRegistry::close(VRK_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = devices.find(handle);
    if (it == devices.end())
        return StatusInvalidHandle;
    const int32_t status = it->second->close();
    if (status == StatusOk)
        devices.erase(it);
    return status;
}

} // namespace vrksim
