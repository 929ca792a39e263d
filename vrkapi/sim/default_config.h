// The configuration used when VRK_SIM_CONFIG is not set: three modules with
// a varied set of signals, so that every range shows a meaningful reading.
#ifndef VRK_SIM_DEFAULT_CONFIG_H
#define VRK_SIM_DEFAULT_CONFIG_H

namespace vrksim {

// JSON text in the configuration file's own schema.
const char* defaultConfigText();

} // namespace vrksim

#endif
