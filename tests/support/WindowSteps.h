#pragma once

#include "app/Brambleweb.h"
#include "editor/CorrectedTextEdit.h"
#include "support/JsonRows.h"
#include "support/WindowTree.h"

#include <QAction>
#include <QFile>
#include <QKeySequence>
#include <QTest>

// A walk through a window, one step a line, from data/NAME.steps beside tst_NAME; "== function"
// (or "== function part" for one part of it) starts each walk, "#" lines are comments. A step that
// does something:
//   tree KEYS, editor KEYS   a key press there ("Ctrl+Alt+Left", "Return")
//   type TEXT                keys typed into the description
//   go NAME                  makes the theme current, as a click does
//   focus tree|editor        gives that widget the focus
//   menu tab                 the menu's switch between tree and description
// and one that checks (a leading "~" waits up to 5 s for it):
//   current NAME             the current theme, NAME+ when it is open
//   outline TEXT             the tree in outline notation
//   description TEXT         the description begins with TEXT
//   has NAME 0|1             whether a theme of that name is in the tree
//   enabled ACTION 0|1       whether the window's action of that object name is enabled
//   label ACTION TEXT        the action's text
//   focused tree|editor      the widget with the focus
// A check that fails names its line.
inline QString stepDone(Brambleweb *window, const QString &verb, const QString &argument)
{
    ThemeView *tree = window->tree();
    QWidget *widget = argument.startsWith("tree") ? static_cast<QWidget *>(tree) : window->editor();
    const QString name = argument.section(' ', 0, 0), value = argument.section(' ', 1);
    QAction *action = window->findChild<QAction *>(name);
    if (verb == "tree" || verb == "editor") {
        const QKeyCombination key = QKeySequence::fromString(argument)[0];
        QTest::keyClick(verb == "tree" ? static_cast<QWidget *>(tree) : window->editor(), key.key(),
                        key.keyboardModifiers());
    } else if (verb == "type") {
        window->editor()->setFocus();
        QTest::keyClicks(window->editor(), argument);
    } else if (verb == "go") {
        tree->setCurrentTheme(themeNamed(*tree, argument));
    } else if (verb == "focus") {
        widget->setFocus();
    } else if (verb == "menu" && argument == "tab") {
        window->menuMainWidgetsTab();
    } else if (verb == "current") {
        return tree->currentTheme()->name() + (tree->isOpen(tree->currentTheme()) ? "+" : "");
    } else if (verb == "outline") {
        return outlineOf(*tree);
    } else if (verb == "description") {
        return window->editor()->text().left(argument.size());
    } else if (verb == "has") {
        return name + (themeNamed(*tree, name) ? " 1" : " 0");
    } else if (verb == "enabled") {
        return name + (action && action->isEnabled() ? " 1" : " 0");
    } else if (verb == "label") {
        return name + ' ' + (action ? action->text() : "no such action");
    } else if (verb == "focused") {
        return tree->hasFocus() ? "tree" : window->editor()->hasFocus() ? "editor" : "elsewhere";
    } else {
        return "no such step";
    }
    return argument;
}

inline void walkSteps(Brambleweb *window, const QString &part = QString())
{
    const QString path =
            QFINDTESTDATA("data/" + QCoreApplication::applicationName().mid(4) + ".steps");
    const QString section =
            QTest::currentTestFunction() + (part.isEmpty() ? QString() : ' ' + part);
    const QList<std::pair<int, QString>> steps = sectionLines(path, section);
    QVERIFY2(!steps.isEmpty(), qPrintable(path + ": no steps of " + section));
    for (const auto &[number, line] : steps) {
        const bool waits = line.startsWith('~');
        const QString verb = line.section(' ', 0, 0).mid(waits ? 1 : 0);
        const QString argument = line.section(' ', 1);
        QString done;
        const auto passes = [&] { return (done = stepDone(window, verb, argument)) == argument; };
        const bool passed = passes() || (waits && QTest::qWaitFor(passes, 5000));
        QVERIFY2(passed, qPrintable(QString("step at %1:%2 \"%3\" found \"%4\"")
                                            .arg(path)
                                            .arg(number)
                                            .arg(line, done)));
    }
}

// Walks the steps and ends the test at the first that fails.
#define WALK_STEPS(...)                                                                            \
    do {                                                                                           \
        walkSteps(__VA_ARGS__);                                                                    \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)
