// Taking a large tree apart in a shown view: replacing a loaded document with an empty one, the
// Delete of its biggest top-level theme, and destroying the view with its document, best of 3
// with a fresh load before each run.
// Usage: bench_tree [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "model/DocumentUndo.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int runs = 3;

// The themes of a branch as a file holds it, its top included.
int branchSize(const ThemeDocument &document, Theme *top)
{
    int size = 1;
    walkHeldBranch(document, top, [&size](Theme *, int, int) { ++size; });
    return size;
}

// A document read from a file, its history and its view, shown.
struct Shown
{
    explicit Shown(const QString &path)
        : read(readTreeFile(path, document, nullptr))
    {}
    ThemeDocument document;
    bool read; // before the view: the rows are the document's as read
    DocumentUndo undo{document};
    ThemeView view{document, undo};
};

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

    std::unique_ptr<Shown> shown;
    int loadedCount = 0;
    auto reload = [&] {
        shown = std::make_unique<Shown>(path);
        shown->view.resize(400, 600);
        shown->view.show();
        QCoreApplication::processEvents();
        loadedCount = branchSize(shown->document, shown->document.root());
    };
    bool sound = true;

    const double clearMs = bestMilliseconds(runs, reload, [&] {
        ThemeDocument empty;
        shown->document.replaceContents(empty);
        QCoreApplication::processEvents();
    });
    sound = sound && shown->document.root()->childCount() == 0;
    std::printf("tree: %d themes (%d with the root), %.1f MB\n", themes, loadedCount,
                double(tree.size()) / 1e6);
    std::printf("replaced by an empty document  %8.1f ms\n", clearMs);

    Theme *biggest = nullptr;
    int biggestSize = 0;
    const double deleteMs = bestMilliseconds(
            runs,
            [&] {
                reload();
                Theme *root = shown->document.root();
                biggestSize = 0;
                for (int i = 0; i < root->childCount(); ++i)
                    if (const int size = branchSize(shown->document, root->child(i));
                        size > biggestSize)
                        biggest = root->child(i), biggestSize = size;
                shown->view.setCurrentTheme(biggest);
            },
            [&] {
                shown->view.runCommand(ViewKeys::Delete);
                QCoreApplication::processEvents();
            });
    const int left = branchSize(shown->document, shown->document.root());
    sound = sound && left <= loadedCount - biggestSize;
    std::printf("Delete (biggest top)           %8.1f ms  %d themes in the branch, %d left\n",
                deleteMs, biggestSize, left);

    const double destroyMs = bestMilliseconds(runs, reload, [&] { shown.reset(); });
    std::printf("destroying the view            %8.1f ms\n", destroyMs);

    if (boxes)
        std::fprintf(stderr, "%d boxes shown\n", boxes);
    sound = sound && boxes == 0;
    if (!sound)
        std::fprintf(stderr, "MISMATCH: the tree was not taken apart as expected\n");
    return sound ? 0 : 1;
}
