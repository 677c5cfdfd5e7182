#include "common/Clock.h"
#include "support/ScriptedMessages.h"
#include "support/ThemeLookup.h"
#include "tree/LinkListView.h"
#include "tree/NameEditor.h"
#include "tree/ScrollMath.h"

#include <QSignalSpy>
#include <QTest>

// Builds trees from a compact outline: "a(b c(d)) e" makes a with children b and c, c with d,
// and e beside a, all under the root.
static void build(LinkListView &view, ColorListViewItem *parent, const QString &outline)
{
    QList<ColorListViewItem *> stack{parent};
    QString word;
    ColorListViewItem *last = nullptr;
    for (QChar c : outline + ' ') {
        if (c.isLetterOrNumber() || c == '_') {
            word += c;
            continue;
        }
        if (!word.isEmpty()) {
            last = view.appendChild(stack.last(), word);
            last->setDescription(word + "-text");
            word.clear();
        }
        if (c == '(')
            stack.append(last);
        else if (c == ')')
            stack.removeLast();
    }
}

static ColorListViewItem *find(LinkListView &view, const QString &name)
{
    return findTheme(view, name);
}

static QString childNames(const QTreeWidgetItem *item)
{
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i) {
        const auto *theme = ColorListViewItem::themeOf(item->child(i));
        names.append(theme->isNullItem() ? QStringLiteral("NULL") : theme->name());
    }
    return names.join(' ');
}

// Joins a theme to the mark group id (allocating it when 0) as the view's paste does.
static int linkUp(LinkListView &view, ColorListViewItem *mark, ColorListViewItem *link)
{
    const int id = view.storage().insert(mark, 0);
    view.setLinkId(mark, id);
    link->setDescription(QString()); // a link keeps no text of its own
    view.setLinkId(link, view.storage().insert(link, -id));
    return id;
}

class TestLinkListView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        Clock::setStartDate(QDate(2005, 3, 7));
        Clock::setNow(QDateTime(QDate(2005, 3, 7), QTime(12, 0)));
    }
    void cleanup()
    {
        Clock::setNow({});
        Clock::setStartDate({});
    }

    void freshAndClearedViewHoldOnlyTheRoot()
    {
        ScriptedMessages boxes;
        LinkListView view;
        QCOMPARE(view.objectName(), QString("mainTree"));
        QCOMPARE(view.headerItem()->text(0), QString("Theme (Тема)"));
        QCOMPARE(view.indentation(), 10);
        QVERIFY(view.isStable());
        QCOMPARE(view.themeCount(), 1);
        QCOMPARE(view.rootTheme()->name(), QString("/"));

        build(view, view.rootTheme(), "a(b c(d)) e");
        QCOMPARE(view.themeCount(), 6);
        view.setCurrentItem(find(view, "d"));
        view.setCurrentItem(find(view, "e"));
        view.clear();
        QCOMPARE(view.themeCount(), 1);
        QCOMPARE(view.topLevelItemCount(), 1);
        QCOMPARE(view.currentTheme(), view.rootTheme());
        QVERIFY(view.rootTheme()->isExpanded());
        QCOMPARE(view.history().size(), 0);
        QVERIFY(view.isStable());
        QCOMPARE(boxes.count(), 0); // no "not empty branch" warning, no 1003
    }

    void createChildComesFirst()
    {
        LinkListView view;
        view.createChild(view.rootTheme(), "one", "", "");
        ColorListViewItem *two = view.createChild(view.rootTheme(), "two", "text", "");
        QCOMPARE(childNames(view.rootTheme()), QString("two one"));
        QCOMPARE(two->description(), QString("text"));
        ColorListViewItem *outside = view.createTopLevelTheme("tmp", "", "");
        QCOMPARE(view.topLevelItemCount(), 2);
        QCOMPARE(view.themeCount(), 4);
        view.deleteBranch(outside);
        QCOMPARE(view.themeCount(), 3);
        QCOMPARE(LinkListView::themeKind(nullptr), -1);
        QCOMPARE(LinkListView::themeKind(two), 0);
    }

    void deleteBranchOrderAndBookkeeping()
    {
        ScriptedMessages boxes;
        LinkListView view;
        build(view, view.rootTheme(), "a(b(c) d) e");
        QStringList removed;
        QList<int> busyDuring;
        connect(&view, &LinkListView::itemWillRemoved, [&](ColorListViewItem *t) {
            removed.append(t->name());
            busyDuring.append(view.busyDepth());
        });
        view.setCurrentItem(find(view, "c"));
        view.setCurrentItem(find(view, "e"));
        view.deleteBranch(find(view, "a"));
        QCOMPARE(removed, (QStringList{"c", "b", "d", "a"}));
        QVERIFY(!busyDuring.contains(0));
        QVERIFY(view.isStable());
        QCOMPARE(view.themeCount(), 2);
        QCOMPARE(childNames(view.rootTheme()), QString("e"));
        QCOMPARE(boxes.count(), 0);
        // The history kept only e: going back finds nothing deleted.
        view.prevThemeInTime();
        QVERIFY(view.currentTheme() != nullptr);
    }

    void expandingALinkMakesItTheHolder()
    {
        LinkListView view;
        build(view, view.rootTheme(), "m(x y) p(l)");
        ColorListViewItem *m = find(view, "m");
        ColorListViewItem *l = find(view, "l");
        const int before = view.themeCount();
        const int id = linkUp(view, m, l);
        QCOMPARE(id, 1);
        QCOMPARE(childNames(l), QString("NULL"));
        QCOMPARE(view.themeCount(), before + 1);
        QCOMPARE(l->icon(0).cacheKey(), ColorListViewItem::linkIcon().cacheKey());

        QList<ColorListViewItem *> changed;
        connect(&view, &LinkListView::themeChanged,
                [&](ColorListViewItem *t) { changed.append(t); });
        l->setExpanded(true);
        QCOMPARE(childNames(l), QString("x y"));
        QCOMPARE(childNames(m), QString("NULL"));
        QVERIFY(l->isExpanded());
        QCOMPARE(view.holderOrSelf(m), l);
        QCOMPARE(view.resolve(l), m);
        QVERIFY(view.isStable());
        QVERIFY(changed.isEmpty());

        // Expanding the mark brings the children back.
        m->setExpanded(true);
        QCOMPARE(childNames(m), QString("x y"));
        QCOMPARE(childNames(l), QString("NULL"));
    }

    void expandingALinkInsideItsMarkMovesNothing()
    {
        LinkListView view;
        build(view, view.rootTheme(), "m(x l)");
        ColorListViewItem *m = find(view, "m");
        ColorListViewItem *l = find(view, "l");
        linkUp(view, m, l);
        m->setExpanded(true);
        l->setExpanded(true);
        QVERIFY(!l->isExpanded());
        QCOMPARE(childNames(l), QString("NULL"));
        QCOMPARE(childNames(m), QString("x l"));
        QCOMPARE(view.currentTheme(), m);
    }

    void refusedExchangeIsReported()
    {
        ScriptedMessages boxes;
        LinkListView view;
        build(view, view.rootTheme(), "m(x)");
        ColorListViewItem *m = find(view, "m");
        view.storageChangeOwner(m, find(view, "x"));
        QCOMPARE(boxes.texts(), QStringList{"Cannot exchange contents"});
        QCOMPARE(childNames(m), QString("x"));
    }

    void deletingAMarkDissolvesItsGroup()
    {
        ScriptedMessages boxes;
        LinkListView view;
        build(view, view.rootTheme(), "m(x) p(l k)");
        ColorListViewItem *l = find(view, "l");
        ColorListViewItem *k = find(view, "k");
        const int id = linkUp(view, find(view, "m"), l);
        view.setLinkId(k, view.storage().insert(k, -id));
        l->setExpanded(true); // l holds x now
        QCOMPARE(childNames(l), QString("x"));
        const int before = view.themeCount();
        view.deleteBranch(find(view, "m"));
        // m and x go; the null items of l (now under... none) and k go with the group.
        QCOMPARE(LinkListView::themeKind(l), 0);
        QCOMPARE(LinkListView::themeKind(k), 0);
        QCOMPARE(l->childCount(), 0);
        QCOMPARE(k->childCount(), 0);
        QVERIFY(l->icon(0).isNull());
        QCOMPARE(view.themeCount(), before - 4);
        QVERIFY(find(view, "x") == nullptr);
        QVERIFY(view.isStable());
        QCOMPARE(boxes.count(), 0);
    }

    void deletingTheLastLinkMakesTheMarkOrdinary()
    {
        LinkListView view;
        build(view, view.rootTheme(), "m l");
        ColorListViewItem *m = find(view, "m");
        linkUp(view, m, find(view, "l"));
        view.deleteBranch(find(view, "l"));
        QCOMPARE(LinkListView::themeKind(m), 0);
        QVERIFY(m->icon(0).isNull());
        QCOMPARE(view.themeCount(), 2);
    }

    void historyWalks()
    {
        LinkListView view;
        build(view, view.rootTheme(), "a b c d");
        for (const char *name : {"a", "b", "c"})
            view.setCurrentItem(find(view, name));
        view.prevThemeInTime();
        QCOMPARE(view.currentTheme()->name(), QString("b"));
        view.prevThemeInTime();
        QCOMPARE(view.currentTheme()->name(), QString("a"));
        view.nextThemeInTime();
        QCOMPARE(view.currentTheme()->name(), QString("b"));
        view.setCurrentItem(find(view, "d")); // drops c
        view.nextThemeInTime();
        QCOMPARE(view.currentTheme()->name(), QString("d"));
        view.prevThemeInTime();
        QCOMPARE(view.currentTheme()->name(), QString("b"));
        view.deleteBranch(find(view, "a"));
        view.setCurrentItem(find(view, "d"));
        view.prevThemeInTime();
        view.prevThemeInTime();
        view.prevThemeInTime();
        QVERIFY(view.currentTheme()->name() != "a");
    }

    void pathsDepthStatus()
    {
        LinkListView view;
        build(view, view.rootTheme(), "a(b)");
        ColorListViewItem *b = find(view, "b");
        QCOMPARE(view.themePath(b, true), QString("|-/a/b"));
        QCOMPARE(view.themePath(b, false), QString("b/a/-|"));
        QCOMPARE(view.themePath(view.rootTheme(), true), QString("|-"));
        QCOMPARE(view.themePath(view.rootTheme(), false), QString("-|"));
        QCOMPARE(view.themeDepth(b), 2);
        QCOMPARE(view.themeDepth(view.rootTheme()), 0);
        view.setCurrentItem(b);
        QCOMPARE(view.statusText(), QString("b"));
    }

    void descriptionsResolveAndAskTheEditor()
    {
        LinkListView view;
        build(view, view.rootTheme(), "m l o");
        ColorListViewItem *m = find(view, "m");
        ColorListViewItem *l = find(view, "l");
        linkUp(view, m, l);
        int asked = 0;
        QString editorText; // null: the editor has no edit
        connect(&view, &LinkListView::needEditedDescription, [&] {
            ++asked;
            view.putEditedDescription(editorText);
        });
        QCOMPARE(view.description(l, true), QString("m-text"));
        QCOMPARE(view.plainDescription(l, false), QString());
        view.setCurrentItem(l);
        editorText = "typed";
        QCOMPARE(view.description(l, true), QString("typed"));
        QCOMPARE(view.plainDescription(l, true), QString()); // links never take the editor's text
        QCOMPARE(view.plainDescription(m, true), QString("typed"));
        editorText = QString();
        QCOMPARE(view.description(l, true), QString("m-text"));
        editorText = "";
        QCOMPARE(view.description(l, true), QString(""));
        QVERIFY(asked >= 4);

        view.setDescription(l, "new", true);
        QCOMPARE(m->description(), QString("new"));
        QCOMPARE(l->description(), QString());
        view.setSavedCursor(l, 3, 4);
        QCOMPARE(view.savedCursor(m), qMakePair(3, 4));
        QVERIFY(view.isStable());
    }

    void statisticsNumberingAndSubtreeTextThroughAHolder()
    {
        ScriptedMessages boxes;
        LinkListView view;
        build(view, view.rootTheme(), "m(x(z) y) p(l) q");
        view.rootTheme()->setDescription("root");
        ColorListViewItem *m = find(view, "m");
        ColorListViewItem *l = find(view, "l");
        linkUp(view, m, l);
        l->setExpanded(true); // l holds x and y
        connect(&view, &LinkListView::needEditedDescription,
                [&] { view.putEditedDescription(QString()); });

        const QPair<int, int> stats = view.themeStatistics();
        // root(4) + names and texts of m,x,z,y,p,q (7 each) + the name of l; null item 0.
        QCOMPARE(stats, qMakePair(4 + 6 * 7 + 1, 7));
        QCOMPARE(view.lastStatistics(), stats);
        QPair<int, int> branch;
        view.themeStatistics(&branch, p(view));
        QCOMPARE(branch.second, 4); // l, x, z, y
        QCOMPARE(view.lastStatistics(), stats);

        view.numberThemes();
        auto numbers = [&](const char *name) {
            ColorListViewItem *t = find(view, name);
            return qMakePair(t->columnValue(5), t->columnValue(6));
        };
        // Preorder through holders, links skipped: m x z y p q.
        QCOMPARE(numbers("m"), qMakePair(1, 1));
        QCOMPARE(numbers("x"), qMakePair(2, 1));
        QCOMPARE(numbers("z"), qMakePair(3, 1));
        QCOMPARE(numbers("y"), qMakePair(4, 2));
        QCOMPARE(numbers("p"), qMakePair(5, 2));
        QCOMPARE(numbers("l"), qMakePair(0, 0));
        QCOMPARE(numbers("q"), qMakePair(6, 3));

        // The mark's own text is not part of it while a link holds the children.
        QCOMPARE(view.subtreeText(m), QString("x-textz-texty-text"));
        QCOMPARE(view.subtreeText(l), QString());
        QCOMPARE(view.subtreeText(find(view, "p")), QString("p-text"));
        QCOMPARE(boxes.count(), 0);
    }

    void newestThemeLatestDateLastInPreorder()
    {
        LinkListView view;
        build(view, view.rootTheme(), "a(b(c) d)");
        find(view, "a")->setDate(QDate(2005, 1, 1));
        find(view, "b")->setDate(QDate(2005, 2, 1));
        find(view, "c")->setDate(QDate(2004, 2, 1));
        find(view, "d")->setDate(QDate(2005, 2, 1));
        QCOMPARE(view.newestTheme(find(view, "a"))->name(), QString("d"));
        QCOMPARE(view.newestTheme(find(view, "c"))->name(), QString("c"));
    }

    void renamingRuleKeepsOneReminder()
    {
        LinkListView view;
        build(view, view.rootTheme(), "a b");
        ColorListViewItem *a = find(view, "a");
        ColorListViewItem *b = find(view, "b");
        view.renameTheme(a, "__reminder");
        QCOMPARE(view.reminderTheme(), a);
        view.renameTheme(b, "__reminder");
        QCOMPARE(b->name(), QString("~__reminder"));
        QCOMPARE(view.reminderTheme(), a);
        view.renameTheme(a, "plain");
        QVERIFY(view.reminderTheme() == nullptr);
        view.renameTheme(b, "__reminder");
        QCOMPARE(view.reminderTheme(), b);
        view.deleteBranch(b);
        QVERIFY(view.reminderTheme() == nullptr);
    }

    void nameEditorAcceptsOnlyRealEdits()
    {
        LinkListView view;
        view.resize(300, 200);
        view.show();
        build(view, view.rootTheme(), "a");
        ColorListViewItem *a = find(view, "a");
        a->setDate(QDate(2000, 1, 1));
        view.setCurrentItem(a);
        QSignalSpy editState(&view, &LinkListView::changeThemeNameEditState);
        QSignalSpy changed(&view, &LinkListView::dataChanged);

        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(view.isRenaming());
        QVERIFY(view.nameEditor()->isVisible());
        QTest::keyClick(view.nameEditor(), Qt::Key_Return);
        QVERIFY(!view.isRenaming());
        QCOMPARE(a->name(), QString("a"));
        QCOMPARE(a->date(), QDate(2000, 1, 1));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(editState.count(), 2);
        QCOMPARE(editState.at(0).at(0).toBool(), true);

        view.startRenaming(a);
        view.nameEditor()->selectAll();
        QTest::keyClicks(view.nameEditor(), "new");
        view.nameEditor()->insert("\r\nname\n");
        QTest::keyClick(view.nameEditor(), Qt::Key_Return);
        QCOMPARE(a->name(), QString("newname"));
        QCOMPARE(a->date(), QDate(2005, 3, 7));
        QCOMPARE(changed.count(), 1);

        view.startRenaming(a);
        QTest::keyClicks(view.nameEditor(), "xyz");
        QTest::keyClick(view.nameEditor(), Qt::Key_Escape);
        QCOMPARE(a->name(), QString("newname"));

        view.startRenaming(view.rootTheme());
        QVERIFY(!view.isRenaming());
    }

    void keysOfTheView()
    {
        LinkListView view;
        view.resize(200, 100);
        view.show();
        build(view, view.rootTheme(), "a(b)");
        ColorListViewItem *a = find(view, "a");
        view.setCurrentItem(a);
        QVERIFY(!a->isExpanded());
        QTest::keyClick(&view, Qt::Key_Right);
        QVERIFY(a->isExpanded());
        QCOMPARE(view.currentTheme(), a);

        // Ctrl keys other than the commands are not the toolkit's: the current theme stays.
        QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(view.currentTheme(), a);
        QTest::keyClick(&view, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!view.isRenaming());
        QTest::keyClick(&view, Qt::Key_Space, Qt::ShiftModifier | Qt::AltModifier);
        QVERIFY(view.isRenaming());
        QTest::keyClick(view.nameEditor(), Qt::Key_Escape);
        // The keys of the editing commands leave the tree as it is.
        for (auto [key, modifiers] :
             {std::pair{Qt::Key_Delete, Qt::NoModifier}, {Qt::Key_Delete, Qt::ShiftModifier}}) {
            QTest::keyClick(&view, key, modifiers);
            QCOMPARE(view.currentTheme(), a);
            QCOMPARE(view.themeCount(), 3);
        }
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.currentTheme()->name(), QString("b"));
    }

    void scrollTargets()
    {
        QCOMPARE(ScrollMath::left(10, 100), 1);
        QCOMPARE(ScrollMath::left(200, 101), 150);
        QCOMPARE(ScrollMath::up(10, 100), 0);
        QCOMPARE(ScrollMath::up(300, 100), 250);
        QCOMPARE(ScrollMath::right(0, 100, 1000), 50);
        QCOMPARE(ScrollMath::right(890, 100, 1000), 901);
        QCOMPARE(ScrollMath::down(0, 100, 120), 21);
    }

    void insertingThemes()
    {
        ScriptedMessages boxes;
        LinkListView view;
        view.resize(300, 200);
        view.show();
        build(view, view.rootTheme(), "a(b c)");
        QSignalSpy changed(&view, &LinkListView::dataChanged);
        ColorListViewItem *a = find(view, "a");
        view.setCurrentItem(find(view, "b"));
        QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
        QVERIFY(view.isRenaming());
        QTest::keyClicks(view.nameEditor(), "above");
        QTest::keyClick(view.nameEditor(), Qt::Key_Return);
        QCOMPARE(childNames(a), QString("above b c"));
        QCOMPARE(view.currentTheme()->name(), QString("above"));
        QCOMPARE(view.currentTheme()->date(), QDate(2005, 3, 7));

        view.setCurrentItem(find(view, "c"));
        view.menuTreeInsert_Dn();
        QTest::keyClick(view.nameEditor(), Qt::Key_Escape); // an unnamed theme stays
        QCOMPARE(childNames(a), QString("above b c "));
        view.setCurrentItem(find(view, "b"));
        view.menuTreeInsert_Dn();
        QTest::keyClick(view.nameEditor(), Qt::Key_Escape);
        QCOMPARE(childNames(a), QString("above b  c "));

        view.setCurrentItem(a);
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(view.nameEditor(), Qt::Key_Escape);
        QCOMPARE(a->childCount(), 6);
        QCOMPARE(a->childTheme(0)->name(), QString());
        QCOMPARE(view.themeCount(), 8);
        QVERIFY(changed.count() >= 4);
        QVERIFY(view.isStable());
        QCOMPARE(boxes.count(), 0);

        // Nothing goes above or below the root; into it is fine.
        view.setCurrentItem(view.rootTheme());
        view.menuTreeInsert_Up();
        view.menuTreeInsert_Dn();
        QCOMPARE(boxes.texts(), (QStringList{"Cannot do it\nНе могу выполнить операцию",
                                             "Cannot do it\nНе могу выполнить операцию"}));
        QCOMPARE(boxes.captions().first(), QString("Message (Сообщение)"));
        view.menuTreeInsert_Into();
        QCOMPARE(view.rootTheme()->childCount(), 2);
    }

    void insertingIntoALinkFillsItsGroup()
    {
        LinkListView view;
        build(view, view.rootTheme(), "m(x) l");
        ColorListViewItem *m = find(view, "m");
        ColorListViewItem *l = find(view, "l");
        linkUp(view, m, l);
        view.setCurrentItem(l);
        view.menuTreeInsert_Into();
        view.closeItemNameEditBox();
        QCOMPARE(childNames(l), QString(" x")); // the link holds the group's children now
        QCOMPARE(childNames(m), QString("NULL"));
    }

    void resolvedAncestryClimbsThroughMarks()
    {
        LinkListView view;
        build(view, view.rootTheme(), "m(x) p(l(y))");
        ColorListViewItem *m = find(view, "m");
        ColorListViewItem *l = find(view, "l");
        linkUp(view, m, l);
        QVERIFY(view.resolvedAncestry(find(view, "x"), m));
        QVERIFY(view.resolvedAncestry(l, m)); // a link starts at its mark
        QVERIFY(!view.resolvedAncestry(find(view, "x"), find(view, "p")));
        QVERIFY(view.resolvedAncestry(find(view, "y"), m)); // l's children count as m's

        // A mark theme below its own link: the climb ends.
        LinkListView loop;
        build(loop, loop.rootTheme(), "q(k(n))");
        ColorListViewItem *n = find(loop, "n");
        linkUp(loop, n, find(loop, "k"));
        QVERIFY(loop.resolvedAncestry(n, find(loop, "q")));
        QVERIFY(!loop.resolvedAncestry(n, find(loop, "zzz")));
    }

    void gotoMarkJumpsFromALink()
    {
        LinkListView view;
        build(view, view.rootTheme(), "m o l");
        ColorListViewItem *m = find(view, "m");
        linkUp(view, m, find(view, "l"));
        view.setCurrentItem(find(view, "o"));
        view.gotoMark();
        QCOMPARE(view.currentTheme()->name(), QString("o"));
        view.setCurrentItem(find(view, "l"));
        view.gotoMark();
        QCOMPARE(view.currentTheme(), m);
    }

private:
    static ColorListViewItem *p(LinkListView &view) { return find(view, "p"); }
};

QTEST_MAIN(TestLinkListView)
#include "tst_linklistview.moc"
