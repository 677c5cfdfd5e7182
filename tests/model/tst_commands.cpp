#include "model/EditingCommands.h"
#include "support/TreeOutline.h"

#include <QTest>

// The editing commands on the document alone, with no view.
class TestCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
