#ifndef ERROR_TEXT_H
#define ERROR_TEXT_H

#include <QByteArray>

// A device-library error text (Windows-1251) as UTF-8, for a "%s"
// placeholder of a log message.  Any thread; null gives an empty text.
QByteArray errorText(const char* text);

#endif // ERROR_TEXT_H
