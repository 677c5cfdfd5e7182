#include "common/Messages.h"
#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "support/DocumentView.h"
#include "support/Drops.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"
#include "tree/ThemeView.h"
#include "tree/TreeDragDrop.h"
#include "tree/TreeUndo.h"

#include <QFrame>
#include <QScrollBar>
#include <QSignalSpy>

// Themes dragged inside one tree, through the drag events its viewport gets.
class TestTreeDragDrop : public QObject
{
    Q_OBJECT
    // The place on the target's row: 'b'efore (upper edge), 'a'fter (lower edge), else into.
    static bool dragOnto(QTreeView &view, const QModelIndex &dragged, const QModelIndex &target,
                         char place, Qt::KeyboardModifiers keys = {}, bool drop = true)
    {
        const QRect row = view.visualRect(target);
        const int y = place == 'b'   ? row.top() + 1
                      : place == 'a' ? row.bottom() - 1
                                     : row.center().y();
        ThemeMimeData data(&view, dragged);
        return dragTo(view.viewport(), QPoint(row.center().x(), y), &data, keys, drop);
    }
    static bool dragOnto(LinkListView &view, ColorListViewItem *dragged, ColorListViewItem *target,
                         char place, Qt::KeyboardModifiers keys = {}, bool drop = true)
    {
        return dragOnto(view, view.rowIndex(dragged), view.rowIndex(target), place, keys, drop);
    }
    static void show(LinkListView &view, const QString &outline, int height = 400)
    {
        view.resize(300, height);
        view.show();
        buildOutline(view, outline);
    }

private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void drops_data() { JSON_ROWS("tree", "dragged", "target", "place", "keys", "result"); }
    void drops()
    {
        FETCH_TEXTS(tree, dragged, target, place, keys, result);
        ScriptedMessages boxes; // opening a link above its mark refuses, with a box
        LinkListView view;
        show(view, tree);
        // "P+": the target is open too.
        const bool openTarget = target.endsWith('+');
        target.remove('+');
        for (QTreeWidgetItem *above = themeNamed(view, target)->parent(); above;
             above = above->parent())
            above->setExpanded(true);
        themeNamed(view, target)->setExpanded(openTarget);
        boxes.clear();
        QSignalSpy changed(&view, qOverload<>(&LinkListView::dataChanged));
        const Qt::KeyboardModifiers modifiers =
                keys.isEmpty() ? Qt::NoModifier : QKeySequence(keys + "+A")[0].keyboardModifiers();
        QCOMPARE(dragOnto(view, themeNamed(view, dragged), themeNamed(view, target),
                          place[0].toLatin1(), modifiers),
                 !result.isEmpty());
        QCOMPARE(outlineOf(view), result.isEmpty() ? tree : result);
        // No box, no line left, the document changed, what the keys cut or copied stays.
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!view.dragDrop()->indicator()->isVisible());
        QCOMPARE(changed.isEmpty(), result.isEmpty());
        QVERIFY2(!view.statusText().contains('['), qPrintable(view.statusText()));
        // The dropped theme is current; one step undoes the drop, and redoes it.
        QCOMPARE(view.currentTheme()->name(), result.isEmpty() ? "/" : dragged);
        QCOMPARE(view.undoHistory().undoText(), result.isEmpty() ? "" : "Drag and Drop");
        view.menuUndo();
        QCOMPARE(outlineOf(view), tree);
        view.menuRedo();
        QCOMPARE(outlineOf(view), result.isEmpty() ? tree : result);
        viewOverTheDocument(modifiers);
    }
    // The row of drops() on the view over the document, which has no placeholder rows.
    static void viewOverTheDocument(Qt::KeyboardModifiers modifiers)
    {
        FETCH_TEXTS(tree, dragged, target, place, keys, result);
        if (dragged == "_" || target == "_")
            return;
        DocumentView built(tree);
        auto &[document, named, undo, view] = built;
        const QModelIndex row = view.rows().indexOf(named[QString(target).remove('+')]);
        view.show();
        view.scrollTo(row); // opens the themes above it
        view.setExpanded(row, target.endsWith('+'));
        QCOMPARE(dragOnto(view, view.rows().indexOf(named[dragged]), row, place[0].toLatin1(),
                          modifiers),
                 !result.isEmpty());
        QCOMPARE(outlineOf(document), result.isEmpty() ? tree : result);
        QCOMPARE(view.currentTheme()->name(), result.isEmpty() ? "/" : dragged);
        QCOMPARE(undo.undoText(), result.isEmpty() ? "" : "Drag and Drop");
    }

    // A quarter of the row at each edge, at least 2 pixels, places beside it; the rest into it.
    void placeOnTheRow_data() { JSON_ROWS("top", "height", "y", "place"); }
    void placeOnTheRow()
    {
        FETCH_TEXTS(top, height, y, place);
        const QRect row(0, top.toInt(), 50, height.toInt());
        QCOMPARE(int(TreeDragDrop::placeAt(row, y.toInt())), QString("bia").indexOf(place));
    }

    // While the pointer moves: a line beside a row, a frame on it, a closed theme held there
    // opens, the tree scrolls near its edge and stops when the drag leaves.
    void whileDragging()
    {
        QString tree = "C(x)";
        for (int i = 0; i < 60; ++i)
            tree += ",t" + QString::number(i);
        LinkListView view;
        show(view, tree, 200);
        ColorListViewItem *closed = themeNamed(view, "C");
        closed->setExpanded(false);
        ColorListViewItem *dragged = themeNamed(view, "t5");
        QFrame *indicator = view.dragDrop()->indicator();
        QVERIFY(dragOnto(view, dragged, closed, 'a', {}, false));
        const QRect row = view.visualItemRect(closed);
        QCOMPARE(indicator->geometry(), QRect(row.left(), row.bottom(), row.width(), 2));
        QVERIFY(dragOnto(view, dragged, closed, 'i', {}, false));
        QCOMPARE(indicator->geometry(), row);
        QTRY_VERIFY(closed->isExpanded());
        ThemeMimeData data(&view, view.rowIndex(dragged));
        dragTo(view.viewport(), QPoint(20, view.viewport()->height() - 3), &data, {}, false);
        QScrollBar *bar = view.verticalScrollBar();
        QTRY_VERIFY(bar->value() > 0);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(view.viewport(), &leave);
        QVERIFY(!indicator->isVisible());
        QCOMPARE(outlineOf(view), tree);
    }
};

QTEST_MAIN(TestTreeDragDrop)
#include "tst_treedragdrop.moc"
