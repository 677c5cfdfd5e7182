// OPML export and import of a large tree against our own export of it (what brw --export brw
// does: read the tree file into the view, write it again), best of 3. The OPML export reads the
// same tree file and writes OPML; the import reads that OPML and writes a tree file (brw
// --import), and, for the window's import, reads it into a view. The outline that comes back
// must hold as many themes. Usage: bench_outlines [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "storage/Outline.h"
#include "storage/OutlineAdapter.h"
#include "storage/OutlineFiles.h"
#include "storage/SafeFile.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int runs = 3;
constexpr double target = 2.0;

int themesIn(const OutlineNode &root)
{
    int count = 0;
    walkOutline(
            root, [&count](const OutlineNode &, int) { ++count; }, [](const OutlineNode &, int) {});
    return count;
}

std::unique_ptr<LinkListView> loadedView(const QString &path)
{
    auto view = std::make_unique<LinkListView>();
    view->setReminderRinging(false);
    loadTree(*view, path, 0, nullptr);
    return view;
}

void printRatio(const char *what, double ms, double reference)
{
    std::printf("%-34s %8.1f ms  %5.2f x --export brw  (target <= %.0f x: %s)\n", what, ms,
                ms / reference, target, ms / reference <= target ? "met" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto [themes, seed] = benchArguments(argc, argv);
    int boxes = 0;
    answerBoxesOnStandardError(boxes);

    BenchTreeStats stats;
    const QByteArray tree = generateBenchTree(themes, seed, &stats);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("bench.brw"));
    const QString saved = dir.filePath(QStringLiteral("saved.brw"));
    const QString opml = dir.filePath(QStringLiteral("bench.opml"));
    const QString imported = dir.filePath(QStringLiteral("imported.brw"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) || file.write(tree) != tree.size())
            return 1;
    }
    std::printf("tree: %d themes (seed %u), %.1f MB, %d marks, %d links\n", stats.themes, seed,
                double(tree.size()) / 1e6, stats.marks, stats.links);

    const double brwMs = bestMilliseconds(runs, [&] {
        const std::unique_ptr<LinkListView> view = loadedView(input);
        (void)SafeFile::save(saved, [&view](QFileDevice &file) {
            return saveTree(*view, &file, 0, nullptr, nullptr) > 0;
        });
    });
    std::printf("%-34s %8.1f ms\n", "--export brw (load + save)", brwMs);

    const double exportMs = bestMilliseconds(runs, [&] {
        const std::unique_ptr<LinkListView> view = loadedView(input);
        const std::optional<OutlineNode> root = OutlineAdapter::branchOf(*view, "bench");
        (void)OutlineFiles::write(OutlineFiles::Format::Opml, *root, opml, QString());
    });
    printRatio("--export opml (load + write)", exportMs, brwMs);

    std::optional<OutlineNode> back;
    const double importMs = bestMilliseconds(runs, [&] {
        back = OutlineFiles::read(OutlineFiles::Format::Opml, opml, nullptr);
        const QByteArray bytes = OutlineTreeFile::write(*back);
        (void)SafeFile::save(imported, [&bytes](QFileDevice &file) {
            return file.write(bytes) == bytes.size();
        });
    });
    printRatio("--import opml (read + write .brw)", importMs, brwMs);

    const double windowMs = bestMilliseconds(runs, [&] {
        const std::optional<OutlineNode> root =
                OutlineFiles::read(OutlineFiles::Format::Opml, opml, nullptr);
        LinkListView view;
        view.setReminderRinging(false);
        OutlineAdapter::load(view, *root, QString(), 0, nullptr);
    });
    printRatio("import into a view", windowMs, brwMs);

    const int original = themesIn(*OutlineAdapter::branchOf(*loadedView(input), "bench"));
    std::printf("themes: %d written, %d read back%s; %d boxes\n", original, themesIn(*back),
                original == themesIn(*back) ? "" : " (DIFFERENT)", boxes);
    return original == themesIn(*back) && boxes == 0 ? 0 : 1;
}
