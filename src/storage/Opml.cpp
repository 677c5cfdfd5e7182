#include "storage/OutlineFormats.h"

#include <QXmlStreamReader>

#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

const char *const dayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Our own attributes: a link group's mark theme and its link themes, whose children in the file
// are copies of the group's subtree.
const QLatin1String markAttribute("brwMark");
const QLatin1String linkAttribute("brwLink");
// The root's description, an element of the head of our own.
const QLatin1String rootNoteElement("brwNote");

// XML 1.0 has no place for most control characters: they are written as the pictures of
// themselves (U+2400 + code) rather than making the file unreadable.
bool allowedInXml(char16_t c)
{
    return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == '\t' || c == '\n' || c == '\r';
}

// Characters that need no escape are copied in runs: most text has none to escape.
void appendEscaped(QString &out, const QString &text, bool attribute)
{
    const char16_t *data = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    qsizetype run = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i];
        const bool plain = c >= 0x20 ? c != '&' && c != '<' && c != '>' && c != '"' &&
                                               !QChar::isSurrogate(c) && c < 0xFFFE
                                     : !attribute && (c == '\n' || c == '\t');
        if (plain)
            continue;
        out.append(text.constData() + run, i - run);
        run = i + 1;
        switch (c) {
        case '&':
            out += QLatin1String("&amp;");
            continue;
        case '<':
            out += QLatin1String("&lt;");
            continue;
        case '>':
            out += QLatin1String("&gt;");
            continue;
        case '"':
            out += QLatin1String("&quot;");
            continue;
        case '\n':
            out += QLatin1String("&#10;");
            continue;
        case '\t':
            out += QLatin1String("&#9;");
            continue;
        case '\r':
            out += QLatin1String("&#13;");
            continue;
        default:
            break;
        }
        // A surrogate pair passes whole; a lone half cannot be written in UTF-8.
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(data[i + 1])) {
            ++i;
            out.append(text.constData() + i - 1, 2);
            run = i + 1;
        } else if (QChar::isSurrogate(c)) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += allowedInXml(c) ? QChar(c)
                   : c < 0x20      ? QChar(char16_t(0x2400 + c))
                                   : QChar(QChar::ReplacementCharacter);
        }
    }
    out.append(text.constData() + run, size - run);
}

void appendAttribute(QString &out, QLatin1String name, const QString &value)
{
    out += QLatin1Char(' ') + name + QLatin1String("=\"");
    appendEscaped(out, value, true);
    out += QLatin1Char('"');
}

class OpmlWriter
{
public:
    explicit OpmlWriter(const OutlineNode &root)
    {
        walkOutline(
                root,
                [this](const OutlineNode &node, int) {
                    if (node.linkId > 0)
                        m_marks.emplace(node.linkId, &node);
                },
                [](const OutlineNode &, int) {});
    }

    QByteArray write(const OutlineNode &root)
    {
        m_out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<opml version=\"2.0\">\n<head>\n<title>");
        appendEscaped(m_out, root.name, false);
        m_out += QLatin1String("</title>\n");
        if (!root.description.isEmpty()) {
            m_out += QLatin1String("<") + rootNoteElement + QLatin1String(">");
            appendEscaped(m_out, root.description, false);
            m_out += QLatin1String("</") + rootNoteElement + QLatin1String(">\n");
        }
        m_out += QLatin1String("</head>\n<body>\n");
        writeChildren(root);
        m_out += QLatin1String("</body>\n</opml>\n");
        flush();
        return std::move(m_bytes);
    }

private:
    // Encoded outline by outline: the text of the whole file at once would take twice its size
    // again and dominate the time with fresh pages.
    void flush()
    {
        m_bytes += m_out.toUtf8();
        m_out.clear();
    }

    // Depth first with a stack of its own: a tree of many thousand levels must not use up the
    // call stack.
    void writeChildren(const OutlineNode &root)
    {
        struct Open
        {
            const OutlineNode *content; // whose children are being written
            size_t next;
            int depth;
            bool inCopy;
            int linkId; // of the outline element that closes when they are written
        };
        std::vector<Open> open{{&root, 0, 1, false, 0}};
        while (!open.empty()) {
            if (open.back().next == open.back().content->children.size()) {
                const Open done = open.back();
                open.pop_back();
                if (open.empty())
                    break;
                m_expanding.erase(qAbs(done.linkId));
                m_out += QString(qMin(done.depth - 1, 40), QLatin1Char(' '));
                m_out += QLatin1String("</outline>\n");
                continue;
            }
            const OutlineNode &node = open.back().content->children[open.back().next++];
            const int depth = open.back().depth;
            const bool inCopy = open.back().inCopy;
            if (const OutlineNode *content = writeStart(node, depth, inCopy)) {
                const bool copy = content != &node;
                if (copy)
                    m_expanding.insert(-node.linkId);
                if (node.linkId > 0)
                    m_expanding.insert(node.linkId);
                open.push_back({content, 0, depth + 1, inCopy || copy, node.linkId});
            }
        }
    }

    // The outline's start tag; the theme whose children it holds, or null when it has none (the
    // element is then closed at once).
    const OutlineNode *writeStart(const OutlineNode &node, int depth, bool inCopy)
    {
        if (m_out.size() > 65536)
            flush();
        const auto mark = node.linkId < 0 ? m_marks.find(-node.linkId) : m_marks.end();
        // The group's subtree, unless the link lies inside it (that copy would never end).
        const OutlineNode *content = &node;
        if (mark != m_marks.end() && !m_expanding.contains(-node.linkId))
            content = mark->second;
        m_out += QString(qMin(depth, 40), QLatin1Char(' '));
        m_out += QLatin1String("<outline");
        appendAttribute(m_out, QLatin1String("text"), node.name);
        if (!content->description.isEmpty())
            appendAttribute(m_out, QLatin1String("_note"), content->description);
        if (node.date.isValid())
            appendAttribute(m_out, QLatin1String("created"), Opml::rfc822Date(node.date));
        if (node.linkId != 0 && !inCopy)
            appendAttribute(m_out, node.linkId > 0 ? markAttribute : linkAttribute,
                            QString::number(qAbs(node.linkId)));
        if (content->children.empty()) {
            m_out += QLatin1String("/>\n");
            return nullptr;
        }
        m_out += QLatin1String(">\n");
        return content;
    }

    std::unordered_map<int, const OutlineNode *> m_marks;
    std::unordered_set<int> m_expanding; // groups whose subtree is being written
    QString m_out;
    QByteArray m_bytes;
};

int attributeNumber(const QXmlStreamAttributes &attributes, QLatin1String name)
{
    bool ok = false;
    const int value = attributes.value(name).toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

namespace Opml {

QString rfc822Date(const QDate &date)
{
    return QStringLiteral("%1, %2 %3 %4 00:00:00 GMT")
            .arg(QLatin1String(dayNames[date.dayOfWeek() - 1]))
            .arg(date.day(), 2, 10, QLatin1Char('0'))
            .arg(QLatin1String(monthNames[date.month() - 1]))
            .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QDate parseRfc822Date(const QString &text)
{
    QString rest = text.trimmed();
    if (const qsizetype comma = rest.indexOf(QLatin1Char(',')); comma >= 0)
        rest = rest.mid(comma + 1);
    const QStringList parts = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() >= 3) {
        int month = 0;
        for (int i = 0; i < 12; ++i)
            if (parts[1].compare(QLatin1String(monthNames[i]), Qt::CaseInsensitive) == 0)
                month = i + 1;
        bool dayOk = false, yearOk = false;
        const int day = parts[0].toInt(&dayOk);
        int year = parts[2].toInt(&yearOk);
        if (yearOk && parts[2].size() == 2)
            year += year < 50 ? 2000 : 1900;
        if (dayOk && yearOk && month > 0)
            return QDate(year, month, day);
    }
    // Some programs write ISO dates instead.
    return QDate::fromString(text.trimmed().left(10), Qt::ISODate);
}

QByteArray write(const OutlineNode &root)
{
    return OpmlWriter(root).write(root);
}

bool read(const QByteArray &bytes, OutlineNode &root, QString &error)
{
    QXmlStreamReader xml(bytes);
    OutlineNode result;
    std::vector<OutlineNode *> open{&result}; // the outline elements around the reader
    bool inBody = false;
    bool sawOpml = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (!sawOpml) {
                if (name != QLatin1String("opml")) {
                    xml.raiseError(QStringLiteral("the document is not OPML"));
                    break;
                }
                sawOpml = true;
            } else if (name == QLatin1String("body")) {
                inBody = true;
            } else if (!inBody && name == QLatin1String("title")) {
                result.name = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (!inBody && name == rootNoteElement) {
                result.description = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (inBody && name == QLatin1String("outline")) {
                const QXmlStreamAttributes attributes = xml.attributes();
                OutlineNode &node = open.back()->children.emplace_back();
                // A name is one line.
                node.name = attributes.value(QLatin1String("text")).toString();
                node.name.replace(QLatin1Char('\r'), QLatin1Char(' '))
                        .replace(QLatin1Char('\n'), QLatin1Char(' '));
                node.description = attributes.value(QLatin1String("_note")).toString();
                node.date = parseRfc822Date(attributes.value(QLatin1String("created")).toString());
                if (const int link = attributeNumber(attributes, linkAttribute)) {
                    // Its children are copies of the group's subtree, which the mark holds.
                    node.linkId = -link;
                    node.description.clear();
                    xml.skipCurrentElement();
                    continue;
                }
                node.linkId = attributeNumber(attributes, markAttribute);
                open.push_back(&node);
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("outline") && open.size() > 1)
                open.pop_back();
            else if (xml.name() == QLatin1String("body"))
                inBody = false;
        }
    }
    if (!xml.hasError() && !sawOpml)
        xml.raiseError(QStringLiteral("the document is not OPML"));
    if (xml.hasError()) {
        error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return false;
    }
    root = std::move(result);
    return true;
}

} // namespace Opml
