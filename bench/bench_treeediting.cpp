// The editing commands on a large tree, in a shown view: Move Up and Move Down of one theme among
// 100,000 siblings, cut and paste of one of them into another, and Delete and paste as an ordinary
// copy of branches of 10,000, 20,000 and 40,000 themes with links and marks (so that the growth
// shows), beside the toolkit's own layout of the shown rows, which every change of rows under
// an open theme costs; and the undo and redo of those, with the memory a step holds. Also the
// renaming of every theme of a closed branch beside as many shown ones, as a Replace all does.
// Usage: bench_treeediting [siblings [branch sizes...]]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "model/DocumentUndo.h"
#include "tree/ThemeView.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

constexpr int runs = 5;

// A document built by `build` as a file is read, its history and its view, shown.
struct Shown
{
    template<typename Build>
    explicit Shown(Build build)
        : built((build(document), true))
    {
        view.resize(400, 600);
        view.show();
        QApplication::processEvents();
    }
    ThemeDocument document;
    bool built; // before the view: the rows are the document's as built
    DocumentUndo undo{document};
    ThemeView view{document, undo};
    // A command as its menu entry runs it, with the view's deferred work on the change.
    void run(void (ThemeView::*command)())
    {
        (view.*command)();
        QApplication::processEvents();
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int siblings = argc > 1 ? std::atoi(argv[1]) : 100000;
    int boxes = 0;
    answerBoxesOnStandardError(boxes);
    bool sound = true;

    auto shown = std::make_unique<Shown>([siblings](ThemeDocument &document) {
        for (int i = 0; i < siblings; ++i)
            document.appendChild(document.root())->setName(QStringLiteral("sibling %1").arg(i));
    });
    Theme *root = shown->document.root();
    ThemeView &view = shown->view;
    DocumentUndo &history = shown->undo;
    Theme *moved = root->child(siblings / 2);
    view.setCurrentTheme(moved);
    QApplication::processEvents();
    const double upMs = bestMilliseconds(runs, [&] { shown->run(&ThemeView::menuMove_Up); });
    const double downMs = bestMilliseconds(runs, [&] { shown->run(&ThemeView::menuMove_Down); });
    sound = sound && moved->row() == siblings / 2 && view.currentTheme() == moved;
    // Any change of rows under an open theme makes the toolkit lay out every shown row again.
    const double layoutMs = bestMilliseconds(runs, [&] { view.doItemsLayout(); });
    std::printf("%d siblings, the moved one in the middle\n", siblings);
    std::printf("the toolkit's layout of the shown rows, alone %8.3f ms\n", layoutMs);
    std::printf("Move Up                     %8.3f ms\n", upMs);
    std::printf("Move Down                   %8.3f ms\n", downMs);
    const qint64 moveBytes = history.heldBytes() / history.count();
    const double undoMoveMs = bestMilliseconds(runs, [&] { shown->run(&ThemeView::menuUndo); });
    const double redoMoveMs = bestMilliseconds(runs, [&] { shown->run(&ThemeView::menuRedo); });
    sound = sound && moved->row() == siblings / 2 && history.index() == 2 * runs;
    std::printf("Undo of a move %8.3f ms, redo %8.3f ms, %lld bytes held per step\n", undoMoveMs,
                redoMoveMs, static_cast<long long>(moveBytes));

    int pasted = 0;
    const double cutPasteMs = bestMilliseconds(
            runs, [&] { view.setCurrentTheme(root->child(siblings / 2 + 1)); },
            [&] {
                shown->run(&ThemeView::menuCut);
                view.setCurrentTheme(root->child(siblings / 4));
                shown->run(&ThemeView::menuPaste);
                ++pasted;
            });
    sound = sound && root->childCount() == siblings - pasted;
    std::printf("Cut and paste into a sibling %7.3f ms (selecting the target included)\n",
                cutPasteMs);

    // A Replace all that renames every theme of a closed branch beside the open siblings: the
    // toolkit looks for each changed row among the shown ones unless the view knows it is not.
    {
        shown.reset();
        Theme *closed = nullptr;
        Shown hidden([&](ThemeDocument &document) {
            for (int i = 0; i < siblings; ++i)
                document.appendChild(document.root())->setName(QStringLiteral("shown %1").arg(i));
            closed = document.appendChild(document.root());
            for (int i = 0; i < siblings; ++i)
                document.appendChild(closed)->setName(QStringLiteral("hidden %1").arg(i));
        });
        int round = 0;
        const double renameMs = bestMilliseconds(runs, [&] {
            {
                DocumentUndo::Step step(hidden.undo, "Replace");
                const QString suffix = QStringLiteral(" %1").arg(++round);
                for (int i = 0; i < closed->childCount(); ++i)
                    hidden.document.renameTheme(closed->child(i),
                                                QStringLiteral("renamed") + suffix);
            }
            QApplication::processEvents();
        });
        sound = sound && closed->child(0)->name() == QStringLiteral("renamed %1").arg(round);
        std::printf("renaming the %d themes of a closed branch beside them %8.1f ms\n", siblings,
                    renameMs);
    }

    QList<int> sizes{10000, 20000, 40000};
    if (argc > 2)
        sizes.clear();
    for (int i = 2; i < argc; ++i)
        sizes.append(std::atoi(argv[i]));
    for (int size : sizes) {
        std::unique_ptr<Shown> branch;
        int before = 0;
        auto branchCurrent = [&] {
            branch.reset(); // one view at a time
            Theme *top = nullptr;
            branch = std::make_unique<Shown>(
                    [&](ThemeDocument &document) { top = addBenchBranch(document, size); });
            before = countBelow(branch->document.root());
            branch->view.setCurrentTheme(top);
        };
        const double deleteMs =
                bestMilliseconds(runs, branchCurrent, [&] { branch->run(&ThemeView::menuDelete); });
        sound = sound && countBelow(branch->document.root()) < before - size + 100;
        const double undoDeleteMs = bestMilliseconds(
                runs,
                [&] {
                    if (!branch->undo.canUndo())
                        branch->run(&ThemeView::menuDelete);
                },
                [&] { branch->run(&ThemeView::menuUndo); });
        const qint64 deleteBytes = branch->undo.heldBytes();
        sound = sound && countBelow(branch->document.root()) == before;
        const double redoDeleteMs = bestMilliseconds(
                runs, [&] { branch->run(&ThemeView::menuUndo); },
                [&] { branch->run(&ThemeView::menuRedo); });
        const double copyMs = bestMilliseconds(
                runs,
                [&] {
                    branchCurrent();
                    branch->run(&ThemeView::menuCopy);
                    branch->view.setCurrentTheme(branch->document.root());
                },
                [&] { branch->run(&ThemeView::pasteAsCopy); });
        sound = sound && countBelow(branch->document.root()) > before + size - 100;
        std::printf("branch of %5d themes: Delete %8.1f ms, paste as a copy %8.1f ms\n", size,
                    deleteMs, copyMs);
        std::printf("                       undo of Delete %8.1f ms, redo %8.1f ms, %lld KB held\n",
                    undoDeleteMs, redoDeleteMs, static_cast<long long>(deleteBytes >> 10));
    }

    if (boxes)
        std::fprintf(stderr, "%d boxes shown\n", boxes);
    sound = sound && boxes == 0;
    if (!sound)
        std::fprintf(stderr, "MISMATCH: a command did not do what it should\n");
    return sound ? 0 : 1;
}
