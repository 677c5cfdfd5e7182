// Dragging over a large tree: the pointer's moves over rows of 100,000 siblings (each move asks
// where a drop would go and places the line), and the drop of the middle theme before the last
// one and its undo, in a shown view; then the same moves over a chain 10,000 themes deep.
// Usage: bench_drop [siblings [depth]]
#include "BenchTimer.h"

#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QDropEvent>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int runs = 5;
constexpr int moves = 1000;

// The pointer's moves up and down over the rows shown, as a drag of the theme sends them.
double dragMoves(ThemeView &view, Theme *dragged)
{
    ThemeMimeData data(&view, view.rows().indexOf(dragged));
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
    QDragEnterEvent enter(QPoint(40, 40), actions, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view.viewport(), &enter);
    const int height = view.viewport()->height() - 40;
    int accepted = 0;
    const double ms =
            bestMilliseconds(runs,
                             [&] {
                                 for (int i = 0; i < moves; ++i) {
                                     QDragMoveEvent move(QPoint(40, 20 + i % height), actions,
                                                         &data, Qt::LeftButton, {});
                                     QCoreApplication::sendEvent(view.viewport(), &move);
                                     accepted += move.isAccepted();
                                 }
                             }) /
            moves;
    std::printf("(%d of %d moves over places a drop may go)\n", accepted, runs * moves);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int siblings = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int depth = argc > 2 ? std::atoi(argv[2]) : 10000;

    ThemeDocument document;
    for (int i = 0; i < siblings; ++i)
        document.appendChild(document.root())->setName(QStringLiteral("sibling %1").arg(i));
    DocumentUndo undo(document);
    ThemeView view(document, undo);
    view.resize(400, 600);
    view.show();
    QApplication::processEvents();
    Theme *root = document.root();
    Theme *middle = root->child(siblings / 2);
    const QModelIndex last = view.rows().indexOf(root->child(siblings - 1));
    std::printf("%d siblings: a drag move %8.4f ms\n", siblings, dragMoves(view, middle));
    const double dropMs = bestMilliseconds(
            runs, [&] { view.undo(); },
            [&] {
                view.drop(view.rows().indexOf(middle), last, ThemeView::DropPlace::Before,
                          ThemeView::DropKind::Move);
                QApplication::processEvents();
            });
    const bool placed = root->child(siblings - 2) == middle;
    const double undoMs = bestMilliseconds(
            runs,
            [&] {
                view.redo();
                QApplication::processEvents();
            },
            [&] {
                view.undo();
                QApplication::processEvents();
            });
    std::printf("the drop before the last %8.3f ms, its undo %8.3f ms\n", dropMs, undoMs);

    ThemeDocument chain;
    Theme *deepest = chain.root();
    for (int i = 0; i < depth; ++i) {
        deepest = chain.appendChild(deepest);
        deepest->setName(QStringLiteral("level %1").arg(i));
    }
    DocumentUndo chainUndo(chain);
    ThemeView deep(chain, chainUndo);
    deep.resize(400, 600);
    deep.show();
    deep.setCurrentTheme(deepest);
    QApplication::processEvents();
    std::printf("a chain %d deep, dragging its top theme: a drag move %8.4f ms\n", depth,
                dragMoves(deep, chain.root()->child(0)));
    if (!placed) {
        std::fprintf(stderr, "MISMATCH: the dropped theme is not before the last one\n");
        return 1;
    }
    return 0;
}
