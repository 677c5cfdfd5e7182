#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <initializer_list>

// A cell of a row file: trimmed, with "\r" "\n" "\t" "\0" "\\" standing for their characters and
// "\s" for a blank the trimming would drop.
inline QString unescapedCell(QString cell)
{
    cell = cell.trimmed();
    const QString from = QStringLiteral("rnt0s\\"),
                  to = QStringLiteral("\r\n\t") + QChar(0) + " \\";
    QString text;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const qsizetype escape =
                i + 1 < cell.size() && cell[i] == '\\' ? from.indexOf(cell[i + 1]) : -1;
        text += escape < 0 ? cell[i] : to[escape];
        i += escape >= 0;
    }
    return text;
}

// A table of text columns kept in a file of the test's folder, one row a line: "name | text |
// text", a "|" between blanks parting the cells. Blank lines and lines starting with "#" are
// skipped; missing cells are empty.
inline void addFileRows(const char *name, std::initializer_list<const char *> columns)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/") + name);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        static const QRegularExpression bar(QStringLiteral("(?<=\\s)\\|(?=\\s|$)"));
        const QStringList cells = line.split(bar);
        QTestData &data = QTest::newRow(unescapedCell(cells.first()).toUtf8().constData());
        for (qsizetype i = 1; i <= qsizetype(columns.size()); ++i)
            data << unescapedCell(cells.value(i));
    }
}
