// UTF-8 to Windows-1251, the code page of the library's error texts.  A
// small table of our own: ASCII, the Cyrillic alphabet and a few marks;
// any other character becomes '?'.  Stateless, thread-safe.
#ifndef VRK_SIM_CP1251_H
#define VRK_SIM_CP1251_H

#include <string>

namespace vrksim {

class Cp1251 {
public:
    static std::string fromUtf8(const std::string& utf8);
};

} // namespace vrksim

#endif
