#include "storage/TreeFile.h"

#include "common/Clock.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/TreeHeader.h"
#include "storage/TreeStretches.h"

#include <QCoreApplication>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LinkListView", text);
}

// Moves a text to `to`, at its place or before it, without its CRs and then one final LF;
// gives its new size. Copied run by run between the CRs: a general search and replace cost a
// third of a whole load.
qsizetype moveWithoutLineEnds(char *to, const char *from, qsizetype size)
{
    char *const start = to;
    const char *const end = from + size;
    while (from < end) {
        const auto *cr = static_cast<const char *>(std::memchr(from, '\r', size_t(end - from)));
        const char *const stop = cr ? cr : end;
        std::memmove(to, from, size_t(stop - from));
        to += stop - from;
        from = cr ? cr + 1 : end;
    }
    return to > start && to[-1] == '\n' ? to - start - 1 : to - start;
}

// Gives the memory of the whole pages between two places of a buffer back to the system; the
// bytes there are not read again. (Elsewhere the buffer keeps them.)
void releasePages(char *from, char *to)
{
#ifdef Q_OS_LINUX
    static const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (uintptr_t(from) + page - 1) & ~(page - 1);
    const uintptr_t last = uintptr_t(to) & ~(page - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_DONTNEED);
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
#endif
}

// One header line of the file and the description after it, read but not yet placed.
struct ScannedTheme
{
    ThemeHeader header;
    QString name;
    CompactText description; // empty for a link theme: its group's mark holds the text
};

// Places what a scanner finds into the document, theme after theme in file order.
class TreeBuilder
{
public:
    TreeBuilder(ThemeDocument &document, Theme *target, bool reminderTaken)
        : m_document(document)
        , m_target(target)
        , m_parents{target}
        , m_reminderTaken(reminderTaken)
    {}

    // The text before the first header line: the target's description.
    void preamble(CompactText text)
    {
        if (m_target->linkId() >= 0)
            m_target->setDescription(std::move(text));
    }
    void add(ScannedTheme &&scanned);
    const TreeRead &outcome() const { return m_outcome; }

private:
    ThemeDocument &m_document;
    Theme *m_target;
    std::vector<Theme *> m_parents; // m_parents[d]: the latest theme at depth d
    qint64 m_depth = 0;
    bool m_reminderTaken;
    TreeRead m_outcome;
};

void TreeBuilder::add(ScannedTheme &&scanned)
{
    const ThemeHeader &header = scanned.header;
    const qint64 depth = qMax<qint64>(header.depth, 1);
    // Every new theme is the last one of its list, so placing it means choosing its parent.
    if (depth > m_depth)
        ++m_depth;
    else
        m_depth = depth;
    Theme *parent = m_parents[size_t(m_depth - 1)];
    Theme *theme = m_document.appendChild(parent);
    m_parents.resize(size_t(m_depth));
    m_parents.push_back(theme);

    switch (header.dateKind) {
    case ThemeHeader::DateKind::Parent:
        theme->setDate(m_depth == 1 ? m_target->date() : parent->date());
        break;
    case ThemeHeader::DateKind::Given:
        theme->setDate(header.date);
        break;
    case ThemeHeader::DateKind::None:
    case ThemeHeader::DateKind::Impossible:
        theme->setDate(Clock::today());
        break;
    }
    if (header.linkId != 0)
        m_document.joinGroup(theme, header.linkId);
    // One theme holds the reminder's text: the first of that name, unless the document has one.
    if (scanned.name == ThemeDocument::reminderThemeName()) {
        if (m_reminderTaken) {
            scanned.name.prepend(QLatin1Char('~'));
            m_outcome.reminderRenamed = true;
        } else {
            m_outcome.reminderRead = true;
        }
        m_reminderTaken = true;
    }
    theme->setName(std::move(scanned.name));
    theme->setDescription(std::move(scanned.description));
}

// Finds the header lines and the descriptions in pieces of a file, handing each theme on once
// the next header line (or the end) closes its description. The descriptions keep the pieces
// the file was read in: each is moved to the front of its piece, past the header lines and the
// CRs, and the rest of the piece is given back, so the tree's text is no copy beside the file.
class TreeScanner
{
public:
    // `skip`: the bytes of the form's mark at the start of the first piece. `advance`, unless
    // empty, gets the bytes read so far.
    TreeScanner(TreeChunks pieces, TextEncoding form, qsizetype skip,
                std::function<void(qint64)> advance)
        : m_stretches(std::move(pieces), skip)
        , m_codec(form)
        , m_advance(std::move(advance))
    {}

    // Sink: preamble(CompactText), then add(ScannedTheme &&) for every theme in order.
    template<typename Sink>
    void scan(Sink &sink);

private:
    template<typename Sink>
    void scan(TreeStretch &stretch, bool atFileStart, Sink &sink);

    TreeStretches m_stretches;
    TextCodec m_codec;
    std::function<void(qint64)> m_advance;
};

template<typename Sink>
void TreeScanner::scan(Sink &sink)
{
    bool atFileStart = true;
    while (std::optional<TreeStretch> stretch = m_stretches.next()) {
        scan(*stretch, atFileStart, sink);
        atFileStart = false;
        if (m_advance)
            m_advance(stretch->end);
    }
}

template<typename Sink>
void TreeScanner::scan(TreeStretch &stretch, bool atFileStart, Sink &sink)
{
    // Taken while the stretch alone holds its bytes, so that they are not copied.
    char *const bytes = stretch.bytes.data();
    const QByteArrayView text(bytes, stretch.to);
    // The descriptions read so far lie before `packed`: the bytes from there on are the scan's.
    char *packed = bytes + stretch.from;
    std::optional<ScannedTheme> pending; // the theme whose description is being read
    qsizetype descriptionStart = stretch.from;
    auto finish = [&](qsizetype end) {
        if (!pending && !atFileStart)
            return;
        if (pending && pending->header.linkId < 0) {
            sink.add(std::move(*pending));
            return;
        }
        const qsizetype size =
                moveWithoutLineEnds(packed, bytes + descriptionStart, end - descriptionStart);
        CompactText description = CompactText::fromFile(stretch.bytes, packed, size, m_codec);
        if (description.isCompact())
            packed += description.size();
        if (!pending) {
            sink.preamble(std::move(description));
            return;
        }
        pending->description = std::move(description);
        sink.add(std::move(*pending));
    };
    for (qsizetype lineStart = stretch.from; lineStart < text.size();) {
        if (text[lineStart] != '<') {
            // Only a line that starts with '<' may be a header line.
            const qsizetype next = nextLineWithTag(text, lineStart + 1);
            lineStart = next < 0 ? text.size() : next;
            continue;
        }
        const qsizetype newline = text.indexOf('\n', lineStart);
        const qsizetype lineEnd = newline < 0 ? text.size() : newline + 1;
        if (const std::optional<ThemeHeader> header = readThemeHeader(text, lineStart)) {
            finish(lineStart);
            char *const name = bytes + header->end;
            const qsizetype nameSize = moveWithoutLineEnds(name, name, lineEnd - header->end);
            pending = ScannedTheme{*header, m_codec.decode(QByteArrayView(name, nameSize)), {}};
            descriptionStart = lineEnd;
        }
        lineStart = lineEnd;
    }
    finish(text.size());
    releasePages(packed, bytes + stretch.bytes.size());
}

// What a second thread scans, handed over in batches as it goes: the first thread places them
// once its own part is placed.
class ScannedThemes
{
public:
    void preamble(CompactText) {} // the part starts with a header line
    void add(ScannedTheme &&scanned)
    {
        m_batch.push_back(std::move(scanned));
        if (m_batch.size() == batchSize)
            handOver(false);
    }
    void finish() { handOver(true); }
    // The next batch, waiting for it; empty once all are taken.
    std::vector<ScannedTheme> take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return {};
        std::vector<ScannedTheme> batch = std::move(m_ready.front());
        m_ready.pop_front();
        return batch;
    }

private:
    static constexpr size_t batchSize = 1024;

    void handOver(bool done)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_batch.empty())
                m_ready.push_back(std::move(m_batch));
            m_done = done;
        }
        m_batch = {};
        m_changed.notify_one();
    }

    std::vector<ScannedTheme> m_batch; // the second thread's own
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<ScannedTheme>> m_ready;
    bool m_done = false;
};

// Large files are read by two threads: the pieces from the first header line that starts in the
// piece two fifths of the way in are taken off for the second. The first thread also places
// every theme, the second's as they come once its own are placed, so it takes the smaller part.
// Nothing is taken off a file of one piece or one with no header line starting there.
TreeChunks takeSecondPart(TreeChunks &pieces)
{
    if (pieces.size() < 2)
        return {};
    const size_t middle = qMax<size_t>(1, pieces.size() * 2 / 5);
    QByteArray &piece = pieces[middle];
    const qsizetype at = firstHeaderLine(piece, pieces[middle - 1].endsWith('\n'));
    if (at < 0)
        return {};
    TreeChunks second(std::make_move_iterator(pieces.begin() + qsizetype(middle) + 1),
                      std::make_move_iterator(pieces.end()));
    second.push_front(piece.sliced(at));
    pieces.resize(middle + 1);
    piece.truncate(at);
    return second;
}

qint64 sizeOf(const TreeChunks &pieces)
{
    qint64 size = 0;
    for (const QByteArray &piece : pieces)
        size += piece.size();
    return size;
}

} // namespace

TreeRead readTree(ThemeDocument &document, Theme *target, TreeChunks chunks,
                  const TreeProgress &progress, bool reminderTaken)
{
    // The form's mark may lie across the first pieces.
    QByteArray start;
    for (auto piece = chunks.begin(); piece != chunks.end() && start.size() < 3; ++piece)
        start += piece->first(qMin<qsizetype>(piece->size(), 3 - start.size()));
    const TextEncoding form = textFormOf(start);
    document.setTextEncoding(form);
    TreeBuilder builder(document, target, reminderTaken);
    TreeChunks second = takeSecondPart(chunks);
    const qint64 firstSize = sizeOf(chunks);
    ScannedThemes later;
    std::atomic<qint64> secondScanned = 0;
    // Dates are checked against the program's start: it is fixed before both threads ask.
    Clock::startDate();
    std::jthread secondThread;
    if (!second.empty())
        secondThread = std::jthread([&later, &second, &secondScanned, form] {
            TreeScanner(std::move(second), form, 0, [&secondScanned](qint64 value) {
                secondScanned.store(value, std::memory_order_relaxed);
            }).scan(later);
            later.finish();
        });
    TreeScanner(std::move(chunks), form, formMarkSize(form), progress.advance).scan(builder);
    if (secondThread.joinable()) {
        for (std::vector<ScannedTheme> batch = later.take(); !batch.empty(); batch = later.take()) {
            for (ScannedTheme &scanned : batch)
                builder.add(std::move(scanned));
            if (progress.advance)
                progress.advance(firstSize + secondScanned.load(std::memory_order_relaxed));
        }
    }
    return builder.outcome();
}

QString renamedReminderReport()
{
    return tr("It rename some REMINDER theme(s) \nНекоторые темы-НАПОМИНАТЕЛИ переименованы");
}

TreeChunks wholeBytes(const QByteArray &bytes)
{
    return {bytes};
}

bool readTreeFile(const QString &fileName, ThemeDocument &document, QWidget *parent)
{
    std::optional<TreeChunks> chunks = readTreeFileChunks(fileName, parent);
    if (!chunks)
        return false;
    document.root()->setDate(Clock::startDate());
    if (readTree(document, document.root(), std::move(*chunks), {}, false).reminderRenamed)
        Messages::warning(parent, Messages::warningCaption(), renamedReminderReport());
    if (const ThemeDocument::BrokenGroups broken = document.settleGroups(); broken.any())
        Messages::warning(parent, QCoreApplication::translate("MLStorage", "error"),
                          ThemeDocument::brokenGroupsReport(broken));
    return true;
}
