#include "common/Messages.h"
#include "support/FixedClock.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"
#include "tree/NameEditor.h"
#include "tree/TreeUndo.h"
#include "tree/TreeWalk.h"

#include <QMenu>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidgetItemIterator>

// Every editing command on trees with link groups, through the view's keys where it has one.
// A row's script is a list of steps: a key ("Ctrl+Up") or a slot without a key, optionally
// "@theme" to make that theme current first; "=name" types a name into the open name editor and
// accepts it, "=" escapes;
// "." lets pending events run.
// The log has a letter per signal while the steps run: t themeChanged, s stateChanged,
// d dataChanged, x itemWillRemoved, e name editor opened or closed, m paste kind menu shown, and
// ! for the refusal box, c for "Cannot exchange contents".
class TestTreeEditing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void commands_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("status"); // current theme, cut and copy source
        QTest::addColumn<QString>("log");
        auto row = [](const char *name, const char *tree, const char *script, const char *result,
                      const char *status, const char *log) {
            QTest::newRow(name) << tree << script << result << status << log;
        };
        row("insert up first", "P(A,B,C)", "Shift+Up@A =N", "P(N,A,B,C)", "N", "tedde");
        row("insert up last", "P(A,B,C)", "Shift+Up@C =N", "P(A,B,N,C)", "N", "tedde");
        row("insert down middle", "P(A,B,C)", "Shift+Down@B =", "P(A,B,,C)", "", "tede");
        row("insert down last", "P(A,B,C)", "Shift+Down@C =N", "P(A,B,C,N)", "N", "tedde");
        row("insert into", "P(A,B)", "Shift+Right@P =N", "P(N,A,B)", "N", "tedde");
        row("insert into a link takes the children", "M+1(x),L-1(_)", "Shift+Right@L =N",
            "M+1(_),L-1(N,x)", "N", "tedde");
        row("insert into a link inside its mark", "M+1(x,L-1(_))", "Shift+Right@L =N",
            "M+1(N,x,L-1(_))", "N", "ttedde");
        // Opening a theme's long list scrolls (once laid out), and may add a scroll bar.
        const auto names = [](char letter, int count) {
            QStringList list;
            for (int i = 0; i < count; ++i)
                list << letter + QString::number(i);
            return list.join(',');
        };
        for (int before : {6, 20})
            QTest::addRow("insert into a long closed list, %d before", before)
                    << names('a', before) + ",P(" + names('x', 30) + ")"
                    << "Shift+Right@P . =N" << names('a', before) + ",P(N," + names('x', 30) + ")"
                    << "N"
                    << "tedde";
        row("expand a link", "M+1(x,y),L-1(_)", "Right@L", "M+1(_),L-1(x,y)", "L", "");
        row("a link's own themes join the group's", "M+1(x),L-1(_,y)", "Right@L", "M+1(_),L-1(x,y)",
            "L", "");
        row("expand the mark again", "M+1(_),L-1(x,y)", "Right@M", "M+1(x,y),L-1(_)", "M", "");
        row("expand a link inside its mark", "M+1(x,L-1(_))", "Right@L", "M+1(x,L-1(_))", "M", "t");
        row("nothing beside the root", "A",
            "Shift+Up@/ Shift+Down@/ Ctrl+Up Ctrl+Down Ctrl+Left Ctrl+Right menuAllChildOut Del",
            "A", "/", "!!!!!!!!");
        row("a link above its mark opens", "L-1(_,M+1(x))", "Right@L", "L-1(_,M+1(x))", "L", "c");
        row("nothing at a null item", "L-1(_,M+1(x))",
            "Shift+Right@_ Shift+Up Shift+Down Ctrl+Left Ctrl+Right Ctrl+Up menuAllChildOut",
            "L-1(_,M+1(x))", "", "c!!!!!!!");
        row("no cut, copy or delete of a null item", "L-1(_,M+1(x))", "Shift+Del@_ Ctrl+Ins Del",
            "L-1(_,M+1(x))", "", "c!!!");

        row("left from the first", "P(A,B,C)", "Ctrl+Left@A", "A,P(B,C)", "B", "tsd");
        row("left from the last", "P(A,B,C)", "Ctrl+Left@C", "P(A,B),C", "B", "tsd");
        row("left from the first one by one", "P(A,B,C)", "Ctrl+Left@A Ctrl+Left Ctrl+Left",
            "A,B,C,P", "P", "tsdtsdtsd");
        row("left from the last one by one", "P(A,B,C)", "Ctrl+Left@C Ctrl+Left Ctrl+Left",
            "P,A,B,C", "P", "tsdtsdtsd");
        row("left out of a holder", "M+1(_),L-1(x)", "Ctrl+Left@x", "M+1(_),L-1(x)", "x", "!");
        row("right", "P(A,B)", "Ctrl+Right@A =N", "P(N(A),B)", "N", "tesdde");
        row("right on the last", "P(A,B)", "Ctrl+Right@B =N", "P(A,N(B))", "N", "tesdde");
        row("up middle", "P(A,B,C)", "Ctrl+Up@B", "P(B,A,C)", "B", "ttd");
        row("up last", "P(A,B,C)", "Ctrl+Up@C", "P(A,C,B)", "C", "ttd");
        row("up first", "P(A,B,C)", "Ctrl+Up@A", "P(A,B,C)", "A", "d");
        row("up never above a null item", "L-1(_,M+1)", "Ctrl+Up@M", "L-1(_,M+1)", "M", "cd");
        row("down first", "P(A,B,C)", "Ctrl+Down@A", "P(B,A,C)", "A", "ttd");
        row("down last", "P(A,B,C)", "Ctrl+Down@C", "P(A,B,C)", "C", "d");
        row("all children out", "P(A(x,y),B)", "menuAllChildOut@A", "P(A,x,y,B)", "A", "sd");
        row("all children out of a mark", "M+1(_),L-1(x,y)", "menuAllChildOut@M", "M+1,x,y,L-1(_)",
            "M", "sd");
        row("no children out of a link", "M+1(x),L-1(_)", "menuAllChildOut@L", "M+1(x),L-1(_)", "L",
            "!");

        row("cut and paste", "A(x),B", "Shift+Del@x Shift+Ins@B", "A,B(x)", "B[for copy - x]",
            "ssd");
        row("cut shows", "A(x),B", "Shift+Del@x", "A(x),B", "x[for cut - x]", "s");
        row("paste into its own branch", "A(x)", "Shift+Del@A Shift+Ins@x", "A(x)",
            "x[for cut - A]", "s!");
        row("paste into a link of a mark in the branch", "A(M+1),L-1(_)", "Shift+Del@A Shift+Ins@L",
            "A(M+1),L-1(_)", "L[for cut - A]", "s!");
        row("paste into a link", "M+1(y),L-1(_),x", "Shift+Del@x Shift+Ins@L", "M+1(_),L-1(x,y)",
            "L[for copy - x]", "ssd");
        row("nothing to paste", "A", "Shift+Ins@A", "A", "A", "!");
        row("copy offers the paste kind menu", "A,B", "Ctrl+Ins@A Shift+Ins@B", "A,B",
            "B[for copy - A]", "m");
        row("a pasted theme is copied", "A(x),B", "Shift+Del@x Shift+Ins@B Shift+Ins", "A,B(x)",
            "B[for copy - x]", "ssdm");
        row("paste a link", "A(x),B", "Ctrl+Ins@A pmTreeInsert_Link@B", "A+1(x),B(A-1(_))",
            "B[for copy - A]", "d");
        row("paste a link into a link", "A,M+1(y),L-1(_)", "Ctrl+Ins@A pmTreeInsert_Link@L",
            "A+2,M+1(_),L-1(y,A-2(_))", "L[for copy - A]", "d");
        row("paste a link, then delete its mark", "A(x),B", "Ctrl+Ins@A pmTreeInsert_Link@B Del@A",
            "B(A)", "B", "dtxxsd");
        row("copy of a branch", "A(x(y)),B", "Ctrl+Ins@A pmTreeInsert_Ordinar@B",
            "A(x(y)),B(A(x(y)))", "B[for copy - A]", "dddd");
        row("copy of a link", "M+1(x),L-1(_),B", "Ctrl+Ins@L pmTreeInsert_Ordinar@B",
            "M+1(x),L-1(_),B(L(x))", "B[for copy - L]", "ddd");
        row("copy with links and marks", "P(M+1(x),L-1(_)),Q", "Ctrl+Ins@P pmTreeInsert_Ordinar@Q",
            "P(M+1(x),L-1(_)),Q(P(M(x),L-1(_)))", "Q[for copy - P]", "ddddd");
        row("copy of a mark held elsewhere", "P(M+1(_)),L-1(x)",
            "Ctrl+Ins@P pmTreeInsert_Ordinar@P", "P(P(M(x)),M+1(x)),L-1(_)", "P[for copy - P]",
            "dddd");

        row("delete middle", "A,B,C", "Del@B", "A,C", "C", "txsd");
        row("delete last", "A,B(x),C", "Del@C", "A,B(x)", "B", "txsd");
        row("delete the only child", "P(A(x))", "Del@A", "P", "P", "txxsd");
        row("delete a mark", "M+1(x),L-1(_),K-1(_)", "Del@M", "L,K", "L", "txxsd");
        row("delete the last link of a holder", "M+1(_),L-1(x)", "Del@L", "M(x)", "M", "txsd");
        row("delete a mark whose link has themes of its own", "M+1,L-1(_,y)", "Del@M", "L(y)", "L",
            "txsd");
        row("delete a mark below its link", "L-1(_,M+1(x))", "Right@L Del@M", "L", "L", "ctxxsd");
        row("rename", "P(A,B)", "menuEditThemeName@B =Z", "P(A,BZ)", "BZ", "esde");
        row("rename a mark", "M+1(x),L-1(_)", "menuEditThemeName@M =Z", "MZ+1(x),L-1(_)", "MZ",
            "esde");
        row("left, a mark held by its link", "P(M+1(_)),L-1(x)", "Ctrl+Left@M", "P,M+1(_),L-1(x)",
            "P", "tsd");
        row("left, a holder", "P(L-1(x),y),M+1(_)", "Ctrl+Left@L", "L-1(x),P(y),M+1(_)", "y",
            "tsd");
        row("paste a link, delete it, undo twice", "A(x),B",
            "Ctrl+Ins@A pmTreeInsert_Link@B Right Down Del", "A(x),B", "B[for copy - A]", "dttxsd");
        row("delete the cut theme", "A(x),B", "Shift+Del@x Del@A", "B", "B", "stxxsd");
        // clang-format off
        row("insert, Escape, then a rename of its own", "P(A)", "Shift+Down@A = menuEditThemeName =x", "P(A,x)", "x", "tedeesde");
        // A moved branch keeps its open themes: the next Down enters it.
        row("moved down, still open", "A(x(y)),B", "Right@A Right@x Ctrl+Down@A Down Down", "B,A(x(y))", "y", "ttdtt");
        row("pasted, still open", "A(x),B", "Right@A Shift+Del Shift+Ins@B Down Down", "B(A(x))", "x[for copy - A]", "ssdtt");
        row("children out, still open", "P(A(x))", "Right@A menuAllChildOut@P Down Down", "P,A(x)", "x", "sdtt");
        // clang-format on
    }
    void commands()
    {
        QFETCH(QString, tree);
        QFETCH(QString, script);
        QString log;
        bool recording = false;
        Messages::setResponder([&](const Messages::Box &box) {
            log += box.text == "Cannot do it\nНе могу выполнить операцию" ? '!'
                   : box.text == "Cannot exchange contents"               ? 'c'
                                                                          : '?';
            return Messages::Answer::Ok;
        });
        LinkListView view;
        view.resize(300, 300);
        view.show();
        buildOutline(view, tree);
        QCOMPARE(outlineOf(view), tree);

        auto record = [&](char letter) {
            if (recording)
                log += letter;
        };
        connect(&view, &LinkListView::themeChanged, [&] { record('t'); });
        connect(&view, &LinkListView::stateChanged, [&] { record('s'); });
        connect(&view, &LinkListView::dataChanged, [&] { record('d'); });
        connect(&view, &LinkListView::itemWillRemoved, [&] { record('x'); });
        connect(&view, &LinkListView::changeThemeNameEditState, [&] { record('e'); });
        connect(view.pasteKindMenu(), &QMenu::aboutToShow, [&] { record('m'); });
        // The tree as saved, shown and current before and after each step of the undo history.
        auto snapshot = [&] {
            return QStringList{saveToBytes(view, 0), outlineOf(view), view.statusText()};
        };
        QList<QPair<QStringList, QStringList>> steps;
        QStringList before;
        bool opened = false;
        for (const QString &step : script.split(' ')) {
            const QString command = step.section('@', 0, 0);
            if (step.contains('@'))
                view.setCurrentItem(themeNamed(view, step.section('@', 1)));
            const int done = view.undoHistory().index();
            if (!view.isRenaming()) // a name given in the editor belongs to the step that opened it
                before = snapshot();
            recording = true;
            run(view, command);
            recording = false;
            view.pasteKindMenu()->hide();
            if (view.undoHistory().index() != done || (!view.isRenaming() && opened)) {
                opened = view.isRenaming();
                if (!opened)
                    steps.append({before, snapshot()});
            }
        }
        QTEST(outlineOf(view), "result");
        QTEST(view.statusText(), "status");
        QTEST(log, "log");
        QVERIFY(view.isStable());

        // The theme count, icons as the ids say, and a tree that saves and reads back to the
        // same bytes.
        QCOMPARE(view.themeCount(), countThemes(view));
        const QByteArray bytes = saveToBytes(view, 0);
        LinkListView again;
        QVERIFY(loadBytes(again, bytes));
        QCOMPARE(saveToBytes(again, 0), bytes);
        QCOMPARE(log.count('?'), 0);

        // Each step undone gives back the tree before it, and redone the tree after it.
        QCOMPARE(view.undoHistory().index(), steps.size());
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            view.menuUndo();
            QCOMPARE(snapshot(), it->first);
        }
        QVERIFY(!view.undoHistory().canUndo());
        for (const auto &step : std::as_const(steps)) {
            view.menuRedo();
            QCOMPARE(snapshot(), step.second);
        }
        QVERIFY(view.isStable());
        Messages::setResponder({});
    }

    // Random commands on random themes with undo and redo between them: after each, the tree
    // saves to the bytes it had at that point of its history, also once a small memory cap has
    // dropped the oldest steps.
    void randomHistory()
    {
        Messages::setResponder([](const Messages::Box &) { return Messages::Answer::Ok; });
        LinkListView view;
        view.resize(300, 300);
        view.show();
        buildOutline(view, "A(x,M+1(y,z),B(L-1(_),C)),D(K-1(_),E(F,G)),H,N+2(_),O-2(q)");
        const QStringList commands{"Shift+Up =n",
                                   "Shift+Down =",
                                   "Shift+Right =i",
                                   "Ctrl+Left",
                                   "Ctrl+Right =r",
                                   "Ctrl+Up",
                                   "Ctrl+Down",
                                   "menuAllChildOut",
                                   "Shift+Del",
                                   "Ctrl+Ins",
                                   "Shift+Ins",
                                   "pmTreeInsert_Link",
                                   "pmTreeInsert_Ordinar",
                                   "Del",
                                   "Right",
                                   "menuEditThemeName =e"};
        QRandomGenerator random(20);
        QList<QByteArray> history{saveToBytes(view, 0)};
        qsizetype dropped = 0;
        TreeUndo &undo = view.undoHistory();
        for (int round = 0; round < 3000; ++round) {
            if (round == 1500)
                undo.setByteLimit(20000);
            int choice = random.bounded(int(commands.size()) + 6);
            if (view.themeCount() > 80 && choice < commands.size()) // copies grow the tree
                choice = int(commands.indexOf("Del"));
            const int done = undo.index();
            if (choice >= commands.size()) {
                if (choice % 2)
                    view.menuUndo();
                else
                    view.menuRedo();
            } else {
                QSignalSpy recorded(&undo, &TreeUndo::changed);
                QList<QTreeWidgetItem *> items;
                for (QTreeWidgetItemIterator it(&view); *it; ++it)
                    items.append(*it);
                view.setCurrentItem(items[random.bounded(int(items.size()))]);
                for (const QString &command : commands[choice].split(' '))
                    if (!command.startsWith('=') || view.isRenaming())
                        run(view, command);
                view.pasteKindMenu()->hide();
                if (recorded.count() > 0) {
                    history.resize(dropped + done + 1);
                    history.append(saveToBytes(view, 0));
                    dropped = history.size() - 1 - undo.index();
                }
            }
            QVERIFY(!view.isRenaming());
            QVERIFY2(saveToBytes(view, 0) == history[dropped + undo.index()],
                     qPrintable(QString("round %1: %2").arg(round).arg(commands.value(choice))));
            if (round % 100 == 0) {
                QVERIFY(view.isStable());
                QCOMPARE(view.themeCount(), countThemes(view));
            }
        }
        QVERIFY(dropped > 0);
        QVERIFY(undo.heldBytes() <= 20000 || undo.count() == 1);
        Messages::setResponder({});
    }

private:
    // The themes of the tree, the root included; each shows the icon its link id asks for.
    static int countThemes(LinkListView &view)
    {
        int items = 1;
        walkBranch(
                view.rootTheme(), [](ColorListViewItem *t) -> QTreeWidgetItem * { return t; },
                [&](ColorListViewItem *t, int, int) {
                    ++items;
                    if (t->icon(0).isNull() != (t->linkId() == 0))
                        items = -1000000;
                });
        return items;
    }

    static void run(LinkListView &view, const QString &command)
    {
        if (command == ".") {
            QCoreApplication::processEvents();
        } else if (command.startsWith('=')) {
            QTest::keyClicks(view.nameEditor(), command.mid(1));
            QTest::keyClick(view.nameEditor(), command == "=" ? Qt::Key_Escape : Qt::Key_Return);
        } else if (view.metaObject()->indexOfSlot(qPrintable(command + "()")) >= 0) {
            QMetaObject::invokeMethod(&view, qPrintable(command));
        } else {
            const QKeyCombination key = QKeySequence::fromString(command)[0];
            QVERIFY2(key.key() != Qt::Key_unknown, qPrintable(command));
            QTest::keyClick(&view, key.key(), key.keyboardModifiers());
        }
    }
};

QTEST_MAIN(TestTreeEditing)
#include "tst_treeediting.moc"
