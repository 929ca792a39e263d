#include "csv_reader.h"

#include <QFile>

CsvTable readCsv(const QByteArray& bytes, bool partialLast) {
    CsvTable table;
    const QString text = QString::fromUtf8(bytes);
    QStringList row;
    QString cell;
    bool quoted = false;    // inside a quoted cell
    bool wasQuoted = false; // the current cell was quoted and has closed
    bool cellStarted = false;
    int i = 0;
    const int n = text.size();
    auto fail = [&](const QString& why) {
        table.error = QStringLiteral("%1 at character %2").arg(why).arg(i);
        return table;
    };
    while (i < n) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    cell += c;
                    i += 2;
                    continue;
                }
                quoted = false;
                wasQuoted = true;
            } else {
                cell += c;
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char(',')) {
            row << cell;
            cell.clear();
            wasQuoted = cellStarted = false;
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 >= n || text.at(i + 1) != QLatin1Char('\n'))
                return fail(QStringLiteral("bare CR"));
            row << cell;
            table.rows << row;
            row.clear();
            cell.clear();
            wasQuoted = cellStarted = false;
            ++i;
        } else if (c == QLatin1Char('\n')) {
            return fail(QStringLiteral("bare LF"));
        } else if (c == QLatin1Char('"')) {
            if (cellStarted || wasQuoted)
                return fail(QStringLiteral("quote inside a cell"));
            quoted = true;
            cellStarted = true;
        } else {
            if (wasQuoted)
                return fail(QStringLiteral("text after a closing quote"));
            cell += c;
            cellStarted = true;
        }
        ++i;
    }
    const bool unterminated = quoted || cellStarted || wasQuoted || !row.isEmpty();
    if (unterminated && !partialLast)
        return fail(QStringLiteral("last line without CRLF"));
    return table;
}

CsvTable readCsvFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        CsvTable table;
        table.error = file.errorString();
        return table;
    }
    return readCsv(file.readAll());
}
