#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

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
    CompactText(const CompactText &) = default;
    CompactText &operator=(const CompactText &) = default;
    // A text moved from is empty: its bytes go with its buffer.
    CompactText(CompactText &&other) noexcept { *this = std::move(other); }
    CompactText &operator=(CompactText &&other) noexcept
    {
        m_buffer = std::move(other.m_buffer);
        m_from = std::exchange(other.m_from, 0);
        m_size = std::exchange(other.m_size, 0);
        m_text = std::move(other.m_text);
        return *this;
    }
    // `size` bytes of a file in the codec's form at `text`, a part of `buffer`: a text that
    // CP1251 holds keeps the buffer and is held where it lies, in its first size() bytes (UTF-8
    // is converted in place); any other is read as characters.
    static CompactText fromFile(const QByteArray &buffer, char *text, qsizetype size,
                                TextCodec &codec);

    QString toString() const;
    qsizetype size() const { return m_text.isNull() ? m_size : m_text.size(); }
    bool isEmpty() const { return size() == 0; }
    bool isCompact() const { return m_text.isNull(); }
    // The CP1251 bytes of a compact text, as a CP1251 file holds them.
    QByteArrayView cp1251Bytes() const { return QByteArrayView(m_buffer).sliced(m_from, m_size); }
    bool operator==(const CompactText &other) const
    {
        return cp1251Bytes() == other.cp1251Bytes() && m_text == other.m_text;
    }

private:
    static CompactText fromCp1251(const QByteArray &buffer, QByteArrayView bytes);

    // The CP1251 bytes, while m_text is null: `m_size` of them from `m_from` in `m_buffer`,
    // which is shared and may hold more (a file's descriptions share the pieces it was read
    // in). The two fit in the room of one pointer: a file is far smaller than 2 GB.
    QByteArray m_buffer;
    qint32 m_from = 0;
    qint32 m_size = 0;
    QString m_text;
};
