#include "storage/TreeFile.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Messages.h"
#include "storage/TreeHeader.h"
#include "tree/LinkListView.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>

#include <cstring>
#include <memory>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LinkListView", text);
}

// Decodes a piece of the file with every CR removed (and, for descriptions, one final LF
// dropped), copying only when there is a CR to remove.
QString decodePiece(Cp1251Codec &codec, QByteArrayView piece, bool dropFinalLineFeed)
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

class TreeReader
{
public:
    TreeReader(LinkListView &view, const QByteArray &bytes, QProgressBar *progress)
        : m_view(view)
        , m_text(bytes)
        , m_progress(progress)
    {}

    // Builds the themes under a detached holder and returns whether a name was changed.
    void read(ColorListViewItem *target, ColorListViewItem *holder);
    bool renamedReminder() const { return m_renamedReminder; }

private:
    void finishDescription(qsizetype end);
    void addTheme(const ThemeHeader &header, qsizetype lineEnd);

    LinkListView &m_view;
    QByteArrayView m_text;
    QProgressBar *m_progress;
    Cp1251Codec m_codec;
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

void TreeReader::read(ColorListViewItem *target, ColorListViewItem *holder)
{
    m_target = target;
    m_current = target;
    m_parents = {holder};
    const qsizetype size = m_text.size();
    qsizetype lineStart = 0;
    while (lineStart < size) {
        if (m_progress)
            m_progress->setValue(int(m_descriptionStart));
        qsizetype lineEnd = m_text.indexOf('\n', lineStart);
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
    finishDescription(size);
}

} // namespace

void loadTreeBytes(LinkListView &view, const QByteArray &bytes, const QString &name,
                   const QDateTime &modified, int flags, QProgressBar *progress)
{
    if (progress) {
        progress->reset();
        progress->setMaximum(int(bytes.size()));
        progress->setValue(0);
    }
    if (!(flags & LOAD_INSERT))
        view.clear();

    MLStorage previous;
    view.connectStorage(previous);
    LinkListView::Busy busy(&view);
    view.storage().transfer(previous);

    ColorListViewItem *const reminderBefore = view.reminderTheme();
    ColorListViewItem *target = view.rootTheme();
    if (flags & LOAD_INSERT) {
        ColorListViewItem *current = view.currentTheme() ? view.currentTheme() : view.rootTheme();
        target = view.createChild(current, QString(), QString(), QString());
        view.renameTheme(target, name);
        view.setThemeDate(target, modified.date());
    } else {
        target->setExpanded(true);
    }
    view.setCurrentItem(target);
    target->setExpanded(false);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);

    // The themes are built detached and joined to the tree in one step: one notification of
    // the toolkit's model instead of one per theme.
    auto holder = std::make_unique<ColorListViewItem>(static_cast<QTreeWidget *>(nullptr));
    TreeReader reader(view, bytes, progress);
    reader.read(target, holder.get());
    target->addChildren(holder->takeChildren());
    target->setExpanded(true);

    if (view.reminderTheme() && view.reminderTheme() != reminderBefore)
        view.handOverReminder(modified);
    if (reader.renamedReminder())
        Messages::warning(&view, Messages::warningCaption(),
                          tr("It rename some REMINDER theme(s) \nНекоторые темы-НАПОМИНАТЕЛИ "
                             "переименованы"));
    previous.merge(view.storage());
    previous.transfer(view.storage());
    if (progress)
        progress->setValue(progress->maximum());
    view.whenCurrentChanged(target);
    Q_EMIT view.stateChanged();
}

bool loadTree(LinkListView &view, const QString &fileName, int flags, QProgressBar *progress)
{
    if (fileName.isEmpty())
        return true;
    QFile file(fileName);
    const QFileInfo info(fileName);
    QByteArray bytes;
    bool readable = info.size() <= maxTreeFileSize && file.open(QIODevice::ReadOnly);
    if (readable) {
        bytes = file.readAll();
        readable = file.error() == QFileDevice::NoError && bytes.size() == info.size();
    }
    if (!readable) {
        const QString text = info.size() > maxTreeFileSize
                                     ? tr("File is too large to open (more than 1 GB)\nФайл "
                                          "слишком велик (больше 1 ГБ)\n")
                                     : tr("Cannot open file\nНевозможно открыть файл\n");
        Messages::warning(&view, Messages::errorCaption(), text + fileName);
        return false;
    }
    file.close();
    loadTreeBytes(view, bytes, info.fileName(), info.lastModified(), flags, progress);
    return true;
}
