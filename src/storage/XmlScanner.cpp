#include "storage/XmlScanner.h"

#include <QStringDecoder>

#include <cstring>

namespace {

bool isSpace(uchar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(uchar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool isNameCharacter(uchar c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool isXmlCharacter(char32_t code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

QString lineMessage(qsizetype line, const QString &message)
{
    return QStringLiteral("line %1: %2").arg(line).arg(message);
}

// The character a reference between '&' and ';' stands for, or 0 when it is none.
char32_t referenced(QByteArrayView name)
{
    if (name == "amp")
        return '&';
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "quot")
        return '"';
    if (name == "apos")
        return '\'';
    if (!name.startsWith('#') || name.size() < 2)
        return 0;
    const bool hex = name[1] == 'x';
    const QByteArrayView digits = name.sliced(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return 0;
    char32_t code = 0;
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        if (digit < 0)
            return 0;
        code = code * (hex ? 16 : 10) + char32_t(digit);
    }
    return isXmlCharacter(code) ? code : 0;
}

// Where the reference starting at `at` ends (after ';'), or -1.
qsizetype referenceEnd(QByteArrayView text, qsizetype at)
{
    const qsizetype limit = qMin(text.size(), at + 12);
    for (qsizetype i = at + 1; i < limit; ++i)
        if (text[i] == ';')
            return i + 1;
    return -1;
}

void appendUtf8(QByteArray &out, char32_t code)
{
    if (code < 0x80) // a line feed or markup, mostly
        out += char(code);
    else
        out += QString::fromUcs4(&code, 1).toUtf8();
}

QString quoted(QByteArrayView name)
{
    return QString::fromUtf8(name);
}

} // namespace

XmlScanner::XmlScanner(QByteArrayView utf8)
    : m_text(utf8)
{}

XmlScanner::Token XmlScanner::fail(const QString &message)
{
    raiseError(message);
    return Token::Invalid;
}

void XmlScanner::raiseError(const QString &message)
{
    if (hasError())
        return;
    const qsizetype at = qMin(m_at, m_text.size());
    m_error = lineMessage(m_text.first(at).count('\n') + 1, message);
}

XmlScanner::Token XmlScanner::next()
{
    if (hasError())
        return Token::Invalid;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        m_rootDone = m_open.empty();
        return Token::EndElement;
    }
    while (m_at < m_text.size()) {
        if (m_text[m_at] != '<') {
            const Token token = textUntilTag();
            if (token != Token::EndOfDocument)
                return token;
            continue;
        }
        const char after = m_at + 1 < m_text.size() ? m_text[m_at + 1] : 0;
        if (after == '/')
            return endTag();
        if (after == '?' || after == '!') {
            const bool cdata = m_text.sliced(m_at).startsWith("<![CDATA[");
            if (!skipMarkup())
                return Token::Invalid;
            if (cdata)
                return Token::Text;
            continue;
        }
        return startTag();
    }
    if (!m_open.empty())
        return fail(QStringLiteral("the document ends inside <%1>").arg(quoted(m_open.back())));
    if (!m_rootDone)
        return fail(QStringLiteral("the document holds no element"));
    return Token::EndOfDocument;
}

// Text inside an element is a token; outside, only white space may stand (EndOfDocument
// then asks the caller to go on).
XmlScanner::Token XmlScanner::textUntilTag()
{
    const qsizetype start = m_at;
    bool plain = true;
    if (!scanCharacters('<', plain) && (hasError() || !m_open.empty()))
        return hasError() ? Token::Invalid
                          : fail(QStringLiteral("the document ends inside <%1>")
                                         .arg(quoted(m_open.back())));
    const QByteArrayView raw = m_text.sliced(start, m_at - start);
    if (m_open.empty()) {
        for (m_at = start; m_at < start + raw.size(); ++m_at)
            if (!isSpace(uchar(m_text[m_at])))
                return fail(QStringLiteral("text outside the document's element"));
        return Token::EndOfDocument;
    }
    m_rawText = raw;
    m_textPlain = plain;
    m_textIsCdata = false;
    return Token::Text;
}

bool XmlScanner::scanCharacters(char stop, bool &plain)
{
    const auto *data = reinterpret_cast<const uchar *>(m_text.data());
    const qsizetype size = m_text.size();
    while (m_at < size) {
        const uchar c = data[m_at];
        if (c == uchar(stop))
            return true;
        if (c >= 0x20 && c != '&' && c != '<' && c != '>' && c != 0xEF) {
            ++m_at;
            continue;
        }
        if (c == '&') {
            if (!checkReference())
                return false;
            plain = false;
            continue;
        }
        if (c == '<') {
            raiseError(QStringLiteral("'<' inside an attribute value"));
            return false;
        }
        if (c == '>' && stop == '<' && m_at >= 2 && data[m_at - 1] == ']' &&
            data[m_at - 2] == ']') {
            raiseError(QStringLiteral("']]>' outside a CDATA section"));
            return false;
        }
        const bool noncharacter =
                c == 0xEF && m_at + 2 < size && data[m_at + 1] == 0xBF && data[m_at + 2] >= 0xBE;
        if (noncharacter || (c < 0x20 && !isSpace(c))) {
            raiseError(QStringLiteral("a character that XML does not allow"));
            return false;
        }
        plain = plain && c >= 0x20;
        ++m_at;
    }
    return false;
}

bool XmlScanner::checkReference()
{
    const qsizetype end = referenceEnd(m_text, m_at);
    if (end < 0 || referenced(m_text.sliced(m_at + 1, end - m_at - 2)) == 0) {
        raiseError(QStringLiteral("'&' starts no known reference"));
        return false;
    }
    m_at = end;
    return true;
}

void XmlScanner::skipSpace()
{
    while (m_at < m_text.size() && isSpace(uchar(m_text[m_at])))
        ++m_at;
}

bool XmlScanner::readName(QByteArrayView &name)
{
    const qsizetype start = m_at;
    if (m_at >= m_text.size() || !isNameStart(uchar(m_text[m_at]))) {
        raiseError(QStringLiteral("a name was expected"));
        return false;
    }
    while (m_at < m_text.size() && isNameCharacter(uchar(m_text[m_at])))
        ++m_at;
    name = m_text.sliced(start, m_at - start);
    return true;
}

XmlScanner::Token XmlScanner::startTag()
{
    if (m_rootDone)
        return fail(QStringLiteral("an element after the document's element"));
    ++m_at; // '<'
    QByteArrayView qualified;
    if (!readName(qualified))
        return Token::Invalid;
    m_attributes.clear();
    for (;;) {
        const qsizetype before = m_at;
        skipSpace();
        if (m_at >= m_text.size())
            return fail(QStringLiteral("the document ends inside a tag"));
        const char c = m_text[m_at];
        if (c == '>' || c == '/') {
            if (c == '/' && (m_at + 1 >= m_text.size() || m_text[m_at + 1] != '>'))
                return fail(QStringLiteral("'/' must end a tag"));
            m_at += c == '/' ? 2 : 1;
            m_pendingEnd = c == '/';
            break;
        }
        if (before == m_at)
            return fail(QStringLiteral("attributes must be separated by a space"));
        Attribute attribute{};
        if (!readName(attribute.name))
            return Token::Invalid;
        skipSpace();
        if (m_at >= m_text.size() || m_text[m_at] != '=')
            return fail(QStringLiteral("'=' was expected after %1").arg(quoted(attribute.name)));
        ++m_at;
        skipSpace();
        const char quote = m_at < m_text.size() ? m_text[m_at] : 0;
        if (quote != '"' && quote != '\'')
            return fail(
                    QStringLiteral("the value of %1 must be quoted").arg(quoted(attribute.name)));
        const qsizetype start = ++m_at;
        attribute.plain = true;
        if (!scanCharacters(quote, attribute.plain))
            return hasError() ? Token::Invalid
                              : fail(QStringLiteral("the document ends inside a tag"));
        attribute.value = m_text.sliced(start, m_at - start);
        ++m_at;
        for (const Attribute &other : m_attributes)
            if (other.name == attribute.name)
                return fail(QStringLiteral("%1 is given twice").arg(quoted(attribute.name)));
        m_attributes.push_back(attribute);
    }
    m_open.push_back(qualified);
    m_name = qualified.sliced(qualified.lastIndexOf(':') + 1);
    return Token::StartElement;
}

XmlScanner::Token XmlScanner::endTag()
{
    m_at += 2; // "</"
    QByteArrayView qualified;
    if (!readName(qualified))
        return Token::Invalid;
    skipSpace();
    if (m_at >= m_text.size() || m_text[m_at] != '>')
        return fail(QStringLiteral("'>' was expected after </%1").arg(quoted(qualified)));
    if (m_open.empty())
        return fail(QStringLiteral("</%1> closes nothing").arg(quoted(qualified)));
    if (m_open.back() != qualified)
        return fail(QStringLiteral("</%1> where </%2> was expected")
                            .arg(quoted(qualified), quoted(m_open.back())));
    ++m_at;
    m_open.pop_back();
    m_rootDone = m_open.empty();
    m_name = qualified.sliced(qualified.lastIndexOf(':') + 1);
    return Token::EndElement;
}

bool XmlScanner::skipMarkup()
{
    const QByteArrayView rest = m_text.sliced(m_at);
    QByteArrayView close;
    if (rest.startsWith("<?")) {
        close = "?>";
    } else if (rest.startsWith("<!--")) {
        close = "-->";
    } else if (rest.startsWith("<![CDATA[")) {
        if (m_open.empty()) {
            raiseError(QStringLiteral("CDATA outside the document's element"));
            return false;
        }
        close = "]]>";
    } else if (rest.startsWith("<!DOCTYPE") && m_open.empty() && !m_rootDone) {
        // Its internal part, if any, is passed over whole: its entities stay unknown.
        const qsizetype bracket = rest.indexOf('[');
        const qsizetype end = rest.indexOf('>');
        close = bracket >= 0 && bracket < end ? "]>" : ">";
    } else {
        raiseError(QStringLiteral("unknown markup after '<!'"));
        return false;
    }
    const qsizetype end = rest.indexOf(close, 2);
    if (end < 0) {
        m_at = m_text.size();
        raiseError(QStringLiteral("the document ends inside markup"));
        return false;
    }
    if (close == "]]>") {
        m_rawText = rest.sliced(9, end - 9);
        m_textPlain = !m_rawText.contains('\r');
        m_textIsCdata = true;
    }
    m_at += end + close.size();
    return true;
}

QString XmlScanner::attribute(QByteArrayView name)
{
    for (const Attribute &attribute : m_attributes)
        if (attribute.name == name)
            return decoded(attribute.value, attribute.plain, true, true);
    return QString();
}

QString XmlScanner::text()
{
    return decoded(m_rawText, m_textPlain, false, !m_textIsCdata);
}

// References resolve to their characters (in CDATA, '&' is itself). Line ends in text become
// line feeds; in an attribute, tabs and line ends become spaces.
QString XmlScanner::decoded(QByteArrayView raw, bool plain, bool attribute, bool references)
{
    if (plain)
        return raw.isEmpty() ? QString(QLatin1String("")) : m_codec.decode(raw);
    m_resolved.clear();
    qsizetype run = 0; // the start of the bytes not yet copied
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '\r' && c != '&' && !(attribute && (c == '\n' || c == '\t')))
            continue;
        if (c == '&' && !references)
            continue;
        m_resolved.append(raw.sliced(run, i - run));
        if (c == '&') {
            const qsizetype end = referenceEnd(raw, i);
            appendUtf8(m_resolved, referenced(raw.sliced(i + 1, end - i - 2)));
            i = end - 1;
        } else {
            if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            m_resolved.append(attribute ? ' ' : '\n');
        }
        run = i + 1;
    }
    m_resolved.append(raw.sliced(run));
    return m_codec.decode(m_resolved);
}

bool utf8OfXml(const QByteArray &bytes, QByteArray &utf8, QString &error)
{
    QByteArrayView view(bytes);
    QByteArray encoding = "UTF-8";
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    } else if (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF")) {
        encoding = view[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
        view = view.sliced(2);
    } else if (view.startsWith("<?xml")) {
        const QByteArrayView declaration = view.first(qMax<qsizetype>(0, view.indexOf("?>")));
        const qsizetype name = declaration.indexOf("encoding");
        qsizetype open = name < 0 ? -1 : declaration.indexOf('=', name);
        while (open >= 0 && ++open < declaration.size() && isSpace(uchar(declaration[open])))
            ;
        if (open >= 0 && open < declaration.size() &&
            (declaration[open] == '"' || declaration[open] == '\'')) {
            const qsizetype close = declaration.indexOf(declaration[open], open + 1);
            if (close > open)
                encoding = declaration.sliced(open + 1, close - open - 1).toByteArray();
        }
    }
    const bool isUtf8 = encoding.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
                        encoding.compare("UTF8", Qt::CaseInsensitive) == 0;
    QStringDecoder decoder(encoding.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) {
        error = lineMessage(
                1,
                QStringLiteral("the encoding %1 is not known").arg(QString::fromLatin1(encoding)));
        return false;
    }
    if (isUtf8 && view.isValidUtf8()) {
        utf8 = view.size() == bytes.size() ? bytes : view.toByteArray();
        return true;
    }
    if (!isUtf8) {
        const QString text = decoder.decode(view);
        if (!decoder.hasError()) {
            utf8 = text.toUtf8();
            return true;
        }
    }
    // Found again line by line, which only a damaged file pays for.
    qsizetype line = 1;
    if (!encoding.startsWith("UTF-16"))
        for (qsizetype start = 0; start < view.size(); ++line) {
            const qsizetype end = view.indexOf('\n', start);
            const QByteArrayView part = view.sliced(start, (end < 0 ? view.size() : end) - start);
            QStringDecoder lineDecoder(encoding.constData(), QStringConverter::Flag::Stateless);
            (void)lineDecoder.decode(part);
            if ((isUtf8 ? !part.isValidUtf8() : lineDecoder.hasError()) || end < 0)
                break;
            start = end + 1;
        }
    error = lineMessage(line,
                        QStringLiteral("the bytes are not %1").arg(QString::fromLatin1(encoding)));
    return false;
}
