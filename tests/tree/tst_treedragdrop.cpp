#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "support/DocumentView.h"
#include "support/Drops.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/ThemeView.h"
#include "tree/TreeDragDrop.h"

#include <QFrame>
#include <QScrollBar>

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

private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void drops_data() { JSON_ROWS("tree", "dragged", "target", "place", "keys", "result"); }
    void drops()
    {
        FETCH_TEXTS(tree, dragged, target, place, keys, result);
        ScriptedMessages boxes;
        DocumentView built(tree);
        auto &[document, named, undo, view] = built;
        const QModelIndex row = view.rows().indexOf(named[QString(target).remove('+')]);
        view.resize(300, 400);
        view.show();
        view.scrollTo(row); // opens the themes above it
        // "P+": the target is open too.
        view.setExpanded(row, target.endsWith('+'));
        const Qt::KeyboardModifiers modifiers =
                keys.isEmpty() ? Qt::NoModifier : QKeySequence(keys + "+A")[0].keyboardModifiers();
        QCOMPARE(dragOnto(view, view.rows().indexOf(named[dragged]), row, place[0].toLatin1(),
                          modifiers),
                 !result.isEmpty());
        QCOMPARE(outlineOf(document), result.isEmpty() ? tree : result);
        // No box, no line left, what the keys cut or copied stays.
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!view.dragDrop()->indicator()->isVisible());
        QVERIFY2(!view.statusText().contains('['), qPrintable(view.statusText()));
        // The dropped theme is current; one step undoes the drop, and redoes it.
        QCOMPARE(view.currentTheme()->name(), result.isEmpty() ? "/" : dragged);
        QCOMPARE(undo.undoText(), result.isEmpty() ? "" : "Drag and Drop");
        view.undo();
        QCOMPARE(outlineOf(document), tree);
        view.redo();
        QCOMPARE(outlineOf(document), result.isEmpty() ? tree : result);
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
        DocumentView built(tree);
        ThemeView &view = built.view;
        view.resize(300, 200);
        view.show();
        const QModelIndex closed = view.rows().indexOf(built.named["C"]);
        const QModelIndex dragged = view.rows().indexOf(built.named["t5"]);
        view.collapse(closed);
        QFrame *indicator = view.dragDrop()->indicator();
        QVERIFY(dragOnto(view, dragged, closed, 'a', {}, false));
        const QRect row = view.visualRect(closed);
        QCOMPARE(indicator->geometry(), QRect(row.left(), row.bottom(), row.width(), 2));
        QVERIFY(dragOnto(view, dragged, closed, 'i', {}, false));
        QCOMPARE(indicator->geometry(), row);
        QTRY_VERIFY(view.isExpanded(closed));
        ThemeMimeData data(&view, dragged);
        dragTo(view.viewport(), QPoint(20, view.viewport()->height() - 3), &data, {}, false);
        QScrollBar *bar = view.verticalScrollBar();
        QTRY_VERIFY(bar->value() > 0);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(view.viewport(), &leave);
        QVERIFY(!indicator->isVisible());
        QCOMPARE(outlineOf(built.document), tree);
    }
};

QTEST_MAIN(TestTreeDragDrop)
#include "tst_treedragdrop.moc"
