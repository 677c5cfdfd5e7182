// Long texts without a blank: a theme whose name is megabytes long, in the tree view (adding it,
// making it current, painting the tree, opening and closing its name editor, each up to the next
// painted frame), and descriptions of one line of 0.5, 1, 2 and 20 MB in the description editor
// (shown up to the first painted frame, then one character typed in the middle of the line and
// painted). Usage: bench_longname [name megabytes]
#include "BenchTimer.h"

#include "editor/CorrectedTextEdit.h"
#include "model/DocumentUndo.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QKeyEvent>

#include <cstdio>
#include <cstdlib>

namespace {

void longName(int megabytes)
{
    ThemeDocument document;
    DocumentUndo undo(document);
    ThemeView view(document, undo);
    view.resize(480, 300);
    view.show();
    QCoreApplication::processEvents();
    const QString name(megabytes << 20, u'n');
    Stopwatch timer;
    auto step = [&](const char *title) {
        view.viewport()->repaint();
        QCoreApplication::processEvents();
        std::printf("  %-28s %s\n", title, timer.text().data());
        timer.start();
    };
    std::printf("a name of %d MB\n", megabytes);
    Theme *theme = document.createTheme();
    document.renameTheme(theme, name);
    document.insertTheme(document.root(), 0, theme);
    step("added");
    view.setCurrentTheme(theme);
    step("made current");
    view.update();
    step("painted again");
    view.startRenaming(theme);
    step("name editor opened");
    view.closeNameEditor();
    step("name editor closed");
}

void longLine(int kilobytes)
{
    CorrectedTextEdit editor(nullptr, "mainEditBox");
    editor.resize(800, 600);
    editor.show();
    QCoreApplication::processEvents();
    const QString text(kilobytes << 10, u'x');
    std::printf("a description of one line of %d KB\n", kilobytes);
    Stopwatch timer;
    editor.setText(text);
    editor.viewport()->repaint();
    std::printf("  %-28s %s\n", "shown", timer.text().data());
    QTextCursor middle = editor.textCursor();
    middle.setPosition(int(text.size() / 2));
    editor.setTextCursor(middle);
    QCoreApplication::processEvents();
    timer.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(&editor, &press);
    editor.viewport()->repaint();
    std::printf("  %-28s %s\n", "a key typed in the middle", timer.text().data());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const int kilobytes : {512, 1024, 2048, 20480})
        longLine(kilobytes);
    longName(argc > 1 ? std::atoi(argv[1]) : 20);
    return 0;
}
