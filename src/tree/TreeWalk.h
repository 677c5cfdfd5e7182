#pragma once

#include "model/TreeWalks.h"
#include "tree/ColorListViewItem.h"

#include <QAbstractItemModel>

#include <vector>

class LinkListView;

// The tree-walking rules, each written once: the walk itself, the held-children rule of link
// groups, the ancestor test and the climb that resolves links on its way up.

// True when `ancestor` is the item itself or lies on the item's path to the top.
inline bool isAncestorOrSelf(const QTreeWidgetItem *ancestor, const QTreeWidgetItem *item)
{
    for (; item; item = item->parent())
        if (item == ancestor)
            return true;
    return false;
}

// The item whose children stand for the theme's subthemes: the holder of its link group. A link
// theme holding its group's children gives null: they belong to the mark theme and are met
// there. Any other link gives itself (its null item, to be skipped, and any themes of its own).
QTreeWidgetItem *heldChildren(LinkListView &view, ColorListViewItem *theme);

// True when `target` is met on the path that starts at `start` and climbs through the parents,
// each parent resolved to its mark theme. A file can put a mark theme below one of its own links;
// the climb then meets that mark a second time and goes on from the link itself, so it ends.
bool resolvedClimbMeets(LinkListView &view, ColorListViewItem *start,
                        const ColorListViewItem *target);

// Destroys a branch that is in no tree any more, bottom-up and without recursion, so that no
// theme is destroyed with children still under it and a very deep branch cannot exhaust the
// stack; the number of items destroyed.
int destroyDetachedBranch(QTreeWidgetItem *top);

// Walks below `top` in preorder without recursion (walkPreorder). `childrenOf(theme)` names the
// item whose children stand for the theme's subthemes (the holder of its link group), or null
// when the walk must not enter the theme. Children that are not themes are skipped.
template<typename ChildrenOf, typename Visit>
void walkBranch(ColorListViewItem *top, ChildrenOf childrenOf, Visit visit)
{
    walkPreorder(top, ColorListViewItem::themeOf, childrenOf, visit);
}

// Visits the rows first..last under `parent` of a model and the rows below them in preorder,
// without recursion, with each row's parent and depth (0 for the rows first..last); `visit`
// returns whether to go below the row.
template<typename Visit>
void walkModelRows(const QAbstractItemModel &model, const QModelIndex &parent, int first, int last,
                   Visit visit)
{
    struct Level
    {
        QModelIndex parent;
        int next;
        int last;
    };
    std::vector<Level> levels{{parent, first, last}};
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next > level.last) {
            levels.pop_back();
            continue;
        }
        const QModelIndex above = level.parent;
        const QModelIndex index = model.index(level.next++, 0, above);
        if (visit(index, above, int(levels.size()) - 1))
            if (const int rows = model.rowCount(index); rows > 0)
                levels.push_back({index, 0, rows - 1});
    }
}

// The subthemes of `top` as a file holds them: top's own children, and below each of them the
// children its group's holder carries; link themes are not entered.
template<typename Visit>
void walkHeldBranch(LinkListView &view, ColorListViewItem *top, Visit visit)
{
    walkBranch(
            top,
            [&](ColorListViewItem *theme) -> QTreeWidgetItem * {
                return theme == top ? theme : heldChildren(view, theme);
            },
            visit);
}
