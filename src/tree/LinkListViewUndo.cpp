// Undo and redo of the tree's changes: the view's side of its undo history, which puts the
// recorded changes back in place without recording them again.
#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "reminder/Reminder.h"
#include "tree/TreeUndo.h"
#include "tree/TreeWalk.h"

namespace {

template<class... Ts>
struct Overloaded : Ts...
{
    using Ts::operator()...;
};
// Spelled out for compilers without deduction for aggregates.
template<typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

LinkListView::UndoStep::UndoStep(LinkListView *view, const char *text, ColorListViewItem *renamed)
    : m_view(view)
{
    if (!m_view->m_undo->isOpen())
        Q_EMIT m_view->aboutToChangeTree();
    m_view->m_undo->begin(text, renamed);
}

LinkListView::UndoStep::~UndoStep()
{
    m_view->m_undo->end();
}

void LinkListView::menuUndo()
{
    if (m_renaming || !m_undo->canUndo())
        return;
    Q_EMIT aboutToChangeTree();
    m_undo->undo();
}

void LinkListView::menuRedo()
{
    if (m_renaming || !m_undo->canRedo())
        return;
    Q_EMIT aboutToChangeTree();
    m_undo->redo();
}

Undo::ViewState LinkListView::undoState() const
{
    return {currentTheme(),  m_cutSource,  m_copySource,
            m_reminderTheme, m_themeCount, m_moveLeftPlacement};
}

void LinkListView::replayStep(Undo::Step &step, bool forward, bool restoreView)
{
    Busy busy(this);
    m_replaying = true;
    std::vector<ColorListViewItem *> taken;
    std::vector<ColorListViewItem *> reopen; // once the link groups are as the step left them
    auto take = [&](ColorListViewItem *theme, QTreeWidgetItem *parent, int index) {
        if (parent->child(index) != theme)
            index = parent->indexOfChild(theme);
        if (!MY_ASSERT(index >= 0, QStringLiteral("undo")))
            return;
        if (parent->treeWidget() == this && isAncestorOrSelf(theme, currentItem()))
            setCurrentItem(parent);
        // A move taken back or made again carries its branch's open themes, as the move did.
        if (std::vector<ColorListViewItem *> open = closeBranch(theme); !open.empty())
            m_openWhenTaken.insert(theme, std::move(open));
        parent->takeChild(index);
        taken.push_back(theme);
    };
    auto apply = Overloaded{
            [&](const Undo::TextChange &change) {
                const QString &text = forward ? change.after : change.before;
                if (change.name)
                    change.theme->setName(text);
                else
                    change.theme->setDescription(text);
            },
            [&](const Undo::SlotChange &change) {
                const int value = forward ? change.after : change.before;
                if (change.slot == ColorListViewItem::LinkIdSlot)
                    change.theme->setLinkId(value);
                else
                    change.theme->setColumnValue(change.slot, value);
            },
            [&](const Undo::Placement &placement) {
                if (placement.inserted != forward)
                    take(placement.theme, placement.parent, placement.index);
                else if (MY_ASSERT(!placement.theme->parent() &&
                                           placement.index <= placement.parent->childCount(),
                                   QStringLiteral("undo"))) {
                    placement.parent->insertChild(placement.index, placement.theme);
                    const std::vector<ColorListViewItem *> open =
                            m_openWhenTaken.take(placement.theme);
                    reopen.insert(reopen.end(), open.begin(), open.end());
                }
            },
            [&](const Undo::ChildrenMove &move) {
                if (forward) {
                    move.list->insertChildren(move.index, move.from->takeChildren());
                    return;
                }
                // From the last, so that the list shifts as little as possible.
                QList<QTreeWidgetItem *> children(move.count);
                for (int i = move.count - 1; i >= 0; --i)
                    children[i] = move.list->takeChild(move.index + i);
                move.from->insertChildren(0, children);
            },
            [&](const Undo::Exchange &exchange) {
                const QList<QTreeWidgetItem *> first = exchange.first->takeChildren();
                const QList<QTreeWidgetItem *> second = exchange.second->takeChildren();
                exchange.second->addChildren(first);
                exchange.first->addChildren(second);
                // A member left with the null item is not the holder: open, it would show the
                // placeholder as a row of its own.
                for (ColorListViewItem *member : {exchange.first, exchange.second})
                    if (member->childCount() > 0 && member->childTheme(0)->isNullItem())
                        member->setExpanded(false);
            },
    };
    if (forward) {
        for (const Undo::Entry &entry : step.entries) {
            reportChange(entry);
            std::visit(apply, entry);
        }
    } else {
        for (auto it = step.entries.rbegin(); it != step.entries.rend(); ++it) {
            reportChange(*it);
            std::visit(apply, *it);
        }
    }
    if (const Undo::StorageChanges *changes = step.storage.get()) {
        Q_EMIT linksChanged();
        if (forward && changes->wholeAfter) {
            m_storage.restoreState(*changes->wholeAfter);
        } else {
            if (!forward && changes->wholeBefore)
                m_storage.restoreState(*changes->wholeBefore);
            for (const auto &[id, record] : forward ? changes->after : changes->before)
                m_storage.restoreRecord(id, record);
        }
    }
    std::erase_if(reopen, [this](ColorListViewItem *theme) { return theme->treeWidget() != this; });
    reopenThemes(reopen);
    m_replaying = false;
    forgetRemovedBranches(taken);
    if (restoreView) {
        restoreViewState(forward ? step.after : step.before);
        Q_EMIT stateChanged();
        Q_EMIT dataChanged();
    }
}

void LinkListView::reportChange(const Undo::Entry &entry)
{
    // Changes outside the tree (a file read into a branch of its own) join it in one placement.
    auto inTree = [this](const QTreeWidgetItem *item) { return item->treeWidget() == this; };
    std::visit(Overloaded{
                       [&](const Undo::TextChange &change) {
                           if (change.name && inTree(change.theme))
                               Q_EMIT themeRenamed(change.theme);
                       },
                       [&](const Undo::SlotChange &change) {
                           if ((change.slot == ColorListViewItem::LinkIdSlot ||
                                change.slot == ColorListViewItem::NullItemSlot) &&
                               inTree(change.theme))
                               Q_EMIT linksChanged();
                       },
                       [&](const Undo::Placement &placement) {
                           if (inTree(placement.parent))
                               Q_EMIT subthemesChanging(placement.parent, placement.theme);
                       },
                       [&](const Undo::ChildrenMove &move) {
                           for (QTreeWidgetItem *list : {move.from, move.list})
                               if (inTree(list))
                                   Q_EMIT subthemesChanging(list, nullptr);
                       },
                       [&](const Undo::Exchange &) { Q_EMIT linksChanged(); },
               },
               entry);
}

void LinkListView::forgetRemovedBranches(const std::vector<ColorListViewItem *> &taken)
{
    // Whatever a replay left outside the tree is gone for everybody, as a deleted branch is.
    QSet<ColorListViewItem *> roots;
    for (ColorListViewItem *theme : taken) {
        QTreeWidgetItem *top = theme;
        while (top->parent())
            top = top->parent();
        if (top->treeWidget() != this)
            roots.insert(ColorListViewItem::themeOf(top));
    }
    QSet<ColorListViewItem *> removed;
    for (ColorListViewItem *root : std::as_const(roots)) {
        std::vector<ColorListViewItem *> branch{root};
        walkBranch(
                root, [](ColorListViewItem *theme) -> QTreeWidgetItem * { return theme; },
                [&](ColorListViewItem *theme, int, int) { branch.push_back(theme); });
        for (auto it = branch.rbegin(); it != branch.rend(); ++it) { // children first
            forgetDeletedTheme(*it);
            Q_EMIT itemWillRemoved(*it);
            removed.insert(*it);
        }
    }
    if (!removed.isEmpty())
        m_history.removeAll(removed);
}

void LinkListView::restoreViewState(const Undo::ViewState &state)
{
    auto inTree = [this](ColorListViewItem *theme) { return theme && theme->treeWidget() == this; };
    m_themeCount = state.themeCount;
    ColorListViewItem *reminderBefore = m_reminderTheme;
    m_reminderTheme = inTree(state.reminderTheme) ? state.reminderTheme : nullptr;
    // The reminder's tasks come and go with its theme, as they do on a load or a delete.
    if (m_reminderTheme != reminderBefore) {
        if (m_reminderTheme)
            updateReminder(Clock::now());
        else if (m_reminder)
            m_reminder->clear();
    }
    m_cutSource = inTree(state.cutSource) ? state.cutSource : nullptr;
    m_copySource = inTree(state.copySource) ? state.copySource : nullptr;
    m_moveLeftPlacement = state.moveLeftPlacement;
    ColorListViewItem *current = inTree(state.current) ? state.current : m_rootTheme;
    // The main window stores the editor's text into the theme it showed and loads the current
    // one's, which the step may have changed even where the current theme stays.
    if (currentItem() != current)
        setCurrentItem(current);
    else
        whenCurrentChanged(current);
    scrollToItem(current);
}
