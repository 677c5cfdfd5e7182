#pragma once

#include "common/TextCodec.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A strict reader of the XML that outline files are made of, over UTF-8 bytes: elements,
// attributes, character and entity references and CDATA; comments, processing instructions and
// a document type declaration are passed over. What is not well-formed stops it with a message
// that names the line. It keeps its open elements in a list of its own, so a deep file costs
// memory, never stack, and it decodes only the values asked for.
class XmlScanner
{
public:
    enum class Token { StartElement, EndElement, Text, EndOfDocument, Invalid };

    // The bytes must stay while the scanner reads them.
    explicit XmlScanner(QByteArrayView utf8);

    Token next();
    // The element just started or ended, without a namespace prefix.
    QByteArrayView name() const { return m_name; }
    // An attribute of the element just started, with its references resolved and its white
    // space made spaces, as XML reads it; a null string when the element has none of that name.
    QString attribute(QByteArrayView name);
    // The text just read, references resolved and line ends made line feeds.
    QString text();

    void raiseError(const QString &message);
    bool hasError() const { return !m_error.isEmpty(); }
    // "line N: what is wrong".
    const QString &errorString() const { return m_error; }

private:
    struct Attribute
    {
        QByteArrayView name;
        QByteArrayView value; // as written
        bool plain;           // no reference, tab or line end to resolve
    };

    Token fail(const QString &message);
    Token startTag();
    Token endTag();
    Token textUntilTag();
    bool skipMarkup(); // a comment, processing instruction, CDATA or document type
    bool readName(QByteArrayView &name);
    // Checks the characters up to `stop` (a quote, or '<' in text): false at the document's
    // end or at a fault.
    bool scanCharacters(char stop, bool &plain);
    bool checkReference();
    void skipSpace();
    QString decoded(QByteArrayView raw, bool plain, bool attribute, bool references);

    QByteArrayView m_text;
    qsizetype m_at = 0;
    TextCodec m_codec{TextEncoding::Utf8};
    QByteArray m_resolved;              // reused while references are resolved
    std::vector<QByteArrayView> m_open; // the qualified names of the open elements
    std::vector<Attribute> m_attributes;
    QByteArrayView m_name;
    QByteArrayView m_rawText;
    bool m_textPlain = true;
    bool m_textIsCdata = false;
    bool m_pendingEnd = false; // an empty element's end comes next
    bool m_rootDone = false;
    QString m_error;
};

// The bytes of an XML file as UTF-8: in the encoding its byte order mark or declaration names,
// UTF-8 when neither does. False, and `error` naming the line, when the bytes are not in that
// encoding.
[[nodiscard]] bool utf8OfXml(const QByteArray &bytes, QByteArray &utf8, QString &error);
