// The C entry points: look the handle up, call the device, and never let a
// C++ exception cross into the caller.
#include "vrk_api.h"
#include "vrk_sim_mark.h"

#include "device_registry.h"
#include "error_texts.h"
#include "sim_device.h"
#include "sim_status.h"
#include "simulator.h"

#include <exception>

using namespace vrksim;

namespace {

// Runs op on the device of a live handle; an unknown handle is an error.
template <typename Op> int32_t withDevice(VRK_Handle handle, Op op) {
    try {
        std::shared_ptr<SimDevice> device = DeviceRegistry::instance().find(handle);
        if (!device)
            return StatusInvalidHandle;
        return op(*device);
    } catch (...) {
        return StatusInternal;
    }
}

} // namespace

extern "C" {

VRK_API int32_t VRK_Search(VRK_DeviceRecord* records, int32_t capacity, int32_t* count, int32_t timeoutMs,
                           uint32_t /*deviceClass*/, uint32_t /*flags*/) {
    try {
        return Simulator::instance().search(records, capacity, count, timeoutMs);
    } catch (...) {
        return StatusInternal;
    }
}

VRK_API int32_t VRK_Open(VRK_Handle* handle, const VRK_DeviceRecord* device, uint32_t /*deviceClass*/,
                         int32_t /*timeoutMs*/, uint32_t /*flags*/, uint32_t /*reserved*/) {
    try {
        return Simulator::instance().open(handle, device);
    } catch (...) {
        return StatusInternal;
    }
}

VRK_API int32_t VRK_GetDevInfo(VRK_Handle handle, VRK_DeviceInfo* info) {
    return withDevice(handle, [&](SimDevice& d) { return d.getInfo(info); });
}

VRK_API int32_t VRK_IsOpened(VRK_Handle handle) {
    return withDevice(handle, [](SimDevice&) { return static_cast<int32_t>(StatusOk); });
}

VRK_API int32_t VRK_Close(VRK_Handle* handle, uint32_t /*flags*/) {
    if (!handle)
        return StatusInvalidArgument;
    try {
        const int32_t status = DeviceRegistry::instance().close(*handle);
        if (status == StatusOk)
            *handle = 0;
        return status;
    } catch (...) {
        return StatusInternal;
    }
}

VRK_API const char* VRK11_GetErrorString(int32_t code, int32_t /*language*/) {
    try {
        return ErrorTexts::text(code);
    } catch (...) {
        return "";
    }
}

VRK_API int32_t VRK11_SetLChannel(VRK_Handle handle, int32_t index, int32_t channel, uint8_t mode,
                                  uint8_t range) {
    return withDevice(handle, [&](SimDevice& d) { return d.setLChannel(index, channel, mode, range); });
}

VRK_API int32_t VRK11_SetLChannelCount(VRK_Handle handle, int32_t count) {
    return withDevice(handle, [&](SimDevice& d) { return d.setLChannelCount(count); });
}

VRK_API int32_t VRK11_SetAdcFreq(VRK_Handle handle, double* adcFreqHz, double* channelFreqHz) {
    return withDevice(handle, [&](SimDevice& d) { return d.setAdcFreq(adcFreqHz, channelFreqHz); });
}

VRK_API int32_t VRK11_Configure(VRK_Handle handle, uint32_t flags) {
    return withDevice(handle, [&](SimDevice& d) { return d.configure(flags); });
}

VRK_API int32_t VRK11_GetLChannelCount(VRK_Handle handle, int32_t* count) {
    return withDevice(handle, [&](SimDevice& d) { return d.getLChannelCount(count); });
}

VRK_API int32_t VRK11_GetLChannel(VRK_Handle handle, int32_t index, uint32_t* channel, uint8_t* mode,
                                  uint8_t* range) {
    return withDevice(handle, [&](SimDevice& d) { return d.getLChannel(index, channel, mode, range); });
}

VRK_API int32_t VRK11_GetAdcFreq(VRK_Handle handle, double* adcFreqHz, double* channelFreqHz) {
    return withDevice(handle, [&](SimDevice& d) { return d.getAdcFreq(adcFreqHz, channelFreqHz); });
}

VRK_API int32_t VRK11_StreamsEnable(VRK_Handle handle, int32_t enable) {
    return withDevice(handle, [&](SimDevice& d) { return d.streamsEnable(enable); });
}

VRK_API int32_t VRK11_StreamsStart(VRK_Handle handle) {
    return withDevice(handle, [](SimDevice& d) { return d.streamsStart(); });
}

VRK_API int32_t VRK11_StreamsStop(VRK_Handle handle) {
    return withDevice(handle, [](SimDevice& d) { return d.streamsStop(); });
}

VRK_API int32_t VRK11_Recv(VRK_Handle handle, uint32_t* buffer, int32_t count, int32_t timeoutMs) {
    return withDevice(handle, [&](SimDevice& d) { return d.recv(buffer, count, timeoutMs); });
}

VRK_API int32_t VRK11_ProcessAdcData(VRK_Handle handle, const uint32_t* raw, double* values, int32_t* count,
                                     uint32_t flags) {
    return withDevice(handle, [&](SimDevice& d) { return d.processAdcData(raw, values, count, flags); });
}

} // extern "C"

// Built without it (VRK_SIM_UNMARKED), the library stands for one that is not
// ours, as the tests need.
#ifndef VRK_SIM_UNMARKED
extern "C" VRK_API const char* VRKSIM_Identify(void) {
    return "vernier VRK11 simulator";
}
#endif
