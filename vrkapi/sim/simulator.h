// Process-wide part of the simulated library: the configuration of the last
// search, the search itself and the opening of devices.  Any thread; the
// configuration is guarded by one internal mutex, not held during the
// search delay.
#ifndef VRK_SIM_SIMULATOR_H
#define VRK_SIM_SIMULATOR_H

#include "sim_config.h"
#include "vrk_api.h"

#include <memory>
#include <mutex>

namespace vrksim {

class Simulator {
public:
    static Simulator& instance();

    // Reloads the configuration, waits the search delay (at most timeoutMs)
    // and lists the devices; see VRK_Search.
    int32_t search(VRK_DeviceRecord* records, int32_t capacity, int32_t* count, int32_t timeoutMs);
    // Opens the configured device that matches the record (address, name, serial).
    int32_t open(VRK_Handle* handle, const VRK_DeviceRecord* record);

private:
    // Loads the configuration the environment names; null on error (reported).
    std::shared_ptr<const SimConfig> load();

    std::mutex mutex;
    std::shared_ptr<const SimConfig> current; // of the last search
};

} // namespace vrksim

#endif
