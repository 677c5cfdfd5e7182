#include "common/Messages.h"
#include "support/FixedClock.h"
#include "support/Rows.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "tree/TreeDragDrop.h"
#include "tree/TreeUndo.h"

#include <QDropEvent>
#include <QFrame>
#include <QScrollBar>
#include <QTest>

// Themes dragged inside one tree, through the drag events its viewport gets.
class TestTreeDragDrop : public QObject
{
    Q_OBJECT
public:
    // A drag enters the tree and moves over the target at the place ('b'efore, 'i'nto,
    // 'a'fter), and drops there if asked; whether the move was accepted.
    static bool dragOnto(LinkListView &view, const QMimeData *data, ColorListViewItem *target,
                         char place, Qt::KeyboardModifiers modifiers, bool dropIt = true)
    {
        const QRect row = view.visualItemRect(target);
        const QPoint at(row.center().x(), place == 'b'   ? row.top() + 1
                                          : place == 'a' ? row.bottom() - 1
                                                         : row.center().y());
        const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
        QDragEnterEvent enter(at, actions, data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(view.viewport(), &enter);
        QDragMoveEvent move(at, actions, data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(view.viewport(), &move);
        if (dropIt) {
            QDropEvent drop(at, actions, data, Qt::LeftButton, modifiers);
            QCoreApplication::sendEvent(view.viewport(), &drop);
        }
        return move.isAccepted();
    }

private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void drops_data()
    {
        // The result "" means refused: the "no" cursor, and the tree as it was.
        addTextRows(
                {"tree", "dragged", "target", "place", "keys", "result"},
                {
                        {"before the first", "P(A,B,C)", "C", "A", "b", "", "P(C,A,B)"},
                        {"after the last", "P(A,B,C)", "A", "C", "a", "", "P(B,C,A)"},
                        {"before a middle one", "P(A,B,C),D", "D", "B", "b", "", "P(A,D,B,C)"},
                        {"into: first child", "P(A,B),D(x)", "D", "P", "i", "", "P(D(x),A,B)"},
                        {"into a link: its holder", "M+1(y),L-1(_),x", "x", "L", "i", "",
                         "M+1(_),L-1(x,y)"},
                        {"beside a group's child", "M+1(y),x", "x", "y", "a", "", "M+1(y,x)"},
                        {"copy before", "A(x),B(y)", "A", "y", "b", "Ctrl", "A(x),B(A(x),y)"},
                        {"copy into its own branch", "A(x)", "A", "x", "i", "Ctrl", "A(x(A(x)))"},
                        {"link after", "A(x),B(y)", "A", "y", "a", "Ctrl+Shift",
                         "A+1(x),B(y,A-1(_))"},
                        {"link into: last child", "A,B(y)", "A", "B", "i", "Ctrl+Shift",
                         "A+1,B(y,A-1(_))"},
                        {"on itself", "A(x),B", "A", "A", "i", "", ""},
                        {"beside itself", "A(x),B", "A", "A", "a", "", ""},
                        {"into its own branch", "A(x),B", "A", "x", "i", "", ""},
                        {"beside its own child", "A(x),B", "A", "x", "b", "", ""},
                        {"into a link of a mark in the branch", "A(M+1),L-1(_)", "A", "L", "i", "",
                         ""},
                        {"onto a null item", "L-1(_,M+1(x)),y", "y", "_", "i", "Ctrl", ""},
                        {"beside a null item", "L-1(_,M+1(x)),y", "y", "_", "a", "", ""},
                        {"beside the root", "A", "A", "/", "b", "", ""},
                        {"the root itself", "A", "/", "A", "i", "Ctrl", ""},
                        {"a null item itself", "L-1(_,M+1(x)),y", "_", "y", "i", "", ""},
                });
    }
    void drops()
    {
        QFETCH(QString, tree);
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(QString, place);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        int boxes = 0;
        Messages::setResponder([&](const Messages::Box &) {
            ++boxes;
            return Messages::Answer::Ok;
        });
        LinkListView view;
        view.resize(300, 400);
        view.show();
        buildOutline(view, tree);
        for (QTreeWidgetItem *above = themeNamed(view, target)->parent(); above;
             above = above->parent())
            above->setExpanded(true);
        boxes = 0;
        const QByteArray before = saveToBytes(view, 0);
        ThemeMimeData data(&view, themeNamed(view, dragged));
        const Qt::KeyboardModifiers modifiers =
                keys.isEmpty() ? Qt::NoModifier : QKeySequence(keys + "+A")[0].keyboardModifiers();
        const bool accepted =
                dragOnto(view, &data, themeNamed(view, target), place[0].toLatin1(), modifiers);
        QCOMPARE(accepted, !result.isEmpty());
        QCOMPARE(view.dragDrop()->indicator()->isVisible(), false); // gone with the drop
        QCOMPARE(outlineOf(view), result.isEmpty() ? tree : result);
        QCOMPARE(boxes, 0);
        QCOMPARE(view.statusText().contains('['), false); // what the keys cut or copied stays
        if (result.isEmpty())
            return;
        QCOMPARE(view.currentTheme()->name(), dragged);
        QCOMPARE(view.undoHistory().index(), 1);
        const QByteArray after = saveToBytes(view, 0);
        view.menuUndo();
        QCOMPARE(saveToBytes(view, 0), before);
        view.menuRedo();
        QCOMPARE(saveToBytes(view, 0), after);
    }

    // The moved branch keeps its open themes.
    void openStateKept()
    {
        LinkListView view;
        view.resize(300, 400);
        view.show();
        buildOutline(view, "A(x(y)),B");
        ColorListViewItem *moved = themeNamed(view, "A");
        moved->setExpanded(true);
        themeNamed(view, "x")->setExpanded(true);
        ThemeMimeData data(&view, moved);
        QVERIFY(dragOnto(view, &data, themeNamed(view, "B"), 'a', Qt::NoModifier));
        QCOMPARE(outlineOf(view), "B,A(x(y))");
        QVERIFY(moved->isExpanded() && themeNamed(view, "x")->isExpanded());
    }

    // While the pointer moves: a line beside a row, a frame on it, a closed theme held there
    // opens, the tree scrolls near its edge and stops when the drag leaves.
    void whileDragging()
    {
        LinkListView view;
        view.resize(300, 200);
        view.show();
        QStringList names;
        for (int i = 0; i < 60; ++i)
            names << "t" + QString::number(i);
        buildOutline(view, "C(x)," + names.join(','));
        ColorListViewItem *closed = themeNamed(view, "C");
        closed->setExpanded(false);
        ThemeMimeData data(&view, themeNamed(view, "t5"));
        QFrame *indicator = view.dragDrop()->indicator();
        QVERIFY(dragOnto(view, &data, closed, 'a', Qt::NoModifier, false));
        QVERIFY(indicator->isVisible());
        const QRect row = view.visualItemRect(closed);
        QCOMPARE(indicator->geometry(), QRect(row.left(), row.bottom(), row.width(), 2));
        QVERIFY(dragOnto(view, &data, closed, 'i', Qt::NoModifier, false));
        QCOMPARE(indicator->geometry(), row);
        QTRY_VERIFY(closed->isExpanded());
        QScrollBar *bar = view.verticalScrollBar();
        QDragMoveEvent move(QPoint(20, view.viewport()->height() - 3), Qt::MoveAction, &data,
                            Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &move);
        QTRY_VERIFY(bar->value() > 0);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(view.viewport(), &leave);
        const int stopped = bar->value();
        QTest::qWait(3 * TreeDragDrop::scrollInterval);
        QCOMPARE(bar->value(), stopped);
        QVERIFY(!indicator->isVisible());
        QCOMPARE(outlineOf(view), "C(x)," + names.join(','));
    }
};

QTEST_MAIN(TestTreeDragDrop)
#include "tst_treedragdrop.moc"
