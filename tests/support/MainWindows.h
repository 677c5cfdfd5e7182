#pragma once

#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "support/FileBytes.h"
#include "support/ScriptedMessages.h"

#include <QFile>
#include <QMap>
#include <QTest>

// A shown main window on the document at path (none for an empty one).
inline Brambleweb *openWindow(const QString &path)
{
    Brambleweb *window = BRWApplication::instance()->createMainWindow(path, "Main");
    window->show();
    return window;
}

// The file command a table names: SaveAs, SaveBranch or SaveTable; 0 for any other name.
inline int operationNamed(const QString &name)
{
    static const QMap<QString, int> operations{{"SaveAs", FileOperations::SaveAs},
                                               {"SaveBranch", FileOperations::SaveBranch},
                                               {"SaveTable", FileOperations::SaveTable}};
    return operations.value(name);
}

// Keys typed into the window's description, as the user does.
inline void typeInto(Brambleweb *window, const QString &text)
{
    window->editor()->setFocus();
    QTest::keyClicks(window->editor(), text);
}

// Closes the window, answering No to every question (a detached window's, then the document's).
inline void closeUnsaved(Brambleweb *window)
{
    ScriptedMessages boxes;
    boxes.answerNext(Messages::Answer::No);
    boxes.answerNext(Messages::Answer::No);
    window->close();
}

// The main() of a test that runs the program's own application object, offscreen.
#define BRW_APPLICATION_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        BRWApplication application(argc, argv);                                                    \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
