#ifndef WINDOWS1251_H
#define WINDOWS1251_H

#include <QString>

// Decodes Windows-1251 text without a text codec, for platforms whose Qt
// has none.  Any thread; no shared state.  Bytes the code page leaves
// undefined become U+FFFD.
QString decodeWindows1251(const char* text);

#endif // WINDOWS1251_H
