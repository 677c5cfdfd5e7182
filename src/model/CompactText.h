#pragma once

#include <QByteArray>
#include <QString>

// A theme's description as it is held: one byte per character when every character is one of
// CP1251's (the code page of the files, and Latin and Cyrillic text in any file), else as the
// characters themselves. A large document's descriptions take half the memory; reading one back
// costs a pass over its bytes. Each text has one form only, so equal texts hold equal data.
class TextCodec;

class CompactText
{
public:
    CompactText() = default;
    explicit CompactText(const QString &text);
    // Bytes as read from a CP1251 file: held as they are while the code page is held as tables.
    static CompactText fromCp1251(const QByteArray &bytes);
    // Bytes as read from a file in the codec's form, without a decoded copy where they allow.
    static CompactText fromFile(QByteArray bytes, TextCodec &codec);

    QString toString() const;
    qsizetype size() const { return m_text.isNull() ? m_bytes.size() : m_text.size(); }
    bool isEmpty() const { return size() == 0; }
    bool isCompact() const { return m_text.isNull(); }
    // The CP1251 bytes of a compact text, as a CP1251 file holds them.
    const QByteArray &cp1251Bytes() const { return m_bytes; }
    bool operator==(const CompactText &other) const = default;

private:
    QByteArray m_bytes; // CP1251, while m_text is null
    QString m_text;
};
