// The view's side of link groups: resolving links, moving a group's children to its holder,
// null items, and expansion making the expanded member the holder.
#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Messages.h"

#include <QCoreApplication>
#include <QScrollBar>

ColorListViewItem *LinkListView::resolve(ColorListViewItem *theme)
{
    if (theme && theme->linkId() < 0)
        if (ColorListViewItem *mark = m_storage.markThemeOf(theme->linkId()))
            return mark;
    return theme;
}

ColorListViewItem *LinkListView::holderOrSelf(ColorListViewItem *theme)
{
    if (!theme || theme->linkId() == 0)
        return theme;
    ColorListViewItem *holder = m_storage.holderOf(theme->linkId());
    return holder ? holder : theme;
}

ColorListViewItem *LinkListView::makeHolder(ColorListViewItem *theme)
{
    return m_storage.makeHolder(theme->linkId(), theme);
}

bool LinkListView::resolvedAncestry(ColorListViewItem *theme, ColorListViewItem *candidate)
{
    // A file can put a mark theme below one of its own links; the climb then meets that mark a
    // second time and goes on from the link itself, so it always ends.
    QList<ColorListViewItem *> marksReached;
    ColorListViewItem *step = resolve(theme);
    if (step != theme)
        marksReached.append(step);
    while (step) {
        if (step == candidate)
            return true;
        ColorListViewItem *parent = step->parentTheme();
        ColorListViewItem *resolved = resolve(parent);
        if (resolved != parent) {
            if (marksReached.contains(resolved))
                resolved = parent;
            else
                marksReached.append(resolved);
        }
        step = resolved;
    }
    return false;
}

bool LinkListView::isAncestorOrSelf(const QTreeWidgetItem *ancestor,
                                    const QTreeWidgetItem *item) const
{
    for (; item; item = item->parent())
        if (item == ancestor)
            return true;
    return false;
}

void LinkListView::storageChangeOwner(ColorListViewItem *oldHolder, ColorListViewItem *newHolder)
{
    if (isAncestorOrSelf(oldHolder, newHolder) || isAncestorOrSelf(newHolder, oldHolder)) {
        Messages::warning(this, QStringLiteral("error"),
                          QStringLiteral("Cannot exchange contents"));
        return;
    }
    const bool oldWasOpen = oldHolder->isExpanded();
    const bool newWasOpen = newHolder->isExpanded();
    oldHolder->setExpanded(false);
    newHolder->setExpanded(false);
    {
        Busy busy(this);
        const QList<QTreeWidgetItem *> heldChildren = oldHolder->takeChildren();
        const QList<QTreeWidgetItem *> formerChildren = newHolder->takeChildren();
        newHolder->addChildren(heldChildren);
        oldHolder->addChildren(formerChildren);
    }
    if (oldWasOpen && holderOrSelf(oldHolder) == oldHolder)
        oldHolder->setExpanded(true);
    if (newWasOpen && holderOrSelf(newHolder) == newHolder)
        newHolder->setExpanded(true);
}

void LinkListView::storageChangeId(ColorListViewItem *theme, int id)
{
    Busy busy(this);
    if (id == 0 && theme->linkId() < 0 && theme->childCount() > 0) {
        ColorListViewItem *nullItem = theme->childTheme(0);
        delete theme->takeChild(0);
        if (nullItem)
            --m_themeCount;
    }
    theme->setLinkId(id);
}

void LinkListView::insertNullItem(ColorListViewItem *theme)
{
    Busy busy(this);
    auto *nullItem = new ColorListViewItem(theme, QString(), QString(), QStringLiteral("NULL"));
    nullItem->setColumnValue(ColorListViewItem::NullItemSlot, 1);
    ++m_themeCount;
}

void LinkListView::_expanded(QTreeWidgetItem *item)
{
    ColorListViewItem *theme = ColorListViewItem::themeOf(item);
    if (!theme)
        return;
    ColorListViewItem *shown = theme;
    if (theme->linkId() != 0 && holderOrSelf(theme) != theme) {
        ColorListViewItem *holder = makeHolder(theme);
        if (holder == theme) {
            theme->setExpanded(true);
        } else {
            // The group's children live in an ancestor: they cannot move into its own branch.
            theme->setExpanded(false);
            setCurrentItem(holder);
            shown = holder;
        }
    }
    m_pendingExpansion = shown;
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(DeferredScrollEvent)));
}

void LinkListView::customEvent(QEvent *event)
{
    if (event->type() == DeferredScrollEvent)
        deferredScroll();
    else
        QTreeWidget::customEvent(event);
}

void LinkListView::deferredScroll()
{
    ColorListViewItem *theme = m_pendingExpansion;
    m_pendingExpansion = nullptr;
    Busy busy(this);
    if (!theme || !theme->isExpanded() || theme->childCount() == 0)
        return;
    const QRect themeRect = visualItemRect(theme);
    const QRect lastRect = visualItemRect(theme->child(theme->childCount() - 1));
    const int visibleHeight = viewport()->height();
    if (lastRect.isEmpty() || lastRect.bottom() <= visibleHeight)
        return;
    QScrollBar *bar = verticalScrollBar();
    const int top = bar->value() + themeRect.top();
    const int lastBottom = bar->value() + lastRect.bottom();
    bar->setValue(qMin(top, lastBottom - visibleHeight));
}

void LinkListView::gotoMark(int id)
{
    ColorListViewItem *mark = m_storage.markThemeOf(id);
    if (!mark || mark == currentTheme())
        return;
    setCurrentItem(mark);
    mark->setSelected(true);
}

void LinkListView::gotoMark()
{
    if (ColorListViewItem *theme = currentTheme())
        gotoMark(theme->linkId());
}
