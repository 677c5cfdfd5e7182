#pragma once

#include "model/EditingCommands.h"
#include "tree/ThemeView.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>

// Runs a step of a script on the view over the document: a key ("Ctrl+Up") or a command without a
// key, optionally "@theme" to make that theme current first; "=name" types a name into the open
// name editor and accepts it, "=" escapes; "." lets pending events run; "undo" takes back a step.
inline void runOnView(ThemeView &view, const QHash<QString, Theme *> &named, const QString &step)
{
    const QString command = step.section('@', 0, 0);
    if (step.contains('@'))
        view.setCurrentTheme(named[step.section('@', 1)]);
    if (command == ".") {
        QCoreApplication::processEvents();
    } else if (command.startsWith('=')) {
        auto *editor = qobject_cast<QLineEdit *>(view.indexWidget(view.currentIndex()));
        QVERIFY2(editor, "no name editor open");
        editor->insert(command.mid(1));
        QTest::keyClick(editor, command == "=" ? Qt::Key_Escape : Qt::Key_Return);
    } else if (command == "undo") {
        view.undo();
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
