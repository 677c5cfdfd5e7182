#include "model/CompactText.h"

#include "common/TextCodec.h"

CompactText::CompactText(const QString &text)
{
    if (std::optional<QByteArray> bytes = cp1251ExactBytes(text))
        m_bytes = std::move(*bytes);
    else
        m_text = text;
}

CompactText CompactText::fromCp1251(const QByteArray &bytes)
{
    CompactText compact;
    if (cp1251HasTables())
        compact.m_bytes = bytes;
    else
        compact.m_text = Cp1251Codec().decode(bytes);
    return compact;
}

CompactText CompactText::fromFile(QByteArray bytes, TextCodec &codec)
{
    if (codec.encoding() == TextEncoding::Cp1251)
        return fromCp1251(bytes);
    if (std::optional<QByteArray> compact = cp1251FromUtf8(bytes))
        return fromCp1251(*compact);
    CompactText text;
    text.m_text = codec.decode(bytes);
    return text;
}

QString CompactText::toString() const
{
    if (!m_text.isNull())
        return m_text;
    return m_bytes.isEmpty() ? QString() : cp1251Characters(m_bytes);
}
