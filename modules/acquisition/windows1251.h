#ifndef WINDOWS1251_H
#define WINDOWS1251_H

#include <QString>

// Decodes Windows-1251 text without a text codec, for platforms whose Qt
// has none.  Any thread; no shared state.  The one byte the code page
// leaves undefined, 0x98, becomes U+0098, as Qt's own codec has it.
QString decodeWindows1251(const char* text);

#endif // WINDOWS1251_H
