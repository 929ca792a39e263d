// The live handles of the process.  Handles come from a counter and are
// never reused, so a stale handle can never reach another device.  Any
// thread; one internal mutex, never held while waiting for a device except
// for the short device lock taken by close.
#ifndef VRK_SIM_DEVICE_REGISTRY_H
#define VRK_SIM_DEVICE_REGISTRY_H

#include "vrk_api.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace vrksim {

class SimDevice;

class DeviceRegistry {
public:
    static DeviceRegistry& instance();

    // A new handle; throws when the handles are exhausted (never on 64 bits).
    VRK_Handle add(std::shared_ptr<SimDevice> device);
    // The device of a live handle, or null.  The caller's reference keeps the
    // device alive even if another thread closes the handle meanwhile.
    std::shared_ptr<SimDevice> find(VRK_Handle handle);
    // Closes the device and forgets the handle when the close succeeds.
    // Returns the close status, or StatusInvalidHandle for an unknown handle.
    int32_t close(VRK_Handle handle);

private:
    std::mutex mutex;
    std::map<VRK_Handle, std::shared_ptr<SimDevice>> devices;
    VRK_Handle next = 0x564B0001; // arbitrary start, so small integers are never valid handles
    bool exhausted = false;
};

} // namespace vrksim

#endif
