// Texts of the library's statuses: Russian, kept here in UTF-8 and handed
// out in Windows-1251.  Every pointer returned stays valid for the process
// lifetime.  Thread-safe (one internal mutex, held only for a lookup).
#ifndef VRK_SIM_ERROR_TEXTS_H
#define VRK_SIM_ERROR_TEXTS_H

#include <cstdint>
#include <string>

namespace vrksim {

class ErrorTexts {
public:
    // Windows-1251 text of a status; a generic text for unknown codes.
    static const char* text(int32_t code);
    // Makes `utf8Line` the text of StatusConfigError from now on.
    static void setConfigError(const std::string& utf8Line);
};

} // namespace vrksim

#endif
