// Status codes returned by the simulated device library.  All errors are
// negative, so they read as errors both where the interface expects a
// negative status (search, receive) and where it expects any non-zero one.
#ifndef VRK_SIM_STATUS_H
#define VRK_SIM_STATUS_H

#include <cstdint>

namespace vrksim {

enum Status : int32_t {
    StatusOk = 0,
    StatusInvalidArgument = -1,  // null pointer, negative count or capacity
    StatusInvalidHandle = -2,    // handle closed, never opened or unknown
    StatusConfigError = -3,      // configuration file missing or wrong
    StatusDeviceNotFound = -4,   // record names no configured device
    StatusBadChannelCount = -5,  // logical channel count outside 1..32
    StatusBadChannel = -6,       // physical channel outside the mode's channels
    StatusBadMode = -7,          // mode byte neither 0 nor 1
    StatusBadRange = -8,         // range code outside 0..3
    StatusBadAdcFrequency = -9,  // not one of the five conversion frequencies
    StatusBadLogicalIndex = -10, // logical index outside 0..31
    StatusNotConfigured = -11,   // streams used before a successful configure
    StatusNotEnabled = -12,      // streams started before being enabled
    StatusNotStarted = -13,      // receive with the streams stopped
    StatusReceiveFailed = -14,   // the link dropped a frame
    StatusFrameStart = -15,      // data does not start at logical index 0
    StatusScanOrder = -16,       // a word's logical index breaks the scan order
    StatusProcessFailed = -17,   // conversion of a frame failed
    StatusDeviceClosed = -18,    // device closed while a receive waited
    StatusInternal = -19,        // out of memory or another internal failure
};

} // namespace vrksim

#endif
