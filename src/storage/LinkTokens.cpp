#include "storage/LinkTokens.h"

#include <limits>

QString linkToken(int id)
{
    if (id > 0)
        return QStringLiteral("mark") + QString::number(id);
    if (id < 0)
        return QStringLiteral("link") + QString::number(-qint64(id));
    return QString();
}

bool readDecimal(QByteArrayView text, qsizetype &pos, qint64 &value)
{
    qsizetype at = pos;
    const bool negative = at < text.size() && text[at] == '-';
    if (negative)
        ++at;
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return false;
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 10 - 9;
    qint64 result = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        result = result < limit ? result * 10 + (text[at] - '0')
                                : std::numeric_limits<qint64>::max();
    value = negative ? -result : result;
    pos = at;
    return true;
}

int readLinkToken(QByteArrayView text, qsizetype &pos)
{
    const QByteArrayView rest = text.sliced(pos);
    int sign = 0;
    if (rest.startsWith("mark"))
        sign = 1;
    else if (rest.startsWith("link"))
        sign = -1;
    else
        return 0;
    pos += 4;
    qsizetype numberEnd = pos;
    qint64 number = 0;
    if (!readDecimal(text, numberEnd, number) || number < 0)
        return 0;
    pos = numberEnd;
    // An id that does not fit a slot cannot name a group: the theme reads as ordinary.
    if (number > std::numeric_limits<int>::max())
        return 0;
    return sign * int(number);
}
