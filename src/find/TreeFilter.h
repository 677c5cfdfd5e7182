#pragma once

#include "find/FindAllSearch.h"

#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>
#include <QTimer>

#include <unordered_set>

class LinkListView;

// Narrows the tree to the themes that match a search and the themes above them, the matches in
// bold, and shows the whole tree again with the open state it had. The search runs a slice at a
// time, so that the window answers (and Escape ends it); the rows are hidden in one go when it
// is done. While narrowed, editing works on the real themes: a theme that stops matching stays
// until the filter runs again, a new theme shows, a theme that comes back (undo, a move) is
// hidden again if it was, a placeholder row is never shown, and the current theme is never out
// of sight: the hidden themes above it show.
class TreeFilter : public QObject
{
    Q_OBJECT
public:
    enum class State { Off, Searching, Narrowed };

    explicit TreeFilter(LinkListView *tree, QObject *parent = nullptr);

    State state() const { return m_state; }
    // Narrows the tree to the matches below `top` (scope 1: the theme alone).
    void run(ColorListViewItem *top, const FindParas &paras);
    // Stops the search, or shows the whole tree again; false when there was neither.
    bool end();
    // The themes that matched, in preorder of the search.
    const std::vector<FoundMatch> &matches() const { return m_found; }

Q_SIGNALS:
    // The tree is narrowed; gaveUp when the pattern stopped at its step limit somewhere.
    void narrowed(bool gaveUp);

private:
    void slice();
    void narrow();
    void widen();
    void rowsInserted(const QModelIndex &parent, int first, int last);
    void themeRemoved(ColorListViewItem *theme);
    // Shows the current theme and the hidden themes above it.
    void revealCurrent();
    // Hides the children of the row that stay out of sight.
    void hideHiddenChildren(const QModelIndex &index);
    void hideRow(const QModelIndex &index);
    bool staysHidden(const ColorListViewItem *theme) const;
    void forget();

    LinkListView *m_tree;
    State m_state = State::Off;
    ColorListViewItem *m_top = nullptr;
    FindParas m_paras;
    FindAllSearch m_search;
    std::vector<FoundMatch> m_found;
    QTimer m_slices;
    // What narrowing changed, sorted or in preorder rather than hashed: with 100,000 themes the
    // hashing alone took longer than the rows' hiding. The themes in bold; those out of sight;
    // the rows hidden (whatever became of them since); every theme with subthemes, with the open
    // state it had before.
    std::vector<const QTreeWidgetItem *> m_marked;
    std::vector<const QTreeWidgetItem *> m_outOfSight;
    std::vector<QPersistentModelIndex> m_hiddenRows;
    std::vector<std::pair<ColorListViewItem *, bool>> m_wasOpen;
    // Themes out of sight that were shown since (above the current theme), and themes removed
    // while narrowed: neither is hidden again, and a removed one is left as it is.
    std::unordered_set<const QTreeWidgetItem *> m_shownSince;
    std::unordered_set<const QTreeWidgetItem *> m_removed;
};
