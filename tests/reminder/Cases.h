#pragma once

#include <QFile>
#include <QHash>
#include <QList>
#include <QTest>

// Cases written one field line a line: "== name" starts a case; any other line is a mark
// character, a space and a line of that field's value; "#" lines are comments. \t stands for a
// tab, \s for a space.
struct Case
{
    QString name;
    QHash<QChar, QStringList> fields;
};

inline QList<Case> readCases(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(path));
    QList<Case> cases;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (line.startsWith("== "))
            cases.append({line.mid(3), {}});
        else if (!line.isEmpty() && line[0] != '#' && !cases.isEmpty())
            cases.last().fields[line[0]] << line.mid(2).replace("\\t", "\t").replace("\\s", " ");
    }
    return cases;
}
