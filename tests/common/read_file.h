#ifndef READ_FILE_H
#define READ_FILE_H

#include <QByteArray>
#include <QFile>
#include <QString>

// The whole file's bytes; empty when it cannot be read.  Any thread.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#endif // READ_FILE_H
