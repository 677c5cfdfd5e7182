#pragma once

#include <QTreeWidgetItem>

#include <vector>

class ColorListViewItem;
class QTreeWidget;

// The walk of a search from theme to theme in preorder through its scope. It keeps the index
// of every theme on the way from the top, so that a step to a sibling costs the same however
// many siblings there are.
class FindWalk
{
public:
    // Makes the theme the one the walk stands on, keeping the way down to it when the tree
    // still holds it.
    void standOn(QTreeWidget *tree, ColorListViewItem *theme);
    ColorListViewItem *theme() const;

    // Moves to the next theme of the scope below `scopeRoot` (1 the theme, 2 with subthemes,
    // 3 all themes). Sets `wrapped` when the walk passes the end of its scope and starts again.
    // False when there is nowhere to go: backwards from a scope root without subthemes.
    bool advance(const ColorListViewItem *scopeRoot, int scope, bool backwards, bool &wrapped);

private:
    struct Level
    {
        QTreeWidgetItem *item;
        int index; // among the parent's children, or among the top-level items
    };
    bool holdsWay(QTreeWidget *tree, const QTreeWidgetItem *theme) const;
    void descendToLast();

    std::vector<Level> m_way;
};
