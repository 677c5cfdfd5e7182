#include "find/SearchedText.h"

#include "find/FindText.h"

#include <algorithm>

void SearchedText::reset(const QString &text, bool backwards)
{
    m_backwards = backwards;
    m_original = text;
    m_front.clear();
    m_frontEnd = 0;
    m_back.clear();
    m_backStart = int(text.size());
    m_backSize = 0;
}

QString SearchedText::text() const
{
    QString whole;
    whole.reserve(size());
    whole += m_front;
    whole += QStringView(m_original).mid(m_frontEnd, m_backStart - m_frontEnd);
    for (auto piece = m_back.rbegin(); piece != m_back.rend(); ++piece)
        whole += *piece;
    return whole;
}

void SearchedText::collapse()
{
    if (!m_front.isEmpty() || m_frontEnd != 0 || !m_back.empty() ||
        m_backStart != m_original.size())
        reset(text(), m_backwards);
}

QString SearchedText::backStart(int count) const
{
    QString start;
    for (auto piece = m_back.rbegin(); piece != m_back.rend() && start.size() < count; ++piece)
        start += QStringView(*piece).left(count - start.size());
    return start;
}

int SearchedText::occurrence(const QString &what, int from, bool caseSensitive)
{
    if (!m_backwards) {
        if (from < m_front.size())
            collapse();
        const int shift = int(m_front.size()) - m_frontEnd;
        const int found =
                FindText::occurrence(m_original, what, from - shift, false, caseSensitive);
        return found < 0 ? -1 : found + shift;
    }
    if (from >= m_backStart)
        collapse();
    const QStringView untouched = QStringView(m_original).left(m_backStart);
    // Searching forwards is faster, and most strings hold no occurrence at all: one look over
    // a string nothing has been replaced in yet settles that.
    if (m_back.empty() &&
        untouched.indexOf(what, 0, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) < 0)
        return -1;
    if (!m_back.empty() && from >= 0) {
        // A match may start before the rebuilt back and run into it.
        const int windowStart = qMax(0, m_backStart - int(what.size()) + 1);
        const QString window =
                untouched.mid(windowStart).toString() + backStart(int(what.size()) - 1);
        const int across =
                FindText::occurrence(window, what, from - windowStart, true, caseSensitive);
        if (across >= 0)
            return windowStart + across;
    }
    return FindText::occurrence(untouched, what, from, true, caseSensitive);
}

TextPattern::Match SearchedText::find(const TextPattern &pattern, int from)
{
    if (!m_backwards) {
        if (from < m_front.size())
            collapse();
        const int shift = int(m_front.size()) - m_frontEnd;
        TextPattern::Match match = pattern.find(m_original, from - shift, false);
        if (match.position >= 0)
            match.position += shift;
        return match;
    }
    if (from >= m_backStart)
        collapse();
    TextPattern::Match match = pattern.find(m_original, from, true);
    if (match.position + match.length <= m_backStart)
        return match;
    collapse();
    return pattern.find(m_original, from, true);
}

QString SearchedText::slice(int position, int length)
{
    const int shift = int(m_front.size()) - m_frontEnd;
    if (!m_backwards && position >= m_front.size())
        return m_original.mid(position - shift, length);
    if (m_backwards && position + length <= m_backStart)
        return m_original.mid(position, length);
    return text().mid(position, length);
}

void SearchedText::replace(int position, int length, const QString &replacement)
{
    if (m_backwards ? position + length > m_backStart : position < m_front.size())
        collapse();
    if (m_backwards) {
        const int end = position + length;
        m_back.push_back(m_original.mid(end, m_backStart - end));
        m_back.push_back(replacement);
        m_backSize += int(m_back.back().size() + m_back[m_back.size() - 2].size());
        m_backStart = position;
        return;
    }
    const int start = position - int(m_front.size()) + m_frontEnd;
    m_front += QStringView(m_original).mid(m_frontEnd, start - m_frontEnd);
    m_front += replacement;
    m_frontEnd = start + length;
}
