#pragma once

#include <QList>
#include <QSet>

// The themes the user has visited, newest last, with a cursor on the one being shown. Going back
// and then visiting a new theme drops the entries that going back had left in front. The window's
// tree keeps its rows here, the view over the document its themes.
template<typename Theme>
class ThemeHistory
{
public:
    void record(Theme *theme)
    {
        if (m_cursor < m_entries.size() - 1)
            m_entries.resize(m_cursor + 1);
        if (!m_entries.isEmpty() && m_entries.last() == theme)
            return;
        m_entries.append(theme);
        m_cursor = m_entries.size() - 1;
    }
    // The theme to show after moving the cursor, or null when there is nowhere to go.
    Theme *back() { return m_cursor <= 0 ? nullptr : m_entries.at(--m_cursor); }
    Theme *forward()
    {
        return m_cursor >= m_entries.size() - 1 ? nullptr : m_entries.at(++m_cursor);
    }
    // Drops every entry of the given themes; a cursor on a dropped entry moves to the nearest
    // older entry that stays.
    void removeAll(const QSet<Theme *> &themes)
    {
        if (themes.isEmpty() || m_entries.isEmpty())
            return;
        QList<Theme *> kept;
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
    void clear()
    {
        m_entries.clear();
        m_cursor = -1;
    }

    int size() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    Theme *atCursor() const
    {
        return m_cursor >= 0 && m_cursor < m_entries.size() ? m_entries.at(m_cursor) : nullptr;
    }

private:
    QList<Theme *> m_entries; // oldest first
    qsizetype m_cursor = -1;  // -1: before the oldest entry
};
