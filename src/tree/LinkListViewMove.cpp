// Moving the current theme in four directions and pulling all its children out. The current
// theme's place in the tree changes; its branch goes along unchanged.
#include "tree/LinkListView.h"

void LinkListView::menuMove_Left()
{
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    ColorListViewItem *parent = current->parentTheme();
    ColorListViewItem *grandparent = parent->parentTheme();
    // A link's children are its group's, which belong under the group and nowhere else.
    if (parent == m_rootTheme || !grandparent || parent->linkId() < 0) {
        refuse();
        return;
    }
    const int index = parent->indexOfChild(current);
    const int parentIndex = grandparent->indexOfChild(parent);
    ColorListViewItem *next = parent->childTheme(index + 1);
    ColorListViewItem *previous = index > 0 ? parent->childTheme(index - 1) : nullptr;
    ColorListViewItem *beforeParent =
            parentIndex > 0 ? grandparent->childTheme(parentIndex - 1) : nullptr;
    // The current theme stays at the old place, so that repeated use moves the children out one
    // after the other; the placement flag carries the direction over to the last of them.
    ColorListViewItem *stays;
    ColorListViewItem *anchor;
    if (next) {
        stays = next;
        anchor = beforeParent;
        m_moveLeftPlacement = true;
    } else if (previous) {
        stays = previous;
        anchor = parent;
        m_moveLeftPlacement = false;
    } else {
        stays = parent;
        anchor = m_moveLeftPlacement ? beforeParent : parent;
    }
    setCurrentItem(stays);
    moveAfter(current, anchor, grandparent);
    scrollToItem(stays);
    Q_EMIT stateChanged();
    Q_EMIT dataChanged();
}

void LinkListView::menuMove_Right()
{
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    ColorListViewItem *parent = current->parentTheme();
    const int index = parent->indexOfChild(current);
    ColorListViewItem *previous = index > 0 ? parent->childTheme(index - 1) : nullptr;
    ColorListViewItem *created = insertedTheme(parent);
    if (previous)
        moveAfter(created, previous);
    setCurrentItem(created);
    moveAfter(current, nullptr, created);
    scrollToItem(created);
    created->setExpanded(true);
    startRenaming(created);
    scrollToItem(created);
    Q_EMIT stateChanged();
    Q_EMIT dataChanged();
}

void LinkListView::menuMove_Up()
{
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    ColorListViewItem *parent = current->parentTheme();
    const int index = parent->indexOfChild(current);
    // A null item stays first: a link that leaves its group drops its first child if it is one.
    ColorListViewItem *previous = parent->childTheme(index - 1);
    if (previous && !previous->isNullItem())
        moveAfter(current, index > 1 ? parent->childTheme(index - 2) : nullptr, parent);
    setCurrentItem(current);
    scrollToItem(current);
    Q_EMIT dataChanged();
}

void LinkListView::menuMove_Down()
{
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    ColorListViewItem *parent = current->parentTheme();
    if (ColorListViewItem *next = parent->childTheme(parent->indexOfChild(current) + 1))
        moveAfter(current, next);
    setCurrentItem(current);
    scrollToItem(current);
    Q_EMIT dataChanged();
}

void LinkListView::menuAllChildOut()
{
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    // A mark theme first takes its group's children back. When they stay with a holder above it,
    // the mark theme has only its null item, which must not stand among ordinary themes.
    if (current->linkId() < 0 || makeHolder(current) != current) {
        refuse();
        return;
    }
    moveChildrenAfter(current, current);
    Q_EMIT stateChanged();
    Q_EMIT dataChanged();
}
