#pragma once

#include <QTest>

#include <initializer_list>

// A table whose one column holds a whole row: a test lists its cases as brace-initialised structs,
// the row's name first, and takes each back with QFETCH(Row, row).
template<typename Row>
void addRows(std::initializer_list<Row> rows)
{
    QTest::addColumn<Row>("row");
    for (const Row &row : rows)
        QTest::newRow(row.name) << row;
}

// A table of text columns: each row is its name, then one text per column (missing ones empty).
inline void addTextRows(std::initializer_list<const char *> columns,
                        std::initializer_list<QStringList> rows)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    for (const QStringList &row : rows) {
        QTestData &data = QTest::newRow(row.first().toUtf8().constData());
        for (qsizetype i = 1; i <= qsizetype(columns.size()); ++i)
            data << row.value(i);
    }
}
