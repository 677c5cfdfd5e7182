#include "find/FindWalk.h"

#include "model/Theme.h"

#include <algorithm>

bool FindWalk::holdsWay(const Theme *theme) const
{
    // From the top down, so that a theme is looked at only once its parent is known to hold it.
    if (m_way.empty() || m_way.front().theme->parent())
        return false;
    for (size_t k = 1; k < m_way.size(); ++k) {
        const Theme *parent = m_way[k - 1].theme;
        if (m_way[k].index >= parent->childCount() ||
            parent->child(m_way[k].index) != m_way[k].theme)
            return false;
    }
    return m_way.back().theme == theme;
}

void FindWalk::standOn(Theme *theme)
{
    if (holdsWay(theme))
        return;
    m_way.clear();
    for (; theme->parent(); theme = theme->parent())
        m_way.push_back({theme, theme->row()});
    m_way.push_back({theme, 0});
    std::reverse(m_way.begin(), m_way.end());
}

void FindWalk::descendToLast()
{
    for (Theme *theme = m_way.back().theme; theme->childCount() > 0; theme = m_way.back().theme)
        m_way.push_back({theme->child(theme->childCount() - 1), theme->childCount() - 1});
}

bool FindWalk::advance(const Theme *scopeRoot, int scope, bool backwards, bool &wrapped)
{
    if (scope == 1) {
        wrapped = true;
        return true;
    }
    Theme *current = m_way.back().theme;
    const bool atRoot = current == scopeRoot;
    if (atRoot)
        wrapped = true;
    if (backwards) {
        if (atRoot) {
            if (current->childCount() == 0)
                return false;
            descendToLast();
            return true;
        }
        Level &level = m_way.back();
        Theme *parent = current->parent();
        if (!parent)
            return false;
        if (level.index == 0) {
            m_way.pop_back();
        } else {
            level.theme = parent->child(--level.index);
            descendToLast();
        }
        return true;
    }
    if (current->childCount() > 0) {
        m_way.push_back({current->child(0), 0});
        return true;
    }
    // A scope root without subthemes follows itself: the walk never leaves its scope.
    if (atRoot)
        return true;
    for (;;) {
        Level &level = m_way.back();
        Theme *parent = level.theme->parent();
        if (!parent)
            return true; // a theme outside every parent follows itself
        if (level.index + 1 < parent->childCount()) {
            level.theme = parent->child(++level.index);
            return true;
        }
        m_way.pop_back();
        if (m_way.back().theme == scopeRoot) {
            // Climbing up to the root of all themes: the last theme of the tree is behind.
            if (scope == 3)
                wrapped = true;
            return true;
        }
    }
}
