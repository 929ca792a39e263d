#include "error_text.h"

#include <QString>
#include <QTextCodec>

#include "windows1251.h"

QByteArray errorText(const char* text) {
    if (!text)
        return QByteArray();
    if (QTextCodec* codec = QTextCodec::codecForName("Windows-1251"))
        return codec->toUnicode(text).toUtf8();
    return decodeWindows1251(text).toUtf8();
}
