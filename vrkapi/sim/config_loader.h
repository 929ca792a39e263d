// Loads the simulator's configuration: the JSON file named by VRK_SIM_CONFIG,
// or the built-in default when that variable is unset or empty.  Strict: a
// wrong type, an unknown key, an unknown waveform or a channel outside 1..32
// is an error, so a mistyped fault key can never be silently ignored.
// Called from whichever thread runs VRK_Search; keeps no state of its own.
#ifndef VRK_SIM_CONFIG_LOADER_H
#define VRK_SIM_CONFIG_LOADER_H

#include "sim_config.h"

#include <memory>
#include <string>

namespace vrksim {

class ConfigLoader {
public:
    // The configuration the environment selects; null on error, with error
    // holding one line (UTF-8) that names the file and the problem.
    static std::shared_ptr<const SimConfig> fromEnvironment(std::string& error);
    static std::shared_ptr<const SimConfig> fromFile(const std::string& path, std::string& error);
    // text: JSON; source: name used in messages; baseDir: where relative
    // audio file paths start (empty: the current directory).
    static std::shared_ptr<const SimConfig> fromText(const std::string& text, const std::string& source,
                                                     const std::string& baseDir, std::string& error);
};

} // namespace vrksim

#endif
