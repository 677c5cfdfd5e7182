// Inserting new themes above, below and into the current one, the context menus, and the checks
// every editing command starts with. Each new theme is dated today and opened for renaming.
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

    m_pasteKindMenu = new QMenu(this);
    checkPointer(m_pasteKindMenu, QStringLiteral("1006"));
    m_pasteKindMenu->addAction(tr("Ordinar (Обычная)"), this, &LinkListView::pmTreeInsert_Ordinar)
            ->setData(1);
    m_pasteKindMenu->addAction(tr("Link (Ссылка)"), this, &LinkListView::pmTreeInsert_Link)
            ->setData(2);
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

ColorListViewItem *LinkListView::editableCurrent(bool belowRoot)
{
    // A null item only stands for the children of its link group: a theme put beside or below it
    // would never be saved.
    ColorListViewItem *current = currentTheme();
    if (!editableTheme(current, belowRoot)) {
        refuse();
        return nullptr;
    }
    return current;
}

bool LinkListView::editableTheme(const ColorListViewItem *theme, bool belowRoot) const
{
    return theme && !theme->isNullItem() &&
           !(belowRoot && (theme == m_rootTheme || !theme->parentTheme()));
}

ColorListViewItem *LinkListView::insertedTheme(ColorListViewItem *parent)
{
    ColorListViewItem *created = createChild(parent, QString(), QString(), QString());
    stampDate(created);
    return created;
}

void LinkListView::menuTreeInsert_Up()
{
    UndoStep step(this, QT_TR_NOOP("Insert Up"));
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    ColorListViewItem *created;
    {
        Busy busy(this);
        QTreeWidgetItem *parent = current->parent();
        const int index = parent->indexOfChild(current);
        ColorListViewItem *before =
                index > 0 ? ColorListViewItem::themeOf(parent->child(index - 1)) : nullptr;
        created = insertedTheme(current->parentTheme());
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
    UndoStep step(this, QT_TR_NOOP("Insert Down"));
    ColorListViewItem *current = editableCurrent();
    if (!current)
        return;
    ColorListViewItem *created;
    {
        Busy busy(this);
        created = insertedTheme(current->parentTheme());
        moveAfter(created, current);
    }
    scrollToItem(created);
    setCurrentItem(created);
    startRenaming(created);
    Q_EMIT dataChanged();
}

void LinkListView::menuTreeInsert_Into()
{
    UndoStep step(this, QT_TR_NOOP("Insert Into"));
    ColorListViewItem *current = editableCurrent(false);
    if (!current)
        return;
    // A member of a link group first takes the group's children; where it cannot (the holder is
    // its ancestor), the new theme goes to the holder, since a link's own children are not saved.
    _expanded(current);
    ColorListViewItem *created;
    {
        Busy busy(this);
        created = insertedTheme(holderOrSelf(current));
    }
    scrollToItem(created);
    setCurrentItem(created);
    startRenaming(created);
    Q_EMIT dataChanged();
}
