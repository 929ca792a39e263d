#include "default_config.h"

namespace vrksim {

// Channels 1-16 (the differential set) carry one example of every kind of
// signal; 17-32 add more for the common-ground mode.  DC levels suit every
// range (10 V down to 0.15 V), sines run from 20 Hz to 5 kHz.  Addresses stay
// in 192.0.2.0/24 (documentation range): nothing is ever sent anywhere.
const char* defaultConfigText() {
    return R"json({
  "searchDelayMs": 300,
  "realtime": true,
  "seed": 1,
  "faults": { "search": 0 },
  "devices": [
    { "name": "VRK11", "address": "192.0.2.11", "serial": "SIM-0001", "firmware": "1.0-sim",
      "channels": {
        "1":  { "waveform": "sine", "amplitude": 1.0, "frequency": 1000, "offset": 0.5 },
        "2":  { "waveform": "dc", "offset": -3.3 },
        "3":  { "waveform": "dc", "offset": 1.2 },
        "4":  { "waveform": "dc", "offset": 0.45 },
        "5":  { "waveform": "dc", "offset": 0.1 },
        "6":  { "waveform": "dc", "offset": -0.05 },
        "7":  { "waveform": "sine", "amplitude": 1.0, "frequency": 20, "offset": 0.0 },
        "8":  { "waveform": "sine", "amplitude": 2.0, "frequency": 50, "offset": 0.5 },
        "9":  { "waveform": "dc", "offset": 5.0 },
        "10": { "waveform": "sine", "amplitude": 0.1, "frequency": 400, "offset": 0.02 },
        "11": { "waveform": "sine", "amplitude": 4.0, "frequency": 5000, "offset": 0.0 },
        "12": { "waveform": "square", "amplitude": 1.0, "frequency": 100, "offset": 0.0 },
        "13": { "waveform": "triangle", "amplitude": 2.0, "frequency": 250, "offset": 0.0 },
        "14": { "waveform": "sine", "amplitude": 0.3, "frequency": 120, "offset": 0.0, "noise": 0.02 },
        "15": { "waveform": "noise", "amplitude": 0.01, "offset": 0.0 },
        "16": { "waveform": "sine", "amplitude": 0.4, "frequency": 2500, "offset": 0.1, "phase": 90 },
        "17": { "waveform": "dc", "offset": 7.5 },
        "18": { "waveform": "dc", "offset": -0.12 },
        "19": { "waveform": "sine", "amplitude": 3.0, "frequency": 60, "offset": 0.0 },
        "20": { "waveform": "sine", "amplitude": 0.05, "frequency": 3000, "offset": 0.0 },
        "21": { "waveform": "square", "amplitude": 0.5, "frequency": 1000, "offset": 0.5 },
        "22": { "waveform": "triangle", "amplitude": 0.1, "frequency": 50, "offset": 0.0 },
        "23": { "waveform": "dc", "offset": 2.0 },
        "24": { "waveform": "sine", "amplitude": 1.5, "frequency": 200, "offset": -1.0 },
        "25": { "waveform": "dc", "offset": 0.3 },
        "26": { "waveform": "sine", "amplitude": 0.2, "frequency": 800, "offset": 0.1 },
        "27": { "waveform": "dc", "offset": -9.0 },
        "28": { "waveform": "sine", "amplitude": 6.0, "frequency": 25, "offset": 0.0 },
        "29": { "waveform": "dc", "offset": 0.01 },
        "30": { "waveform": "sine", "amplitude": 1.0, "frequency": 4000, "offset": 0.0, "noise": 0.05 },
        "31": { "waveform": "triangle", "amplitude": 5.0, "frequency": 10, "offset": 0.0 },
        "32": { "waveform": "noise", "amplitude": 0.5, "offset": -0.2 }
      } },
    { "name": "VRK11", "address": "192.0.2.12", "serial": "SIM-0002", "firmware": "1.0-sim",
      "channels": {
        "1":  { "waveform": "sine", "amplitude": 1.414, "frequency": 20, "offset": 0.0 },
        "2":  { "waveform": "sine", "amplitude": 1.0, "frequency": 1000, "offset": 2.0 },
        "3":  { "waveform": "dc", "offset": 9.0 },
        "4":  { "waveform": "dc", "offset": -1.5 },
        "5":  { "waveform": "dc", "offset": 0.5 },
        "6":  { "waveform": "dc", "offset": 0.125 },
        "7":  { "waveform": "sine", "amplitude": 0.05, "frequency": 200, "offset": 0.05 },
        "8":  { "waveform": "square", "amplitude": 2.0, "frequency": 20, "offset": 1.0 },
        "9":  { "waveform": "triangle", "amplitude": 0.5, "frequency": 500, "offset": -0.1 },
        "10": { "waveform": "sine", "amplitude": 0.2, "frequency": 3000, "offset": 0.0, "noise": 0.01 },
        "11": { "waveform": "noise", "amplitude": 0.1, "offset": 0.0 },
        "12": { "waveform": "sine", "amplitude": 8.0, "frequency": 50, "offset": 0.0 },
        "13": { "waveform": "dc", "offset": -0.3 },
        "14": { "waveform": "sine", "amplitude": 2.0, "frequency": 5000, "offset": 0.0 },
        "15": { "waveform": "dc", "offset": 0.07 },
        "16": { "waveform": "sine", "amplitude": 0.5, "frequency": 440, "offset": 0.0, "phase": 45 },
        "17": { "waveform": "dc", "offset": 1.0 },
        "18": { "waveform": "sine", "amplitude": 0.1, "frequency": 100, "offset": 0.0 },
        "19": { "waveform": "dc", "offset": -6.0 },
        "20": { "waveform": "square", "amplitude": 0.1, "frequency": 250, "offset": 0.0 },
        "21": { "waveform": "dc", "offset": 0.2 },
        "22": { "waveform": "sine", "amplitude": 2.2, "frequency": 1500, "offset": 0.0 },
        "23": { "waveform": "dc", "offset": -0.02 },
        "24": { "waveform": "triangle", "amplitude": 3.0, "frequency": 40, "offset": 1.0 }
      } },
    { "name": "VRK12", "address": "192.0.2.20", "serial": "SIM-0003", "firmware": "1.0-sim",
      "channels": {
        "1": { "waveform": "sine", "amplitude": 1.0, "frequency": 100, "offset": 0.0 },
        "2": { "waveform": "dc", "offset": 1.0 }
      } }
  ]
})json";
}

} // namespace vrksim
