#include "storage/TreeFile.h"

#include "common/Emergency.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "storage/ExportParts.h"
#include "storage/HiddenParts.h"
#include "storage/HtmlText.h"
#include "storage/ProgressSteps.h"
#include "storage/TreeHeader.h"
#include "tree/LinkListView.h"
#include "tree/TreeWalk.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDevice>
#include <QProgressBar>

#include <cstring>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LinkListView", text);
}

// Every line feed becomes CR LF. Copied line by line into an output of the final size:
// replace() searches with a general matcher and cost a quarter of a whole save.
QByteArray withCrLf(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return bytes;
    const char *const end = bytes.constData() + bytes.size();
    auto nextFeed = [end](const char *from) {
        return static_cast<const char *>(std::memchr(from, '\n', size_t(end - from)));
    };
    qsizetype feeds = 0;
    for (const char *feed = nextFeed(bytes.constData()); feed; feed = nextFeed(feed + 1))
        ++feeds;
    QByteArray out(bytes.size() + feeds, Qt::Uninitialized);
    char *to = out.data();
    for (const char *from = bytes.constData();;) {
        const char *const feed = nextFeed(from);
        const char *const stop = feed ? feed : end;
        std::memcpy(to, from, size_t(stop - from));
        to += stop - from;
        if (!feed)
            break;
        *to++ = '\r';
        *to++ = '\n';
        from = feed + 1;
    }
    return out;
}

class TreeWriter
{
public:
    TreeWriter(LinkListView &view, QIODevice *file, int flags, QProgressBar *progress, QString *log,
               SaveReport *report)
        : m_view(view)
        , m_file(file)
        , m_flags(flags)
        , m_progress(progress, ProgressSteps::Repaint::No)
        , m_log(log)
        , m_report(report)
        , m_codec(view.textEncoding())
    {}

    int run();

private:
    bool waitForStableTree();
    QString descriptionOf(ColorListViewItem *theme);
    int linkIdWritten(ColorListViewItem *theme, ColorListViewItem *top);
    void appendRecord(QString &record, ColorListViewItem *theme, int depth, int linkId,
                      std::optional<QDate> date, const QString &outline);
    bool write(const QString &text, ColorListViewItem *theme);
    void reportWriteError();
    // Null when the tree goes into a buffer.
    QFileDevice *fileDevice() const { return qobject_cast<QFileDevice *>(m_file); }

    LinkListView &m_view;
    QIODevice *m_file;
    int m_flags;
    ProgressSteps m_progress;
    QString *m_log;
    SaveReport *m_report;
    TextCodec m_codec;
    ColorListViewItem *m_top = nullptr; // the root of what is written
    int m_errors = 0;
    qint64 m_written = 0;
    int m_progressValue = 0;
};

bool TreeWriter::waitForStableTree()
{
    QElapsedTimer waited;
    waited.start();
    while (!m_view.isStable()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
        if (waited.elapsed() >= 10000) {
            Messages::report(m_log, &m_view, Messages::warningCaption(),
                             tr("Tree isn't stable and cannot be saved (Дерево изменяется и не "
                                "может быть сохранено)"));
            return false;
        }
    }
    return true;
}

QString TreeWriter::descriptionOf(ColorListViewItem *theme)
{
    QString text = m_view.description(theme, true);
    if (m_flags & SAVE_STRIP_HIDDEN)
        text = stripHiddenParts(text);
    if (m_flags == 0)
        m_written += text.size();
    if (m_flags & SAVE_HTML)
        return escapeHtml(text);
    return (m_flags & SAVE_PALM) ? ExportParts::mimeSafeText(text) : text;
}

int TreeWriter::linkIdWritten(ColorListViewItem *theme, ColorListViewItem *top)
{
    const int id = theme->linkId();
    if (id == 0 || !(m_flags & SAVE_BRANCH))
        return id;
    // The children that a link holds for its mark theme count as the mark theme's, so a branch
    // whose top is such a link is the mark theme's branch.
    MLStorage &storage = m_view.storage();
    const ColorListViewItem *branch = m_view.resolve(top);
    if (id < 0) {
        ColorListViewItem *mark = storage.markThemeOf(id);
        return resolvedClimbMeets(m_view, mark ? mark : theme, branch) ? id : 0;
    }
    for (ColorListViewItem *link : storage.linksOf(id))
        if (resolvedClimbMeets(m_view, link, branch))
            return id;
    return 0;
}

void TreeWriter::reportWriteError()
{
    Messages::report(m_log, &m_view, Messages::errorCaption(),
                     tr("Error writing file\nОшибка записи в файл\n") +
                             (fileDevice() ? fileDevice()->fileName() : QString()));
    m_errors += 1000;
}

bool TreeWriter::write(const QString &text, ColorListViewItem *theme)
{
    const qint64 replacedBefore = m_codec.replaced();
    const QByteArray bytes = withCrLf(m_codec.encode(text));
    if (m_report && m_codec.replaced() != replacedBefore) {
        if (m_report->replaced == 0)
            m_report->firstThemeReplaced = theme->name();
        m_report->replaced += m_codec.replaced() - replacedBefore;
    }
    m_progress.setValue(m_progressValue);
    ++m_progressValue;
    if (m_file->write(bytes) < bytes.size()) {
        reportWriteError();
        return false;
    }
    return true;
}

// One theme's record: in the ordinary format the header line and the description; the HTML page
// adds the anchor and the link list and escapes and reformats the whole; the MIME text makes it
// a part of its own, the name first.
void TreeWriter::appendRecord(QString &record, ColorListViewItem *theme, int depth, int linkId,
                              std::optional<QDate> date, const QString &outline)
{
    const bool html = m_flags & SAVE_HTML;
    const bool palm = !html && (m_flags & SAVE_PALM);
    const QString name = theme->name();
    if (m_flags == 0)
        m_written += name.size();
    if (palm)
        record += ExportParts::mimePartHeader(m_codec.encoding()) +
                  ExportParts::mimeSafeText(name) + QLatin1Char('\n');
    if (!html || theme->linkId() >= 0) { // a link has no anchor in the page, so no header line
        appendThemeHeader(record, depth, linkId, date);
        record += html ? ExportParts::htmlAnchor(theme, outline) : palm ? QString() : name;
        record += QLatin1Char('\n');
    }
    if (html)
        record += ExportParts::htmlLinkList(m_view, theme, outline, m_top);
    if (!(m_flags & SAVE_STRUCTURE)) {
        if (theme->linkId() >= 0)
            record += descriptionOf(theme);
        record += QLatin1Char('\n');
    }
    if (html)
        record = reformatHtml(record);
}

int TreeWriter::run()
{
    if (Emergency::inProgress()) {
        // After a fatal signal there is no waiting: a tree caught in the middle of a change is
        // written as it stands, and the result says it may be inconsistent.
        if (!m_view.isStable())
            ++m_errors;
    } else if (!waitForStableTree()) {
        return 0;
    }
    const bool html = m_flags & SAVE_HTML;
    if (html)
        m_view.numberThemes();
    ColorListViewItem *top = m_top =
            (m_flags & SAVE_BRANCH)
                    ? (m_view.currentTheme() ? m_view.makeHolder(m_view.currentTheme()) : nullptr)
                    : m_view.rootTheme();
    if (!top)
        return 1;
    const bool structureOnly = m_flags & SAVE_STRUCTURE;
    const TextEncoding encoding = m_codec.encoding();
    QString pending;
    if (!html && (m_flags & SAVE_PALM))
        pending = ExportParts::mimeHeader() + ExportParts::mimePartHeader(encoding);
    if (!structureOnly)
        pending += descriptionOf(top) + QLatin1Char('\n');
    if (html)
        pending = ExportParts::htmlPageStart(encoding) +
                  reformatHtml(pending + ExportParts::htmlLinkList(m_view, top, QString(), top));

    const QPair<int, int> counted = m_view.themeStatistics(nullptr, top);
    m_progress.start(counted.second);
    m_progressValue = 1;
    if (!Emergency::inProgress())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 500);

    // A Unicode tree file says so in its first bytes; a page and a MIME text name their charset.
    bool failed = encoding == TextEncoding::Utf8 && !(m_flags & (SAVE_HTML | SAVE_PALM)) &&
                  m_file->write(utf8Mark.data(), utf8Mark.size()) < utf8Mark.size();
    if (failed)
        reportWriteError();
    failed = failed || !write(pending, top);
    // The subthemes of a link group are written once, under its mark theme; links are never
    // entered, so `parents[d]` is the theme whose children are being written at depth d + 1.
    std::vector<ColorListViewItem *> parents{top};
    // The HTML outline number of the theme being written and where each level's number ends in
    // it: one string, as numbers of every length at once grow with the square of the depth.
    QString outline;
    std::vector<qsizetype> outlineEnds{0};
    QString record; // reused: a fresh string per record grows and is freed for every theme
    walkHeldBranch(m_view, top, [&](ColorListViewItem *theme, int depth, int) {
        if (failed || theme->isNullItem())
            return;
        parents.resize(depth);
        ColorListViewItem *parent = parents[depth - 1];
        parents.push_back(theme);
        bool numbered = false;
        if (html) {
            outline.truncate(outlineEnds[depth - 1]);
            QString own = ExportParts::outlineNumber(outline, theme);
            numbered = !own.isEmpty();
            if (numbered)
                outline = std::move(own);
            outlineEnds.resize(depth);
            outlineEnds.push_back(outline.size());
        }
        std::optional<QDate> date = theme->date();
        if ((m_flags & SAVE_BRANCH) && depth > 1 && parent->date() == *date)
            date.reset();
        record.truncate(0);
        appendRecord(record, theme, depth, linkIdWritten(theme, top), date,
                     numbered ? outline : QString());
        failed = !write(record, theme);
    });
    if (!failed)
        m_progress.finish();
    if (!failed && fileDevice() && !fileDevice()->flush()) {
        reportWriteError();
        failed = true;
    }
    if (!failed && m_flags == 0 && m_written != counted.first) {
        Messages::report(m_log, &m_view, Messages::warningCaption(),
                         tr("Save %1 symbols, but has %2 symbols\nСохранено %1 символов из %2")
                                 .arg(m_written)
                                 .arg(counted.first));
    }
    return m_errors ? -m_errors : 1;
}

} // namespace

int saveTree(LinkListView &view, QIODevice *file, int flags, QProgressBar *progress, QString *log,
             SaveReport *report)
{
    return TreeWriter(view, file, flags, progress, log, report).run();
}

int saveBranchInUtf8(LinkListView &view, QIODevice *file)
{
    const TextEncoding form = view.textEncoding();
    view.setTextEncoding(TextEncoding::Utf8);
    const int result = saveTree(view, file, SAVE_BRANCH, nullptr, nullptr);
    view.setTextEncoding(form);
    return result;
}
