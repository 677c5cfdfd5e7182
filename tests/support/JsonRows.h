#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

// The one reader of the tables in data files beside the tests. Each line is a JSON array: the
// row's name, then one value per column; only columns named with a trailing "?" may be left off
// the end of a row (they read as empty), so a value forgotten is not silently "". A value that is
// an array of texts stands for its lines, joined by line feeds, an object for its own compact
// text. "#" lines are comments. "{N*text}" stands for text N times over. A file may hold the
// tables of several test functions, each after a line "== function"; a test then reads only its
// own.
inline QString repeatsExpanded(QString text)
{
    static const QRegularExpression repeat(R"(\{(\d+)\*([^{}]*)\})");
    for (auto match = repeat.match(text); match.hasMatch(); match = repeat.match(text))
        text.replace(match.capturedStart(), match.capturedLength(),
                     match.captured(2).repeated(match.captured(1).toInt()));
    return text;
}

// The numbered lines of a data file that belong to one test (section), all of a file without
// sections, leaving out blank and "#" lines.
inline QList<std::pair<int, QString>> sectionLines(const QString &path, const QString &section)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    bool mine = !lines.value(0).startsWith("== ") && !lines.join('\n').contains("\n== ");
    QList<std::pair<int, QString>> own;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith("== "))
            mine = lines[i].trimmed() == "== " + section;
        else if (mine && !lines[i].trimmed().isEmpty() && !lines[i].startsWith('#'))
            own.append({i + 1, lines[i]});
    }
    return own;
}

inline void addJsonRows(const QString &path, std::initializer_list<const char *> columns)
{
    static std::set<QByteArray> optionalNames; // the table keeps a column's name by pointer
    qsizetype required = 0, index = 0;
    for (const char *column : columns) {
        ++index;
        if (!QByteArray(column).endsWith('?'))
            required = index;
        QTest::addColumn<QString>(
                index > required
                        ? optionalNames.insert(QByteArray(column).chopped(1)).first->constData()
                        : column);
    }
    int rows = 0;
    for (const auto &[number, text] : sectionLines(path, QTest::currentTestFunction())) {
        const QByteArray line = text.toUtf8();
        const QJsonArray row = QJsonDocument::fromJson(line).array();
        QVERIFY2(!row.isEmpty() && row.size() <= qsizetype(columns.size()) + 1, line.constData());
        QVERIFY2(row.size() > required,
                 qPrintable(QString("row \"%1\" at %2:%3 has %4 of %5 values")
                                    .arg(row[0].toString(), path)
                                    .arg(number)
                                    .arg(row.size() - 1)
                                    .arg(required)));
        QTestData &data = QTest::newRow(row[0].toString().toUtf8().constData());
        for (qsizetype i = 1; i <= qsizetype(columns.size()); ++i) {
            QStringList lines{row.at(i).toString()};
            if (row.at(i).isArray())
                lines = row.at(i).toVariant().toStringList();
            if (row.at(i).isObject())
                lines = QStringList(QString::fromUtf8(
                        QJsonDocument(row.at(i).toObject()).toJson(QJsonDocument::Compact)));
            data << repeatsExpanded(lines.join('\n'));
        }
        ++rows;
    }
    QVERIFY2(rows > 0, qPrintable(path + ": no rows of " + QTest::currentTestFunction()));
}

// The rows of the running test function from the data file of its test, data/NAME.jsonl beside
// the source of tst_NAME.
#define JSON_ROWS(...)                                                                             \
    addJsonRows(QFINDTESTDATA("data/" + QCoreApplication::applicationName().mid(4) + ".jsonl"),    \
                {__VA_ARGS__})

// The text cells of the running row by column name: FETCH_TEXTS(kind, age) declares kind and age,
// as a QFETCH(QString, ...) for each would.
template<size_t N>
std::array<QString, N> fetchTexts(const char *names)
{
    const QStringList columns = QString::fromLatin1(names).split(',');
    std::array<QString, N> texts;
    for (size_t i = 0; i < N; ++i)
        texts[i] = *static_cast<QString *>(QTest::qElementData(
                qPrintable(columns[qsizetype(i)].trimmed()), qMetaTypeId<QString>()));
    return texts;
}
constexpr size_t namesIn(std::string_view names)
{
    return size_t(std::count(names.begin(), names.end(), ',')) + 1;
}
#define FETCH_TEXTS(...) auto [__VA_ARGS__] = fetchTexts<namesIn(#__VA_ARGS__)>(#__VA_ARGS__)
