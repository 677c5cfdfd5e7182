// The primitives: the only code that changes the tree's content and its link groups. Commands
// are built from these, so that each command is a sequence of small changes that can be recorded
// and reversed one by one.
#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Messages.h"
#include "tree/TreeUndo.h"
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
    m_undo->textChanging(theme, true, theme->name(), newName);
    theme->setName(newName);
}

void LinkListView::setDescription(ColorListViewItem *theme, const QString &text, bool stamp)
{
    Busy busy(this);
    ColorListViewItem *target = resolve(theme);
    m_undo->textChanging(target, false, target->description(), text);
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
    const int before = theme->columnValue(ColorListViewItem::DateSlot);
    theme->setDate(date);
    m_undo->slotChanged(theme, ColorListViewItem::DateSlot, before,
                        theme->columnValue(ColorListViewItem::DateSlot));
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
    const int before = theme->columnValue(slot);
    theme->setColumnValue(slot, value);
    m_undo->slotChanged(theme, slot, before, theme->columnValue(slot));
}

void LinkListView::setLinkId(ColorListViewItem *theme, int id)
{
    const int before = theme->linkId();
    theme->setLinkId(id);
    m_undo->slotChanged(theme, ColorListViewItem::LinkIdSlot, before, theme->linkId());
}

ColorListViewItem *LinkListView::createChild(ColorListViewItem *parent, const QString &name,
                                             const QString &description, const QString &nullText)
{
    ColorListViewItem *theme = newTheme(name, description, nullText);
    ++m_themeCount;
    m_undo->themeCreated(theme);
    m_undo->placing(theme, parent, 0, true);
    parent->insertChild(0, theme);
    return theme;
}

ColorListViewItem *LinkListView::appendChild(ColorListViewItem *parent, const QString &name)
{
    ColorListViewItem *theme = newTheme(name, QString(), QString());
    ++m_themeCount;
    m_undo->themeCreated(theme);
    m_undo->placing(theme, parent, parent->childCount(), true);
    parent->addChild(theme);
    return theme;
}

ColorListViewItem *LinkListView::createDetachedTheme()
{
    ++m_themeCount;
    ColorListViewItem *theme = newTheme(QString(), QString(), QString());
    m_undo->themeCreated(theme);
    return theme;
}

void LinkListView::takeTheme(ColorListViewItem *theme)
{
    QTreeWidgetItem *parent = theme->parent();
    if (!parent)
        return;
    if (isAncestorOrSelf(theme, currentItem()))
        setCurrentItem(parent);
    if (std::vector<ColorListViewItem *> open = closeBranch(theme); !open.empty())
        m_openWhenTaken.insert(theme, std::move(open));
    const int index = parent->indexOfChild(theme);
    m_undo->placing(theme, parent, index, false);
    parent->takeChild(index);
}

void LinkListView::insertTheme(ColorListViewItem *parent, int index, ColorListViewItem *theme)
{
    if (!MY_ASSERT(!theme->parent() && index >= 0 && index <= parent->childCount(),
                   QStringLiteral("insertTheme")))
        return;
    m_undo->placing(theme, parent, index, true);
    parent->insertChild(index, theme);
    reopenThemes(m_openWhenTaken.take(theme));
}

void LinkListView::moveAfter(ColorListViewItem *theme, ColorListViewItem *anchor,
                             ColorListViewItem *parent)
{
    QTreeWidgetItem *list = anchor ? anchor->parent() : parent;
    if (!theme->parent() || !list || theme == anchor)
        return;
    takeTheme(theme);
    const int index = anchor ? list->indexOfChild(anchor) + 1 : 0;
    m_undo->placing(theme, list, index, true);
    list->insertChild(index, theme);
    reopenThemes(m_openWhenTaken.take(theme));
}

void LinkListView::moveChildrenAfter(ColorListViewItem *from, ColorListViewItem *anchor)
{
    QTreeWidgetItem *list = anchor->parent();
    if (!list || from->childCount() == 0 || (anchor != from && isAncestorOrSelf(from, anchor)))
        return;
    QTreeWidgetItem *current = currentItem();
    if (current != from && isAncestorOrSelf(from, current))
        setCurrentItem(from);
    const int index = list->indexOfChild(anchor) + 1;
    m_undo->childrenMoving(from, list, index, from->childCount());
    std::vector<ColorListViewItem *> open;
    for (int i = 0; i < from->childCount(); ++i) {
        if (ColorListViewItem *child = from->childTheme(i)) {
            const std::vector<ColorListViewItem *> closed = closeBranch(child);
            open.insert(open.end(), closed.begin(), closed.end());
        }
    }
    const QList<QTreeWidgetItem *> children = from->takeChildren();
    list->insertChildren(index, children);
    reopenThemes(open);
}

void LinkListView::exchangeChildren(ColorListViewItem *first, ColorListViewItem *second)
{
    Busy busy(this);
    m_undo->exchanging(first, second);
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
    if (QTreeWidgetItem *parent = theme->parent()) {
        const int index = parent->indexOfChild(theme);
        m_undo->placing(theme, parent, index, false);
        parent->takeChild(index);
    } else if (theme->treeWidget() == this)
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
    if (!m_undo->keepsRemoved()) {
        m_themeCount -= destroyDetachedBranch(theme);
        return;
    }
    // The undo history keeps the branch, and counts what it holds.
    int themes = 1;
    qint64 bytes = 0;
    auto cost = [&](const ColorListViewItem *item) {
        bytes += 320 + 2 * (item->name().size() + item->description().size());
    };
    cost(theme);
    walkBranch(
            theme, [](ColorListViewItem *item) -> QTreeWidgetItem * { return item; },
            [&](ColorListViewItem *item, int, int) {
                ++themes;
                cost(item);
            });
    m_themeCount -= themes;
    m_undo->keep(theme, bytes);
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
    m_openWhenTaken.remove(theme);
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
