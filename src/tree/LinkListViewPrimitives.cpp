// The primitives: the only code that changes the tree's content and its link groups. Commands
// are built from these, so that each command is a sequence of small changes that can be recorded
// and reversed one by one.
#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Messages.h"
#include "tree/TreeWalk.h"

#include <vector>

namespace {

ColorListViewItem *newTheme(const QString &name, const QString &description,
                            const QString &nullText)
{
    return new ColorListViewItem(static_cast<ColorListViewItem *>(nullptr), name, description,
                                 nullText);
}

} // namespace

void LinkListView::renameTheme(ColorListViewItem *theme, const QString &name)
{
    QString newName = name;
    const QString reminderName = reminderThemeName();
    if (!m_reminderTheme) {
        if (newName == reminderName)
            m_reminderTheme = theme;
    } else if (m_reminderTheme != theme) {
        if (newName == reminderName)
            newName = QLatin1Char('~') + newName;
    } else if (newName != reminderName) {
        dropReminderTheme();
    }
    Busy busy(this);
    theme->setName(newName);
}

void LinkListView::setDescription(ColorListViewItem *theme, const QString &text, bool stamp)
{
    Busy busy(this);
    ColorListViewItem *target = resolve(theme);
    target->setDescription(text);
    if (stamp)
        stampDate(target);
}

void LinkListView::setSavedCursor(ColorListViewItem *theme, int line, int column)
{
    Busy busy(this);
    ColorListViewItem *target = resolve(theme);
    target->setColumnValue(ColorListViewItem::CursorLineSlot, line);
    target->setColumnValue(ColorListViewItem::CursorColumnSlot, column);
}

void LinkListView::setThemeDate(ColorListViewItem *theme, const QDate &date)
{
    Busy busy(this);
    theme->setDate(date);
}

void LinkListView::stampDate(ColorListViewItem *theme)
{
    if (!checkPointer(theme, QStringLiteral("1008")))
        return;
    setThemeDate(theme, Clock::today());
}

void LinkListView::setSlotValue(ColorListViewItem *theme, int slot, int value)
{
    Busy busy(this);
    theme->setColumnValue(slot, value);
}

ColorListViewItem *LinkListView::createChild(ColorListViewItem *parent, const QString &name,
                                             const QString &description, const QString &nullText)
{
    ColorListViewItem *theme = newTheme(name, description, nullText);
    ++m_themeCount;
    parent->insertChild(0, theme);
    return theme;
}

ColorListViewItem *LinkListView::appendChild(ColorListViewItem *parent, const QString &name)
{
    ColorListViewItem *theme = newTheme(name, QString(), QString());
    ++m_themeCount;
    parent->addChild(theme);
    return theme;
}

ColorListViewItem *LinkListView::createDetachedTheme()
{
    ++m_themeCount;
    return newTheme(QString(), QString(), QString());
}

void LinkListView::takeTheme(ColorListViewItem *theme)
{
    QTreeWidgetItem *parent = theme->parent();
    if (!parent)
        return;
    if (isAncestorOrSelf(theme, currentItem()))
        setCurrentItem(parent);
    parent->takeChild(parent->indexOfChild(theme));
}

void LinkListView::insertTheme(ColorListViewItem *parent, int index, ColorListViewItem *theme)
{
    if (MY_ASSERT(!theme->parent() && index >= 0 && index <= parent->childCount(),
                  QStringLiteral("insertTheme")))
        parent->insertChild(index, theme);
}

void LinkListView::moveAfter(ColorListViewItem *theme, ColorListViewItem *anchor,
                             ColorListViewItem *parent)
{
    QTreeWidgetItem *list = anchor ? anchor->parent() : parent;
    if (!theme->parent() || !list || theme == anchor)
        return;
    takeTheme(theme);
    list->insertChild(anchor ? list->indexOfChild(anchor) + 1 : 0, theme);
}

void LinkListView::moveChildrenAfter(ColorListViewItem *from, ColorListViewItem *anchor)
{
    QTreeWidgetItem *list = anchor->parent();
    if (!list || from->childCount() == 0 || (anchor != from && isAncestorOrSelf(from, anchor)))
        return;
    QTreeWidgetItem *current = currentItem();
    if (current != from && isAncestorOrSelf(from, current))
        setCurrentItem(from);
    const QList<QTreeWidgetItem *> children = from->takeChildren();
    list->insertChildren(list->indexOfChild(anchor) + 1, children);
}

void LinkListView::exchangeChildren(ColorListViewItem *first, ColorListViewItem *second)
{
    Busy busy(this);
    const QList<QTreeWidgetItem *> firstChildren = first->takeChildren();
    const QList<QTreeWidgetItem *> secondChildren = second->takeChildren();
    second->addChildren(firstChildren);
    first->addChildren(secondChildren);
}

void LinkListView::detachBranch(ColorListViewItem *theme)
{
    if (!theme)
        return;
    // The branch leaves the toolkit's model in one step. Then, depth-first and without recursion,
    // each theme leaves its link group before its children are visited (so that the group's
    // children come back under it first), and is forgotten after them.
    closeBranch(theme);
    if (QTreeWidgetItem *parent = theme->parent())
        parent->takeChild(parent->indexOfChild(theme));
    else if (theme->treeWidget() == this)
        takeTopLevelItem(indexOfTopLevelItem(theme));
    struct Frame
    {
        ColorListViewItem *theme;
        int next = 0;
    };
    QSet<ColorListViewItem *> detached;
    std::vector<Frame> frames;
    auto enter = [&](ColorListViewItem *entered) {
        ++m_busyDepth;
        m_storage.remove(entered->linkId(), entered);
        frames.push_back({entered});
    };
    enter(theme);
    while (!frames.empty()) {
        Frame &frame = frames.back();
        if (frame.next < frame.theme->childCount()) {
            if (ColorListViewItem *child = frame.theme->childTheme(frame.next++))
                enter(child);
            continue;
        }
        ColorListViewItem *done = frame.theme;
        frames.pop_back();
        forgetDeletedTheme(done);
        Q_EMIT itemWillRemoved(done);
        if (!m_history.isEmpty())
            detached.insert(done);
        --m_busyDepth;
    }
    m_history.removeAll(detached);
}

void LinkListView::destroyBranch(ColorListViewItem *theme)
{
    if (!theme || !MY_ASSERT(!theme->parent() && !theme->treeWidget(), QStringLiteral("destroy")))
        return;
    // Bottom-up, so that no theme is destroyed with children still under it, and without
    // recursion, so that a very deep branch cannot exhaust the stack. Taking a theme's children
    // only once they are all leaves keeps it linear in the size of the branch.
    std::vector<std::pair<QTreeWidgetItem *, int>> frames{{theme, 0}};
    while (!frames.empty()) {
        auto &[item, next] = frames.back();
        if (next < item->childCount()) {
            QTreeWidgetItem *child = item->child(next++);
            frames.push_back({child, 0});
            continue;
        }
        m_themeCount -= item->childCount();
        qDeleteAll(item->takeChildren());
        frames.pop_back();
    }
    --m_themeCount;
    delete theme;
}

void LinkListView::deleteBranch(ColorListViewItem *theme)
{
    detachBranch(theme);
    destroyBranch(theme);
}

void LinkListView::forgetDeletedTheme(ColorListViewItem *theme)
{
    if (theme == m_cutSource)
        m_cutSource = nullptr;
    if (theme == m_copySource)
        m_copySource = nullptr;
    if (theme == m_pendingExpansion)
        m_pendingExpansion = nullptr;
    if (theme == m_reminderTheme)
        dropReminderTheme();
    if (theme == m_currentTheme)
        m_currentTheme = nullptr;
    if (theme == m_previousTheme)
        m_previousTheme = nullptr;
    if (theme == m_renameTarget)
        m_renameTarget = nullptr;
    if (theme == m_rootTheme)
        m_rootTheme = nullptr;
}

int LinkListView::joinGroup(ColorListViewItem *theme, int id)
{
    const int given = m_storage.insert(theme, id);
    setLinkId(theme, given);
    return given;
}

ColorListViewItem *LinkListView::makeHolder(ColorListViewItem *theme)
{
    return m_storage.makeHolder(theme->linkId(), theme);
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
    exchangeChildren(oldHolder, newHolder);
    // Themes that a hand-made file put under a link beside its null item join the group's
    // children: left with the null item under a theme that holds nothing, they would not be saved.
    std::vector<ColorListViewItem *> ownThemes;
    for (int i = 0; i < oldHolder->childCount(); ++i)
        if (ColorListViewItem *child = oldHolder->childTheme(i); child && !child->isNullItem())
            ownThemes.push_back(child);
    for (ColorListViewItem *theme : ownThemes)
        moveAfter(theme, newHolder->childTheme(newHolder->childCount() - 1), newHolder);
    if (oldWasOpen && holderOrSelf(oldHolder) == oldHolder)
        oldHolder->setExpanded(true);
    if (newWasOpen && holderOrSelf(newHolder) == newHolder)
        newHolder->setExpanded(true);
}

void LinkListView::storageChangeId(ColorListViewItem *theme, int id)
{
    Busy busy(this);
    // Only the null item goes: real themes under a link (a hand-made file can put them there)
    // stay as children of the theme that is no link any more.
    if (id == 0 && theme->linkId() < 0 && theme->childCount() > 0) {
        ColorListViewItem *first = theme->childTheme(0);
        if (first && first->isNullItem())
            dropNullItem(first);
    }
    setLinkId(theme, id);
}

void LinkListView::dropNullItem(ColorListViewItem *nullItem)
{
    // A placeholder, not a theme of the user's: nobody is told, but nothing may keep pointing to
    // it either.
    takeTheme(nullItem);
    forgetDeletedTheme(nullItem);
    m_history.removeAll({nullItem});
    destroyBranch(nullItem);
}

void LinkListView::insertNullItem(ColorListViewItem *theme)
{
    Busy busy(this);
    ColorListViewItem *nullItem = createChild(theme, QString(), QString(), QStringLiteral("NULL"));
    setSlotValue(nullItem, ColorListViewItem::NullItemSlot, 1);
}
