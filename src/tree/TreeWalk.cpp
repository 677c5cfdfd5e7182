#include "tree/TreeWalk.h"

#include "tree/LinkListView.h"

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
    return resolvedClimbMeets(
            start, target, [](ColorListViewItem *theme) { return theme->parentTheme(); },
            [&view](ColorListViewItem *theme) { return view.resolve(theme); });
}

int destroyDetachedBranch(QTreeWidgetItem *top)
{
    // Taking a theme's children only once they are all leaves keeps it linear in the size of
    // the branch.
    int destroyed = 1;
    std::vector<std::pair<QTreeWidgetItem *, int>> frames{{top, 0}};
    while (!frames.empty()) {
        auto &[item, next] = frames.back();
        if (next < item->childCount()) {
            QTreeWidgetItem *child = item->child(next++);
            frames.push_back({child, 0});
            continue;
        }
        destroyed += item->childCount();
        qDeleteAll(item->takeChildren());
        frames.pop_back();
    }
    delete top;
    return destroyed;
}
