#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

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

// False when this Qt build cannot convert CP1251; the program then refuses to start.
bool cp1251Available();
QString cp1251UnavailableMessage();
