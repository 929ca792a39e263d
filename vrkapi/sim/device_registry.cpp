#include "device_registry.h"

#include "sim_device.h"
#include "sim_status.h"

namespace vrksim {

DeviceRegistry& DeviceRegistry::instance() {
    static DeviceRegistry registry;
    return registry;
}

VRK_Handle DeviceRegistry::add(std::shared_ptr<SimDevice> device) {
    std::lock_guard<std::mutex> lock(mutex);
    const VRK_Handle h = next++;
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
