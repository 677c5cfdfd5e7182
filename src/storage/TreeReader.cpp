#include "storage/TreeFile.h"

#include "common/Clock.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/TreeHeader.h"

#include <QCoreApplication>

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

// A piece of the file with every CR removed (and, for descriptions, one final LF dropped): the
// piece itself, or `copy` when there is a CR to remove.
QByteArrayView withoutCarriageReturns(QByteArrayView piece, QByteArray &copy,
                                      bool dropFinalLineFeed)
{
    if (piece.contains('\r')) {
        // Copied run by run between the CRs: replace() searches with a general matcher and cost
        // a third of a whole load.
        copy = QByteArray(piece.size(), Qt::Uninitialized);
        char *to = copy.data();
        const char *from = piece.data();
        const char *const end = from + piece.size();
        while (from < end) {
            const auto *cr = static_cast<const char *>(std::memchr(from, '\r', size_t(end - from)));
            const char *const stop = cr ? cr : end;
            std::memcpy(to, from, size_t(stop - from));
            to += stop - from;
            if (!cr)
                break;
            from = cr + 1;
        }
        piece = QByteArrayView(copy.constData(), to - copy.constData());
    }
    if (dropFinalLineFeed && piece.endsWith('\n'))
        piece.chop(1);
    return piece;
}

// The start of the next line at or after `from` that begins with '<', or -1: a description is
// passed over without stopping at each of its lines. `from` is past the start of a line.
qsizetype nextLineWithTag(QByteArrayView text, qsizetype from)
{
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    for (const char *at = begin + from; at < end; ++at) {
        at = static_cast<const char *>(std::memchr(at, '<', size_t(end - at)));
        if (!at)
            break;
        if (at[-1] == '\n')
            return at - begin;
    }
    return -1;
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
// the next header line (or the end) closes its description. Only the pending description and
// the current line are kept: the whole file beside the tree built from it would double the
// memory a load needs.
class TreeScanner
{
public:
    // `skip`: the bytes of the form's mark at the start of the first piece. `advance`, unless
    // empty, gets the bytes read so far.
    TreeScanner(TreeChunks pieces, TextEncoding form, qsizetype skip,
                std::function<void(qint64)> advance)
        : m_pieces(std::move(pieces))
        , m_codec(form)
        , m_advance(std::move(advance))
        , m_skip(skip)
    {}

    // Sink: preamble(CompactText), then add(ScannedTheme &&) for every theme in order.
    template<typename Sink>
    void scan(Sink &sink);

private:
    CompactText description(qsizetype end);
    // Drops what lies before the pending description and appends the next piece; the
    // positions given move with the bytes.
    bool readMore(qsizetype &lineStart, qsizetype &searched);

    TreeChunks m_pieces;
    TextCodec m_codec;
    std::function<void(qint64)> m_advance;
    QByteArray m_buffer;
    qint64 m_dropped = 0;  // bytes of the pieces before the buffer
    QByteArrayView m_text; // the buffer
    qsizetype m_skip;
    qsizetype m_descriptionStart = 0;
};

CompactText TreeScanner::description(qsizetype end)
{
    const QByteArrayView piece = m_text.sliced(m_descriptionStart, end - m_descriptionStart);
    QByteArray copy;
    const QByteArrayView text = withoutCarriageReturns(piece, copy, true);
    // The bytes are copied once: into the copy without CRs, or here.
    if (copy.isEmpty())
        copy = text.toByteArray();
    else
        copy.truncate(text.size());
    return CompactText::fromFile(std::move(copy), m_codec);
}

bool TreeScanner::readMore(qsizetype &lineStart, qsizetype &searched)
{
    m_buffer.remove(0, m_descriptionStart);
    m_dropped += m_descriptionStart;
    lineStart -= m_descriptionStart;
    searched -= m_descriptionStart;
    m_descriptionStart = 0;
    if (!m_pieces.empty()) {
        m_buffer += m_pieces.front();
        m_pieces.pop_front();
    }
    m_text = m_buffer;
    return !m_pieces.empty();
}

template<typename Sink>
void TreeScanner::scan(Sink &sink)
{
    qsizetype lineStart = 0;
    qsizetype searched = 0; // bytes searched already, for a line's end or the next '<' line
    bool more = readMore(lineStart, searched);
    lineStart = searched = m_descriptionStart = m_skip;
    std::optional<ScannedTheme> pending; // the theme whose description is being read
    auto finish = [&](qsizetype end) {
        if (!pending) {
            sink.preamble(description(end));
            return;
        }
        if (pending->header.linkId >= 0)
            pending->description = description(end);
        sink.add(std::move(*pending));
    };
    while (lineStart < m_text.size() || more) {
        if (m_advance)
            m_advance(m_dropped + m_descriptionStart);
        if (lineStart == m_text.size() || m_text[lineStart] != '<') {
            // Only a line that starts with '<' may be a header line.
            const qsizetype next = nextLineWithTag(m_text, qMax(lineStart + 1, searched));
            if (next < 0 && more) {
                searched = m_text.size();
                more = readMore(lineStart, searched);
                continue;
            }
            lineStart = next < 0 ? m_text.size() : next;
            continue;
        }
        qsizetype lineEnd = m_text.indexOf('\n', qMax(lineStart, searched));
        if (lineEnd < 0 && more) {
            searched = m_text.size();
            more = readMore(lineStart, searched);
            continue;
        }
        lineEnd = lineEnd < 0 ? m_text.size() : lineEnd + 1;
        if (const std::optional<ThemeHeader> header = readThemeHeader(m_text, lineStart)) {
            finish(lineStart);
            QByteArray copy;
            pending = ScannedTheme{
                    *header,
                    m_codec.decode(withoutCarriageReturns(
                            m_text.sliced(header->end, lineEnd - header->end), copy, true)),
                    {}};
            m_descriptionStart = lineEnd;
        }
        lineStart = lineEnd;
    }
    finish(m_text.size());
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
    bool atLineStart = pieces[middle - 1].endsWith('\n');
    for (qsizetype at = 0; at < piece.size();) {
        if (atLineStart && piece[at] == '<' && readThemeHeader(piece, at)) {
            TreeChunks second(std::make_move_iterator(pieces.begin() + qsizetype(middle) + 1),
                              std::make_move_iterator(pieces.end()));
            second.push_front(piece.sliced(at));
            pieces.resize(middle + 1);
            piece.truncate(at);
            return second;
        }
        const qsizetype lineEnd = piece.indexOf('\n', at);
        if (lineEnd < 0)
            break;
        at = lineEnd + 1;
        atLineStart = true;
    }
    return {};
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
    const TextEncoding form =
            textFormOf(chunks.empty() ? QByteArrayView() : QByteArrayView(chunks.front()));
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
