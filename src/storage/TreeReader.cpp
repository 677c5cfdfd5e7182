#include "storage/TreeFile.h"

#include "common/Clock.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/FileReading.h"
#include "storage/TreeHeader.h"

#include <QCoreApplication>

#include <cstring>
#include <memory>
#include <optional>
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

// Reads the file piece by piece, keeping only the pending description and the current line:
// the whole file beside the tree built from it would double the memory a load needs.
class TreeReader
{
public:
    TreeReader(ThemeDocument &document, const TreeChunks &chunks, const TreeProgress &progress,
               bool reminderTaken)
        : m_document(document)
        , m_chunks(chunks)
        , m_progress(progress)
        , m_reminderTaken(reminderTaken)
    {}

    void read(Theme *target);
    bool renamedReminder() const { return m_renamedReminder; }

private:
    void finishDescription(qsizetype end);
    void addTheme(const ThemeHeader &header, qsizetype lineEnd);
    // Drops what lies before the pending description and appends the next piece; the
    // positions given move with the bytes.
    bool readMore(qsizetype &lineStart, qsizetype &searched);

    ThemeDocument &m_document;
    const TreeChunks &m_chunks;
    QByteArray m_buffer;
    qint64 m_dropped = 0;  // bytes of the file before the buffer
    QByteArrayView m_text; // the buffer
    const TreeProgress &m_progress;
    TextCodec m_codec{TextEncoding::Cp1251};
    Theme *m_target = nullptr;
    Theme *m_current = nullptr;
    std::vector<Theme *> m_parents; // m_parents[d]: the latest theme at depth d
    qint64 m_depth = 0;
    qsizetype m_descriptionStart = 0;
    bool m_reminderTaken;
    bool m_renamedReminder = false;
};

void TreeReader::finishDescription(qsizetype end)
{
    if (m_current->linkId() < 0)
        return;
    const QByteArrayView piece = m_text.sliced(m_descriptionStart, end - m_descriptionStart);
    QByteArray copy;
    const QByteArrayView text = withoutCarriageReturns(piece, copy, true);
    // The bytes are copied once: into the copy without CRs, or here.
    if (copy.isEmpty())
        copy = text.toByteArray();
    else
        copy.truncate(text.size());
    m_current->setDescription(CompactText::fromFile(std::move(copy), m_codec));
}

void TreeReader::addTheme(const ThemeHeader &header, qsizetype lineEnd)
{
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

    QByteArray copy;
    QString name = m_codec.decode(
            withoutCarriageReturns(m_text.sliced(header.end, lineEnd - header.end), copy, true));
    // One theme holds the reminder's text: the first of that name, unless the document has one.
    if (name == ThemeDocument::reminderThemeName()) {
        if (m_reminderTaken) {
            name.prepend(QLatin1Char('~'));
            m_renamedReminder = true;
        }
        m_reminderTaken = true;
    }
    theme->setName(name);
    m_current = theme;
}

bool TreeReader::readMore(qsizetype &lineStart, qsizetype &searched)
{
    m_buffer.remove(0, m_descriptionStart);
    m_dropped += m_descriptionStart;
    lineStart -= m_descriptionStart;
    searched -= m_descriptionStart;
    m_descriptionStart = 0;
    const bool more = m_chunks(m_buffer);
    m_text = m_buffer;
    return more;
}

void TreeReader::read(Theme *target)
{
    m_target = target;
    m_current = target;
    m_parents = {target};
    qsizetype lineStart = 0;
    qsizetype searched = 0; // a long line is searched for its end only once
    bool more = readMore(lineStart, searched);
    const TextEncoding form = textFormOf(m_text);
    m_document.setTextEncoding(form);
    if (form == TextEncoding::Utf8) {
        m_codec = TextCodec(TextEncoding::Utf8);
        lineStart = searched = m_descriptionStart = utf8Mark.size();
    }
    while (lineStart < m_text.size() || more) {
        if (m_progress.advance)
            m_progress.advance(m_dropped + m_descriptionStart);
        qsizetype lineEnd = m_text.indexOf('\n', qMax(lineStart, searched));
        if (lineEnd < 0 && more) {
            searched = m_text.size();
            more = readMore(lineStart, searched);
            continue;
        }
        const qsizetype size = m_text.size();
        lineEnd = lineEnd < 0 ? size : lineEnd + 1;
        if (m_text[lineStart] == '<') {
            if (const std::optional<ThemeHeader> header = readThemeHeader(m_text, lineStart)) {
                finishDescription(lineStart);
                addTheme(*header, lineEnd);
                m_descriptionStart = lineEnd;
            }
        }
        lineStart = lineEnd;
    }
    finishDescription(m_text.size());
}

} // namespace

bool readTree(ThemeDocument &document, Theme *target, const TreeChunks &chunks,
              const TreeProgress &progress, bool reminderTaken)
{
    TreeReader reader(document, chunks, progress, reminderTaken);
    reader.read(target);
    return reader.renamedReminder();
}

QString renamedReminderReport()
{
    return tr("It rename some REMINDER theme(s) \nНекоторые темы-НАПОМИНАТЕЛИ переименованы");
}

TreeChunks wholeBytes(const QByteArray &bytes)
{
    return [bytes, given = false](QByteArray &buffer) mutable {
        if (!given)
            buffer += bytes;
        given = true;
        return false;
    };
}

std::optional<TreeChunks> readTreeFileChunks(const QString &fileName, QWidget *parent, qint64 *size,
                                             FileStamp *stamp)
{
    // The whole file is read before the tree changes: a read that fails leaves the document
    // as it was. The pieces go as the themes are built, so the memory stays that of the tree.
    auto contents = std::make_shared<FileReading::Contents>();
    switch (FileReading::readWhole(fileName, maxTreeFileSize, *contents)) {
    case FileReading::Outcome::Read:
        break;
    case FileReading::Outcome::TooLarge:
        Messages::warning(parent, Messages::errorCaption(),
                          tr("File is too large to open (more than 1 GB)\nФайл слишком велик "
                             "(больше 1 ГБ)\n") +
                                  fileName);
        return std::nullopt;
    case FileReading::Outcome::Changing:
        Messages::warning(parent, Messages::errorCaption(),
                          tr("File changed while it was read\nФайл изменился во время чтения\n") +
                                  fileName);
        return std::nullopt;
    case FileReading::Outcome::CannotOpen:
        Messages::warning(parent, Messages::errorCaption(),
                          tr("Cannot open file\nНевозможно открыть файл\n") + fileName);
        return std::nullopt;
    }
    if (size)
        *size = contents->size;
    if (stamp)
        *stamp = contents->stamp;
    return [contents](QByteArray &buffer) {
        if (contents->pieces.empty())
            return false;
        buffer += contents->pieces.front();
        contents->pieces.pop_front();
        return !contents->pieces.empty();
    };
}

bool readTreeFile(const QString &fileName, ThemeDocument &document, QWidget *parent)
{
    const std::optional<TreeChunks> chunks = readTreeFileChunks(fileName, parent);
    if (!chunks)
        return false;
    document.root()->setDate(Clock::startDate());
    if (readTree(document, document.root(), *chunks, {}, false))
        Messages::warning(parent, Messages::warningCaption(), renamedReminderReport());
    if (const ThemeDocument::BrokenGroups broken = document.settleGroups(); broken.any())
        Messages::warning(parent, QCoreApplication::translate("MLStorage", "error"),
                          ThemeDocument::brokenGroupsReport(broken));
    return true;
}
