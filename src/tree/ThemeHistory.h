#pragma once

#include <QList>
#include <QSet>

class ColorListViewItem;

// The themes the user has visited, newest last, with a cursor on the one being shown. Going back
// and then visiting a new theme drops the entries that going back had left in front.
class ThemeHistory
{
public:
    void record(ColorListViewItem *theme);
    // The theme to show after moving the cursor, or null when there is nowhere to go.
    ColorListViewItem *back();
    ColorListViewItem *forward();
    // Drops every entry of the given themes; a cursor on a dropped entry moves to the nearest
    // older entry that stays.
    void removeAll(const QSet<ColorListViewItem *> &themes);
    void clear();

    int size() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    ColorListViewItem *atCursor() const;

private:
    QList<ColorListViewItem *> m_entries; // oldest first
    qsizetype m_cursor = -1;              // -1: before the oldest entry
};
