#include "storage/TreeFile.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "storage/FileReading.h"
#include "storage/ProgressSteps.h"
#include "storage/TreeHeader.h"
#include "tree/LinkListView.h"
#include "tree/TreeUndo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressBar>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LinkListView", text);
}

// Decodes a piece of the file with every CR removed (and, for descriptions, one final LF
// dropped), copying only when there is a CR to remove.
QString decodePiece(TextCodec &codec, QByteArrayView piece, bool dropFinalLineFeed)
{
    if (!piece.contains('\r')) {
        if (dropFinalLineFeed && piece.endsWith('\n'))
            piece.chop(1);
        return codec.decode(piece);
    }
    // Copied run by run between the CRs: replace() searches with a general matcher and cost a
    // third of a whole load.
    QByteArray copy(piece.size(), Qt::Uninitialized);
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
    copy.truncate(to - copy.constData());
    if (dropFinalLineFeed && copy.endsWith('\n'))
        copy.chop(1);
    return codec.decode(copy);
}

// Appends the next piece of the file to the buffer; false once nothing is left.
using ChunkSource = std::function<bool(QByteArray &buffer)>;

// Reads the file piece by piece, keeping only the pending description and the current line:
// the whole file beside the tree built from it would double the memory a load needs.
class TreeReader
{
public:
    TreeReader(LinkListView &view, ChunkSource source, ProgressSteps &progress)
        : m_view(view)
        , m_source(std::move(source))
        , m_progress(progress)
    {}

    // Builds the themes under a detached holder and returns whether a name was changed.
    void read(ColorListViewItem *target, ColorListViewItem *holder);
    bool renamedReminder() const { return m_renamedReminder; }
    TextEncoding encoding() const { return m_codec.encoding(); }

private:
    void finishDescription(qsizetype end);
    void addTheme(const ThemeHeader &header, qsizetype lineEnd);
    // Drops what lies before the pending description and appends the next piece; the
    // positions given move with the bytes.
    bool readMore(qsizetype &lineStart, qsizetype &searched);

    LinkListView &m_view;
    ChunkSource m_source;
    QByteArray m_buffer;
    qint64 m_dropped = 0;  // bytes of the file before the buffer
    QByteArrayView m_text; // the buffer
    ProgressSteps &m_progress;
    TextCodec m_codec{TextEncoding::Cp1251};
    ColorListViewItem *m_target = nullptr;
    ColorListViewItem *m_current = nullptr;
    std::vector<ColorListViewItem *> m_parents; // m_parents[d]: the latest theme at depth d
    qint64 m_depth = 0;
    qsizetype m_descriptionStart = 0;
    bool m_renamedReminder = false;
};

void TreeReader::finishDescription(qsizetype end)
{
    if (m_current->linkId() < 0)
        return;
    const QByteArrayView piece = m_text.sliced(m_descriptionStart, end - m_descriptionStart);
    m_current->setDescription(decodePiece(m_codec, piece, true));
}

void TreeReader::addTheme(const ThemeHeader &header, qsizetype lineEnd)
{
    const qint64 depth = qMax<qint64>(header.depth, 1);
    // Every new theme is the last one of its list, so placing it means choosing its parent.
    if (depth > m_depth)
        ++m_depth;
    else
        m_depth = depth;
    ColorListViewItem *parent = m_parents[size_t(m_depth - 1)];
    ColorListViewItem *theme = m_view.appendChild(parent, QString());
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
        m_view.joinGroup(theme, header.linkId);

    const QString name =
            decodePiece(m_codec, m_text.sliced(header.end, lineEnd - header.end), true);
    if (name == LinkListView::reminderThemeName() && m_view.reminderTheme())
        m_renamedReminder = true;
    m_view.renameTheme(theme, name);
    m_current = theme;
}

bool TreeReader::readMore(qsizetype &lineStart, qsizetype &searched)
{
    m_buffer.remove(0, m_descriptionStart);
    m_dropped += m_descriptionStart;
    lineStart -= m_descriptionStart;
    searched -= m_descriptionStart;
    m_descriptionStart = 0;
    const bool more = m_source(m_buffer);
    m_text = m_buffer;
    return more;
}

void TreeReader::read(ColorListViewItem *target, ColorListViewItem *holder)
{
    m_target = target;
    m_current = target;
    m_parents = {holder};
    qsizetype lineStart = 0;
    qsizetype searched = 0; // a long line is searched for its end only once
    bool more = readMore(lineStart, searched);
    if (m_text.startsWith(utf8Mark)) {
        m_codec = TextCodec(TextEncoding::Utf8);
        lineStart = searched = m_descriptionStart = utf8Mark.size();
    }
    while (lineStart < m_text.size() || more) {
        m_progress.setValue(m_dropped + m_descriptionStart);
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

namespace {

void loadFrom(LinkListView &view, ChunkSource source, qint64 size, const QString &name,
              const QDateTime &modified, int flags, QProgressBar *progress)
{
    // The window repaints while a large file loads.
    ProgressSteps steps(progress, ProgressSteps::Repaint::Yes);
    steps.start(size);
    // An inserted file is one step of the tree's undo history; a whole tree starts a fresh one.
    std::optional<LinkListView::UndoStep> undoStep;
    std::optional<TreeUndo::Pause> unrecorded;
    if (flags & LOAD_INSERT) {
        undoStep.emplace(&view, QT_TRANSLATE_NOOP("LinkListView", "Insert File"));
    } else {
        view.clear();
        unrecorded.emplace(view.undoHistory());
    }

    MLStorage previous;
    view.connectStorage(previous);
    LinkListView::Busy busy(&view);
    view.storage().transfer(previous);

    ColorListViewItem *const reminderBefore = view.reminderTheme();
    // An inserted file is built as a branch outside the tree, which joins the tree in one
    // step at the end; a whole tree is built under a detached holder and joins its root in one
    // step: one notification of the toolkit's model instead of one per theme.
    const bool insert = flags & LOAD_INSERT;
    ColorListViewItem *target = view.rootTheme();
    std::unique_ptr<ColorListViewItem> holder;
    if (insert) {
        target = view.createDetachedTheme();
        view.renameTheme(target, name);
        view.setThemeDate(target, modified.date());
    } else {
        target->setExpanded(true);
        view.setCurrentItem(target);
        target->setExpanded(false);
        holder = std::make_unique<ColorListViewItem>(static_cast<QTreeWidget *>(nullptr));
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);

    TreeReader reader(view, std::move(source), steps);
    reader.read(target, holder ? holder.get() : target);
    // An inserted file joins the document in the document's form.
    if (!insert)
        view.setTextEncoding(reader.encoding());
    if (holder)
        view.exchangeChildren(target, holder.get());

    // The merge's report of broken groups follows the reader's own reports.
    const std::vector<Messages::Box> mergeReport = Messages::holdBoxes([&] {
        previous.merge(view.storage());
        previous.transfer(view.storage());
    });
    if (insert) {
        // Under the theme current now: the one current at the start may have gone meanwhile.
        ColorListViewItem *parent = view.currentTheme() ? view.currentTheme() : view.rootTheme();
        view.insertTheme(parent, 0, target);
        view.setCurrentItem(target);
    }
    // The reminder reads its text once the whole file is in the tree and its links resolve.
    if (view.reminderTheme() && view.reminderTheme() != reminderBefore)
        view.handOverReminder(modified);
    if (reader.renamedReminder())
        Messages::warning(&view, Messages::warningCaption(),
                          tr("It rename some REMINDER theme(s) \nНекоторые темы-НАПОМИНАТЕЛИ "
                             "переименованы"));
    Messages::showAll(mergeReport);
    target->setExpanded(true);
    steps.finish();
    view.whenCurrentChanged(target);
    Q_EMIT view.stateChanged();
}

} // namespace

void loadTreeBytes(LinkListView &view, const QByteArray &bytes, const QString &name,
                   const QDateTime &modified, int flags, QProgressBar *progress)
{
    bool given = false;
    auto whole = [&bytes, &given](QByteArray &buffer) {
        if (!given)
            buffer += bytes;
        given = true;
        return false;
    };
    loadFrom(view, whole, bytes.size(), name, modified, flags, progress);
}

bool loadTree(LinkListView &view, const QString &fileName, int flags, QProgressBar *progress,
              FileStamp *stamp)
{
    if (fileName.isEmpty())
        return true;
    // The whole file is read before the tree changes: a read that fails leaves the document
    // as it was. The pieces go as the themes are built, so the memory stays that of the tree.
    FileReading::Contents contents;
    switch (FileReading::readWhole(fileName, maxTreeFileSize, contents)) {
    case FileReading::Outcome::Read:
        break;
    case FileReading::Outcome::TooLarge:
        Messages::warning(&view, Messages::errorCaption(),
                          tr("File is too large to open (more than 1 GB)\nФайл слишком велик "
                             "(больше 1 ГБ)\n") +
                                  fileName);
        return false;
    case FileReading::Outcome::Changing:
        Messages::warning(&view, Messages::errorCaption(),
                          tr("File changed while it was read\nФайл изменился во время чтения\n") +
                                  fileName);
        return false;
    case FileReading::Outcome::CannotOpen:
        Messages::warning(&view, Messages::errorCaption(),
                          tr("Cannot open file\nНевозможно открыть файл\n") + fileName);
        return false;
    }
    auto nextPiece = [&contents](QByteArray &buffer) {
        if (contents.pieces.empty())
            return false;
        buffer += contents.pieces.front();
        contents.pieces.pop_front();
        return !contents.pieces.empty();
    };
    if (stamp)
        *stamp = contents.stamp;
    const QFileInfo info(fileName);
    loadFrom(view, nextPiece, contents.size, info.fileName(), info.lastModified(), flags, progress);
    return true;
}
