#include "common/Cp1251.h"

#include <QCoreApplication>

namespace {
constexpr const char *codecName = "windows-1251";
}

Cp1251Codec::Cp1251Codec()
    : m_decoder(codecName, QStringConverter::Flag::Stateless)
    , m_encoder(codecName, QStringConverter::Flag::Stateless)
{}

bool Cp1251Codec::isValid() const
{
    return m_decoder.isValid() && m_encoder.isValid();
}

QString Cp1251Codec::decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString(QLatin1String(""));
    return m_decoder.decode(bytes);
}

QByteArray Cp1251Codec::encode(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    return m_encoder.encode(text);
}

bool cp1251Available()
{
    return Cp1251Codec().isValid();
}

QString cp1251UnavailableMessage()
{
    return QCoreApplication::translate(
            "Cp1251", "The CP1251 (windows-1251) text codec is not available in this Qt build.\n"
                      "Tree files cannot be read or written without it; the program stops.");
}
