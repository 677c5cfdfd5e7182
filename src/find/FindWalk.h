#pragma once

#include <vector>

class Theme;

// The walk of a search from theme to theme in preorder through its scope, over the themes'
// own lists of subthemes: a link group's subthemes are met once, under the member that holds
// them. It keeps the index of every theme on the way from the top, so that a step to a sibling
// costs the same however many siblings there are.
class FindWalk
{
public:
    // Makes the theme the one the walk stands on, keeping the way down to it when the tree
    // still holds it.
    void standOn(Theme *theme);
    Theme *theme() const { return m_way.empty() ? nullptr : m_way.back().theme; }
    // Forgets the way: its themes are gone with the tree they stood in.
    void clear() { m_way.clear(); }

    // Moves to the next theme of the scope below `scopeRoot` (1 the theme, 2 with subthemes,
    // 3 all themes). Sets `wrapped` when the walk passes the end of its scope and starts again.
    // False when there is nowhere to go: backwards from a scope root without subthemes.
    bool advance(const Theme *scopeRoot, int scope, bool backwards, bool &wrapped);

private:
    struct Level
    {
        Theme *theme;
        int index; // among the parent's children (0 for the top)
    };
    bool holdsWay(const Theme *theme) const;
    void descendToLast();

    std::vector<Level> m_way;
};
