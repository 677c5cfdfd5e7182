#include "app/EventRecord.h"

#include <QEvent>
#include <QIODevice>

#include <limits>
#include <span>

namespace {

// A line longer than this belongs to no events file.
constexpr qint64 maxLine = 1000000;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Exactly as many decimal integers as `values` holds, separated by blanks and tabs.
bool parseIntegers(QByteArrayView line, std::span<int> values)
{
    qsizetype at = 0;
    for (int &value : values) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        const bool negative = at < line.size() && line[at] == '-';
        if (negative || (at < line.size() && line[at] == '+'))
            ++at;
        const qsizetype digits = at;
        qint64 number = 0;
        for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
            number = number * 10 + (line[at] - '0');
            if (number > std::numeric_limits<int>::max())
                return false;
        }
        if (at == digits)
            return false;
        value = int(negative ? -number : number);
    }
    for (; at < line.size(); ++at)
        if (!isBlank(line[at]))
            return false;
    return true;
}

} // namespace

bool EventRecord::sameKey(const EventRecord &other) const
{
    return key == other.key && character == other.character && modifiers == other.modifiers &&
           text == other.text && (autoRepeat != 0) == (other.autoRepeat != 0) &&
           count == other.count;
}

QByteArray formatRecord(const EventRecord &record, TextCodec &codec)
{
    QString text = QString::asprintf("%i %i %i %i %i \n", record.type, record.widgetId, record.key,
                                     record.character, record.modifiers);
    text += QLatin1Char('"') + record.text + QLatin1Char('"');
    text += QString::asprintf("\n%i %i\n%i %i %i %i\n", record.autoRepeat, record.count,
                              record.time.hour(), record.time.minute(), record.time.second(),
                              record.time.msec());
    return codec.encode(text);
}

EventReader::EventReader(QIODevice *file)
    : m_file(file)
{
    const TextEncoding form = textFormOf(m_file->peek(utf8Mark.size()));
    m_file->skip(formMarkSize(form));
    m_codec = TextCodec(form);
}

bool EventReader::readLine(QByteArray &line)
{
    line = m_file->readLine(maxLine + 1);
    if (line.endsWith('\n'))
        ++m_line;
    else if (!m_file->atEnd())
        return false; // too long, or the file cannot be read
    return !line.isEmpty();
}

// A double quote, the text, a double quote and the line end. A text that holds double quotes
// ends at the last one of its line, so that the key of a double quote reads back whole.
bool EventReader::readText(QString &text)
{
    char c = 0;
    if (!m_file->getChar(&c) || c != '"')
        return false;
    QByteArray bytes;
    while (m_file->getChar(&c) && c != '"') {
        // A key's text may be a line end, but never runs on past one.
        if (bytes.size() >= maxLine || bytes.endsWith('\n'))
            return false;
        bytes += c;
        if (c == '\n')
            ++m_line;
    }
    if (c != '"')
        return false;
    QByteArray rest;
    if (!readLine(rest))
        return false;
    while (rest.endsWith('\n') || rest.endsWith('\r'))
        rest.chop(1);
    if (!rest.isEmpty()) {
        if (!rest.endsWith('"'))
            return false;
        bytes += '"' + rest.chopped(1);
    }
    text = m_codec.decode(bytes);
    return true;
}

EventReader::Result EventReader::read(EventRecord &record)
{
    m_recordLine = m_line;
    QByteArray line;
    if (!readLine(line))
        return line.isEmpty() && m_file->atEnd() ? Result::End : Result::Bad;
    if (line == "\n" || line == "\r\n")
        return Result::End;
    int head[5];
    if (!parseIntegers(line, head))
        return Result::Bad;
    int repeat[2];
    int time[4];
    if (!readText(record.text) || !readLine(line) || !parseIntegers(line, repeat) ||
        !readLine(line) || !parseIntegers(line, time))
        return Result::Bad;
    record.type = head[0];
    record.widgetId = head[1];
    record.key = head[2];
    record.character = head[3];
    record.modifiers = head[4];
    record.autoRepeat = repeat[0];
    record.count = repeat[1];
    record.time = QTime(time[0], time[1], time[2], time[3]);
    const bool keyEvent = record.type == QEvent::KeyPress || record.type == QEvent::KeyRelease;
    const bool modifiers = (uint(record.modifiers) & ~uint(Qt::KeyboardModifierMask)) == 0;
    const bool count = record.count >= 0 && record.count <= std::numeric_limits<ushort>::max();
    if (!keyEvent || record.widgetId < 0 || !modifiers || !count || !record.time.isValid())
        return Result::Bad;
    return Result::Record;
}

int playbackDelay(QTime previous, QTime next)
{
    const QTime midnight(0, 0);
    if (previous == midnight)
        return 1;
    int gap = previous.msecsTo(next);
    if (next < previous)
        gap = previous.msecsTo(QTime(23, 59, 59, 999)) + midnight.msecsTo(next);
    return qMax(gap, 1);
}
