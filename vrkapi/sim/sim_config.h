// The simulator's configuration as loaded from JSON: plain, immutable data
// once loaded, shared read-only between the search and the open devices.
#ifndef VRK_SIM_CONFIG_H
#define VRK_SIM_CONFIG_H

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vrksim {

class SampleFile;

enum class Waveform { Dc, Sine, Square, Triangle, Noise, File };

// Signal of one physical input.  Volts, hertz, degrees.
struct SignalConfig {
    Waveform waveform = Waveform::Dc;
    double amplitude = 0.0;                 // peak volts (RMS volts for the noise waveform)
    double frequency = 0.0;                 // Hz
    double offset = 0.0;                    // volts
    double phase = 0.0;                     // degrees
    double noise = 0.0;                     // RMS volts of Gaussian noise added to the waveform
    double gain = 1.0;                      // file waveform: multiplier of the file's samples
    std::string path;                       // file waveform: as written in the configuration
    std::shared_ptr<const SampleFile> file; // file waveform: the loaded samples
};

// Fault injection of one device; 0 everywhere means a healthy device.
struct DeviceFaults {
    int32_t open = 0;
    int32_t info = 0;
    int32_t close = 0;
    int32_t configure = 0;
    int32_t streamsEnable = 0;
    int32_t streamsStart = 0;
    int32_t streamsStop = 0;
    int64_t recvErrorAfterFrames = 0;
    int64_t processErrorAfterFrames = 0;
    int64_t shortFrameEvery = 0;
    int64_t stallAfterFrames = 0;
    int64_t ignoreStopMs = 0; // ms a blocked receive outlasts a stop or close; 0: returns at once
};

constexpr int physicalChannelCount = 32;

struct DeviceConfig {
    std::string name;
    std::string addressText;
    uint32_t address = 0; // host byte order, first dotted component most significant
    std::string serial;
    std::string firmware = "1.0-sim";
    // Index 0 is physical channel "1"; unlisted channels read 0 V.
    std::array<SignalConfig, physicalChannelCount> channels{};
    DeviceFaults faults;
};

struct SimConfig {
    std::string source; // file name, or a note that the built-in default is in use
    int64_t searchDelayMs = 300;
    bool realtime = true;
    uint64_t seed = 1;
    int32_t searchFault = 0;
    int32_t searchRecordsFault = 0; // only the call that fetches the records
    std::vector<DeviceConfig> devices;
};

} // namespace vrksim

#endif
