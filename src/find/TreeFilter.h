#pragma once

#include "find/FindAllSearch.h"

#include <QModelIndex>
#include <QObject>
#include <QTimer>

#include <unordered_map>
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
    bool staysHidden(const ColorListViewItem *theme) const;
    void mark(ColorListViewItem *theme, bool bold);

    LinkListView *m_tree;
    State m_state = State::Off;
    ColorListViewItem *m_top = nullptr;
    FindParas m_paras;
    FindAllSearch m_search;
    std::vector<FoundMatch> m_found;
    QTimer m_slices;
    // The themes in bold, those out of sight, and every theme's open state before narrowing.
    std::unordered_set<const QTreeWidgetItem *> m_marked;
    std::unordered_set<const QTreeWidgetItem *> m_hidden;
    std::unordered_map<const QTreeWidgetItem *, bool> m_wasOpen;
};
