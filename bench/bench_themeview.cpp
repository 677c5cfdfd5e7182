// The document shown by an item view over ThemeTreeModel, without the widget rows: the bench tree
// read into a document and shown, against reading it alone, the memory it holds, and all its
// parents opened at once (a document coming back as it was left); then Move Up and Move Down of
// one theme among 100,000 open siblings by the view's keys, and their undo and redo, each with the
// view's own work on the change (the deferred layout included).
// Usage: bench_themeview [siblings [bench tree themes]]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTreeView>

#include <cstdio>
#include <memory>

namespace {

constexpr int runs = 5;

// Opens many rows with one layout: a row opened while a layout is pending is only noted.
class TreeView : public QTreeView
{
public:
    void openAll(const std::vector<QModelIndex> &rows)
    {
        scheduleDelayedItemsLayout();
        for (const QModelIndex &row : rows)
            expand(row);
        executeDelayedItemsLayout();
    }
};

void show(QTreeView &view, ThemeTreeModel &model)
{
    view.setUniformRowHeights(true);
    if (view.model() != &model)
        view.setModel(&model);
    view.resize(400, 600);
    view.show();
    view.expand(model.index(0, 0));
    QApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int siblings = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int benchThemes = argc > 2 ? std::atoi(argv[2]) : 100000;
    bool sound = true;

    const QByteArray bytes = generateBenchTree(benchThemes);
    const long before = statusKilobytes("VmRSS");
    auto document = std::make_unique<ThemeDocument>();
    std::unique_ptr<ThemeTreeModel> model;
    TreeView view;
    QElapsedTimer open;
    open.start();
    readTree(*document, document->root(), wholeBytes(bytes), {}, false);
    const double firstReadMs = double(open.nsecsElapsed()) / 1e6;
    model = std::make_unique<ThemeTreeModel>(*document);
    show(view, *model);
    const double openMs = double(open.nsecsElapsed()) / 1e6;
    const long held = statusKilobytes("VmRSS") - before;
    const double readMs = bestMilliseconds(runs, [&] {
        ThemeDocument document;
        readTree(document, document.root(), wholeBytes(bytes), {}, false);
        sound = sound && document.root()->childCount() > 0;
    });
    std::printf("bench tree of %d themes, %.1f MB: read %8.1f ms, read first %8.1f ms, "
                "and shown %8.1f ms, "
                "%.1f MB held\n",
                benchThemes, double(bytes.size()) / 1e6, readMs, firstReadMs, openMs,
                double(held) / 1e3);
    std::vector<QModelIndex> parents;
    walkThemes(
            document->root(), [](Theme *theme) { return theme; },
            [&](Theme *theme, int, int) {
                if (theme->childCount() > 0)
                    parents.push_back(model->indexOf(theme));
            });
    const double openAllMs = bestMilliseconds(
            runs, [&] { view.collapseAll(); }, [&] { view.openAll(parents); });
    std::printf("all %zu parents opened at once %8.1f ms\n", parents.size(), openAllMs);
    view.setModel(nullptr);
    {
        ThemeDocument document;
        for (int i = 0; i < siblings; ++i)
            document.appendChild(document.root())->setName(QStringLiteral("sibling %1").arg(i));
        DocumentUndo undo(document);
        ThemeView view(document, undo);
        ThemeTreeModel &model = view.rows();
        show(view, model);
        Theme *moved = document.root()->child(siblings / 2);
        view.setCurrentTheme(moved);
        // The keys themselves, through the view's commands.
        auto move = [&](Qt::Key key) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
            QApplication::sendEvent(&view, &press);
            QApplication::processEvents();
        };
        const double upMs = bestMilliseconds(runs, [&] { move(Qt::Key_Up); });
        const double downMs = bestMilliseconds(runs, [&] { move(Qt::Key_Down); });
        auto replay = [&](bool forward) {
            forward ? undo.redo() : undo.undo();
            QApplication::processEvents();
        };
        const double undoMs = bestMilliseconds(runs, [&] { replay(false); });
        const double redoMs = bestMilliseconds(runs, [&] { replay(true); });
        sound = sound && moved->row() == siblings / 2 &&
                view.currentIndex() == model.indexOf(moved);
        std::printf("%d open siblings in the view over the document, by its keys\n", siblings);
        std::printf("Move Up %8.3f ms, Move Down %8.3f ms, undo %8.3f ms, redo %8.3f ms\n", upMs,
                    downMs, undoMs, redoMs);
        // What the view does on any change of rows under an open theme.
        const double layoutMs = bestMilliseconds(runs, [&] { view.doItemsLayout(); });
        std::printf("the view's layout of the open rows, alone %8.3f ms\n", layoutMs);
    }

    if (!sound)
        std::fprintf(stderr, "MISMATCH: a change did not do what it should\n");
    return sound ? 0 : 1;
}
