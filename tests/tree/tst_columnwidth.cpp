#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/ColumnWidthTracker.h"
#include "tree/LinkListView.h"
#include "tree/NameEditor.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

// Column 0 follows the widest shown row as themes are shown, hidden, renamed and given icons,
// and is exactly what measuring every shown row gives (the tracker may round up by a pixel or
// two), so no name is cut and no stale width stays behind.
class TestColumnWidth : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void followsTheWidestShownRow_data() { JSON_ROWS("change"); }
    void followsTheWidestShownRow()
    {
        QFETCH(QString, change);
        ScriptedMessages boxes;
        LinkListView view;
        view.resize(220, 160);
        view.show();
        QString chain = "level29";
        for (int depth = 28; depth >= 0; --depth)
            chain = QString("level%1(%2)").arg(depth).arg(chain);
        buildOutline(view, "first(" + chain + "),aratherwidernameofatheme,last");
        ColorListViewItem *first = themeNamed(view, "first");
        ColorListViewItem *wide = themeNamed(view, "aratherwidernameofatheme");
        first->setExpanded(true);

        if (change == "open deep") {
            for (QTreeWidgetItem *item = first; item; item = item->child(0))
                item->setExpanded(true);
        } else if (change == "close widest") {
            wide->setExpanded(false);
            view.appendChild(wide, "a child name much wider than any other theme name");
            wide->setExpanded(true);
            wide->setExpanded(false);
        } else if (change == "delete widest") {
            view.deleteBranch(wide);
        } else if (change == "rename longer" || change == "rename shorter") {
            view.setCurrentItem(change == "rename longer" ? first : wide);
            QTest::keyClick(&view, Qt::Key_Space);
            view.nameEditor()->selectAll();
            view.nameEditor()->insert(change == "rename longer" ? QString(60, QChar(0x0416)) + "W"
                                                                : "w");
            QTest::keyClick(view.nameEditor(), Qt::Key_Return);
        } else if (change == "icon on widest") {
            view.setLinkId(wide, 1);
        } else if (change == "insert into open") {
            view.createChild(themeNamed(view, "level27"), QString(80, 'm'), {}, {});
            view.rootTheme()->setExpanded(true);
        } else if (change == "delete chain") {
            for (QTreeWidgetItem *item = first; item; item = item->child(0))
                item->setExpanded(true);
            view.deleteBranch(first);
        } else {
            view.clear();
        }
        QCoreApplication::processEvents(); // a shrinking column is measured after the event

        // What the header measured when it sized column 0 by its contents.
        const int measured = qMax(static_cast<QAbstractItemView &>(view).sizeHintForColumn(0),
                                  view.header()->sectionSizeHint(0));
        QVERIFY2(view.columnWidth(0) >= measured && view.columnWidth(0) <= measured + 2,
                 qPrintable(
                         QString("%1 wide, rows need %2").arg(view.columnWidth(0)).arg(measured)));

        // Scrolling right reaches the end of the widest name and stops there.
        QScrollBar *bar = view.horizontalScrollBar();
        for (int previous = -1; bar->value() != previous;) {
            previous = bar->value();
            view.menuScroll_Right();
        }
        QVERIFY(view.columnWidth(0) <= view.viewport()->width() ||
                view.columnWidth(0) - bar->value() <= view.viewport()->width() + 1);
        QCOMPARE(view.columnWidth(0) > view.viewport()->width(), bar->value() > 0);
    }
};

QTEST_MAIN(TestColumnWidth)
#include "tst_columnwidth.moc"
