// The floor for loading a tree file: reading its bytes and decoding them as CP1251, and the cost
// of looking for a theme header at every line. Usage: bench_codec [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "common/Cp1251.h"
#include "storage/TreeHeader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int runs = 5;

struct HeaderCount
{
    int headers = 0;
    int marks = 0;
    int links = 0;
    bool depthsFit = true; // every depth at most one below the previous theme's
};

// Calls `atLine(start)` at the first byte of every line.
template<typename AtLine>
void forEachLine(QByteArrayView text, AtLine atLine)
{
    const char *data = text.data();
    qsizetype start = 0;
    while (start < text.size()) {
        atLine(start);
        const void *end = std::memchr(data + start, '\n', size_t(text.size() - start));
        if (!end)
            break;
        start = static_cast<const char *>(end) - data + 1;
    }
}

HeaderCount countHeaders(QByteArrayView text)
{
    HeaderCount count;
    qint64 depth = 0;
    forEachLine(text, [&](qsizetype start) {
        const std::optional<ThemeHeader> header = readThemeHeader(text, start);
        if (!header)
            return;
        ++count.headers;
        count.marks += header->linkId > 0;
        count.links += header->linkId < 0;
        if (header->depth < 1 || header->depth > depth + 1)
            count.depthsFit = false;
        depth = header->depth;
    });
    return count;
}

double megabytes(qsizetype bytes)
{
    return double(bytes) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const auto [themes, seed] = benchArguments(argc, argv);

    Cp1251Codec codec;
    if (!codec.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(cp1251UnavailableMessage()));
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    BenchTreeStats stats;
    const QByteArray tree = generateBenchTree(themes, seed, &stats);
    const double generateMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("generated %d themes (seed %u) in %.0f ms: %lld bytes (%.1f MB)\n", stats.themes,
                seed, generateMs, qlonglong(tree.size()), megabytes(tree.size()));
    std::printf("  %d marks, %d links, depth up to %d, %d top-level, widest %d, longest "
                "description %d bytes\n",
                stats.marks, stats.links, stats.maxDepth, stats.topLevel, stats.widest,
                stats.longestText);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.brw"));
    QFile out(path);
    if (!dir.isValid() || !out.open(QIODevice::WriteOnly) || out.write(tree) != tree.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    out.close();

    qsizetype readBytes = 0;
    qsizetype decodedChars = 0;
    const double readMs = bestMilliseconds(runs, [&] {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            readBytes = file.readAll().size();
    });
    const double readDecodeMs = bestMilliseconds(runs, [&] {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            decodedChars = codec.decode(file.readAll()).size();
    });
    std::printf("read (readAll):              %8.1f ms  %.1f MB  %.0f MB/s\n", readMs,
                megabytes(readBytes), megabytes(readBytes) / readMs * 1e3);
    std::printf("read + decode (Cp1251Codec): %8.1f ms  %.1f MB  %lld characters\n", readDecodeMs,
                megabytes(readBytes), qlonglong(decodedChars));

    qsizetype lines = 0;
    const double scanMs = bestMilliseconds(runs, [&] {
        lines = 0;
        forEachLine(tree, [&](qsizetype) { ++lines; });
    });
    HeaderCount count;
    const double headerMs = bestMilliseconds(runs, [&] { count = countHeaders(tree); });
    std::printf("line scan only:              %8.1f ms  %lld lines\n", scanMs, qlonglong(lines));
    std::printf("line scan + readThemeHeader: %8.1f ms  %d headers found, %d themes generated\n",
                headerMs, count.headers, stats.themes);
    std::printf("  %d marks and %d links found, %d and %d generated; depths %s\n", count.marks,
                count.links, stats.marks, stats.links, count.depthsFit ? "fit" : "DO NOT FIT");

    const bool sound = readBytes == tree.size() && count.headers == stats.themes &&
                       count.marks == stats.marks && count.links == stats.links && count.depthsFit;
    if (!sound)
        std::fprintf(stderr, "MISMATCH between the generated tree and what was read\n");
    return sound ? 0 : 1;
}
