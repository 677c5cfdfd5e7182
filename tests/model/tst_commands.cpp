#include "model/EditingCommands.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/TreeOutline.h"

#include <QCoreApplication>

// The tree-editing commands on the document alone, through the rows the view's own tests run
// (tests/tree/data): the same trees and scripts, each key mapped to its command.
class TestCommands : public QObject
{
    Q_OBJECT
    using C = EditingCommands;

    // The undo history gives back, step by step, the state before each step and after it.
    static void undoRedo(const ThemeDocument &document, const C &commands, DocumentUndo &undo,
                         const QList<QStringList> &steps)
    {
        QCOMPARE(undo.index(), steps.size());
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            QVERIFY(undo.undo());
            QCOMPARE(outlineAndSource(document, commands), it->at(0));
        }
        for (const QStringList &step : steps) {
            QVERIFY(undo.redo());
            QCOMPARE(outlineAndSource(document, commands), step.at(1));
        }
    }

private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 7)); }
    void cleanup() { resetClock(); }

    void commands_data()
    {
        addJsonRows(QFINDTESTDATA("../tree/data/treeediting.jsonl"),
                    {"tree", "script", "result", "status", "log"});
    }
    void commands()
    {
        FETCH_TEXTS(tree, script, result, status, log);
        // The cursor across null items, a null item made current, the box of an exchange the
        // view refuses and events left to run are the view's alone.
        if (script.contains(QRegularExpression("(^| )(Up|Down|\\.|\\S*@_)( |$)")) ||
            log.contains('c'))
            QSKIP("a step only the view has");
        static const QStringList keys =
                QString("Shift+Up Shift+Down Shift+Right Ctrl+Left Ctrl+Right Ctrl+Up Ctrl+Down "
                        "menuAllChildOut Shift+Del Ctrl+Ins Shift+Ins pmTreeInsert_Link "
                        "pmTreeInsert_Ordinar")
                        .split(' ');
        static C::Outcome (C::*const run[])(Theme *) = {
                &C::insertAbove, &C::insertBelow, &C::insertInto,     &C::moveLeft, &C::moveRight,
                &C::moveUp,      &C::moveDown,    &C::allChildrenOut, &C::cut,      &C::copy,
                &C::paste,       &C::pasteLink,   &C::pasteCopy};
        ThemeDocument document;
        const QHash<QString, Theme *> named = buildOutline(document, tree);
        DocumentUndo undo(document);
        EditingCommands commands(document, undo);
        const auto self = [](Theme *theme) { return theme; };
        walkThemes(document.root(), self, [](Theme *theme, int, int) {
            theme->setDate({2000, 1, 1});
        });
        Theme *current = document.root();
        Theme *renamed = nullptr; // in the name editor opened without a command, on its name
        QString boxes, before;
        QList<QStringList> steps;
        bool naming = false, opened = false;
        for (const QString &step : script.split(' ')) {
            const QString command = step.section('@', 0, 0);
            if (step.contains('@'))
                current = named[step.section('@', 1)];
            const int done = undo.index();
            if (!naming)
                before = outlineAndSource(document, commands);
            C::Outcome outcome;
            if (command.startsWith('=')) {
                command == "=" ? commands.closeNaming()
                : renamed      ? commands.rename(renamed, renamed->name() + command.mid(1))
                               : commands.nameOpened(command.mid(1));
                renamed = nullptr;
            } else if (command == "menuEditThemeName") {
                renamed = current;
            } else if (command == "menuGoToReminder") {
                outcome = commands.goToReminder(current, "tasks");
                // A new reminder's theme holds the example task lines.
                QVERIFY(undo.index() == done || outcome.current->description() == "tasks");
            } else if (command == "Right") {
                current = commands.open(current);
            } else if (command == "Del") {
                outcome = commands.remove(current, [](Theme *) { return true; });
            } else {
                QVERIFY2(keys.contains(command), qPrintable(command));
                outcome = (commands.*run[keys.indexOf(command)])(current);
            }
            boxes += QString(outcome.refused ? "!" : "") + (outcome.kindAsked ? "m" : "");
            current = outcome.current ? outcome.current : current;
            // A name given in the editor belongs to the step that opened it.
            naming = outcome.opened || renamed;
            if (undo.index() != done || (!naming && opened)) {
                opened = naming;
                if (!opened)
                    steps.append({before, outlineAndSource(document, commands)});
            }
        }
        QCOMPARE(outlineOf(document), result);
        // What a command made, copied or named is dated today; the rest keeps its date.
        walkThemes(document.root(), self, [](Theme *theme, int, int) {
            QVERIFY2(theme->date() == QDate(2000, 1, 1) || theme->date() == Clock::today(),
                     qPrintable(theme->name()));
        });
        QCOMPARE(current->name() + commands.sourceText(), status);
        QCOMPARE(boxes, QString(log).remove(QRegularExpression("[^!m]"))); // refused, kind asked
        undoRedo(document, commands, undo, steps);
    }

    // Drops on the rows of the view's drag and drop; with Ctrl a copy, with Ctrl+Shift a link.
    void drops_data()
    {
        addJsonRows(QFINDTESTDATA("../tree/data/treedragdrop.jsonl"),
                    {"tree", "dragged", "target", "place", "keys", "result"});
    }
    void drops()
    {
        FETCH_TEXTS(tree, dragged, target, place, keys, result);
        // A null item is the view's, and so is the place after an open theme.
        if (dragged == "_" || target == "_" || target.endsWith('+'))
            QSKIP("a place only the view has");
        ThemeDocument document;
        const QHash<QString, Theme *> named = buildOutline(document, tree);
        DocumentUndo undo(document);
        EditingCommands commands(document, undo);
        const QString before = outlineAndSource(document, commands);
        // Places in the order "bia", kinds by the keys' length.
        const C::Outcome outcome = commands.drop(named[dragged], named[target],
                                                 C::DropPlace(QString("bia").indexOf(place)),
                                                 C::DropKind(keys.size() / 4));
        // No source of a paste afterwards: the drop leaves the keys' as they were.
        QCOMPARE(outlineAndSource(document, commands), result.isEmpty() ? tree : result);
        QCOMPARE(outcome.current ? outcome.current->name() : "", result.isEmpty() ? "" : dragged);
        QCOMPARE(undo.undoText(), result.isEmpty() ? "" : "Drag and Drop");
        undoRedo(document, commands, undo,
                 result.isEmpty()
                         ? QList<QStringList>()
                         : QList<QStringList>{{before, outlineAndSource(document, commands)}});
    }

    // A name typed after a change outside every step (a link opened meanwhile) is a step of its
    // own, which takes that change with it; what the editor stores before each step, undo and
    // redo stays.
    void nameAfterALinkOpened()
    {
        ThemeDocument document;
        const QHash<QString, Theme *> named = buildOutline(document, "A,M+1(x),L-1(_)");
        DocumentUndo undo(document);
        EditingCommands commands(document, undo);
        // The editor stores its text before each change of the history, outside every step.
        QString heard;
        const auto store = [&] {
            document.setThemeDescription(named["A"], "typed" + (heard += 'a'));
        };
        undo.setListeners(store, [&] { heard += 'c'; });
        commands.insertBelow(named["A"]);
        commands.open(named["L"]);
        commands.nameOpened("N");
        // The editor's date stamp, outside every step too: no undo takes either back.
        document.setThemeDate(named["A"], {2001, 2, 3});
        QStringList seen{undo.undoText() + ": " + outlineOf(document)};
        while (undo.undo())
            seen << undo.redoText() + ": " + outlineOf(document);
        QCOMPARE(heard, "acacacac");
        QCOMPARE(named["A"]->description() + named["A"]->date().toString(Qt::ISODate),
                 "typedacacaca2001-02-03");
        QCOMPARE(seen, (QStringList{"Rename: A,N,M+1(_),L-1(x)", "Rename: A,,M+1(x),L-1(_)",
                                    "Insert Down: A,M+1(x),L-1(_)"}));
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
