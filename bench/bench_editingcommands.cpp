// The editing commands on the document alone, without a view: Move Up and Move Down of one theme
// among 100,000 siblings, and paste as a copy of a branch of 10,000 themes with links and marks,
// with the undo and redo of that paste. The view's own figures are bench_treeediting's.
// Usage: bench_editingcommands [siblings [branch size]]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "model/EditingCommands.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int runs = 5;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int siblings = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int size = argc > 2 ? std::atoi(argv[2]) : 10000;
    bool sound = true;
    {
        ThemeDocument document;
        for (int i = 0; i < siblings; ++i)
            document.appendChild(document.root());
        DocumentUndo undo(document);
        EditingCommands commands(document, undo);
        Theme *moved = document.root()->child(siblings / 2);
        const double upMs = bestMilliseconds(runs, [&] { commands.moveUp(moved); });
        const double downMs = bestMilliseconds(runs, [&] { commands.moveDown(moved); });
        const double undoMs = bestMilliseconds(runs, [&] { undo.undo(); });
        const double redoMs = bestMilliseconds(runs, [&] { undo.redo(); });
        sound = moved->row() == siblings / 2 && undo.index() == 2 * runs;
        std::printf("%d siblings, the moved one in the middle\n", siblings);
        std::printf("Move Up %8.4f ms, Move Down %8.4f ms, undo %8.4f ms, redo %8.4f ms\n", upMs,
                    downMs, undoMs, redoMs);
    }
    ThemeDocument document;
    Theme *top = addBenchBranch(document, size);
    DocumentUndo undo(document);
    EditingCommands commands(document, undo);
    const int below = countBelow(document.root());
    commands.copy(top);
    const double copyMs = bestMilliseconds(
            runs, [&] { undo.undo(); }, [&] { commands.pasteCopy(top); });
    sound = sound && countBelow(document.root()) == below + countBelow(top->child(0)) + 1;
    const double undoMs = bestMilliseconds(
            runs, [&] { undo.redo(); }, [&] { undo.undo(); });
    const double redoMs = bestMilliseconds(
            runs, [&] { undo.undo(); }, [&] { undo.redo(); });
    sound = sound && undo.index() == 1 && undo.undoText() == QLatin1String("Paste Copy");
    std::printf("branch of %d themes: paste as a copy %8.2f ms, undo %8.3f ms, redo %8.3f ms\n",
                countBelow(top->child(0)) + 1, copyMs, undoMs, redoMs);
    if (!sound)
        std::fprintf(stderr, "MISMATCH: a command did not do what it should\n");
    return sound ? 0 : 1;
}
