#include "common/Clock.h"
#include "storage/TreeHeader.h"
#include "tree/ColorListViewItem.h"

#include <QTest>

#include <limits>

using DateKind = ThemeHeader::DateKind;
Q_DECLARE_METATYPE(DateKind)
Q_DECLARE_METATYPE(std::optional<QDate>)

class TestTreeHeader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::setStartDate(QDate(2024, 6, 1)); }
    void cleanup() { Clock::setStartDate({}); }

    void readsHeaders_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("lineStart");
        QTest::addColumn<qint64>("depth");
        QTest::addColumn<int>("linkId");
        QTest::addColumn<DateKind>("dateKind");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("end");

        const QDate march7(2005, 3, 7);
        auto row = [](const char *name, const QByteArray &text, qint64 depth, int id, DateKind kind,
                      const QDate &date, int end, int lineStart = 0) {
            QTest::newRow(name) << text << lineStart << depth << id << kind << date << end;
        };
        row("written form", "<!--2mark3[07.03.2005]-->Plans\r\n", 2, 3, DateKind::Given, march7,
            25);
        row("dots", "<!--..-->n", 2, 0, DateKind::None, {}, 9);
        row("depth 0", "<!--0-->n", 0, 0, DateKind::None, {}, 8);
        row("slashes", "<!--1[7/3/2005]-->", 1, 0, DateKind::Given, march7, 18);
        row("mixed separators", "<!--1[07/03.2005]-->", 1, 0, DateKind::Given, march7, 20);
        row("parent date", "<!--3link4[|]-->", 3, -4, DateKind::Parent, {}, 16);
        row("31 February", "<!--1[31.02.2005]-->n", 1, 0, DateKind::Impossible, {}, 20);
        row("negative day", "<!--1[-1.03.2005]-->", 1, 0, DateKind::Impossible, {}, 20);
        row("year 0", "<!--1[01.01.0]-->", 1, 0, DateKind::Impossible, {}, 17);
        row("date before id", "<!--1[07.03.2005]mark4-->", 1, 4, DateKind::Given, march7, 25);
        row("parent date before id", "<!--1[|]link2-->", 1, -2, DateKind::Parent, {}, 16);
        row("link without number", "<!--1link-->n", 1, 0, DateKind::None, {}, 12);
        row("link without number, dated", "<!--1link[|]-->", 1, 0, DateKind::Parent, {}, 15);
        row("mark without number", "<!--1mark-->", 1, 0, DateKind::None, {}, 12);
        row("id beyond an int", "<!--1mark2147483648-->", 1, 0, DateKind::None, {}, 22);
        row("largest id", "<!--1link2147483647-->", 1, -2147483647, DateKind::None, {}, 22);
        row("at end without line end", "x\r\n<!--1-->", 1, 0, DateKind::None, {}, 11, 3);
        row("NUL in the name", QByteArray("<!--1-->\0n", 10), 1, 0, DateKind::None, {}, 8);
        row("depth 2^31", "<!--2147483648-->", 2147483648LL, 0, DateKind::None, {}, 17);
        row("depth beyond 64 bits", "<!--99999999999999999999999-->",
            std::numeric_limits<qint64>::max(), 0, DateKind::None, {}, 30);
        row("million dots", "<!--" + QByteArray(1000000, '.') + "-->", 1000000, 0, DateKind::None,
            {}, 1000007);
        row("year beyond a day count", "<!--1[01.01.99999999]-->", 1, 0, DateKind::Impossible, {},
            24);
        row("day count beyond 64 bits", "<!--1[99999999999999999999.1.1]-->", 1, 0,
            DateKind::Impossible, {}, 34);
        row("year -5", "<!--1[01.01.-5]-->", 1, 0, DateKind::Given, QDate(-5, 1, 1), 18);
    }
    void readsHeaders()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, lineStart);
        const std::optional<ThemeHeader> header = readThemeHeader(text, lineStart);
        QVERIFY(header);
        QTEST(header->depth, "depth");
        QTEST(header->linkId, "linkId");
        QTEST(header->dateKind, "dateKind");
        QTEST(header->date, "date");
        QTEST(int(header->end), "end");
    }

    void rejectsNonHeaders_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("lineStart");
        auto row = [](const char *name, const QByteArray &text, int lineStart = 0) {
            QTest::newRow(name) << text << lineStart;
        };
        row("blank before <!--", " <!--1-->n");
        row("blank after <!--", "<!-- 1-->n");
        row("blank before -->", "<!--1 -->n");
        row("blank inside date", "<!--1[07. 03.2005]-->");
        row("negative depth", "<!---1-->n");
        row("no depth", "<!--mark3-->");
        row("empty comment", "<!---->");
        row("mark-3", "<!--1mark-3-->");
        row("link-3 dated", "<!--1link-3[|]-->");
        row("two dates", "<!--1[|][|]-->");
        row("two ids", "<!--1mark3link3-->");
        row("id after id-date", "<!--1mark3[|]link3-->");
        row("open bracket only", "<!--1[-->");
        row("two date numbers", "<!--1[07.03]-->");
        row("letters in date", "<!--1[a.b.c]-->");
        row("wrong separator", "<!--1[07-03-2005]-->");
        row("dots then number", "<!--..3-->");
        row("missing -->", "<!--1[|]n");
        row("cut -->", "<!--1--");
        row("<!-- alone at the end", "n\r\n<!--", 3);
        row("end after depth", "<!--12");
        row("million dots at the end", "<!--" + QByteArray(1000000, '.'));
        row("end inside date", "<!--1[07.03.2005");
        row("NUL in header", QByteArray("<!--1\0-->", 9));
        row("NUL after <!--", QByteArray("<!--\0", 5));
        row("not at lineStart", "n<!--1-->", 0);
        row("lineStart past the end", "<!--1-->", 9);
        row("negative lineStart", "<!--1-->", -1);
    }
    void rejectsNonHeaders()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, lineStart);
        QVERIFY(!readThemeHeader(text, lineStart));
    }

    void writesAndReadsBack_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("linkId");
        QTest::addColumn<std::optional<QDate>>("date");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, int depth, int id, std::optional<QDate> date,
                      const char *expected) {
            QTest::newRow(name) << depth << id << date << QString::fromLatin1(expected);
        };
        row("mark", 2, 3, QDate(2005, 3, 7), "<!--2mark3[07.03.2005]-->");
        row("ordinary", 1, 0, QDate(1999, 12, 31), "<!--1[31.12.1999]-->");
        row("link, parent's date", 10, -7, std::nullopt, "<!--10link7[|]-->");
        row("short year", 4, 0, QDate(123, 2, 1), "<!--4[01.02.123]-->");
        row("negative year", 1, 0, QDate(-5, 1, 9), "<!--1[09.01.-5]-->");
        row("largest values", std::numeric_limits<int>::max(), -std::numeric_limits<int>::max(),
            QDate(2024, 6, 1), "<!--2147483647link2147483647[01.06.2024]-->");
    }
    void writesAndReadsBack()
    {
        QFETCH(int, depth);
        QFETCH(int, linkId);
        QFETCH(std::optional<QDate>, date);
        QFETCH(QString, expected);

        QString line = QStringLiteral("before\n");
        appendThemeHeader(line, depth, linkId, date);
        QCOMPARE(line, "before\n" + expected);
        QCOMPARE(themeHeader(depth, linkId, date), expected);
        if (date)
            QVERIFY(expected.contains(themeDateText(*date)));

        line += QStringLiteral("Name");
        const QByteArray bytes = line.toLatin1();
        const std::optional<ThemeHeader> header = readThemeHeader(bytes, 7);
        QVERIFY(header);
        QCOMPARE(header->depth, depth);
        QCOMPARE(header->linkId, linkId);
        QCOMPARE(header->dateKind, date ? DateKind::Given : DateKind::Parent);
        QCOMPARE(header->date, date.value_or(QDate()));
        QCOMPARE(bytes.sliced(header->end), "Name");
    }
};

QTEST_GUILESS_MAIN(TestTreeHeader)
#include "tst_treeheader.moc"
