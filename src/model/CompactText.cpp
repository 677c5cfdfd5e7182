#include "model/CompactText.h"

#include "common/TextCodec.h"

#include <limits>

CompactText::CompactText(const QString &text)
{
    std::optional<QByteArray> bytes = cp1251ExactBytes(text);
    if (bytes && bytes->size() <= std::numeric_limits<qint32>::max()) {
        m_buffer = std::move(*bytes);
        m_size = qint32(m_buffer.size());
    } else {
        m_text = text;
    }
}

CompactText CompactText::fromCp1251(const QByteArray &buffer, QByteArrayView bytes)
{
    CompactText compact;
    const qsizetype from = bytes.data() - buffer.constData();
    if (cp1251HasTables() && from + bytes.size() <= std::numeric_limits<qint32>::max()) {
        compact.m_buffer = buffer;
        compact.m_from = qint32(from);
        compact.m_size = qint32(bytes.size());
    } else {
        compact.m_text = Cp1251Codec().decode(bytes);
    }
    return compact;
}

CompactText CompactText::fromFile(const QByteArray &buffer, char *text, qsizetype size,
                                  TextCodec &codec)
{
    if (codec.encoding() == TextEncoding::Cp1251)
        return fromCp1251(buffer, QByteArrayView(text, size));
    const Utf8Converted converted = cp1251FromUtf8(QByteArrayView(text, size), text);
    if (converted.read == size)
        return fromCp1251(buffer, QByteArrayView(text, converted.written));
    // What was converted, and the rest as it is.
    CompactText characters;
    characters.m_text = cp1251Characters(QByteArrayView(text, converted.written)) +
                        codec.decode(QByteArrayView(text + converted.read, size - converted.read));
    return characters;
}

QString CompactText::toString() const
{
    if (!m_text.isNull())
        return m_text;
    return m_size == 0 ? QString() : cp1251Characters(cp1251Bytes());
}
