#pragma once

#include "find/DocumentWatch.h"
#include "find/FindAllSearch.h"

#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <unordered_set>

class QAbstractItemDelegate;
class ThemeView;

// Narrows the tree to the themes that match a search and the themes above them, the matches in
// bold, and shows the whole tree again with the open state it had. The search runs a slice at a
// time, so that the window answers (and Escape ends it); the rows are hidden in one go when it
// is done. While narrowed, editing works on the real themes: a theme that stops matching stays
// until the filter runs again, a new theme shows, a theme that comes back (undo, a move) is
// hidden again if it was, and the current theme is never out of sight: the hidden themes above
// it show.
class TreeFilter : public QObject, private DocumentWatch
{
    Q_OBJECT
public:
    enum class State { Off, Searching, Narrowed };

    explicit TreeFilter(ThemeView *view, QObject *parent = nullptr);
    ~TreeFilter() override;

    State state() const { return m_state; }
    // Narrows the tree to the matches below `top` (scope 1: the theme alone).
    void run(Theme *top, const FindParas &paras);
    // Stops the search, or shows the whole tree again; false when there was neither.
    bool end();
    // The themes that matched, in preorder of the search.
    const std::vector<FoundMatch> &matches() const { return m_found; }
    // Whether the theme's row shows in bold: a match of the narrowed tree still in it.
    bool isMarked(const Theme *theme) const;

Q_SIGNALS:
    // The tree is narrowed; gaveUp when the pattern stopped at its step limit somewhere.
    void narrowed(bool gaveUp);

private:
    void slice();
    void narrow();
    void widen();
    // Rows that come in (an insert, an undo, a move) are hidden again where they stay hidden.
    void rowsCame(const QModelIndex &parent, int first, int last);
    void aboutToRemove(Theme *parent, int first, int last) override;
    // A tree read anew shows whole, with nothing kept of the old one.
    void aboutToReplace() override;
    // Shows the current theme and the hidden themes above it.
    void revealCurrent();
    // Hides the children of the row that stay out of sight.
    void hideHiddenChildren(const QModelIndex &index);
    void hideRow(const QModelIndex &index);
    bool staysHidden(const Theme *theme) const;
    // Runs `change`, which opens, closes, hides and shows rows, with the view's signals held
    // back, then measures the names' column once: row by row, a large tree would be laid out and
    // measured for each.
    void changeRows(const std::function<void()> &change);
    void forget();

    QPointer<ThemeView> m_view;
    QAbstractItemDelegate *m_bold;
    State m_state = State::Off;
    Theme *m_top = nullptr;
    FindParas m_paras;
    FindAllSearch m_search;
    std::vector<FoundMatch> m_found;
    QTimer m_slices;
    // What narrowing changed, sorted or in preorder rather than hashed: with 100,000 themes the
    // hashing alone took longer than the rows' hiding. The themes in bold; those out of sight;
    // the rows hidden (whatever became of them since); every theme with subthemes, with the open
    // state it had before.
    std::vector<const Theme *> m_marked;
    std::vector<const Theme *> m_outOfSight;
    std::vector<QPersistentModelIndex> m_hiddenRows;
    std::vector<std::pair<const Theme *, bool>> m_wasOpen;
    // Themes out of sight that were shown since (above the current theme), and themes removed
    // while narrowed: neither is hidden again, and a removed one is left as it is.
    std::unordered_set<const Theme *> m_shownSince;
    std::unordered_set<const Theme *> m_removed;
};
