// A theme dropped with the mouse: a cut and paste, a paste as copy or a paste as link into the
// target (or its parent, and then beside the target), with the paste commands' own checks.
#include "tree/LinkListView.h"

#include "tree/TreeWalk.h"

ColorListViewItem *LinkListView::dropParent(ColorListViewItem *target, DropPlace place)
{
    if (!editableTheme(target, place != DropPlace::Into))
        return nullptr;
    if (place == DropPlace::Into)
        return target;
    // Beside the target only where its parent holds its own children: a paste into a link whose
    // group is held elsewhere would land away from the target.
    ColorListViewItem *parent = target->parentTheme();
    return holderOrSelf(parent) == parent ? parent : nullptr;
}

bool LinkListView::canDrop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                           DropKind kind)
{
    // A row of another tree's model names its item just as well.
    return canDropTheme(themeAt(dragged), themeAt(target), place, kind);
}

bool LinkListView::takesFiles(const QModelIndex &target)
{
    return dropParent(themeAt(target), DropPlace::Into);
}

void LinkListView::drop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                        DropKind kind)
{
    dropTheme(themeAt(dragged), themeAt(target), place, kind);
}

bool LinkListView::canDropTheme(ColorListViewItem *dragged, ColorListViewItem *target,
                                DropPlace place, DropKind kind)
{
    // What cut and copy refuse cannot be dragged: the root and null items.
    ColorListViewItem *parent = dropParent(target, place);
    if (!parent || !editableTheme(dragged, true))
        return false;
    if (kind != DropKind::Move)
        return true;
    // A theme dropped on its own row or below it would go into its own branch.
    return !isAncestorOrSelf(dragged, target) && !pasteRefused(dragged, parent);
}

void LinkListView::dropTheme(ColorListViewItem *dragged, ColorListViewItem *target, DropPlace place,
                             DropKind kind)
{
    if (!canDropTheme(dragged, target, place, kind))
        return;
    UndoStep step(this, QT_TR_NOOP("Drag and Drop"));
    ColorListViewItem *parent = dropParent(target, place);
    // A drag leaves what was cut or copied by the keys as it was.
    ColorListViewItem *const cut = m_cutSource;
    ColorListViewItem *const copied = m_copySource;
    m_cutSource = kind == DropKind::Move ? dragged : nullptr;
    m_copySource = kind == DropKind::Move ? nullptr : dragged;
    setCurrentItem(parent);
    ColorListViewItem *pasted = dragged;
    if (kind == DropKind::Move) {
        menuPaste();
    } else if (kind == DropKind::Copy) {
        pmTreeInsert_Ordinar();
        pasted = holderOrSelf(parent)->childTheme(0);
    } else {
        // The link comes last among the group's children, unless the storage refused the mark.
        const int count = holderOrSelf(parent)->childCount();
        pmTreeInsert_Link();
        ColorListViewItem *holder = holderOrSelf(parent);
        pasted = holder->childCount() > count ? holder->childTheme(holder->childCount() - 1)
                                              : nullptr;
    }
    m_cutSource = cut;
    m_copySource = copied;
    if (!pasted)
        return;
    placeDropped(pasted, target, place);
    setCurrentItem(pasted);
    scrollToItem(pasted);
    Q_EMIT stateChanged();
}

void LinkListView::placeDropped(ColorListViewItem *pasted, ColorListViewItem *target,
                                DropPlace place)
{
    ColorListViewItem *parent = target->parentTheme();
    if (place == DropPlace::Into || !pasted || !parent)
        return;
    if (place == DropPlace::After) {
        moveAfter(pasted, target);
        return;
    }
    const int index = parent->indexOfChild(target);
    ColorListViewItem *before = index > 0 ? parent->childTheme(index - 1) : nullptr;
    if (before != pasted)
        moveAfter(pasted, before, parent);
}
