#include "storage/TreeHeader.h"

#include "common/Clock.h"
#include "storage/LinkTokens.h"

#include <limits>

bool isStorableThemeDate(const QDate &date)
{
    if (!date.isValid())
        return false;
    const qint64 days = date.daysTo(Clock::startDate());
    return days >= std::numeric_limits<int>::min() && days <= std::numeric_limits<int>::max();
}

namespace {

bool startsAt(QByteArrayView text, qsizetype pos, QByteArrayView what)
{
    return pos >= 0 && pos <= text.size() && text.sliced(pos).startsWith(what);
}

// Day, month and year as read; numbers beyond an int cannot name a date at all.
QDate dateOf(qint64 day, qint64 month, qint64 year)
{
    if (day < 1 || day > 31 || month < 1 || month > 12 || year < std::numeric_limits<int>::min() ||
        year > std::numeric_limits<int>::max())
        return QDate();
    return QDate(int(year), int(month), int(day));
}

// "[|]" or "[" day sep month sep year "]" at pos (which holds "["). A part that is well formed but
// names no storable date is consumed all the same and reads as impossible.
bool readDatePart(QByteArrayView text, qsizetype &pos, ThemeHeader &header)
{
    if (startsAt(text, pos, "[|]")) {
        header.dateKind = ThemeHeader::DateKind::Parent;
        pos += 3;
        return true;
    }
    qsizetype at = pos + 1;
    qint64 numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (!readDecimal(text, at, numbers[i]) || at >= text.size())
            return false;
        const char next = text[at];
        const bool fits = i < 2 ? next == '.' || next == '/' : next == ']';
        if (!fits)
            return false;
        ++at;
    }
    pos = at;
    const QDate date = dateOf(numbers[0], numbers[1], numbers[2]);
    if (isStorableThemeDate(date)) {
        header.dateKind = ThemeHeader::DateKind::Given;
        header.date = date;
    } else {
        header.dateKind = ThemeHeader::DateKind::Impossible;
    }
    return true;
}

// "%i" with at least minDigits digits, without a formatted temporary.
void appendNumber(QString &out, qint64 value, int minDigits)
{
    char buffer[24];
    int at = int(sizeof buffer);
    quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    int digits = 0;
    do {
        buffer[--at] = char('0' + magnitude % 10);
        magnitude /= 10;
        ++digits;
    } while (magnitude != 0 || digits < minDigits);
    if (value < 0)
        buffer[--at] = '-';
    out.append(QLatin1String(buffer + at, qsizetype(sizeof buffer) - at));
}

} // namespace

std::optional<ThemeHeader> readThemeHeader(QByteArrayView text, qsizetype lineStart)
{
    if (!startsAt(text, lineStart, "<!--"))
        return std::nullopt;
    qsizetype pos = lineStart + 4;
    ThemeHeader header;

    const qsizetype dotsStart = pos;
    while (pos < text.size() && text[pos] == '.')
        ++pos;
    if (pos > dotsStart)
        header.depth = pos - dotsStart;
    else if (!readDecimal(text, pos, header.depth) || header.depth < 0)
        return std::nullopt;
    if (pos >= text.size())
        return std::nullopt;

    // Either the date first, then the id; or the id, then the date. Without an id the next
    // character is not "[", so a date can only follow one.
    if (text[pos] == '[') {
        if (!readDatePart(text, pos, header))
            return std::nullopt;
        header.linkId = readLinkToken(text, pos);
    } else {
        header.linkId = readLinkToken(text, pos);
        if (pos < text.size() && text[pos] == '[' && !readDatePart(text, pos, header))
            return std::nullopt;
    }

    if (!startsAt(text, pos, "-->"))
        return std::nullopt;
    header.end = pos + 3;
    return header;
}

void appendThemeHeader(QString &out, int depth, int linkId, std::optional<QDate> date)
{
    out.append(QLatin1String("<!--"));
    appendNumber(out, depth, 1);
    if (linkId != 0)
        out.append(linkToken(linkId));
    if (date) {
        // Same text as themeDateText: "[%2.2i.%2.2i.%i]".
        out.append(QLatin1Char('['));
        appendNumber(out, date->day(), 2);
        out.append(QLatin1Char('.'));
        appendNumber(out, date->month(), 2);
        out.append(QLatin1Char('.'));
        appendNumber(out, date->year(), 1);
        out.append(QLatin1Char(']'));
    } else {
        out.append(QLatin1String("[|]"));
    }
    out.append(QLatin1String("-->"));
}

QString themeHeader(int depth, int linkId, std::optional<QDate> date)
{
    QString out;
    appendThemeHeader(out, depth, linkId, date);
    return out;
}
