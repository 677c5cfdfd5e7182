// Reading and writing a large tree file against the floor of reading and decoding its bytes:
// readTreeFile into a document, writeTree with flags 0 and the exports, best of 3. Checks that what
// was saved reads back into as many themes and writes the same bytes again. The same tree as a
// Unicode document (UTF-8) is loaded and saved in the same run against the CP1251 form. Last,
// `brw --export brw` of the file against the plainest program that converts it through the
// document (another program can be named in BRW_BENCH_BINARY). Usage:
// bench_treefile [themes] [seed]    (bench_treefile --convert IN OUT: the plain conversion)
#include "BenchTimer.h"
#include "BenchTree.h"

#include "common/Cp1251.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/HtmlTable.h"
#include "storage/TreeFile.h"
#include "tree/ProgressSteps.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr int runs = 3;
constexpr double loadTarget = 10.0;
constexpr double saveTarget = 5.0;
constexpr double exportTarget = 1.3;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The progress a window shows on its bar, or none.
struct Progress
{
    explicit Progress(QProgressBar *bar)
        : steps(bar, ProgressSteps::Repaint::No)
    {}
    ProgressSteps steps;
    TreeProgress fed{[this](qint64 total) { steps.start(total); },
                     [this](qint64 value) { steps.setValue(value); }};
};

// Reads the file into a fresh document, as a window opens it.
std::unique_ptr<ThemeDocument> loadFrom(const QString &path, QProgressBar *bar = nullptr)
{
    auto document = std::make_unique<ThemeDocument>();
    if (!bar) {
        readTreeFile(path, *document, nullptr);
        return document;
    }
    Progress progress(bar);
    readTree(*document, document->root(), *readTreeFileChunks(path, nullptr), progress.fed, false);
    document->settleGroups();
    return document;
}

// Saves into a fresh file at path; returns writeTree's result.
int saveTo(const ThemeDocument &document, const QString &path, QProgressBar *bar, QString *log,
           int flags = 0)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    Progress progress(bar);
    return writeTree(document, document.root(), &file, flags, progress.fed, log, nullptr, nullptr);
}

// Themes below the root as a file holds them.
int themesIn(const ThemeDocument &document)
{
    int count = 0;
    walkHeldBranch(document, document.root(), [&count](Theme *, int, int) { ++count; });
    return count;
}

double milliseconds(const timeval &time)
{
    return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3;
}

// CPU time of the children that have ended.
double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
}

void printRatio(const char *what, double ms, double reference, double target)
{
    const double ratio = ms / reference;
    std::printf("%-28s %8.1f ms  %5.1f x reference  (target <= %.0f x: %s)\n", what, ms, ratio,
                target, ratio <= target ? "met" : "MISSED");
}

} // namespace

// The plainest conversion of a tree file: read into the document, written from it, on the core
// application alone.
int convert(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    ThemeDocument document;
    QFile output(QString::fromLocal8Bit(argv[3]));
    return readTreeFile(QString::fromLocal8Bit(argv[2]), document, nullptr) &&
                           output.open(QIODevice::WriteOnly) &&
                           writeTree(document, document.root(), &output, 0, {}, nullptr, nullptr,
                                     nullptr) == 1
                   ? 0
                   : 1;
}

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--convert") == 0)
        return convert(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto [themes, seed] = benchArguments(argc, argv);

    Cp1251Codec codec;
    if (!codec.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(cp1251UnavailableMessage()));
        return 1;
    }
    int boxes = 0;
    answerBoxesOnStandardError(boxes);

    BenchTreeStats stats;
    const QByteArray tree = generateBenchTree(themes, seed, &stats);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("bench.brw"));
    const QString output = dir.filePath(QStringLiteral("saved.brw"));
    const QString again = dir.filePath(QStringLiteral("again.brw"));
    {
        QFile file(input);
        if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(tree) != tree.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(input));
            return 1;
        }
    }
    std::printf("tree: %d themes (seed %u), %.1f MB, %d marks, %d links, depth up to %d\n",
                stats.themes, seed, double(tree.size()) / 1e6, stats.marks, stats.links,
                stats.maxDepth);

    qsizetype decoded = 0;
    const double referenceMs = bestMilliseconds(
            runs, [] {}, [&] { decoded = codec.decode(readAll(input)).size(); });
    std::printf("%-28s %8.1f ms  %lld characters\n", "reference (read + decode)", referenceMs,
                qlonglong(decoded));

    // A fresh document per run: the time to take the former tree apart is bench_tree's subject.
    std::unique_ptr<ThemeDocument> document;
    bool loaded = true;
    const double loadMs = bestMilliseconds(
            runs, [&] { document.reset(); },
            [&] {
                document = loadFrom(input);
                loaded = document->root()->childCount() > 0 && loaded;
            });
    const int loadedThemes = themesIn(*document);

    QString log;
    int saved = 1;
    auto saveOnce = [&] {
        const int result = saveTo(*document, output, nullptr, &log);
        saved = result != 1 ? result : saved;
    };
    const double saveMs = bestMilliseconds(
            runs, [] {}, saveOnce);
    printRatio("readTreeFile", loadMs, referenceMs, loadTarget);
    printRatio("writeTree (flags 0)", saveMs, referenceMs, saveTarget);

    // The same text in UTF-8 after the mark: load plus save against the CP1251 form.
    const QString unicodeInput = dir.filePath(QStringLiteral("unicode.brw"));
    const QString unicodeOutput = dir.filePath(QStringLiteral("unicode-saved.brw"));
    const QByteArray unicodeTree = utf8Mark.toByteArray() + codec.decode(tree).toUtf8();
    {
        QFile file(unicodeInput);
        if (!file.open(QIODevice::WriteOnly) || file.write(unicodeTree) != unicodeTree.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(unicodeInput));
            return 1;
        }
    }
    std::unique_ptr<ThemeDocument> unicodeDocument;
    const double unicodeLoadMs = bestMilliseconds(
            runs, [&] { unicodeDocument.reset(); },
            [&] {
                unicodeDocument = loadFrom(unicodeInput);
                loaded = unicodeDocument->textEncoding() == TextEncoding::Utf8 && loaded;
            });
    const double unicodeSaveMs = bestMilliseconds(
            runs, [] {},
            [&] {
                const int result = saveTo(*unicodeDocument, unicodeOutput, nullptr, &log);
                saved = result != 1 ? result : saved;
            });
    const double unicodeRatio = (unicodeLoadMs + unicodeSaveMs) / (loadMs + saveMs);
    std::printf("%-28s %8.1f ms  %5.2f x CP1251 load + save  (target <= 1.2 x: %s)\n",
                "Unicode load + save", unicodeLoadMs + unicodeSaveMs, unicodeRatio,
                unicodeRatio <= 1.2 ? "met" : "MISSED");
    std::printf("%-28s %8.1f ms  %5.2f x CP1251\n", "  Unicode load", unicodeLoadMs,
                unicodeLoadMs / loadMs);
    std::printf("%-28s %8.1f ms  %5.2f x CP1251\n", "  Unicode save", unicodeSaveMs,
                unicodeSaveMs / saveMs);

    // The application passes a progress bar; it is advanced per line and per record.
    QProgressBar bar;
    const double loadBarMs = bestMilliseconds(
            runs, [&] { document.reset(); }, [&] { document = loadFrom(input, &bar); });
    const double saveBarMs = bestMilliseconds(
            runs, [] {}, [&] { saveTo(*document, output, &bar, &log); });
    std::printf("%-28s %8.1f ms  %5.1f x reference\n", "read with progress bar", loadBarMs,
                loadBarMs / referenceMs);
    std::printf("%-28s %8.1f ms  %5.1f x reference\n", "write with progress bar", saveBarMs,
                saveBarMs / referenceMs);

    // The exports walk the same tree; the page adds link lists, escaping and reformatting.
    for (const auto &[flags, what] : {std::pair{int(SAVE_HTML), "writeTree HTML page"},
                                      std::pair{int(SAVE_PALM), "writeTree MIME text"}}) {
        const double ms = bestMilliseconds(
                runs, [] {},
                [&] { saved = std::min(saved, saveTo(*document, again, nullptr, &log, flags)); });
        std::printf("%-28s %8.1f ms  %5.1f x reference\n", what, ms, ms / referenceMs);
    }
    const double tableMs = bestMilliseconds(
            runs, [] {},
            [&] {
                QFile file(again);
                if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                    HtmlTable::write(*document, document->root(), &file, nullptr) != 1)
                    saved = -1;
            });
    std::printf("%-28s %8.1f ms  %5.1f x reference, %.1f MB\n", "HTML table of the tree", tableMs,
                tableMs / referenceMs, double(QFileInfo(again).size()) / 1e6);

    const QByteArray written = readAll(output);
    ThemeDocument reread;
    const bool rereadOk = readTreeFile(output, reread, nullptr);
    const int rereadThemes = themesIn(reread);
    const int againResult = saveTo(reread, again, nullptr, &log);
    const bool same = readAll(again) == written;
    const bool unicodeSame =
            readAll(unicodeOutput) == utf8Mark.toByteArray() + codec.decode(written).toUtf8();

    // The command line's conversion against the plainest program that converts the same file,
    // both started afresh, read, written and gone. Compared in the CPU time of the finished
    // children, which other work on a busy machine hardly changes; the best of the runs.
    const QString exported = dir.filePath(QStringLiteral("exported.brw"));
    const QString program = qEnvironmentVariableIsSet("BRW_BENCH_BINARY")
                                    ? qEnvironmentVariable("BRW_BENCH_BINARY")
                                    : QStringLiteral(BRW_BINARY);
    int status = 0;
    QByteArray bytes[2];
    auto childMs = [&](const QString &command, const QStringList &arguments, QByteArray &output) {
        double best = std::numeric_limits<double>::max();
        for (int run = 0; run < runs; ++run) {
            QFile::remove(exported); // a save over a file would first keep a copy of it
            const double start = childrenCpuMs();
            status |= QProcess::execute(command, arguments);
            best = std::min(best, childrenCpuMs() - start);
        }
        output = readAll(exported);
        return best;
    };
    const double plainMs = childMs(QCoreApplication::applicationFilePath(),
                                   {QStringLiteral("--convert"), input, exported}, bytes[0]);
    const double exportMs =
            childMs(program, {QStringLiteral("--export"), QStringLiteral("brw"), input, exported},
                    bytes[1]);
    std::printf("%-28s %8.1f ms CPU\n", "plain convert (process)", plainMs);
    const double exportRatio = exportMs / plainMs;
    std::printf("%-28s %8.1f ms CPU  %5.2f x plain convert  (target <= %.1f x: %s)%s\n",
                "brw --export brw", exportMs, exportRatio, exportTarget,
                exportRatio <= exportTarget ? "met" : "MISSED",
                status == 0 && bytes[0] == bytes[1] ? "" : ", output DIFFERENT");

    std::printf("themes: %d generated, %d loaded, %d after saving and reading back\n", stats.themes,
                loadedThemes, rereadThemes);
    // The generator writes "[|]" where the whole-tree writer spells the parent's date out.
    std::printf("saved file: %.1f MB, %s the generated file; saved again: %s; Unicode: %s\n",
                double(written.size()) / 1e6, written == tree ? "identical to" : "differs from",
                same ? "identical" : "DIFFERENT", unicodeSame ? "the same text" : "DIFFERENT");
    bool sound = loaded && saved == 1 && rereadOk && againResult == 1 && same && unicodeSame &&
                 loadedThemes == stats.themes && loadedThemes == rereadThemes && boxes == 0 &&
                 log.isEmpty();
    if (!log.isEmpty())
        std::fprintf(stderr, "save reports: %s\n", qPrintable(log));
    if (boxes)
        std::fprintf(stderr, "%d boxes shown\n", boxes);
    if (!sound)
        std::fprintf(stderr, "MISMATCH: the saved tree does not read back into the same tree\n");
    return sound ? 0 : 1;
}
