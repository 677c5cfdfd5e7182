#pragma once

#include "tree/ColorListViewItem.h"

#include <vector>

// Walks below `top` in preorder without recursion, so that a tree millions of levels deep cannot
// exhaust the stack. `childrenOf(theme)` names the item whose children stand for the theme's
// subthemes (the holder of its link group), or null when the walk must not enter the theme.
// `visit(theme, depth, siblingIndex)` sees every theme met; depth 1 is a child of top, and
// siblingIndex counts the position in its list from 0. Children that are not themes are skipped.
template<typename ChildrenOf, typename Visit>
void walkBranch(ColorListViewItem *top, ChildrenOf childrenOf, Visit visit)
{
    struct Level
    {
        QTreeWidgetItem *owner;
        int next;
    };
    QTreeWidgetItem *first = childrenOf(top);
    if (!first)
        return;
    std::vector<Level> levels{{first, 0}};
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next >= level.owner->childCount()) {
            levels.pop_back();
            continue;
        }
        const int index = level.next++;
        ColorListViewItem *theme = ColorListViewItem::themeOf(level.owner->child(index));
        if (!theme)
            continue;
        visit(theme, int(levels.size()), index);
        if (QTreeWidgetItem *owner = childrenOf(theme); owner && owner->childCount() > 0)
            levels.push_back({owner, 0});
    }
}
