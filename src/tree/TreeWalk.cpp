#include "tree/TreeWalk.h"

#include "tree/LinkListView.h"

#include <algorithm>

QTreeWidgetItem *heldChildren(LinkListView &view, ColorListViewItem *theme)
{
    if (theme->linkId() >= 0)
        return view.holderOrSelf(theme);
    // A link that is not its group's holder shows its null item, and whatever themes a hand-made
    // file put under it besides: those are its own.
    return view.holderOrSelf(theme) == theme ? nullptr : theme;
}

bool resolvedClimbMeets(LinkListView &view, ColorListViewItem *start,
                        const ColorListViewItem *target)
{
    std::vector<ColorListViewItem *> marksReached;
    for (ColorListViewItem *step = start; step;) {
        if (step == target)
            return true;
        ColorListViewItem *parent = step->parentTheme();
        ColorListViewItem *resolved = view.resolve(parent);
        if (resolved != parent) {
            if (std::find(marksReached.begin(), marksReached.end(), resolved) != marksReached.end())
                resolved = parent;
            else
                marksReached.push_back(resolved);
        }
        step = resolved;
    }
    return false;
}
