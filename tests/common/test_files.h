#ifndef TEST_FILES_H
#define TEST_FILES_H

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>

#include "read_file.h"

// Replaces the file with `text`; false when it could not be written whole.
inline bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// A value of vernier.ini in the current directory, as text ("" when absent).
inline QString stored(const char* key) {
    return QSettings(QStringLiteral("vernier.ini"), QSettings::IniFormat)
        .value(QLatin1String(key))
        .toString();
}

#endif // TEST_FILES_H
