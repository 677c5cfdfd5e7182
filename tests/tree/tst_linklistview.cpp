#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "support/DocumentView.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/ColumnWidthTracker.h"
#include "tree/LinkListView.h"
#include "tree/NameEditor.h"
#include "tree/ScrollMath.h"
#include "tree/ThemeView.h"
#include "tree/ViewKeys.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>

class TestLinkListView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void freshAndClearedViewHoldOnlyTheRoot_data() { JSON_ROWS("way"); }
    void freshAndClearedViewHoldOnlyTheRoot()
    {
        QFETCH(QString, way);
        ScriptedMessages boxes;
        LinkListView view;
        QCOMPARE((QVariantList{view.objectName(), view.headerItem()->text(0), view.indentation(),
                               view.isStable(), view.themeCount(), view.rootTheme()->name()}),
                 (QVariantList{"mainTree", "Theme (Тема)", 10, true, 1, "/"}));

        buildOutline(view, "a(b,c(d)),e,M+1,L-1(_)");
        QCOMPARE(view.themeCount(), 9);
        view.setCurrentItem(themeNamed(view, "d"));
        view.setCurrentItem(themeNamed(view, "e"));
        int removed = 0;
        connect(&view, &LinkListView::itemWillRemoved, [&] { ++removed; });
        if (way == "0")
            view.clear();
        else if (way == "1")
            static_cast<QTreeWidget &>(view).clear();
        else
            QMetaObject::invokeMethod(&view, "clear");
        QCOMPARE(
                (QVariantList{removed, view.themeCount(), view.topLevelItemCount(),
                              view.currentTheme()->name(), view.rootTheme()->isExpanded(),
                              int(view.history().size()), view.storage().count(), view.isStable()}),
                (QVariantList{8, 1, 1, "/", true, 0, 0, true}));
        // No 1003, nor a "not empty branch" warning but where the toolkit drops whole branches.
        if (way != "1")
            QCOMPARE(boxes.count(), 0);
        QVERIFY(!boxes.texts().contains("MY_ASSERT in 1003"));
    }

    void deleteBranchOrderAndBookkeeping()
    {
        ScriptedMessages boxes;
        LinkListView view;
        buildOutline(view, "a(b(c),d),e");
        QStringList removed;
        QList<int> busyDuring;
        connect(&view, &LinkListView::itemWillRemoved, [&](ColorListViewItem *t) {
            removed.append(t->name());
            busyDuring.append(view.busyDepth());
        });
        view.setCurrentItem(themeNamed(view, "c"));
        view.setCurrentItem(themeNamed(view, "e"));
        view.deleteBranch(themeNamed(view, "a"));
        QCOMPARE(removed.join(',') + ' ' + outlineOf(view), QString("c,b,d,a e"));
        QVERIFY(!busyDuring.contains(0));
        QVERIFY(view.isStable());
        QCOMPARE(view.themeCount(), 2);
        QCOMPARE(boxes.count(), 0);

        // A link that leaves its group drops its null item only, never a theme it holds.
        buildOutline(view, "m+1,l-1(x)");
        view.storageChangeId(themeNamed(view, "l"), 0);
        QCOMPARE(outlineOf(view), QString("e,m+1(_),l(x)"));
    }

    // A name makes that theme current, "<" goes back in time, ">" forward, "-a" deletes a, "^"
    // goes to the mark; the current theme after each step, for "@" the previous one. Both trees.
    void historyWalks_data() { JSON_ROWS("steps", "seen"); }
    void historyWalks()
    {
        QFETCH(QString, steps);
        const QString outline = "a(e),b,c,d,m+1,l-1(_)";
        LinkListView view;
        buildOutline(view, outline);
        DocumentView built(outline);
        auto &[document, named, undo, themes] = built;
        QString seen[2];
        for (const QString &step : steps.split(' ')) {
            if (step == "<") {
                view.prevThemeInTime();
                themes.backInTime();
            } else if (step == ">") {
                view.nextThemeInTime();
                themes.forwardInTime();
            } else if (step == "^") {
                view.gotoMark();
                themes.goToMark();
            } else if (step.startsWith('-')) {
                view.deleteBranch(themeNamed(view, step.mid(1)));
                document.takeTheme(named[step.mid(1)]);
            } else if (step != "@") {
                view.setCurrentItem(themeNamed(view, step));
                themes.setCurrentTheme(named[step]);
            }
            const bool previous = step == "@";
            const auto name = [](auto *theme) { return theme ? theme->name() : "0"; };
            seen[0] += name(previous ? view.previousTheme() : view.currentTheme());
            seen[1] += name(previous ? themes.previousTheme() : themes.currentTheme());
        }
        QTEST(seen[0], "seen");
        QTEST(seen[1], "seen");
    }

    // Paths and depths of b and the root, the status, and the newest themes of a, c, m and l: the
    // latest date, the last in preorder among equals, a mark's through its holder, a link itself.
    void pathsDepthStatusAndNewest()
    {
        const QString outline = "a(b(c),d),m+1(_),l-1(n)";
        const QStringList dates =
                QString("a 2005-01-01 b 2005-02-01 c 2004-02-01 d 2005-02-01").split(' ');
        LinkListView view;
        buildOutline(view, outline);
        ThemeDocument document;
        const QHash<QString, Theme *> named = buildOutline(document, outline);
        for (qsizetype i = 0; i < dates.size(); i += 2) {
            const QDate date = QDate::fromString(dates[i + 1], Qt::ISODate);
            themeNamed(view, dates[i])->setDate(date);
            named[dates[i]]->setDate(date);
        }
        ColorListViewItem *b = themeNamed(view, "b"), *root = view.rootTheme();
        view.setCurrentItem(b);
        QVariantList shown{view.themePath(b, true),    view.themePath(b, false),
                           view.themePath(root, true), view.themePath(root, false),
                           view.themeDepth(b),         view.themeDepth(root),
                           view.statusText(),          ""};
        QVariantList model{themePath(named["b"], true),
                           themePath(named["b"], false),
                           themePath(document.root(), true),
                           themePath(document.root(), false),
                           themeDepth(named["b"]),
                           themeDepth(document.root()),
                           "b",
                           ""};
        for (const char *name : {"a", "c", "m", "l"}) {
            shown.last() =
                    shown.last().toString() + view.newestTheme(themeNamed(view, name))->name();
            model.last() = model.last().toString() + document.newestTheme(named[name])->name();
        }
        const QVariantList seen{"|-/a/b", "b/a/-|", "|-", "-|", 2, 0, "b", "dcnl"};
        QCOMPARE(shown, seen);
        QCOMPARE(model, seen);
    }

    void descriptionsResolveAndAskTheEditor()
    {
        LinkListView view;
        buildOutline(view, "m+1,l-1(_),o");
        ColorListViewItem *m = themeNamed(view, "m"), *l = themeNamed(view, "l");
        int asked = 0;
        QString editorText; // null: the editor has no edit
        connect(&view, &LinkListView::needEditedDescription, [&] {
            ++asked;
            view.putEditedDescription(editorText);
        });
        // Current theme and editor text, then l's text, l's own, m's; a link never takes the edit.
        QStringList seen;
        using Step = std::pair<const char *, QString>;
        for (auto [current, text] :
             {Step{"o", "typed"}, Step{"l", QString()}, Step{"l", "typed"}, Step{"l", ""}}) {
            view.setCurrentItem(themeNamed(view, current));
            editorText = text;
            seen << view.description(l, true) + '|' + view.plainDescription(l, true) + '|' +
                            view.plainDescription(m, true);
        }
        QCOMPARE(seen, (QStringList{"m-text||m-text", "m-text||m-text", "typed||typed", "||"}));
        QVERIFY(asked >= 4);

        view.setDescription(l, "new", true);
        view.setSavedCursor(l, 3, 4);
        QCOMPARE((QVariantList{m->description(), l->description(), view.savedCursor(m).second,
                               view.isStable()}),
                 (QVariantList{"new", "", 4, true}));
    }

    void statisticsAndSubtreeTextThroughAHolder()
    {
        ScriptedMessages boxes;
        LinkListView view;
        buildOutline(view, "m+1(_),p(l-1(x(z),y)),q");
        view.rootTheme()->setDescription("root");
        ColorListViewItem *m = themeNamed(view, "m"), *l = themeNamed(view, "l");
        connect(&view, &LinkListView::needEditedDescription,
                [&] { view.putEditedDescription(QString()); });

        // root(4) + names and texts of m,x,z,y,p,q (7 each) + the name of l; null item 0.
        QCOMPARE(view.themeStatistics(), qMakePair(4 + 6 * 7 + 1, 7));
        ThemeDocument document;
        const QHash<QString, Theme *> named = buildOutline(document, "m+1(_),p(l-1(x(z),y)),q");
        document.root()->setDescription("root");
        QCOMPARE(document.characterCount(document.root()), 4 + 6 * 7 + 1);
        QCOMPARE(document.characterCount(named["p"]), 6 + 3 * 7 + 1); // p's text; x, z, y; l

        // The mark's own text is not part of it while a link holds the children.
        QCOMPARE((QStringList{view.subtreeText(m), view.subtreeText(l),
                              view.subtreeText(themeNamed(view, "p"))}),
                 (QStringList{"x-textz-texty-text", "", "p-text"}));
        QCOMPARE(boxes.count(), 0);
    }

    // Keys and clicks on a shown "a(b)", a current and dated 1 Jan 2000, keys to the name editor
    // while open. "'x" types x, "+x" inserts x and accepts, "click"/"arrow" click a/its arrow,
    // "rclick" right-clicks a, "root" clicks and double-clicks the root. Seen after each step: the
    // current theme, "+" when open, "*" and the editor's text while renaming; then changes, rename
    // states told, a's date.
    void keysAndMouse_data() { JSON_ROWS("steps", "seen"); }
    void keysAndMouse()
    {
        QFETCH(QString, steps);
        QFETCH(QString, seen);
        LinkListView view;
        view.resize(300, 200);
        view.show();
        buildOutline(view, "a(b)");
        ColorListViewItem *a = themeNamed(view, "a");
        a->setDate(QDate(2000, 1, 1));
        view.setCurrentItem(a);
        QSignalSpy editState(&view, &LinkListView::changeThemeNameEditState);
        QSignalSpy changed(&view, &LinkListView::dataChanged);
        QString shown = walk(view, steps, view.rowIndex(a),
                             [&] { return view.isRenaming() ? view.nameEditor() : nullptr; });
        shown += "| " + QString::number(changed.count()) + ' ';
        for (const QList<QVariant> &told : std::as_const(editState))
            shown += told.at(0).toBool() ? '1' : '0';
        QCOMPARE(shown + ' ' + a->date().toString(Qt::ISODate), seen);

        // The same steps on the view over the document.
        DocumentView built("a(b)");
        Theme *theme = built.named["a"];
        theme->setDate(QDate(2000, 1, 1));
        built.view.show();
        built.view.setCurrentTheme(theme);
        QSignalSpy renaming(&built.view, &ThemeView::renamingChanged);
        shown = walk(built.view, steps, built.view.rows().indexOf(theme),
                     [&] { return built.view.isRenaming() ? built.view.nameEditor() : nullptr; });
        shown += "| ";
        for (const QList<QVariant> &told : std::as_const(renaming))
            shown += told.at(0).toBool() ? '1' : '0';
        QCOMPARE(shown + ' ' + theme->date().toString(Qt::ISODate),
                 seen.section('|', 0, 0) + "| " + seen.section(' ', -2));
    }
    // The steps of keysAndMouse() on a tree showing a; seen after each: the current theme, "+"
    // when open, "*" and the editor's text while renaming, a menu's first entry in brackets.
    static QString walk(QTreeView &view, const QString &steps, const QModelIndex &a,
                        const std::function<QLineEdit *()> &editor)
    {
        const QRect rect = view.visualRect(a);
        const QPoint root = view.visualRect(view.model()->index(0, 0)).center();
        QString seen;
        for (const QString &step : steps.split(' ')) {
            QWidget *focus = editor() ? static_cast<QWidget *>(editor()) : &view;
            const QKeyCombination key = QKeySequence(step)[0];
            if (step.startsWith("rclick")) {
                QTest::mouseClick(view.viewport(), Qt::RightButton, {}, rect.center());
                QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, rect.center(),
                                            view.viewport()->mapToGlobal(rect.center()));
                QApplication::sendEvent(view.viewport(), &menuEvent);
                // "rclick:Into" chooses that entry of the menu's new themes.
                QWidget *menu = QApplication::activePopupWidget();
                if (menu && step.contains(':')) {
                    menu->close();
                    for (QAction *entry : menu->actions().value(0)->menu()->actions())
                        if (entry->text().startsWith(step.section(':', 1)))
                            entry->trigger();
                }
            } else if (step == "click" || step == "arrow") {
                QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                                  step == "click" ? rect.center()
                                                  : QPoint(rect.left() - 5, rect.center().y()));
            } else if (step == "root") {
                QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, root);
                QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, root);
                QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, root);
            } else if (step.startsWith('\'')) {
                QTest::keyClicks(focus, step.mid(1));
            } else if (step.startsWith('+')) {
                editor()->insert(step.mid(1));
                QTest::keyClick(editor(), Qt::Key_Return);
            } else {
                QTest::keyClick(focus, key.key(), key.keyboardModifiers());
            }
            const QModelIndex current = view.currentIndex();
            QWidget *menu = QApplication::activePopupWidget();
            seen += current.data().toString() + (view.isExpanded(current) ? "+" : "") +
                    (editor() ? '*' + editor()->text() : "") +
                    (menu ? '[' + menu->actions().value(0)->text() + ']' : "") + ' ';
            if (menu)
                menu->close();
        }
        return seen;
    }

    // Opening a theme scrolls its subthemes into sight, as many as fit below it. Seen after
    // Right on a, the last of ten themes at the foot of the view: "top" when a is at the top
    // of the view, each of a and its last subtheme "in" or "out" of sight.
    void openingShowsTheSubthemes_data() { JSON_ROWS("seen"); }
    void openingShowsTheSubthemes()
    {
        const int children = QString(QTest::currentDataTag()).section(' ', 0, 0).toInt();
        const QString outline =
                QString("x,").repeated(10) + "a(" + QStringList(children, "b").join(',') + ')';
        LinkListView view;
        buildOutline(view, outline);
        view.setCurrentItem(themeNamed(view, "a"));
        DocumentView built(outline);
        built.view.setCurrentTheme(built.named["a"]);
        for (QTreeView *tree : std::initializer_list<QTreeView *>{&view, &built.view}) {
            tree->resize(300, 200);
            tree->show();
            tree->scrollTo(tree->currentIndex(), QAbstractItemView::PositionAtBottom);
            QTest::keyClick(tree, Qt::Key_Right);
            QCoreApplication::processEvents();
            const QModelIndex a = tree->currentIndex(), last = a.model()->index(children - 1, 0, a);
            QString seen = tree->visualRect(a).top() == 0 ? "top" : "";
            for (const QModelIndex &row : {a, last})
                seen += tree->viewport()->rect().contains(tree->visualRect(row)) ? " in" : " out";
            QTEST(seen, "seen");
        }
    }

    void scrollTargets()
    {
        using namespace ScrollMath;
        QCOMPARE((QList<int>{left(10, 100), left(200, 101), up(10, 100), up(300, 100),
                             right(0, 100, 1000), right(890, 100, 1000), down(0, 100, 120)}),
                 (QList<int>{1, 150, 0, 250, 50, 901, 21}));
    }

    void resolvedAncestryClimbsThroughMarks()
    {
        LinkListView view;
        buildOutline(view, "m+1(x),p(l-1(_,y))");
        ColorListViewItem *m = themeNamed(view, "m"), *l = themeNamed(view, "l");
        // A link starts at its mark; l's children count as m's.
        QCOMPARE((QList<bool>{view.resolvedAncestry(themeNamed(view, "x"), m),
                              view.resolvedAncestry(l, m),
                              view.resolvedAncestry(themeNamed(view, "x"), themeNamed(view, "p")),
                              view.resolvedAncestry(themeNamed(view, "y"), m)}),
                 (QList<bool>{true, true, false, true}));
        // Going to the mark: from a link to its mark theme, from any other theme nowhere.
        view.setCurrentItem(themeNamed(view, "p"));
        view.gotoMark();
        QCOMPARE(view.currentTheme()->name(), QString("p"));
        view.setCurrentItem(l);
        view.gotoMark();
        QCOMPARE(view.currentTheme(), m);

        // A mark theme below its own link: the climb ends.
        LinkListView loop;
        buildOutline(loop, "q(k-1(_,n+1))");
        ColorListViewItem *n = themeNamed(loop, "n");
        QVERIFY(loop.resolvedAncestry(n, themeNamed(loop, "q")));
        QVERIFY(!loop.resolvedAncestry(n, themeNamed(loop, "zzz")));
    }
    // Column 0 follows the widest shown row as themes are shown, hidden, renamed and given icons,
    // and is exactly what measuring every shown row gives (the tracker may round up by a pixel or
    // two), so no name is cut and no stale width stays behind. The same on both trees.
    void followsTheWidestShownRow_data() { JSON_ROWS("change"); }
    void followsTheWidestShownRow()
    {
        QFETCH(QString, change);
        ScriptedMessages boxes;
        QString chain = "level29";
        for (int depth = 28; depth >= 0; --depth)
            chain = QString("level%1(%2)").arg(depth).arg(chain);
        const char *wide = "aratherwidernameofathemethanthetitle";
        const QString outline = QString("first(%1),%2,last").arg(chain, wide);
        const QString wider = "a child name much wider than any other theme name";
        const QString renamed = change == "rename longer" ? QString(60, QChar(0x0416)) + "W" : "w";
        const char *renamedTheme = QHash<QString, const char *>{
                {"rename longer", "first"},
                {"rename deep", "level29"}}.value(change, wide);
        LinkListView view;
        buildOutline(view, outline);
        checkWidest(view, change, renamed, view.rowIndex(themeNamed(view, renamedTheme)), [&] {
            std::vector<ColorListViewItem *> chain{themeNamed(view, "first")};
            while (chain.back()->childCount() > 0)
                chain.push_back(chain.back()->childTheme(0));
            if (change == "open deep at once")
                view.openThemes(chain);
            else if (change == "close widest")
                view.appendChild(themeNamed(view, wide), wider);
            else if (change == "delete widest")
                view.deleteBranch(themeNamed(view, wide));
            else if (change == "move widest out of sight")
                view.moveAfter(themeNamed(view, wide), nullptr, themeNamed(view, "last"));
            else if (change.startsWith("icon o"))
                view.setLinkId(themeNamed(view, wide), 1);
            if (change == "icon off widest")
                view.setLinkId(themeNamed(view, wide), 0);
            else if (change == "insert into open")
                view.createChild(themeNamed(view, "level27"), QString(80, 'm'), {}, {});
            else if (change == "delete chain")
                view.deleteBranch(chain[0]);
            else if (change == "clear")
                view.clear();
            return change.startsWith("rename") ? view.nameEditor() : nullptr;
        });

        DocumentView built(outline);
        auto &[document, named, undo, themes] = built;
        const auto insert = [&](const char *parent, const QString &name) {
            Theme *child = document.createTheme();
            document.renameTheme(child, name);
            document.insertTheme(named[parent], 0, child);
        };
        checkWidest(themes, change, renamed, themes.rows().indexOf(named[renamedTheme]), [&] {
            if (change == "close widest")
                insert(wide, wider);
            else if (change == "move widest out of sight")
                document.moveTheme(named[wide], named["last"], 0);
            else if (change.startsWith("icon o"))
                document.joinGroup(named[wide], 1);
            if (change == "icon off widest")
                document.leaveGroup(named[wide]);
            else if (change == "insert into open")
                insert("level27", QString(80, 'm'));
            if (change == "delete widest" || change == "clear")
                document.takeTheme(named[wide]);
            if (change == "delete chain" || change == "clear")
                document.takeTheme(named["first"]);
            if (change == "clear")
                document.takeTheme(named["last"]);
            for (Theme *theme = named["first"]; change == "open deep at once" && theme;
                 theme = theme->childCount() > 0 ? theme->child(0) : nullptr)
                themes.expand(themes.rows().indexOf(theme));
            return qobject_cast<QLineEdit *>(themes.indexWidget(themes.currentIndex()));
        });
    }
    // The view's part of followsTheWidestShownRow(): the tree's own change (which gives the name
    // editor when a rename is on), what the view opens and closes, and the check.
    static void checkWidest(QTreeView &view, const QString &change, const QString &renamed,
                            const QModelIndex &renamedRow,
                            const std::function<QLineEdit *()> &changeTree)
    {
        view.resize(220, 160);
        view.show();
        QCoreApplication::processEvents();
        QVERIFY(view.isExpanded(view.model()->index(0, 0))); // the top themes are in sight
        const QModelIndex first = view.model()->index(0, 0, view.model()->index(0, 0));
        const QModelIndex wide = first.siblingAtRow(1);
        view.expand(first);
        if (change == "open deep" || change == "delete chain" || change == "rename deep") {
            for (QModelIndex row = first; row.isValid(); row = view.model()->index(0, 0, row))
                view.expand(row);
        }
        if (change.startsWith("rename")) {
            view.setCurrentIndex(renamedRow);
            QTest::keyClick(&view, Qt::Key_Space);
            QLineEdit *editor = changeTree();
            QVERIFY(editor->x() >= 0 && editor->x() + 30 <= view.viewport()->width());
            editor->selectAll();
            editor->insert(renamed);
            QTest::keyClick(editor, Qt::Key_Return);
        } else {
            changeTree();
        }
        if (change == "close widest") {
            view.expand(wide);
            view.collapse(wide);
        } else if (change == "insert into open") {
            view.expand(view.model()->index(0, 0));
        }
        // A shrinking column is measured after the event, and the scroll bar follows after that.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();

        // What the header measured when it sized column 0 by its contents.
        const int measured = qMax(static_cast<QAbstractItemView &>(view).sizeHintForColumn(0),
                                  view.header()->sectionSizeHint(0));

        QCOMPARE(qBound(measured, view.columnWidth(0), measured + 2), view.columnWidth(0));

        // Scrolling right reaches the end of the widest name and stops there.
        QScrollBar *bar = view.horizontalScrollBar();
        for (int previous = -1; bar->value() != previous;) {
            previous = bar->value();
            ViewKeys::scrollHalfPage(&view, ViewKeys::ScrollRight);
        }
        QVERIFY(view.columnWidth(0) <= view.viewport()->width() ||
                view.columnWidth(0) - bar->value() <= view.viewport()->width() + 1);
        QCOMPARE(view.columnWidth(0) > view.viewport()->width(), bar->value() > 0);
    }

    // A date is stored as days before the start date; one that cannot be stored ("day N": the
    // Julian day N) leaves the date as it was. Seen: the slot, the date as shown.
    void dateIsDaysBeforeStart_data() { JSON_ROWS("start", "date", "seen"); }
    void dateIsDaysBeforeStart()
    {
        FETCH_TEXTS(start, date);
        Clock::setStartDate(QDate::fromString(start, Qt::ISODate));
        ColorListViewItem item(static_cast<QTreeWidget *>(nullptr));
        QCOMPARE(item.date(), Clock::startDate()); // never stamped: the start date
        item.setDate(date.startsWith("day ") ? QDate::fromJulianDay(date.mid(4).toLongLong())
                                             : QDate::fromString(date, Qt::ISODate));
        QTEST(QString::number(item.columnValue(ColorListViewItem::DateSlot)) + ' ' +
                      themeDateText(item.date()),
              "seen");
    }

    // Rows and the status bar show 1000 characters of a name at most, never half a pair; the
    // name itself stays whole. Seen: length shown, last character shown.
    void longNamesShowCutShort_data() { JSON_ROWS("name", "seen"); }
    void longNamesShowCutShort()
    {
        QFETCH(QString, name);
        const QString shown = shownName(name);
        QCOMPARE(shown.chopped(1), name.left(shown.size() - 1));
        QTEST(QString::number(shown.size()) + ' ' + shown.back(), "seen");
        // The view over the document lays the row out as shown.
        DocumentView built("a,b");
        built.named["a"]->setName(name);
        built.named["b"]->setName(shown);
        QCOMPARE(built.view.sizeHintForIndex(built.view.rows().indexOf(built.named["a"])),
                 built.view.sizeHintForIndex(built.view.rows().indexOf(built.named["b"])));
    }
};

QTEST_MAIN(TestLinkListView)
#include "tst_linklistview.moc"
