#pragma once

#include "common/Cp1251.h"

#include <QByteArray>
#include <QString>

// The two forms of a tree file: CP1251 (every file without the mark below) and Unicode, UTF-8
// after the byte order mark.
enum class TextEncoding { Cp1251, Utf8 };

// The first bytes of a Unicode tree file.
inline constexpr QByteArrayView utf8Mark("\xEF\xBB\xBF");

// The form of a text that starts with these bytes: Unicode when they start with the UTF-8 mark,
// CP1251 otherwise. The one place that decides it.
TextEncoding textFormOf(QByteArrayView bytes);
// The bytes at the start of a text in that form that are its mark, not its text.
inline qsizetype formMarkSize(TextEncoding form)
{
    return form == TextEncoding::Utf8 ? utf8Mark.size() : 0;
}

// The name an HTML page or a MIME part declares: "windows-1251" or "utf-8".
QLatin1String charsetName(TextEncoding encoding);

// One converter for a whole load or save in either form. In UTF-8 a byte that is not part of a
// well-formed sequence is read as the private-use character U+10FE00 + byte (U+10FE80 to
// U+10FEFF) and such a character is written back as that single byte, so a damaged file keeps
// every byte. A lone surrogate, which UTF-8 cannot hold, is written as U+FFFD and counted.
class TextCodec
{
public:
    explicit TextCodec(TextEncoding encoding);

    TextEncoding encoding() const { return m_encoding; }
    QString decode(QByteArrayView bytes);
    QByteArray encode(QStringView text);
    // How many characters encode() has replaced so far.
    qint64 replaced() const;

private:
    TextEncoding m_encoding;
    Cp1251Codec m_cp1251;
    qint64 m_replaced = 0; // lone surrogates written as U+FFFD
};
