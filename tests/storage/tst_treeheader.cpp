#include "common/Clock.h"
#include "storage/TreeHeader.h"
#include "support/JsonRows.h"

#include <QTest>

class TestTreeHeader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::setStartDate(QDate(2024, 6, 1)); }
    void cleanup() { Clock::setStartDate({}); }

    void readsHeaders_data()
    {
        addJsonRows(QFINDTESTDATA("data/headers.jsonl"),
                    {"text", "lineStart", "depth", "linkId", "date", "end", "writer"});
    }
    void readsHeaders()
    {
        FETCH_TEXTS(text, lineStart, depth, date, writer);
        text.replace("{a million dots}", QString(1000000, '.'));
        const std::optional<ThemeHeader> header = readThemeHeader(text.toUtf8(), lineStart.toInt());
        QCOMPARE(header.has_value(), !depth.isEmpty());
        if (!header)
            return;
        QCOMPARE(header->depth, depth.toLongLong());
        QTEST(QString::number(header->linkId), "linkId");
        const QStringList dmy = date.split('.');
        const QDate given =
                dmy.size() == 3 ? QDate(dmy[2].toInt(), dmy[1].toInt(), dmy[0].toInt()) : QDate();
        const QStringList kinds{"none", "parent", "date", "impossible"};
        QCOMPARE(kinds.value(int(header->dateKind)), given.isValid() ? "date" : date);
        QCOMPARE(header->date, given);
        QTEST(QString::number(header->end), "end");
        // The writer gives the same header for these values, also after text.
        if (writer.isEmpty())
            return;
        const int depthValue = int(header->depth), start = lineStart.toInt();
        const std::optional<QDate> written = given.isValid() ? std::optional(given) : std::nullopt;
        const QString expected = text.sliced(start, header->end - start);
        QString line = "x";
        appendThemeHeader(line, depthValue, header->linkId, written);
        QCOMPARE(line, "x" + expected);
        QCOMPARE(themeHeader(depthValue, header->linkId, written), expected);
    }
};

QTEST_GUILESS_MAIN(TestTreeHeader)
#include "tst_treeheader.moc"
