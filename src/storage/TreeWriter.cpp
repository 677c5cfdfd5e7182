#include "storage/TreeFile.h"

#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/ExportParts.h"
#include "storage/HiddenParts.h"
#include "storage/HtmlText.h"
#include "storage/TreeHeader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileDevice>

#include <cstring>
#include <limits>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LinkListView", text);
}

// Appends the bytes with every line feed as CR LF, line by line into room made once: replace()
// searches with a general matcher and cost a quarter of a whole save.
void appendWithCrLf(QByteArray &out, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const char *const end = bytes.data() + bytes.size();
    auto nextFeed = [end](const char *from) {
        return static_cast<const char *>(std::memchr(from, '\n', size_t(end - from)));
    };
    qsizetype feeds = 0;
    for (const char *feed = nextFeed(bytes.data()); feed; feed = nextFeed(feed + 1))
        ++feeds;
    const qsizetype before = out.size();
    out.resize(before + bytes.size() + feeds);
    char *to = out.data() + before;
    for (const char *from = bytes.data();;) {
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
}

class TreeWriter
{
public:
    TreeWriter(const ThemeDocument &document, Theme *top, QIODevice *file, int flags,
               const TreeProgress &progress, QString *log, QWidget *parent, SaveReport *report)
        : m_document(document)
        , m_top(top)
        , m_file(file)
        , m_flags(flags)
        , m_progress(progress)
        , m_log(log)
        , m_parent(parent)
        , m_report(report)
        , m_codec(document.textEncoding())
    {}

    int run();
    int errors() const { return m_errors; }

private:
    QString descriptionOf(const Theme *theme);
    // The description as the file's bytes where the theme holds them so: a CP1251 tree file
    // writes them as they are, without decoding them and encoding them back.
    std::optional<QByteArrayView> heldBytes(const Theme *theme) const;
    int linkIdWritten(Theme *theme);
    void appendRecord(QString &record, Theme *theme, int depth, int linkId,
                      std::optional<QDate> date, const QString &outline, bool descriptionHeld);
    // Writes the text and after it, when given, a held description and its line end.
    bool write(const QString &text, const Theme *theme,
               std::optional<QByteArrayView> description = std::nullopt);
    void reportWriteError();
    // Themes and characters of the branch as its themes hold them, for the progress and the
    // check of what was written.
    std::pair<qint64, int> statistics() const;
    void advance(qint64 value)
    {
        if (m_progress.advance)
            m_progress.advance(value);
    }
    // Null when the tree goes into a buffer.
    QFileDevice *fileDevice() const { return qobject_cast<QFileDevice *>(m_file); }

    const ThemeDocument &m_document;
    Theme *m_top; // the root of what is written
    QIODevice *m_file;
    int m_flags;
    const TreeProgress &m_progress;
    QString *m_log;
    QWidget *m_parent;
    SaveReport *m_report;
    TextCodec m_codec;
    ExportParts::Numbering m_numbering;
    int m_errors = 0;
    qint64 m_written = 0;
    int m_progressValue = 0;
    QByteArray m_bytes; // the record being written
};

QString TreeWriter::descriptionOf(const Theme *theme)
{
    QString text = theme->description();
    if (m_flags & SAVE_STRIP_HIDDEN)
        text = stripHiddenParts(text);
    if (m_flags == 0)
        m_written += text.size();
    if (m_flags & SAVE_HTML)
        return escapeHtml(text);
    return (m_flags & SAVE_PALM) ? ExportParts::mimeSafeText(text) : text;
}

std::optional<QByteArrayView> TreeWriter::heldBytes(const Theme *theme) const
{
    const CompactText &held = theme->heldDescription();
    // UTF-8 goes through the characters: a conversion of its own here saves nothing.
    if ((m_flags & ~SAVE_BRANCH) != 0 || m_codec.encoding() != TextEncoding::Cp1251 ||
        !held.isCompact() || theme->linkId() < 0)
        return std::nullopt;
    return held.cp1251Bytes();
}

int TreeWriter::linkIdWritten(Theme *theme)
{
    const int id = theme->linkId();
    if (id == 0 || !(m_flags & SAVE_BRANCH))
        return id;
    // The children that a link holds for its mark theme count as the mark theme's, so a branch
    // whose top is such a link is the mark theme's branch.
    const Theme *branch = m_document.resolve(m_top);
    if (id < 0) {
        Theme *mark = m_document.markOf(id);
        return m_document.resolvedClimbMeets(mark ? mark : theme, branch) ? id : 0;
    }
    for (Theme *link : m_document.linksOf(id))
        if (m_document.resolvedClimbMeets(link, branch))
            return id;
    return 0;
}

void TreeWriter::reportWriteError()
{
    Messages::report(m_log, m_parent, Messages::errorCaption(),
                     tr("Error writing file\nОшибка записи в файл\n") +
                             (fileDevice() ? fileDevice()->fileName() : QString()));
    m_errors += 1000;
}

bool TreeWriter::write(const QString &text, const Theme *theme,
                       std::optional<QByteArrayView> description)
{
    const qint64 replacedBefore = m_codec.replaced();
    QByteArray &bytes = m_bytes;
    bytes.truncate(0); // keeps its room for the next record
    appendWithCrLf(bytes, m_codec.encode(text));
    if (description) {
        appendWithCrLf(bytes, *description);
        bytes += "\r\n";
    }
    if (m_report && m_codec.replaced() != replacedBefore) {
        if (m_report->replaced == 0)
            m_report->firstThemeReplaced = theme->name();
        m_report->replaced += m_codec.replaced() - replacedBefore;
    }
    advance(m_progressValue);
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
void TreeWriter::appendRecord(QString &record, Theme *theme, int depth, int linkId,
                              std::optional<QDate> date, const QString &outline,
                              bool descriptionHeld)
{
    const bool html = m_flags & SAVE_HTML;
    const bool palm = !html && (m_flags & SAVE_PALM);
    const QString &name = theme->name();
    if (m_flags == 0)
        m_written += name.size();
    if (palm)
        record += ExportParts::mimePartHeader(m_codec.encoding()) +
                  ExportParts::mimeSafeText(name) + QLatin1Char('\n');
    if (!html || theme->linkId() >= 0) { // a link has no anchor in the page, so no header line
        appendThemeHeader(record, depth, linkId, date);
        record += html   ? ExportParts::htmlAnchor(theme, m_numbering.value(theme), outline)
                  : palm ? QString()
                         : name;
        record += QLatin1Char('\n');
    }
    if (html)
        record += ExportParts::htmlLinkList(m_document, m_numbering, theme, outline, m_top);
    if (!(m_flags & SAVE_STRUCTURE) && !descriptionHeld) {
        if (theme->linkId() >= 0)
            record += descriptionOf(theme);
        record += QLatin1Char('\n');
    }
    if (html)
        record = reformatHtml(record);
}

std::pair<qint64, int> TreeWriter::statistics() const
{
    qint64 characters = m_top->descriptionSize();
    int themes = 0;
    walkThemes(
            m_top, [](Theme *t) { return t; },
            [&](Theme *t, int, int) {
                characters += t->descriptionSize() + t->name().size();
                ++themes;
            });
    return {qMin<qint64>(characters, std::numeric_limits<int>::max()), themes};
}

int TreeWriter::run()
{
    const bool html = m_flags & SAVE_HTML;
    if (html)
        m_numbering = ExportParts::numberThemes(m_document);
    Theme *const top = m_top;
    const bool structureOnly = m_flags & SAVE_STRUCTURE;
    const TextEncoding encoding = m_codec.encoding();
    QString pending;
    if (!html && (m_flags & SAVE_PALM))
        pending = ExportParts::mimeHeader() + ExportParts::mimePartHeader(encoding);
    // A link's branch opens with the text it shares with its mark theme.
    if (!structureOnly)
        pending += descriptionOf(m_document.resolve(top)) + QLatin1Char('\n');
    if (html)
        pending = ExportParts::htmlPageStart(encoding) +
                  reformatHtml(pending + ExportParts::htmlLinkList(m_document, m_numbering, top,
                                                                   QString(), top));

    const auto [characters, themes] = statistics();
    if (m_progress.start)
        m_progress.start(themes);
    m_progressValue = 1;

    // A Unicode tree file says so in its first bytes; a page and a MIME text name their charset.
    bool failed = encoding == TextEncoding::Utf8 && !(m_flags & (SAVE_HTML | SAVE_PALM)) &&
                  m_file->write(utf8Mark.data(), utf8Mark.size()) < utf8Mark.size();
    if (failed)
        reportWriteError();
    failed = failed || !write(pending, top);
    // The subthemes of a link group are written once, under its mark theme; links are never
    // entered, so `parents[d]` is the theme whose children are being written at depth d + 1.
    std::vector<Theme *> parents{top};
    // The HTML outline number of the theme being written and where each level's number ends in
    // it: one string, as numbers of every length at once grow with the square of the depth.
    QString outline;
    std::vector<qsizetype> outlineEnds{0};
    QString record; // reused: a fresh string per record grows and is freed for every theme
    walkHeldBranch(m_document, top, [&](Theme *theme, int depth, int) {
        if (failed)
            return;
        parents.resize(depth);
        Theme *parent = parents[depth - 1];
        parents.push_back(theme);
        bool numbered = false;
        if (html) {
            outline.truncate(outlineEnds[depth - 1]);
            QString own = ExportParts::outlineNumber(outline, m_numbering.value(theme));
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
        const std::optional<QByteArrayView> held = heldBytes(theme);
        if (held && m_flags == 0)
            m_written += theme->descriptionSize();
        appendRecord(record, theme, depth, linkIdWritten(theme), date,
                     numbered ? outline : QString(), held.has_value());
        failed = !write(record, theme, held);
    });
    if (!failed && fileDevice() && !fileDevice()->flush()) {
        reportWriteError();
        failed = true;
    }
    if (!failed && m_flags == 0 && m_written != characters) {
        Messages::report(m_log, m_parent, Messages::warningCaption(),
                         tr("Save %1 symbols, but has %2 symbols\nСохранено %1 символов из %2")
                                 .arg(m_written)
                                 .arg(characters));
    }
    return failed ? -1 : 1;
}

} // namespace

int writeTree(const ThemeDocument &document, Theme *top, QIODevice *file, int flags,
              const TreeProgress &progress, QString *log, QWidget *parent, SaveReport *report,
              bool inconsistent)
{
    TreeWriter writer(document, top, file, flags, progress, log, parent, report);
    writer.run();
    const int errors = writer.errors() + (inconsistent ? 1 : 0);
    return errors ? -errors : 1;
}

QByteArray utf8Tree(ThemeDocument &document, Theme *top, int flags, QWidget *parent, int *result)
{
    if (flags & SAVE_BRANCH)
        document.makeHolder(top);
    const TextEncoding form = document.textEncoding();
    document.setTextEncoding(TextEncoding::Utf8);
    QBuffer branch;
    branch.open(QIODevice::WriteOnly);
    const int written = writeTree(document, top, &branch, flags, {}, nullptr, parent, nullptr);
    document.setTextEncoding(form);
    if (result)
        *result = written;
    return branch.data();
}
