#include "find/FindText.h"

namespace FindText {

int occurrence(QStringView text, QStringView what, int from, bool backwards, bool caseSensitive)
{
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (what.isEmpty() || from < 0)
        return -1;
    if (!backwards)
        return from > text.size() ? -1 : int(text.indexOf(what, from, cs));
    const qsizetype last = qMin(qsizetype(from), text.size() - what.size());
    return last < 0 ? -1 : int(text.lastIndexOf(what, last, cs));
}

int indexAt(const QString &text, int line, int column)
{
    qsizetype start = 0;
    for (int l = 0; l < line; ++l) {
        const qsizetype feed = text.indexOf(u'\n', start);
        if (feed < 0)
            return int(text.size());
        start = feed + 1;
    }
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0)
        end = text.size();
    return int(qMin(start + qMax(column, 0), end));
}

ColumnLine positionAt(const QString &text, int index)
{
    const qsizetype end = qBound(qsizetype(0), qsizetype(index), text.size());
    ColumnLine position;
    qsizetype lineStart = 0;
    for (qsizetype feed = text.indexOf(u'\n'); feed >= 0 && feed < end;
         feed = text.indexOf(u'\n', feed + 1)) {
        ++position.line;
        lineStart = feed + 1;
    }
    position.column = int(end - lineStart);
    return position;
}

} // namespace FindText
