#include "storage/OutlineFormats.h"

#include "storage/XmlScanner.h"

#include <QBuffer>

#include <QStringTokenizer>

#include <array>
#include <cstdio>
#include <cstring>

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

QByteArrayView bytesOf(QLatin1String name)
{
    return QByteArrayView(name.data(), name.size());
}

// The ASCII characters written as themselves everywhere.
constexpr std::array<bool, 128> plainAsciiTable()
{
    std::array<bool, 128> plain{};
    for (char16_t c = 0x20; c < 0x80; ++c)
        plain[c] = c != '&' && c != '<' && c != '>' && c != '"';
    return plain;
}
constexpr std::array<bool, 128> plainAscii = plainAsciiTable();

// "Mon, 07 Mar 2005 00:00:00 GMT" into `text`; its length.
int formatRfc822(char (&text)[48], const QDate &date)
{
    return std::snprintf(text, sizeof text, "%s, %02d %s %04d 00:00:00 GMT",
                         dayNames[date.dayOfWeek() - 1], date.day(), monthNames[date.month() - 1],
                         date.year());
}

// UTF-8 with the escapes of XML, written in one pass into a buffer grown ahead of each string
// and handed to the device a piece at a time: the whole file in memory would cost fresh pages
// of its size again.
class XmlOut
{
public:
    explicit XmlOut(QIODevice &device)
        : m_device(device)
    {
        m_bytes.resize(pieceSize * 2);
    }

    // Hands what is written to the device once it fills a piece; false once a write failed.
    bool pass()
    {
        if (m_used >= pieceSize)
            flush();
        return !m_failed;
    }
    bool flush()
    {
        m_failed = m_failed || m_device.write(m_bytes.constData(), m_used) != m_used;
        m_used = 0;
        return !m_failed;
    }

    void append(QLatin1String text)
    {
        char *to = room(text.size());
        std::memcpy(to, text.data(), size_t(text.size()));
        m_used += text.size();
    }
    void appendSpaces(int count)
    {
        std::memset(room(count), ' ', size_t(count));
        m_used += count;
    }
    // XML 1.0 has no place for most control characters: they are written as the pictures of
    // themselves (U+2400 + code) rather than making the file unreadable. A lone surrogate
    // cannot be written in UTF-8 at all.
    void appendEscaped(QStringView text, bool attribute)
    {
        // "&quot;" is the longest a unit can take.
        char *const start = room(text.size() * 6);
        char *to = start;
        const char16_t *at = text.utf16();
        const char16_t *const end = at + text.size();
        const auto put = [&to](const char *escape, size_t length) {
            std::memcpy(to, escape, length);
            to += length;
        };
        while (at < end) {
            const char16_t c = *at++;
            if (c < 0x80 && plainAscii[c]) {
                *to++ = char(c);
            } else if (c >= 0x80) {
                char32_t code = c;
                if (QChar::isHighSurrogate(c) && at < end && QChar::isLowSurrogate(*at))
                    code = QChar::surrogateToUcs4(c, *at++);
                else if (QChar::isSurrogate(c) || c >= 0xFFFE)
                    code = QChar::ReplacementCharacter;
                putUtf8(to, code);
            } else if (c >= 0x20) {
                switch (c) { // the characters of markup
                case '&':
                    put("&amp;", 5);
                    break;
                case '<':
                    put("&lt;", 4);
                    break;
                case '>':
                    put("&gt;", 4);
                    break;
                case '"':
                    put("&quot;", 6);
                    break;
                default:
                    *to++ = char(c);
                }
            } else if (c == '\n' || c == '\t') {
                if (attribute)
                    put(c == '\n' ? "&#10;" : "&#9;", c == '\n' ? 5 : 4);
                else
                    *to++ = char(c);
            } else if (c == '\r') {
                put("&#13;", 5);
            } else {
                putUtf8(to, 0x2400 + c);
            }
        }
        m_used += to - start;
    }
    void appendAttribute(QLatin1String name, QStringView value)
    {
        append(QLatin1String(" "));
        append(name);
        append(QLatin1String("=\""));
        appendEscaped(value, true);
        append(QLatin1String("\""));
    }

private:
    static void putUtf8(char *&to, char32_t code)
    {
        if (code < 0x800) {
            *to++ = char(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            *to++ = char(0xE0 | (code >> 12));
            *to++ = char(0x80 | ((code >> 6) & 0x3F));
        } else {
            *to++ = char(0xF0 | (code >> 18));
            *to++ = char(0x80 | ((code >> 12) & 0x3F));
            *to++ = char(0x80 | ((code >> 6) & 0x3F));
        }
        *to++ = char(0x80 | (code & 0x3F));
    }
    static constexpr qsizetype pieceSize = 256 * 1024;

    char *room(qsizetype size)
    {
        if (m_used + size > m_bytes.size())
            m_bytes.resize(qMax(m_bytes.size() * 2, m_used + size));
        return m_bytes.data() + m_used;
    }

    QIODevice &m_device;
    QByteArray m_bytes; // its size is the room; m_used of it is written
    qsizetype m_used = 0;
    bool m_failed = false;
};

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

    bool write(const OutlineNode &root, QIODevice &device)
    {
        XmlOut out(device);
        out.append(QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<opml version=\"2.0\">\n<head>\n<title>"));
        out.appendEscaped(root.name, false);
        out.append(QLatin1String("</title>\n"));
        if (!root.description.isEmpty()) {
            out.append(QLatin1String("<"));
            out.append(rootNoteElement);
            out.append(QLatin1String(">"));
            out.appendEscaped(root.description, false);
            out.append(QLatin1String("</"));
            out.append(rootNoteElement);
            out.append(QLatin1String(">\n"));
        }
        out.append(QLatin1String("</head>\n<body>\n"));
        if (!writeChildren(out, root))
            return false;
        out.append(QLatin1String("</body>\n</opml>\n"));
        return out.flush();
    }

private:
    // Depth first with a stack of its own: a tree of many thousand levels must not use up the
    // call stack.
    [[nodiscard]] bool writeChildren(XmlOut &out, const OutlineNode &root)
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
        while (!open.empty() && out.pass()) {
            if (open.back().next == open.back().content->children.size()) {
                const Open done = open.back();
                open.pop_back();
                if (open.empty())
                    break;
                m_expanding.erase(qAbs(done.linkId));
                out.appendSpaces(qMin(done.depth - 1, 40));
                out.append(QLatin1String("</outline>\n"));
                continue;
            }
            const OutlineNode &node = open.back().content->children[open.back().next++];
            const int depth = open.back().depth;
            const bool inCopy = open.back().inCopy;
            if (const OutlineNode *content = writeStart(out, node, depth, inCopy)) {
                const bool copy = content != &node;
                if (copy)
                    m_expanding.insert(-node.linkId);
                if (node.linkId > 0)
                    m_expanding.insert(node.linkId);
                open.push_back({content, 0, depth + 1, inCopy || copy, node.linkId});
            }
        }
        return out.pass();
    }

    // The outline's start tag; the theme whose children it holds, or null when it has none (the
    // element is then closed at once).
    const OutlineNode *writeStart(XmlOut &out, const OutlineNode &node, int depth, bool inCopy)
    {
        const auto mark = node.linkId < 0 ? m_marks.find(-node.linkId) : m_marks.end();
        // The group's subtree, unless the link lies inside it (that copy would never end).
        const OutlineNode *content = &node;
        if (mark != m_marks.end() && !m_expanding.contains(-node.linkId))
            content = mark->second;
        out.appendSpaces(qMin(depth, 40));
        out.append(QLatin1String("<outline"));
        out.appendAttribute(QLatin1String("text"), node.name);
        if (!content->description.isEmpty())
            out.appendAttribute(QLatin1String("_note"), content->description);
        if (node.date.isValid()) {
            char date[48];
            out.append(QLatin1String(" created=\""));
            out.append(QLatin1String(date, formatRfc822(date, node.date)));
            out.append(QLatin1String("\""));
        }
        if (node.linkId != 0 && !inCopy)
            out.appendAttribute(node.linkId > 0 ? markAttribute : linkAttribute,
                                QString::number(qAbs(node.linkId)));
        if (content->children.empty()) {
            out.append(QLatin1String("/>\n"));
            return nullptr;
        }
        out.append(QLatin1String(">\n"));
        return content;
    }

    std::unordered_map<int, const OutlineNode *> m_marks;
    std::unordered_set<int> m_expanding; // groups whose subtree is being written
};

int attributeNumber(XmlScanner &xml, QLatin1String name)
{
    bool ok = false;
    const int value = xml.attribute(bytesOf(name)).toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

namespace Opml {

QString rfc822Date(const QDate &date)
{
    char text[48];
    return QString::fromLatin1(text, formatRfc822(text, date));
}

QDate parseRfc822Date(QStringView text)
{
    QStringView rest = text.trimmed();
    if (const qsizetype comma = rest.indexOf(u','); comma >= 0)
        rest = rest.sliced(comma + 1);
    QStringView parts[3];
    int found = 0;
    for (const QStringView part : QStringTokenizer(rest, u' ', Qt::SkipEmptyParts))
        if (found < 3)
            parts[found++] = part;
    if (found == 3) {
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

bool write(const OutlineNode &root, QIODevice &device)
{
    return OpmlWriter(root).write(root, device);
}

QByteArray write(const OutlineNode &root)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    (void)write(root, buffer);
    return buffer.data();
}

bool read(const QByteArray &bytes, OutlineNode &root, QString &error)
{
    QByteArray utf8;
    if (!utf8OfXml(bytes, utf8, error))
        return false;
    XmlScanner xml(utf8);
    OutlineNode result;
    std::vector<OutlineNode *> open{&result}; // the outline elements around the reader
    QString *collecting = nullptr;            // the root's name or note, while its element is read
    int inside = 0;       // elements open inside the one collected or passed over
    bool passing = false; // over a link's copy of its group's subtree
    bool inBody = false;
    bool sawOpml = false;
    for (XmlScanner::Token token = xml.next();
         token != XmlScanner::Token::EndOfDocument && token != XmlScanner::Token::Invalid;
         token = xml.next()) {
        const bool start = token == XmlScanner::Token::StartElement;
        const bool end = token == XmlScanner::Token::EndElement;
        if (collecting || passing) {
            if (collecting && token == XmlScanner::Token::Text)
                *collecting += xml.text();
            if (start) {
                ++inside;
            } else if (end && --inside == 0) {
                collecting = nullptr;
                passing = false;
            }
            continue;
        }
        const QByteArrayView name = xml.name();
        if (start && !sawOpml) {
            if (name != "opml") {
                xml.raiseError(QStringLiteral("the document is not OPML"));
                break;
            }
            sawOpml = true;
        } else if (start && name == "body") {
            inBody = true;
        } else if (start && !inBody && (name == "title" || name == bytesOf(rootNoteElement))) {
            collecting = name == "title" ? &result.name : &result.description;
            collecting->clear();
            inside = 1;
        } else if (start && inBody && name == "outline") {
            OutlineNode &node = open.back()->children.emplace_back();
            // A name is one line.
            node.name = xml.attribute("text");
            node.name.replace(QLatin1Char('\r'), QLatin1Char(' '))
                    .replace(QLatin1Char('\n'), QLatin1Char(' '));
            node.date = parseRfc822Date(xml.attribute("created"));
            if (const int link = attributeNumber(xml, linkAttribute)) {
                // Its children are copies of the group's subtree, which the mark holds.
                node.linkId = -link;
                passing = true;
                inside = 1;
                continue;
            }
            node.description = xml.attribute("_note");
            node.linkId = attributeNumber(xml, markAttribute);
            open.push_back(&node);
        } else if (end && name == "outline" && open.size() > 1) {
            open.pop_back();
        } else if (end && name == "body") {
            inBody = false;
        }
    }
    if (xml.hasError()) {
        error = xml.errorString();
        return false;
    }
    root = std::move(result);
    return true;
}

} // namespace Opml
