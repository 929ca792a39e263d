#ifndef CSV_READER_H
#define CSV_READER_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A strict RFC 4180 reader for the tests: every record must end in CRLF (a
// bare CR or LF outside quotes is an error), a quote may only open a cell or
// be doubled inside a quoted one.  `partialLast` accepts an unterminated last
// line (a killed writer's file) and drops it.
struct CsvTable {
    QList<QStringList> rows;
    QString error; // empty when the text parsed

    // Index of a header column; -1 when absent.
    int column(const QString& name) const { return rows.isEmpty() ? -1 : rows.first().indexOf(name); }
};

CsvTable readCsv(const QByteArray& bytes, bool partialLast = false);
CsvTable readCsvFile(const QString& path);

#endif // CSV_READER_H
