// The view's side of link groups: resolving links, and expansion making the expanded member the
// holder.
#include "tree/LinkListView.h"

#include "tree/ColumnWidthTracker.h"
#include "tree/TreeWalk.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QSignalBlocker>

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

bool LinkListView::resolvedAncestry(ColorListViewItem *theme, ColorListViewItem *candidate)
{
    return resolvedClimbMeets(*this, resolve(theme), candidate);
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
        } else if (!isAncestorOrSelf(theme, holder)) {
            // The group's children live in an ancestor: they cannot move into its own branch.
            theme->setExpanded(false);
            setCurrentItem(holder);
            shown = holder;
        }
        // A holder inside the theme's own branch (a hand-made file) stays where it is; the
        // theme stays open, since showing the holder needs it open.
    }
    m_pendingExpansion = shown;
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(DeferredScrollEvent)));
}

void LinkListView::openThemes(const std::vector<ColorListViewItem *> &themes)
{
    std::vector<ColorListViewItem *> links;
    changeOpenThemes([this, &themes, &links] {
        for (ColorListViewItem *theme : themes) {
            expand(indexFromItem(theme));
            if (theme->linkId() != 0)
                links.push_back(theme);
        }
    });
    // A link theme whose group lives in another member takes the group over, as on a click.
    ColorListViewItem *const pending = m_pendingExpansion;
    for (ColorListViewItem *theme : links)
        if (theme->isExpanded() && holderOrSelf(theme) != theme)
            _expanded(theme);
    m_pendingExpansion = pending;
}

void LinkListView::changeOpenThemes(const std::function<void()> &change)
{
    // With a layout pending the view only records an opened or closed theme; laid out, it
    // would search its rows for the theme and lay out the branch each time. The expansion
    // signals are held back: their handlers would post a scroll for each theme and the column
    // tracker would measure each branch, where one measure after the last change does.
    scheduleDelayedItemsLayout();
    {
        const QSignalBlocker quiet(this);
        change();
    }
    executeDelayedItemsLayout();
    m_columnWidths->measureNow();
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
    // Scrolling would close a name editor opened since the expansion (inserting into a closed
    // theme opens it and the editor at once).
    if (!theme || !theme->isExpanded() || theme->childCount() == 0 || m_renaming)
        return;
    const QRect themeRect = visualItemRect(theme);
    const QRect lastRect = visualItemRect(theme->child(theme->childCount() - 1));
    const int visibleHeight = viewport()->height();
    // The last subtheme whole: its bottom line is the row above the viewport's height.
    if (lastRect.isEmpty() || lastRect.bottom() < visibleHeight)
        return;
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + qMin(themeRect.top(), lastRect.bottom() + 1 - visibleHeight));
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
