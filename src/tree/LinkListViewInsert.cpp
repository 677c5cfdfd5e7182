// Inserting new themes above, below and into the current one, and the context menu that offers
// them. Each new theme is dated today and opened for renaming at once.
#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Messages.h"

#include <QContextMenuEvent>
#include <QMenu>

void LinkListView::buildMenus()
{
    m_contextMenu = new QMenu(this);
    checkPointer(m_contextMenu, QStringLiteral("1004"));
    QMenu *newMenu = m_contextMenu->addMenu(tr("New(Новая)"));
    checkPointer(newMenu, QStringLiteral("1005"));
    newMenu->setTearOffEnabled(true);
    newMenu->addAction(tr("Up (Выше)"), this, &LinkListView::menuTreeInsert_Up);
    newMenu->addAction(tr("Into (Внутрь)"), this, &LinkListView::menuTreeInsert_Into);
    newMenu->addAction(tr("Down (Ниже)"), this, &LinkListView::menuTreeInsert_Dn);
}

void LinkListView::contextMenuEvent(QContextMenuEvent *event)
{
    if (ColorListViewItem::themeOf(itemAt(event->pos())))
        m_contextMenu->popup(event->globalPos());
}

void LinkListView::refuse()
{
    Messages::warning(this, Messages::messageCaption(),
                      tr("Cannot do it\nНе могу выполнить операцию"));
}

void LinkListView::moveAfter(ColorListViewItem *theme, ColorListViewItem *anchor)
{
    QTreeWidgetItem *parent = theme->parent();
    if (!parent || anchor->parent() != parent)
        return;
    if (isAncestorOrSelf(theme, currentItem()))
        setCurrentItem(parent);
    parent->takeChild(parent->indexOfChild(theme));
    parent->insertChild(parent->indexOfChild(anchor) + 1, theme);
}

ColorListViewItem *LinkListView::currentBelowRoot()
{
    ColorListViewItem *current = currentTheme();
    if (!current || current == m_rootTheme || !current->parentTheme()) {
        refuse();
        return nullptr;
    }
    return current;
}

void LinkListView::menuTreeInsert_Up()
{
    ColorListViewItem *current = currentBelowRoot();
    if (!current)
        return;
    ColorListViewItem *created;
    {
        Busy busy(this);
        QTreeWidgetItem *parent = current->parent();
        const int index = parent->indexOfChild(current);
        ColorListViewItem *before =
                index > 0 ? ColorListViewItem::themeOf(parent->child(index - 1)) : nullptr;
        created = createChild(current->parentTheme(), QString(), QString(), QString());
        stampDate(created);
        if (before)
            moveAfter(created, before);
        setCurrentItem(created);
    }
    scrollToItem(created);
    startRenaming(created);
    Q_EMIT dataChanged();
}

void LinkListView::menuTreeInsert_Dn()
{
    ColorListViewItem *current = currentBelowRoot();
    if (!current)
        return;
    ColorListViewItem *created;
    {
        Busy busy(this);
        created = createChild(current->parentTheme(), QString(), QString(), QString());
        stampDate(created);
        moveAfter(created, current);
    }
    scrollToItem(created);
    setCurrentItem(created);
    startRenaming(created);
    Q_EMIT dataChanged();
}

void LinkListView::menuTreeInsert_Into()
{
    ColorListViewItem *current = currentTheme();
    if (!current) {
        refuse();
        return;
    }
    // A member of a link group first takes the group's children.
    _expanded(current);
    ColorListViewItem *created;
    {
        Busy busy(this);
        created = createChild(current, QString(), QString(), QString());
        stampDate(created);
    }
    scrollToItem(created);
    setCurrentItem(created);
    startRenaming(created);
    Q_EMIT dataChanged();
}
