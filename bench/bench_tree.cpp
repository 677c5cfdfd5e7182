// Taking a large tree apart: clear() of a loaded tree, deleteBranch of its biggest top-level
// theme and destroying the view, best of 3 with a fresh load before each run.
// Usage: bench_tree [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "common/Messages.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"
#include "tree/TreeWalk.h"
#include "tree/ViewDocument.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {

constexpr int runs = 3;

// The top-level theme with the most themes below it, and that number (itself included).
QPair<ColorListViewItem *, int> biggestTopLevelTheme(LinkListView &view)
{
    QPair<ColorListViewItem *, int> biggest{nullptr, 0};
    ColorListViewItem *root = view.rootTheme();
    for (int i = 0; i < root->childCount(); ++i) {
        ColorListViewItem *top = root->childTheme(i);
        int size = 1;
        walkBranch(
                top, [](ColorListViewItem *theme) -> QTreeWidgetItem * { return theme; },
                [&size](ColorListViewItem *, int, int) { ++size; });
        if (size > biggest.second)
            biggest = {top, size};
    }
    return biggest;
}

} // namespace

int main(int argc, char **argv)
{
    BenchStart start(argc, argv);
    const auto [themes, seed] = start.arguments;
    const int &boxes = start.boxes;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.brw"));
    QFile file(path);
    const QByteArray tree = generateBenchTree(themes, seed);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(tree) != tree.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    file.close();

    std::unique_ptr<LinkListView> view;
    int loadedCount = 0;
    auto reload = [&] {
        view = std::make_unique<LinkListView>();
        loadTree(*view, path, 0, nullptr);
        loadedCount = view->themeCount();
    };
    bool sound = true;

    const double clearMs = bestMilliseconds(runs, reload, [&] { view->clear(); });
    sound = sound && view->themeCount() == 1 && view->rootTheme();
    std::printf("tree: %d themes (%d in the view with the root and null items), %.1f MB\n", themes,
                loadedCount, double(tree.size()) / 1e6);
    std::printf("clear()                        %8.1f ms\n", clearMs);

    QPair<ColorListViewItem *, int> branch;
    const double deleteMs = bestMilliseconds(
            runs,
            [&] {
                reload();
                branch = biggestTopLevelTheme(*view);
            },
            [&] { view->deleteBranch(branch.first); });
    const int branchSize = branch.second;
    // Null items of links outside the branch go with the groups the branch dissolves.
    sound = sound && view->themeCount() <= loadedCount - branchSize && view->isStable();
    std::printf("deleteBranch (biggest top)     %8.1f ms  %d themes in the branch, %d left\n",
                deleteMs, branchSize, view->themeCount());

    const double destroyMs = bestMilliseconds(runs, reload, [&] { view.reset(); });
    std::printf("destroying the view            %8.1f ms\n", destroyMs);

    if (boxes)
        std::fprintf(stderr, "%d boxes shown\n", boxes);
    sound = sound && boxes == 0;
    if (!sound)
        std::fprintf(stderr, "MISMATCH: the tree was not taken apart as expected\n");
    return sound ? 0 : 1;
}
