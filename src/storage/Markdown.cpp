#include "storage/OutlineFormats.h"

#include <QRegularExpression>

namespace {

constexpr int deepestHeading = 6;

bool isAsciiPunctuation(QChar c)
{
    return c.unicode() < 0x80 && (c.isPunct() || c.isSymbol());
}

// The start of a line that Markdown would read as a list item, a heading or a rule: the first
// character after the spaces, or the mark after a number ("1." and "1)").
qsizetype lineStartToEscape(const QString &line)
{
    qsizetype first = 0;
    while (first < line.size() && line[first] == QLatin1Char(' '))
        ++first;
    if (first == line.size())
        return -1;
    if (QStringView(u"-+=").contains(line[first]))
        return first;
    qsizetype digits = first;
    while (digits < line.size() && line[digits].isDigit())
        ++digits;
    if (digits > first && digits < line.size() && QStringView(u".)").contains(line[digits]))
        return digits;
    return -1;
}

void appendLine(QString &out, const QString &prefix, const QString &line)
{
    out += line.isEmpty() ? line : prefix + line;
    out += QLatin1Char('\n');
}

// A description as a block: a blank line, its lines (each but the last of a paragraph ends in a
// hard break, so that the lines stay lines), a blank line. An empty description writes nothing.
void appendDescription(QString &out, const QString &prefix, const QString &description)
{
    if (description.isEmpty())
        return;
    out += QLatin1Char('\n');
    const QStringList lines = description.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = Markdown::escaped(lines[i]);
        if (!line.isEmpty() && i + 1 < lines.size() && !lines[i + 1].isEmpty())
            line += QLatin1Char('\\');
        appendLine(out, prefix, line);
    }
    out += QLatin1Char('\n');
}

struct Open
{
    int heading; // 1 to 6 for a heading, 0 for a list item
    qsizetype indent;
    OutlineNode *node;
};

// Builds the outline line by line: headings and list items become themes, what lies between
// them the description of the theme before.
class MarkdownReader
{
public:
    OutlineNode read(const QString &text)
    {
        QStringList lines = text.split(QLatin1Char('\n'));
        if (text.endsWith(QLatin1Char('\n')))
            lines.removeLast();
        for (QString &line : lines) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            readLine(line);
        }
        finishDescription();
        return std::move(m_root);
    }

private:
    void readLine(const QString &line)
    {
        static const QRegularExpression fence(QStringLiteral("^ *(```|~~~)"));
        static const QRegularExpression heading(QStringLiteral("^ {0,3}(#{1,6})(?:[ \\t](.*))?$"));
        static const QRegularExpression item(
                QStringLiteral("^( *)([-*+]|[0-9]{1,9}[.)])(?:( )(.*))?$"));
        if (fence.match(line).hasMatch())
            m_inFence = !m_inFence;
        if (!m_inFence) {
            if (const QRegularExpressionMatch match = heading.match(line); match.hasMatch()) {
                addHeading(int(match.capturedLength(1)), headingText(match.captured(2)));
                return;
            }
            if (const QRegularExpressionMatch match = item.match(line); match.hasMatch()) {
                const qsizetype indent = match.capturedLength(1);
                addItem(indent, Markdown::unescaped(match.captured(4)),
                        indent + match.capturedLength(2) +
                                qMax<qsizetype>(1, match.capturedLength(3)));
                return;
            }
        }
        qsizetype strip = 0;
        while (strip < m_contentIndent && strip < line.size() && line[strip] == QLatin1Char(' '))
            ++strip;
        m_lines.append(m_inFence ? line.mid(strip) : Markdown::unescaped(line.mid(strip)));
    }

    // A closing run of #, which some programs write, is not part of the name.
    static QString headingText(QString text)
    {
        static const QRegularExpression closing(QStringLiteral("[ \\t]+#+[ \\t]*$"));
        text.remove(closing);
        return Markdown::unescaped(text);
    }

    void addHeading(int level, const QString &name)
    {
        while (!m_open.empty() && (m_open.back().heading == 0 || m_open.back().heading >= level))
            m_open.pop_back();
        add(Open{level, 0, nullptr}, name, 0);
    }

    void addItem(qsizetype indent, const QString &name, qsizetype contentIndent)
    {
        while (!m_open.empty() && m_open.back().heading == 0 && m_open.back().indent >= indent)
            m_open.pop_back();
        add(Open{0, indent, nullptr}, name, contentIndent);
    }

    void add(Open open, const QString &name, qsizetype contentIndent)
    {
        finishDescription();
        OutlineNode *parent = m_open.empty() ? &m_root : m_open.back().node;
        open.node = &parent->children.emplace_back();
        open.node->name = name;
        m_open.push_back(open);
        m_current = open.node;
        m_contentIndent = contentIndent;
    }

    // The blank line before and after a block belongs to the layout, not to the text.
    void finishDescription()
    {
        if (!m_lines.isEmpty() && m_lines.first().isEmpty())
            m_lines.removeFirst();
        if (!m_lines.isEmpty() && m_lines.last().isEmpty())
            m_lines.removeLast();
        m_current->description = m_lines.join(QLatin1Char('\n'));
        m_lines.clear();
    }

    OutlineNode m_root;
    OutlineNode *m_current = &m_root;
    std::vector<Open> m_open;
    QStringList m_lines;
    qsizetype m_contentIndent = 0;
    bool m_inFence = false;
};

} // namespace

namespace Markdown {

QString escaped(const QString &line)
{
    const qsizetype atStart = lineStartToEscape(line);
    QString out;
    out.reserve(line.size() + 8);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        const bool entity = c == QLatin1Char('&') && i + 1 < line.size() &&
                            (line[i + 1].isLetter() || line[i + 1] == QLatin1Char('#'));
        if (i == atStart || entity || QStringView(u"\\`*_[]<>#|~").contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString unescaped(const QString &line)
{
    QString out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != QLatin1Char('\\')) {
            out += line[i];
        } else if (i + 1 < line.size() && isAsciiPunctuation(line[i + 1])) {
            out += line[++i];
        } else if (i + 1 < line.size()) {
            out += line[i];
        } // a backslash that ends the line is a line break
    }
    return out;
}

QByteArray write(const OutlineNode &root)
{
    QString out;
    appendDescription(out, QString(), root.description);
    walkOutline(
            root,
            [&out](const OutlineNode &node, int depth) {
                QString prefix;
                if (depth <= deepestHeading) {
                    out += QString(depth, QLatin1Char('#'));
                    if (!node.name.isEmpty())
                        out += QLatin1Char(' ') + escaped(node.name);
                } else {
                    const QString indent((depth - deepestHeading - 1) * 2, QLatin1Char(' '));
                    out += indent + QLatin1String("- ") + escaped(node.name);
                    prefix = indent + QLatin1String("  ");
                }
                out += QLatin1Char('\n');
                appendDescription(out, prefix, node.description);
            },
            [](const OutlineNode &, int) {});
    return out.toUtf8();
}

OutlineNode read(const QByteArray &bytes)
{
    return MarkdownReader().read(decodeExchangeText(bytes));
}

} // namespace Markdown
