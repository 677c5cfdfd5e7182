#include "tree/ThemeHistory.h"

#include "tree/ColorListViewItem.h"

void ThemeHistory::record(ColorListViewItem *theme)
{
    if (!theme || theme->isNullItem()) // a placeholder, never a place the user visited
        return;
    if (m_cursor < m_entries.size() - 1)
        m_entries.resize(m_cursor + 1);
    if (!m_entries.isEmpty() && m_entries.last() == theme)
        return;
    m_entries.append(theme);
    m_cursor = m_entries.size() - 1;
}

ColorListViewItem *ThemeHistory::back()
{
    if (m_cursor <= 0)
        return nullptr;
    return m_entries.at(--m_cursor);
}

ColorListViewItem *ThemeHistory::forward()
{
    if (m_cursor >= m_entries.size() - 1)
        return nullptr;
    return m_entries.at(++m_cursor);
}

void ThemeHistory::removeAll(const QSet<ColorListViewItem *> &themes)
{
    if (themes.isEmpty() || m_entries.isEmpty())
        return;
    QList<ColorListViewItem *> kept;
    kept.reserve(m_entries.size());
    qsizetype cursor = -1;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (themes.contains(m_entries.at(i)))
            continue;
        kept.append(m_entries.at(i));
        if (i <= m_cursor)
            cursor = kept.size() - 1;
    }
    m_entries = std::move(kept);
    m_cursor = cursor;
}

void ThemeHistory::clear()
{
    m_entries.clear();
    m_cursor = -1;
}

ColorListViewItem *ThemeHistory::atCursor() const
{
    return m_cursor >= 0 && m_cursor < m_entries.size() ? m_entries.at(m_cursor) : nullptr;
}
