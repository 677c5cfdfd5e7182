#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// The one reader of the tables in data files beside the tests. Each line is a JSON array: the
// row's name, then one value per column (missing ones empty); a value that is an array of texts
// stands for its lines, joined by line feeds, an object for its own compact text. "#" lines are
// comments. A file may hold the tables
// of several test functions, each after a line "== function"; a test then reads only its own.
inline void addJsonRows(const QString &path, std::initializer_list<const char *> columns)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();
    const QByteArray own = QByteArray("== ") + QTest::currentTestFunction();
    bool mine = !bytes.startsWith("== ") && !bytes.contains("\n== ");
    int rows = 0;
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.startsWith("== "))
            mine = line.trimmed() == own;
        if (!mine || line.startsWith("== ") || line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const QJsonArray row = QJsonDocument::fromJson(line).array();
        QVERIFY2(!row.isEmpty() && row.size() <= qsizetype(columns.size()) + 1, line.constData());
        QTestData &data = QTest::newRow(row[0].toString().toUtf8().constData());
        for (qsizetype i = 1; i <= qsizetype(columns.size()); ++i) {
            QStringList lines{row.at(i).toString()};
            if (row.at(i).isArray())
                lines = row.at(i).toVariant().toStringList();
            if (row.at(i).isObject())
                lines = QStringList(QString::fromUtf8(
                        QJsonDocument(row.at(i).toObject()).toJson(QJsonDocument::Compact)));
            data << lines.join('\n');
        }
        ++rows;
    }
    QVERIFY2(rows > 0, qPrintable(path + ": no rows " + own));
}

// The rows of the running test function from the data file of its test, data/NAME.jsonl beside
// the source of tst_NAME.
#define JSON_ROWS(...)                                                                             \
    addJsonRows(QFINDTESTDATA("data/" + QCoreApplication::applicationName().mid(4) + ".jsonl"),    \
                {__VA_ARGS__})
