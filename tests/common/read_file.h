#ifndef READ_FILE_H
#define READ_FILE_H

#include <QByteArray>
#include <QString>

// The whole file's bytes; empty when it cannot be read.  Any thread.
QByteArray readFile(const QString& path);

#endif // READ_FILE_H
