#include "find/FindWalk.h"

#include "tree/ColorListViewItem.h"

#include <QTreeWidget>

#include <algorithm>

bool FindWalk::holdsWay(QTreeWidget *tree, const QTreeWidgetItem *theme) const
{
    // From the top down, so that an item is looked at only once its parent is known to hold it.
    if (m_way.empty() || tree->topLevelItem(m_way.front().index) != m_way.front().item)
        return false;
    for (size_t k = 1; k < m_way.size(); ++k)
        if (m_way[k - 1].item->child(m_way[k].index) != m_way[k].item)
            return false;
    return m_way.back().item == theme;
}

void FindWalk::standOn(QTreeWidget *tree, ColorListViewItem *theme)
{
    if (holdsWay(tree, theme))
        return;
    m_way.clear();
    QTreeWidgetItem *item = theme;
    for (QTreeWidgetItem *parent = item->parent(); parent; item = parent, parent = item->parent())
        m_way.push_back({item, parent->indexOfChild(item)});
    m_way.push_back({item, tree->indexOfTopLevelItem(item)});
    std::reverse(m_way.begin(), m_way.end());
}

ColorListViewItem *FindWalk::theme() const
{
    return m_way.empty() ? nullptr : ColorListViewItem::themeOf(m_way.back().item);
}

void FindWalk::descendToLast()
{
    for (QTreeWidgetItem *item = m_way.back().item; item->childCount() > 0;
         item = m_way.back().item)
        m_way.push_back({item->child(item->childCount() - 1), item->childCount() - 1});
}

bool FindWalk::advance(const ColorListViewItem *scopeRoot, int scope, bool backwards, bool &wrapped)
{
    if (scope == 1) {
        wrapped = true;
        return true;
    }
    QTreeWidgetItem *current = m_way.back().item;
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
        QTreeWidgetItem *parent = current->parent();
        if (!parent)
            return false;
        if (level.index == 0) {
            m_way.pop_back();
        } else {
            level.item = parent->child(--level.index);
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
        QTreeWidgetItem *parent = level.item->parent();
        if (!parent)
            return true; // a theme outside every parent follows itself
        if (level.index + 1 < parent->childCount()) {
            level.item = parent->child(++level.index);
            return true;
        }
        m_way.pop_back();
        if (m_way.back().item == scopeRoot) {
            // Climbing up to the root of all themes: the last theme of the tree is behind.
            if (scope == 3)
                wrapped = true;
            return true;
        }
    }
}
