#ifndef CSV_FILE_SINK_H
#define CSV_FILE_SINK_H

#include <QFile>
#include <QString>

#include "csv_sink.h"

// The real sink: a file created exclusively and written unbuffered, so each
// write reaches the system at once and a killed process leaves whole rows.
// Threads as CsvSink.
class CsvFileSink : public CsvSink {
public:
    bool create(const QString& path, QString* reason, bool* exists) override;
    bool write(const QByteArray& bytes, QString* reason) override;
    bool present(QString* reason) override;
    void close() override;

protected:
    // Opens `device` as the target instead of a new file (a test's /dev/full).
    bool openExisting(const QString& device, QString* reason);

private:
    void rememberIdentity(const QString& path);

    QFile file;
    QString createdPath;
    // Device and inode of the open file, to tell it from a new file of the
    // same name.
    quint64 device = 0;
    quint64 inode = 0;
};

#endif // CSV_FILE_SINK_H
