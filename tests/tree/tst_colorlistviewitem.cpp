#include "common/Clock.h"
#include "support/JsonRows.h"
#include "support/Rows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/ColorListViewItem.h"
#include "tree/LinkListView.h"

#include <QTest>
#include <QTreeWidget>

#include <climits>

class TestColorListViewItem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::setStartDate(QDate(2005, 3, 7)); }
    void cleanup() { Clock::setStartDate({}); }

    void slotIndexRules()
    {
        ScriptedMessages boxes;
        ColorListViewItem item(static_cast<QTreeWidget *>(nullptr));
        item.setColumnValue(-2, 5);
        QCOMPARE(item.columnValue(2), 5);
        QCOMPARE(item.columnValue(-2), 5);
        QCOMPARE(boxes.count(), 0);
        item.setColumnValue(9, 7);
        QCOMPARE(item.columnValue(9), 7);

        QCOMPARE(item.columnValue(10), 0);
        item.setColumnValue(10, 3);
        item.setColumnValue(-10, 3);
        item.setColumnValue(INT_MIN, 3); // no overflow when the index is negated
        QCOMPARE(item.columnValue(INT_MIN), 0);
        QCOMPARE(boxes.texts(), (QStringList{" too big colomn number", "too big colomn number",
                                             "too big colomn number", "too big colomn number",
                                             " too big colomn number"}));
        QCOMPARE(boxes.captions(), (QStringList(5, "error")));
        for (int i = 0; i < 10; ++i)
            QCOMPARE(item.columnValue(i), i == 2 ? 5 : i == 9 ? 7 : 0);
    }

    void dateIsDaysBeforeStart_data() { JSON_ROWS("start", "date", "stored"); }
    void dateIsDaysBeforeStart()
    {
        QFETCH(QString, start);
        QFETCH(QString, date);
        Clock::setStartDate(QDate::fromString(start, Qt::ISODate));
        ColorListViewItem item(static_cast<QTreeWidget *>(nullptr));
        QCOMPARE(item.date(), Clock::startDate()); // never stamped: the start date
        item.setDate(QDate::fromString(date, Qt::ISODate));
        QTEST(QString::number(item.columnValue(ColorListViewItem::DateSlot)), "stored");
        QCOMPARE(item.date().toString(Qt::ISODate), date);
    }

    void dateTextAndUnstorableDates()
    {
        QCOMPARE(themeDateText(QDate(2005, 3, 7)), QString("[07.03.2005]"));
        QCOMPARE(themeDateText(QDate(12, 11, 10)), QString("[10.11.12]"));
        QCOMPARE(plainDateText(QDate(1999, 12, 31)), QString("31.12.1999"));
        ColorListViewItem item(static_cast<QTreeWidget *>(nullptr));
        item.setDate(QDate(2000, 1, 1));
        item.setDate(QDate(99999999, 1, 1));
        QCOMPARE(item.date(), QDate(2000, 1, 1));
        QVERIFY(!isStorableThemeDate(QDate(99999999, 1, 1)));
        QVERIFY(!isStorableThemeDate(QDate()));
    }

    // Rows and the status bar show 1000 characters of a name at most, never half a pair; the
    // name itself stays whole. Seen: length shown, last character shown.
    void longNamesShowCutShort_data()
    {
        const QString pair = QStringLiteral("\U0001F600");
        addTextRows({"name", "seen"},
                    {{"1000", QString(1000, 'n'), "1000 n"},
                     {"1001", QString(1001, 'n'), "1001 \u2026"},
                     {"a pair across the cut", QString(999, 'n') + pair + "n", "1000 \u2026"},
                     {"a pair before the cut", QString(998, 'n') + pair + "nn", "1001 \u2026"},
                     {"megabytes", QString(1 << 21, 'n'), "1001 \u2026"}});
    }
    void longNamesShowCutShort()
    {
        QFETCH(QString, name);
        QTreeWidget view;
        auto *theme = new ColorListViewItem(&view, name, QString(), QString());
        const QString shown = shownName(theme->name());
        QCOMPARE(theme->name(), name);
        QVERIFY(!shown.back().isHighSurrogate() && name.startsWith(shown.chopped(1)));
        QTEST(QString::number(shown.size()) + ' ' + shown.back(), "seen");
    }

    void kindIconFollowsLinkId()
    {
        ColorListViewItem item(static_cast<QTreeWidget *>(nullptr));
        QVERIFY(item.icon(0).isNull());
        item.setLinkId(-3);
        QCOMPARE(item.icon(0).cacheKey(), ColorListViewItem::linkIcon().cacheKey());
        item.setLinkId(3);
        QCOMPARE(item.icon(0).cacheKey(), ColorListViewItem::markIcon().cacheKey());
        item.setLinkId(0);
        QVERIFY(item.icon(0).isNull());
    }

    void nonEmptyBranchWarningOnce()
    {
        ScriptedMessages boxes;
        ColorListViewItem::resetNonEmptyDeleteWarning();
        LinkListView view;
        buildOutline(view, "p(c),q(d)");
        for (int i = 0; i < 2; ++i)
            delete view.rootTheme()->takeChild(0);
        QCOMPARE(boxes.texts(), QStringList{"Will be deleted not empty branch(s)"});
    }
};

QTEST_MAIN(TestColorListViewItem)
#include "tst_colorlistviewitem.moc"
