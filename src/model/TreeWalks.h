#pragma once

#include <algorithm>
#include <vector>

// The walks every tree of themes shares, whatever its nodes are: owners answer childCount() and
// child(index).

// Walks below `top` in preorder without recursion, so that a tree millions of levels deep cannot
// exhaust the stack. `childrenOf(node)` names the owner whose children stand for the node's
// subthemes, or null when the walk must not enter the node; `nodeOf(child)` gives the node of a
// child, or null for a child to skip. `visit(node, depth, siblingIndex)` sees every node met;
// depth 1 is a child of top, and siblingIndex counts the position in its list from 0.
template<typename Node, typename NodeOf, typename ChildrenOf, typename Visit>
void walkPreorder(Node *top, NodeOf nodeOf, ChildrenOf childrenOf, Visit visit)
{
    using Owner = decltype(childrenOf(top));
    struct Level
    {
        Owner owner;
        int next;
    };
    Owner first = childrenOf(top);
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
        Node *node = nodeOf(level.owner->child(index));
        if (!node)
            continue;
        visit(node, int(levels.size()), index);
        if (Owner owner = childrenOf(node); owner && owner->childCount() > 0)
            levels.push_back({owner, 0});
    }
}

// True when `target` is met on the path that starts at `start` and climbs through the parents,
// each parent resolved to its mark theme. A file can put a mark theme below one of its own links;
// the climb then meets that mark a second time and goes on from the link itself, so it ends.
template<typename Node, typename ParentOf, typename Resolve>
bool resolvedClimbMeets(Node *start, const Node *target, ParentOf parentOf, Resolve resolve)
{
    std::vector<Node *> marksReached;
    for (Node *step = start; step;) {
        if (step == target)
            return true;
        Node *parent = parentOf(step);
        Node *resolved = resolve(parent);
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
