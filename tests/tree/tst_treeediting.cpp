#include "model/ThemeTreeModel.h"
#include "support/DocumentView.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "support/ViewSteps.h"
#include "tree/ThemeView.h"

// Every editing command on trees with link groups, through the view's keys where it has one; the
// rows are in data/treeediting.jsonl, their scripts in the steps of ViewSteps.h. The log has a
// letter per box and menu: ! the refusal box, ? any other, m the paste kind menu.
class TestTreeEditing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void commands_data() { JSON_ROWS("tree", "script", "result", "status", "log", "texts?"); }
    void commands()
    {
        FETCH_TEXTS(tree, script, result, status);
        DocumentView built(tree);
        auto &[document, named, undo, view] = built;
        view.resize(300, 300);
        view.show();
        ScriptedMessages shown;
        const auto self = [](Theme *theme) { return theme; };
        walkThemes(document.root(), self, [](Theme *theme, int, int) {
            theme->setDate({2000, 1, 1});
        });
        QString log, before;
        // Current theme, outline and paste source before and after each step, with the bytes
        // saved; a name typed joins its command's step.
        const auto snapshot = [&] {
            return view.currentTheme()->name() + ':' + outlineAndSource(document, view.commands());
        };
        const auto state = [&] {
            return snapshot() + QString::fromLatin1(saveToBytes(document, document.root(), 0));
        };
        QList<QStringList> steps;
        bool opened = false;
        for (const QString &step : script.split(' ')) {
            const int boxesBefore = shown.count(), done = undo.index();
            if (step.contains('@'))
                view.setCurrentTheme(named[step.section('@', 1)]);
            if (!opened)
                before = state();
            runOnView(view, named, step);
            if (undo.index() != done || (!view.isRenaming() && opened)) {
                opened = view.isRenaming();
                if (!opened)
                    steps.append({before, state()});
            }
            for (const QString &text : shown.texts().mid(boxesBefore))
                log += text == "Cannot do it\nНе могу выполнить операцию" ? '!' : '?';
            if (step.startsWith("Shift+Ins") && view.pasteKindMenu()->isVisible())
                log += 'm';
            view.pasteKindMenu()->hide();
            QVERIFY2(view.visualRect(view.currentIndex()).isValid(), "the current row is hidden");
        }
        const qsizetype source = status.contains('[') ? status.indexOf('[') : status.size();
        QCOMPARE(snapshot(), QString(status).insert(source, ':' + result));
        QTEST(log, "log");
        FETCH_TEXTS(texts);
        if (!texts.isEmpty()) // the tree with every description, where the row gives it
            QCOMPARE(outlineOf(document, true), texts);
        // What a command made, copied or named is dated today; the rest keeps its date.
        walkThemes(document.root(), self, [](Theme *theme, int, int) {
            QVERIFY2(theme->date() == QDate(2000, 1, 1) || theme->date() == Clock::today(),
                     qPrintable(theme->name()));
        });
        // The tree saves and reads back, without a broken group, to the same bytes; the root, never
        // dated, reads back dated today.
        const QByteArray bytes = saveToBytes(document, document.root(), 0);
        ThemeDocument again;
        QVERIFY(!loadBytes(again, bytes).any());
        QCOMPARE(saveToBytes(again, again.root(), 0),
                 QByteArray(bytes).replace("[00.00.0]", "[07.03.2005]"));
        // Each step undone gives back the tree before it, and redone the tree after it.
        QCOMPARE(undo.index(), steps.size());
        for (qsizetype i = 0, n = steps.size(); i < 2 * n; ++i) { // undo all, then redo all
            i < n ? view.undo() : view.redo();
            QCOMPARE(state(), i < n ? steps[n - 1 - i][0] : steps[i - n][1]);
        }
    }

    // The open themes after the script, after undoing all of it and after redoing it: a move
    // carries its branch's open themes both ways, and a link whose opening is taken back closes.
    void undoKeepsOpenThemes_data() { JSON_ROWS("tree", "open", "script", "seen"); }
    void undoKeepsOpenThemes()
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
        QStringList seen{openThemes(view)};
        for (bool (DocumentUndo::*move)() : {&DocumentUndo::undo, &DocumentUndo::redo}) {
            while ((undo.*move)()) {
                const auto [laid, called] = laidOutRows(view);
                QCOMPARE(laid, called);
            }
            seen << openThemes(view);
        }
        QTEST(seen.join(" | "), "seen");
    }
};

QTEST_MAIN(TestTreeEditing)
#include "tst_treeediting.moc"
