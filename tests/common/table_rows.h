#ifndef TABLE_ROWS_H
#define TABLE_ROWS_H

#include <QTest>
#include <cstddef>

// Data-driven tests over a table of typed rows (structs whose first member
// is `const char* name`): addRows in the _data function makes one test row
// per table row, fetchRow in the test gives that row.  GUI thread (QTest's).
template <typename Row, std::size_t N> void addRows(const Row (&rows)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(rows[i].name) << int(i);
}

template <typename Row, std::size_t N> const Row& fetchRow(const Row (&rows)[N]) {
    QFETCH(int, row);
    return rows[row];
}

#endif // TABLE_ROWS_H
