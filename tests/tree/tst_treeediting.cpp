#include "common/Messages.h"
#include "find/GoToNames.h"
#include "model/ThemeTreeModel.h"
#include "support/DocumentView.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "tree/NameEditor.h"
#include "tree/ThemeView.h"
#include "tree/TreeUndo.h"
#include "tree/TreeWalk.h"

#include <QLineEdit>
#include <QMenu>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTreeWidgetItemIterator>

// Runs a step of a script (below) on the view over the document.
static void runOnView(ThemeView &view, const QHash<QString, Theme *> &named, const QString &step)
{
    const QString command = step.section('@', 0, 0);
    if (step.contains('@'))
        view.setCurrentTheme(named[step.section('@', 1)]);
    if (command.startsWith('=')) {
        auto *editor = qobject_cast<QLineEdit *>(view.indexWidget(view.currentIndex()));
        QVERIFY2(editor, "no name editor open");
        editor->insert(command.mid(1));
        QTest::keyClick(editor, command == "=" ? Qt::Key_Escape : Qt::Key_Return);
    } else if (command == "menuAllChildOut") {
        view.run(&EditingCommands::allChildrenOut);
    } else if (command == "menuGoToReminder") {
        view.goToReminder();
    } else if (command.startsWith("pmTreeInsert")) {
        view.pasteKindMenu()->close();
        command.endsWith("Link") ? view.pasteAsLink() : view.pasteAsCopy();
    } else {
        const QKeyCombination key =
                QKeySequence(command == "menuEditThemeName" ? "Space" : command)[0];
        QVERIFY2(key.key() != Qt::Key_unknown, qPrintable(command));
        QTest::keyClick(&view, key.key(), key.keyboardModifiers());
    }
}

// Every editing command on trees with link groups, through the view's keys where it has one, in
// the widget and in the view over the document; the rows are in data/commands.jsonl. A row's script
// is a list of steps: a key ("Ctrl+Up") or a slot without a key, optionally "@theme" to make that
// theme current first; "=name" types a name into the open name editor and accepts it, "=" escapes;
// "." lets pending events run. The log has a letter per signal while the steps run: t themeChanged,
// s stateChanged, d dataChanged, x itemWillRemoved, e name editor opened or closed, m paste kind
// menu shown, and ! for the refusal box, c for "Cannot exchange contents".
class TestTreeEditing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void commands_data() { JSON_ROWS("tree", "script", "result", "status", "log"); }
    void commands()
    {
        FETCH_TEXTS(tree, script);
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
        GoToNames kept(&view, nullptr);
        kept.update();

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
        QVERIFY(keptAsGathered(kept, view));
        // The theme count, icons as the ids say, and a tree that saves and reads back, without
        // a box, to the same bytes.
        QVERIFY(view.isStable());
        QCOMPARE(view.themeCount(), countThemes(view));
        const QByteArray bytes = saveToBytes(view, 0);
        LinkListView again;
        again.setReminderRinging(false);
        QVERIFY(loadBytes(again, bytes));
        QVERIFY2(!log.contains('?'), qPrintable(log));
        QCOMPARE(saveToBytes(again, 0), bytes);

        // Each step undone gives back the tree before it, and redone the tree after it.
        QCOMPARE(view.undoHistory().index(), steps.size());
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            view.menuUndo();
            QCOMPARE(snapshot(), it->first);
            QVERIFY(keptAsGathered(kept, view));
        }
        QVERIFY(!view.undoHistory().canUndo());
        for (const auto &step : std::as_const(steps)) {
            view.menuRedo();
            QCOMPARE(snapshot(), step.second);
            QVERIFY(keptAsGathered(kept, view));
        }
        QVERIFY(view.isStable());
        Messages::setResponder({});
        viewOverTheDocument();
    }

    // The open themes after the script, after undoing all of it and after redoing it: a move
    // carries its branch's open themes both ways, and a link whose opening is taken back closes
    // over its null item. The same in the view over the document.
    void undoKeepsOpenThemes_data() { JSON_ROWS("tree", "open", "script", "seen"); }
    void undoKeepsOpenThemes()
    {
        FETCH_TEXTS(tree, open, script);
        LinkListView view;
        view.resize(300, 300);
        view.show();
        buildOutline(view, tree);
        for (const QString &name : open.split(' ', Qt::SkipEmptyParts))
            themeNamed(view, name)->setExpanded(true);
        for (const QString &step : script.split(' ')) {
            view.setCurrentItem(themeNamed(view, step.section('@', 1)));
            run(view, step.section('@', 0, 0));
        }
        QStringList seen{openThemes(view)};
        const int steps = view.undoHistory().index();
        for (int i = 0; i < steps; ++i)
            view.menuUndo();
        seen << openThemes(view);
        for (int i = 0; i < steps; ++i)
            view.menuRedo();
        seen << openThemes(view);
        QTEST(seen.join(" | "), "seen");
        viewOverTheDocumentKeepsOpenThemes();
    }

    // The same rows through the keys of the view over the document.
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
        const QStringList commands =
                QString("Shift+Up =n|Shift+Down =|Shift+Right =i|Ctrl+Left|Ctrl+Right =r|Ctrl+Up|"
                        "Ctrl+Down|menuAllChildOut|Shift+Del|Ctrl+Ins|Shift+Ins|pmTreeInsert_Link|"
                        "pmTreeInsert_Ordinar|Del|Right|menuEditThemeName =e")
                        .split('|');
        QRandomGenerator random(20);
        QList<QByteArray> history{saveToBytes(view, 0)};
        qsizetype dropped = 0;
        TreeUndo &undo = view.undoHistory();
        GoToNames kept(&view, nullptr);
        for (int round = 0; round < 3000; ++round) {
            if (round == 1500)
                undo.setByteLimit(20000);
            int choice = random.bounded(int(commands.size()) + 6);
            if (view.themeCount() > 80 && choice < commands.size()) // copies grow the tree
                choice = int(commands.indexOf("Del"));
            const int done = undo.index();
            if (choice >= commands.size()) {
                choice % 2 ? view.menuUndo() : view.menuRedo();
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
            if (round % 100 == 0)
                QCOMPARE(view.themeCount(), view.isStable() ? countThemes(view) : -1);
            QVERIFY2(!view.isStable() || keptAsGathered(kept, view),
                     qPrintable(QString::number(round)));
        }
        QVERIFY(dropped > 0);
        QVERIFY(undo.heldBytes() <= 20000 || undo.count() == 1);
        Messages::setResponder({});
    }

private:
    // Go to's names, kept through the changes, are those a fresh gathering finds, in its order.
    static bool keptAsGathered(GoToNames &kept, LinkListView &view)
    {
        GoToNames fresh(&view, nullptr);
        kept.update();
        fresh.update();
        return kept.themes() == fresh.themes() && kept.names().text() == fresh.names().text();
    }

    // The themes of the tree, the root included; each shows the icon its link id asks for.
    static int countThemes(LinkListView &view)
    {
        int items = 1;
        walkBranch(
                view.rootTheme(), [](ColorListViewItem *t) -> QTreeWidgetItem * { return t; },
                [&](ColorListViewItem *t, int, int) {
                    ++items;
                    const QIcon kind = t->linkId() > 0   ? ColorListViewItem::markIcon()
                                       : t->linkId() < 0 ? ColorListViewItem::linkIcon()
                                                         : QIcon();
                    if (t->icon(0).cacheKey() != kind.cacheKey())
                        items = -1000000;
                });
        return items;
    }

    // The row of commands() through the keys of the view over the document, which has no
    // placeholder rows to move across or make current.
    static void viewOverTheDocument()
    {
        FETCH_TEXTS(tree, script, result, status, log);
        if (script.contains(QRegularExpression("(^| )(Up|Down|\\.|\\S*@_)( |$)")) ||
            log.contains('c'))
            return;
        DocumentView built(tree);
        auto &[document, named, undo, view] = built;
        view.show();
        ScriptedMessages shown;
        QString boxes, before;
        // Current theme and outline before and after each step; a name typed joins its command's.
        const auto snapshot = [&] {
            return view.currentTheme()->name() + ':' + outlineAndSource(document, view.commands());
        };
        QList<QStringList> steps;
        bool opened = false;
        for (const QString &step : script.split(' ')) {
            const int boxesBefore = shown.count(), done = undo.index();
            if (step.contains('@'))
                view.setCurrentTheme(named[step.section('@', 1)]);
            if (!opened)
                before = snapshot();
            runOnView(view, named, step);
            if (undo.index() != done || (!view.isRenaming() && opened)) {
                opened = view.isRenaming();
                if (!opened)
                    steps.append({before, snapshot()});
            }
            const bool asked = step.startsWith("Shift+Ins") && view.pasteKindMenu()->isVisible();
            boxes += QString(shown.count() > boxesBefore ? "!" : "") + (asked ? "m" : "");
            QVERIFY2(view.visualRect(view.currentIndex()).isValid(), "the current row is hidden");
        }
        const qsizetype source = status.contains('[') ? status.indexOf('[') : status.size();
        QCOMPARE(snapshot(), QString(status).insert(source, ':' + result));
        QCOMPARE(boxes, QString(log).remove(QRegularExpression("[^!m]")));
        for (qsizetype i = 0, n = steps.size(); i < 2 * n; ++i) { // undo all, then redo all
            i < n ? view.undo() : view.redo();
            QCOMPARE(snapshot(), i < n ? steps[n - 1 - i][0] : steps[i - n][1]);
        }
    }

    // The row of undoKeepsOpenThemes() on the view over the document.
    static void viewOverTheDocumentKeepsOpenThemes()
    {
        FETCH_TEXTS(tree, open, script);
        DocumentView built(tree);
        auto &[document, named, undo, view] = built;
        view.show();
        for (const QString &name : open.split(' ', Qt::SkipEmptyParts)) {
            // By the arrow left of the theme: a link shows one for subthemes held elsewhere.
            const QRect row = view.visualRect(view.rows().indexOf(named[name]));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                              QPoint(row.left() - 5, row.center().y()));
        }
        for (const QString &step : script.split(' '))
            runOnView(view, named, step);
        const auto openThemes = [&] { // names without spaces
            QStringList names;
            walkThemes(
                    document.root(), [](Theme *t) { return t; },
                    [&](Theme *t, int, int) { names << (view.isOpen(t) ? t->name() : QString()); });
            return names.join(' ').simplified();
        };
        QStringList seen{openThemes()};
        for (bool (DocumentUndo::*move)() : {&DocumentUndo::undo, &DocumentUndo::redo}) {
            while ((undo.*move)()) {
            }
            seen << openThemes();
        }
        QTEST(seen.join(" | "), "seen");
    }

    // The names of the open themes below the root, in the tree's order.
    static QString openThemes(LinkListView &view)
    {
        QStringList open;
        for (QTreeWidgetItemIterator it(view.rootTheme()); *it; ++it)
            if (*it != view.rootTheme() && (*it)->isExpanded())
                open << (*it)->text(0);
        return open.join(' ');
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
