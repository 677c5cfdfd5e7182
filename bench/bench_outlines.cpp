// OPML export and import of a large tree against our own export of it (what brw --export brw
// does: read the tree file into a document, write it again), best of 3. The OPML export reads the
// same tree file and writes OPML; the import reads that OPML and writes a tree file (brw
// --import), and, for the window's import, reads it into a shown view. The outline that comes back
// must hold as many themes. Each step is timed by the clock and by the processor time of this
// thread: on a machine shared with other work the clock says little, and the ratio is judged
// on both. Usage: bench_outlines [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "model/DocumentUndo.h"
#include "storage/Outline.h"
#include "storage/OutlineAdapter.h"
#include "storage/OutlineFiles.h"
#include "storage/SafeFile.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

std::unique_ptr<ThemeDocument> loaded(const QString &path)
{
    auto document = std::make_unique<ThemeDocument>();
    readTreeFile(path, *document, nullptr);
    return document;
}

double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Timing
{
    double wall = 0; // best of the runs, in ms
    double processor = 0;
};

template<typename Work>
Timing bestOf(Work work)
{
    Timing best{1e300, 1e300};
    for (int run = 0; run < runs; ++run) {
        const double processor = threadMilliseconds();
        best.wall = std::min(best.wall, bestMilliseconds(1, work));
        best.processor = std::min(best.processor, threadMilliseconds() - processor);
    }
    return best;
}

void printRatio(const char *what, Timing time, Timing reference)
{
    const double wall = time.wall / reference.wall;
    const double processor = time.processor / reference.processor;
    std::printf("%-34s %8.1f ms %5.2f x   processor %7.1f ms %5.2f x   (target <= %.0f x: %s)\n",
                what, time.wall, wall, time.processor, processor, target,
                wall <= target && processor <= target ? "met"
                : processor <= target                 ? "met in processor time"
                                                      : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    BenchStart start(argc, argv);
    const auto [themes, seed] = start.arguments;
    const int &boxes = start.boxes;

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

    const Timing brw = bestOf([&] {
        const std::unique_ptr<ThemeDocument> document = loaded(input);
        (void)SafeFile::save(saved, [&document](QFileDevice &file) {
            return writeTree(*document, document->root(), &file, 0, {}, nullptr, nullptr, nullptr) >
                   0;
        });
    });
    std::printf("%-34s %8.1f ms           processor %7.1f ms\n", "--export brw (load + save)",
                brw.wall, brw.processor);

    const Timing exported = bestOf([&] {
        const OutlineNode root = OutlineAdapter::wholeOf(*loaded(input), "bench");
        (void)OutlineFiles::write(OutlineFiles::Format::Opml, root, opml, QString());
    });
    printRatio("--export opml (load + write)", exported, brw);

    std::optional<OutlineNode> back;
    const Timing importing = bestOf([&] {
        back = OutlineFiles::read(OutlineFiles::Format::Opml, opml, nullptr);
        const QByteArray bytes = OutlineTreeFile::write(*back);
        (void)SafeFile::save(imported, [&bytes](QFileDevice &file) {
            return file.write(bytes) == bytes.size();
        });
    });
    printRatio("--import opml (read + write .brw)", importing, brw);

    const Timing window = bestOf([&] {
        const std::optional<OutlineNode> root =
                OutlineFiles::read(OutlineFiles::Format::Opml, opml, nullptr);
        // As the window opens an outline: through the tree file form, into a shown view.
        const QByteArray bytes = OutlineTreeFile::write(*root);
        ThemeDocument document;
        readTree(document, document.root(), wholeBytes(bytes), {}, false);
        document.settleGroups();
        DocumentUndo undo(document);
        ThemeView view(document, undo);
        view.show();
        QCoreApplication::processEvents();
    });
    printRatio("import into a view", window, brw);

    const int original = themesIn(OutlineAdapter::wholeOf(*loaded(input), "bench"));
    std::printf("themes: %d written, %d read back%s; %d boxes\n", original, themesIn(*back),
                original == themesIn(*back) ? "" : " (DIFFERENT)", boxes);
    return original == themesIn(*back) && boxes == 0 ? 0 : 1;
}
