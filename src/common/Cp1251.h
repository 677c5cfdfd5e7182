#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

// Every file the program reads or writes is CP1251. One converter pair serves a whole load or
// save; creating converters per string would dominate the cost of a large tree.
class Cp1251Codec
{
public:
    Cp1251Codec();

    bool isValid() const;
    QString decode(QByteArrayView bytes);
    // A character that CP1251 lacks becomes 0x1A.
    QByteArray encode(QStringView text);
    // How many characters encode() has replaced so far.
    qint64 replaced() const { return m_replaced; }
    // Whether the code page's tables exist: the first codec builds them, so that an emergency
    // save in a signal handler never has to.
    static bool tablesBuilt();

private:
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
    qint64 m_replaced = 0;
};

// True when every character of the text has a CP1251 byte.
bool cp1251CanEncode(QStringView text);

// The text one byte per character, when every character has a CP1251 byte and the code page is
// held as tables; nothing otherwise. cp1251Characters() gives the text back exactly.
std::optional<QByteArray> cp1251ExactBytes(QStringView text);
// The characters of bytes that cp1251ExactBytes() gave, or of any bytes while
// cp1251HasTables(): every byte is then a character of its own.
QString cp1251Characters(QByteArrayView bytes);
bool cp1251HasTables();
// UTF-8 converted to CP1251 into `to`, which may be the UTF-8 itself (CP1251 never takes more
// bytes), up to the first character that is malformed or that CP1251 lacks: the bytes read and
// written. Nothing is converted without the tables.
struct Utf8Converted
{
    qsizetype read = 0;
    qsizetype written = 0;
};
Utf8Converted cp1251FromUtf8(QByteArrayView utf8, char *to);

// False when this Qt build cannot convert CP1251; the program then refuses to start.
bool cp1251Available();
QString cp1251UnavailableMessage();
