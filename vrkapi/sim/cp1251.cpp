#include "cp1251.h"

#include <cstdint>

namespace vrksim {

namespace {

// Code point to Windows-1251 byte, or 0 when the code page lacks it.
unsigned char encode(uint32_t cp) {
    if (cp < 0x80)
        return static_cast<unsigned char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) // А..я
        return static_cast<unsigned char>(0xC0 + (cp - 0x0410));
    switch (cp) {
    case 0x0401:
        return 0xA8; // Ё
    case 0x0451:
        return 0xB8; // ё
    case 0x00A0:
        return 0xA0; // no-break space
    case 0x00AB:
        return 0xAB; // «
    case 0x00BB:
        return 0xBB; // »
    case 0x00B0:
        return 0xB0; // °
    case 0x00B1:
        return 0xB1; // ±
    case 0x2013:
        return 0x96; // en dash
    case 0x2014:
        return 0x97; // em dash
    case 0x2026:
        return 0x85; // ellipsis
    case 0x2116:
        return 0xB9; // №
    default:
        return 0;
    }
}

} // namespace

std::string Cp1251::fromUtf8(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        uint32_t cp = 0;
        size_t len = 0;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            len = 4;
        }
        bool valid = len > 0 && i + len <= n;
        for (size_t k = 1; valid && k < len; ++k) {
            const unsigned char c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (c & 0x3F);
        }
        if (!valid) { // a stray byte: replace it and resynchronise on the next one
            out += '?';
            ++i;
            continue;
        }
        const unsigned char e = encode(cp);
        out += e ? static_cast<char>(e) : '?';
        i += len;
    }
    return out;
}

} // namespace vrksim
