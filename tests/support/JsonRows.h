#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

// A table of text columns read from a data file beside the test: each line a JSON array of
// texts, the row's name first, then one text per column (missing ones empty); "#" lines are
// comments.
inline void addJsonRows(const QString &path, std::initializer_list<const char *> columns)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const QJsonArray row = QJsonDocument::fromJson(line).array();
        QVERIFY2(!row.isEmpty(), line.constData());
        QTestData &data = QTest::newRow(row[0].toString().toUtf8().constData());
        for (qsizetype i = 1; i <= qsizetype(columns.size()); ++i)
            data << row.at(i).toString();
    }
}
