// Cut, copy, the three kinds of paste, and delete.
#include "tree/LinkListView.h"

#include "common/Clock.h"
#include "tree/TreeWalk.h"

#include <QMenu>

#include <cstdlib>
#include <vector>

void LinkListView::menuCut()
{
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    m_copySource = nullptr;
    m_cutSource = current;
    Q_EMIT stateChanged();
}

void LinkListView::menuCopy()
{
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    m_cutSource = nullptr;
    m_copySource = current;
}

void LinkListView::menuPaste()
{
    UndoStep step(this, QT_TR_NOOP("Paste"));
    ColorListViewItem *current = editableCurrent(false);
    if (!current)
        return;
    ColorListViewItem *moved = m_cutSource;
    if (!moved) {
        if (!m_copySource) {
            refuse();
            return;
        }
        const QRect rect = visualItemRect(current);
        m_pasteKindMenu->popup(viewport()->mapToGlobal(rect.bottomLeft()));
        return;
    }
    if (pasteRefused(moved, current)) {
        refuse();
        return;
    }
    ColorListViewItem *holder = makeHolder(current);
    setCurrentItem(holder);
    takeTheme(moved);
    insertTheme(holder, 0, moved);
    holder->setExpanded(true);
    scrollToItem(holder);
    m_copySource = moved;
    m_cutSource = nullptr;
    Q_EMIT stateChanged();
    Q_EMIT dataChanged();
}

bool LinkListView::pasteRefused(ColorListViewItem *moved, ColorListViewItem *target)
{
    // Not into its own branch, nor into a link whose mark theme lies in that branch.
    return isAncestorOrSelf(moved, target) || resolvedAncestry(target, moved);
}

ColorListViewItem *LinkListView::copyPasteTarget()
{
    ColorListViewItem *current = editableCurrent(false);
    if (current && !m_copySource) {
        refuse();
        return nullptr;
    }
    return current;
}

void LinkListView::pmTreeInsert_Link()
{
    UndoStep step(this, QT_TR_NOOP("Paste Link"));
    ColorListViewItem *source = m_copySource;
    ColorListViewItem *current = copyPasteTarget();
    if (!current)
        return;
    const int mark = source->linkId() != 0 ? std::abs(source->linkId()) : joinGroup(source, 0);
    if (mark == 0)
        return;
    // The new link goes where the group's children are: a link's own children are not saved.
    ColorListViewItem *holder = makeHolder(current);
    ColorListViewItem *created;
    {
        Busy busy(this);
        ColorListViewItem *last = holder->childTheme(holder->childCount() - 1);
        created = createChild(holder, QString(), QString(), QString());
        if (last)
            moveAfter(created, last);
    }
    stampDate(created);
    renameTheme(created, source->name());
    joinGroup(created, -mark);
    scrollToItem(current);
    Q_EMIT dataChanged();
}

void LinkListView::pmTreeInsert_Ordinar()
{
    UndoStep step(this, QT_TR_NOOP("Paste Copy"));
    ColorListViewItem *source = m_copySource;
    ColorListViewItem *current = copyPasteTarget();
    if (!current)
        return;
    ColorListViewItem *original = resolve(source);
    makeHolder(original);
    ColorListViewItem *copy = deepCopy(original);
    if (original != source)
        renameTheme(copy, source->name());
    insertTheme(holderOrSelf(current), 0, copy);
    stampDate(copy);
    scrollToItem(current);
    Q_EMIT dataChanged();
}

ColorListViewItem *LinkListView::deepCopy(ColorListViewItem *source)
{
    // Built outside the tree, without recursion (a branch can be very deep), and joined to the
    // tree by the caller in one step. A link is copied as another link of its group, without its
    // null item; a mark theme is copied as an ordinary theme with its group's children.
    struct Level
    {
        ColorListViewItem *source;
        ColorListViewItem *copy;
        int next;
    };
    std::vector<Level> levels;
    const QDate today = Clock::today(); // asked once: the clock is slow to ask per theme
    auto begin = [&](ColorListViewItem *from, ColorListViewItem *to) {
        ++m_busyDepth;
        renameTheme(to, from->name());
        if (from->linkId() < 0) {
            joinGroup(to, from->linkId());
            return false;
        }
        setDescription(to, description(from, false), false);
        setThemeDate(to, today);
        if (from->linkId() > 0)
            makeHolder(from);
        levels.push_back({from, to, 0});
        return true;
    };
    auto end = [&] {
        --m_busyDepth;
        Q_EMIT dataChanged();
    };
    ColorListViewItem *top = createDetachedTheme();
    if (!begin(source, top))
        end();
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next >= level.source->childCount()) {
            levels.pop_back();
            end();
            continue;
        }
        ColorListViewItem *child = level.source->childTheme(level.next++);
        if (!child || child->isNullItem())
            continue;
        ColorListViewItem *copy = appendChild(level.copy, QString());
        setThemeDate(copy, today);
        if (!begin(child, copy))
            end();
    }
    return top;
}

void LinkListView::menuDelete()
{
    UndoStep step(this, QT_TR_NOOP("Delete"));
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    ColorListViewItem *parent = current->parentTheme();
    const int index = parent->indexOfChild(current);
    // The next sibling in sight, else the one before, else the parent: a filtered tree hides
    // some of them.
    const QModelIndex parentRow = rowIndex(parent);
    ColorListViewItem *stays = nullptr;
    for (int i = index + 1; !stays && i < parent->childCount(); ++i)
        if (!isRowHidden(i, parentRow))
            stays = parent->childTheme(i);
    for (int i = index - 1; !stays && i >= 0; --i)
        if (!isRowHidden(i, parentRow))
            stays = parent->childTheme(i);
    if (!stays || stays->isNullItem()) // beside the themes a hand-made file put under a link
        stays = parent;
    setCurrentItem(stays);
    deleteBranch(current);
    scrollToItem(stays);
    Q_EMIT stateChanged();
    Q_EMIT dataChanged();
}
