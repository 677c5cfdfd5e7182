#pragma once

#include "find/ThemeMatcher.h"

#include <QObject>
#include <QSet>

#include <vector>

class ColorListViewItem;
class LinkListView;
class QTreeWidgetItem;

// The themes go to offers, in the order and with the folded names of a fresh gathering, kept
// as the tree changes: each change notes what it touched, and the next update brings only that
// part up to date (a renamed theme, the branch of a theme whose subthemes changed). A change of
// link groups or of the whole tree gathers everything again.
class GoToNames : public QObject
{
    Q_OBJECT
public:
    GoToNames(LinkListView *tree, QObject *parent);

    // Whether the list matches the tree without an update.
    bool isCurrent() const { return m_gathered && m_changedLists.empty() && m_renamed.isEmpty(); }
    // Brings the list up to date with the tree, which must be stable.
    void update();
    const std::vector<ColorListViewItem *> &themes() const { return m_themes; }
    const ThemeMatcher::FoldedNames &names() const { return m_names; }

Q_SIGNALS:
    // The tree changed: a list shown from the kept themes may be out of date.
    void changed();

private:
    void note(QTreeWidgetItem *changedList, ColorListViewItem *placed);
    void forget();
    void gatherAll();
    // Lists again the subthemes of `owner`, kept from `first` on at depth below `depth`: the
    // branches of subthemes it had are taken over, new ones are walked. `kept` follows the list:
    // where each name stands in the old names, or -1 for a name to fold.
    void listAgain(ColorListViewItem *owner, size_t first, int depth, std::vector<int> &kept);

    LinkListView *m_tree;
    bool m_gathered = false;
    std::vector<ColorListViewItem *> m_themes;
    std::vector<int> m_depths; // each theme's depth below the root
    ThemeMatcher::FoldedNames m_names;
    ThemeMatcher::FoldedNames m_spareNames;
    std::vector<QTreeWidgetItem *> m_changedLists;
    QSet<ColorListViewItem *> m_renamed;
    // Themes placed or taken out since: a branch that left may have changed while out of the tree.
    QSet<ColorListViewItem *> m_placed;
};
