#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "support/DocumentView.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/NameEditor.h"
#include "tree/ScrollMath.h"
#include "tree/ThemeView.h"
#include "tree/ViewKeys.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPaintEvent>
#include <QScrollBar>
#include <QSignalSpy>

class TestThemeView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    // A name makes that theme current, "<" goes back in time, ">" forward, "-a" deletes a, "^"
    // goes to the mark; the current theme after each step, for "@" the previous one.
    void historyWalks_data() { JSON_ROWS("steps", "seen"); }
    void historyWalks()
    {
        QFETCH(QString, steps);
        DocumentView built("a(e),b,c,d,m+1,l-1(_)");
        auto &[document, named, undo, view] = built;
        QString seen;
        for (const QString &step : steps.split(' ')) {
            if (step == "<")
                view.backInTime();
            else if (step == ">")
                view.forwardInTime();
            else if (step == "^")
                view.goToMark();
            else if (step.startsWith('-'))
                document.takeTheme(named[step.mid(1)]);
            else if (step != "@")
                view.setCurrentTheme(named[step]);
            Theme *theme = step == "@" ? view.previousTheme() : view.currentTheme();
            seen += theme ? theme->name() : "0";
        }
        QTEST(seen, "seen");
    }

    // Questions to the document and its view about the row's tree, with themes dated as the row
    // says ("name yyyy-MM-dd ..."): "path T" and "shortPath T" (the status bar's form), "depth T",
    // "status T" (T current), "newest T", "characters T", "subtree T" (the text below T),
    // "climb T A" (whether T's climb through the marks meets A), "mark T" (where going to the mark
    // from T leads); the half-page scroll targets "left X WIDTH", "up Y HEIGHT", "right X WIDTH
    // CONTENTS", "down Y HEIGHT CONTENTS".
    void questions_data() { JSON_ROWS("tree", "question", "answer", "dates?"); }
    void questions()
    {
        FETCH_TEXTS(tree, question, dates);
        DocumentView built(tree);
        auto &[document, named, undo, view] = built;
        const QStringList dated = dates.split(' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i + 1 < dated.size(); i += 2)
            named[dated[i]]->setDate(QDate::fromString(dated[i + 1], Qt::ISODate));
        const QStringList words = question.split(' ');
        const QString &asked = words[0];
        Theme *theme = named.value(words.value(1));
        const auto number = [&](int i) { return words.value(i).toInt(); };
        QString answer;
        if (asked == "path" || asked == "shortPath") {
            answer = themePath(theme, asked == "path");
        } else if (asked == "depth") {
            answer = QString::number(themeDepth(theme));
        } else if (asked == "status" || asked == "mark") {
            view.setCurrentTheme(theme);
            if (asked == "mark")
                view.goToMark();
            answer = asked == "mark" ? view.currentTheme()->name() : view.statusText();
        } else if (asked == "newest") {
            answer = document.newestTheme(theme)->name();
        } else if (asked == "characters") {
            answer = QString::number(document.characterCount(theme));
        } else if (asked == "subtree") {
            answer = document.subtreeText(theme, false);
        } else if (asked == "climb") {
            answer = QString::number(document.resolvedClimbMeets(theme, named[words[2]]));
        } else {
            using namespace ScrollMath;
            answer = QString::number(asked == "left"    ? left(number(1), number(2))
                                     : asked == "up"    ? up(number(1), number(2))
                                     : asked == "right" ? right(number(1), number(2), number(3))
                                                        : down(number(1), number(2), number(3)));
        }
        QTEST(answer, "answer");
    }

    // Keys and clicks on a shown "a(b)", a current and dated 1 Jan 2000, keys to the name editor
    // while open. "'x" types x, "+x" inserts x and accepts, "click"/"arrow" click a/its arrow,
    // "rclick" right-clicks a, "root" clicks and double-clicks the root. Seen after each step: the
    // current theme, "+" when open, "*" and the editor's text while renaming, a menu's first entry
    // in brackets; then the rename states told, a's date.
    void keysAndMouse_data() { JSON_ROWS("steps", "seen"); }
    void keysAndMouse()
    {
        QFETCH(QString, steps);
        DocumentView built("a(b)");
        ThemeView &view = built.view;
        Theme *theme = built.named["a"];
        theme->setDate(QDate(2000, 1, 1));
        view.show();
        view.setCurrentTheme(theme);
        QSignalSpy renaming(&view, &ThemeView::renamingChanged);
        const auto editor = [&] { return view.isRenaming() ? view.nameEditor() : nullptr; };
        const QRect rect = view.visualRect(view.rows().indexOf(theme));
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
        seen += "| ";
        for (const QList<QVariant> &told : std::as_const(renaming))
            seen += told.at(0).toBool() ? '1' : '0';
        QTEST(seen + ' ' + theme->date().toString(Qt::ISODate), "seen");
    }

    // * opens the current theme and every theme below it that has subthemes of its own, at
    // once: a link whose group's subthemes the mark holds leaves them there, and Ctrl+* is not
    // the view's. On a link, * opens it as Right does, and its branch.
    void asteriskOpensTheBranch()
    {
        DocumentView built("P(A(B(C)),M+1(x(y)),L-1(_)),Q(D)");
        ThemeView &view = built.view;
        view.show();
        view.setCurrentTheme(built.named["P"]);
        view.collapseAll();
        QTest::keyClick(&view, Qt::Key_Asterisk, Qt::ControlModifier);
        QCOMPARE(openThemes(view), QString());
        QTest::keyClick(&view, Qt::Key_Asterisk, Qt::ShiftModifier);
        QCOMPARE(openThemes(view), QString("P A B M x"));
        QCOMPARE(outlineOf(built.document), QString("P(A(B(C)),M+1(x(y)),L-1(_)),Q(D)"));
        QCOMPARE(view.currentTheme(), built.named["P"]);
        view.setCurrentTheme(built.named["L"]);
        QTest::keyClick(&view, Qt::Key_Asterisk);
        QCOMPARE(outlineOf(built.document), QString("P(A(B(C)),M+1(_),L-1(x(y))),Q(D)"));
        QCOMPARE(openThemes(view), QString("P A B L x"));
    }

    // A shown theme renamed from outside the view (a Replace all) is painted again at once.
    void renamedRowsArePaintedAgain()
    {
        DocumentView built("A,B(C)");
        ThemeView &view = built.view;
        view.show();
        view.expand(view.rows().indexOf(built.named["B"]));
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCoreApplication::processEvents();
        struct Painted : QObject
        {
            QRegion region;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    region += static_cast<QPaintEvent *>(event)->region();
                return false;
            }
        } painted;
        view.viewport()->installEventFilter(&painted);
        for (const char *name : {"A", "C"}) {
            painted.region = QRegion();
            built.document.renameTheme(built.named[name], QString(name) + " renamed");
            QCoreApplication::processEvents();
            QVERIFY(painted.region.contains(
                    view.visualRect(view.rows().indexOf(built.named[name]))));
        }
    }

    // Opening a theme scrolls its subthemes into sight, as many as fit below it. Seen after
    // Right on a, the last of ten themes at the foot of the view: "top" when a is at the top
    // of the view, each of a and its last subtheme "in" or "out" of sight.
    void openingShowsTheSubthemes_data() { JSON_ROWS("seen"); }
    void openingShowsTheSubthemes()
    {
        const int children = QString(QTest::currentDataTag()).section(' ', 0, 0).toInt();
        DocumentView built(QString("x,").repeated(10) + "a(" +
                           QStringList(children, "b").join(',') + ')');
        ThemeView &tree = built.view;
        tree.setCurrentTheme(built.named["a"]);
        tree.resize(300, 200);
        tree.show();
        tree.scrollTo(tree.currentIndex(), QAbstractItemView::PositionAtBottom);
        QTest::keyClick(&tree, Qt::Key_Right);
        QCoreApplication::processEvents();
        const QModelIndex a = tree.currentIndex(), last = a.model()->index(children - 1, 0, a);
        QString seen = tree.visualRect(a).top() == 0 ? "top" : "";
        for (const QModelIndex &row : {a, last})
            seen += tree.viewport()->rect().contains(tree.visualRect(row)) ? " in" : " out";
        QTEST(seen, "seen");
    }

    // Column 0 follows the widest shown row as themes are shown, hidden, renamed and given icons,
    // and is exactly what measuring every shown row gives (the tracker may round up by a pixel or
    // two), so no name is cut and no stale width stays behind. A row's steps: "open chain" opens
    // the deep chain below "first" row by row, "open themes" theme by theme; "open T", "close T",
    // "insert P NAME", "move T P ROW", "join T" (an icon), "leave T", "delete T", "rename T NAME"
    // (in the name editor), "font SIZE" (the tree's, in points); "widest" is the widest name.
    void followsTheWidestShownRow_data() { JSON_ROWS("steps"); }
    void followsTheWidestShownRow()
    {
        QFETCH(QString, steps);
        ScriptedMessages boxes;
        QString chain = "level29";
        for (int depth = 28; depth >= 0; --depth)
            chain = QString("level%1(%2)").arg(depth).arg(chain);
        const char *wide = "aratherwidernameofathemethanthetitle";
        DocumentView built(QString("first(%1),%2,last").arg(chain, wide));
        auto &[document, named, undo, view] = built;
        named["widest"] = named[wide];
        view.resize(220, 160);
        view.show();
        QCoreApplication::processEvents();
        QVERIFY(view.isExpanded(view.model()->index(0, 0))); // the top themes are in sight
        view.expand(view.rows().indexOf(named["first"]));
        for (const QString &step : steps.split("; ")) {
            const QStringList words = step.split(' ');
            Theme *theme = named.value(words.value(1));
            if (step == "open chain") {
                for (QModelIndex row = view.rows().indexOf(named["first"]); row.isValid();
                     row = view.model()->index(0, 0, row))
                    view.expand(row);
            } else if (step == "open themes") {
                for (theme = named["first"]; theme;
                     theme = theme->childCount() > 0 ? theme->child(0) : nullptr)
                    view.expand(view.rows().indexOf(theme));
            } else if (words[0] == "open" || words[0] == "close") {
                view.setExpanded(view.rows().indexOf(theme), words[0] == "open");
            } else if (words[0] == "insert") {
                Theme *child = document.createTheme();
                document.renameTheme(child, words[2]);
                document.insertTheme(theme, 0, child);
            } else if (words[0] == "move") {
                document.moveTheme(theme, named[words[2]], words[3].toInt());
            } else if (words[0] == "join") {
                document.joinGroup(theme, 1);
            } else if (words[0] == "leave") {
                document.leaveGroup(theme);
            } else if (words[0] == "delete") {
                document.takeTheme(theme);
            } else if (words[0] == "font") {
                QFont font = view.font();
                font.setPointSize(words[1].toInt());
                view.setFont(font);
            } else {
                QCOMPARE(words[0], "rename");
                view.setCurrentIndex(view.rows().indexOf(theme));
                QTest::keyClick(&view, Qt::Key_Space);
                auto *editor = qobject_cast<QLineEdit *>(view.indexWidget(view.currentIndex()));
                QVERIFY(editor->x() >= 0 && editor->x() + 30 <= view.viewport()->width());
                editor->selectAll();
                editor->insert(words[2]);
                QTest::keyClick(editor, Qt::Key_Return);
            }
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

QTEST_MAIN(TestThemeView)
#include "tst_themeview.moc"
