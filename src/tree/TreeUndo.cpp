#include "tree/TreeUndo.h"

#include "tree/LinkListView.h"
#include "tree/TreeWalk.h"

#include <QCoreApplication>

TreeUndo::TreeUndo(LinkListView *view)
    : QObject(view)
    , m_view(view)
{
    view->storage().setChangeHook([this](int id) { storageChanging(id); });
}

QString TreeUndo::undoText() const
{
    return canUndo() ? QCoreApplication::translate("LinkListView", m_steps[m_index - 1]->text)
                     : QString();
}

QString TreeUndo::redoText() const
{
    return canRedo() ? QCoreApplication::translate("LinkListView", m_steps[m_index]->text)
                     : QString();
}

bool TreeUndo::undo()
{
    if (!canUndo())
        return false;
    revertPending();
    {
        Pause pause(*this);
        m_view->replayStep(*m_steps[m_index - 1], false);
    }
    --m_index;
    Q_EMIT changed();
    return true;
}

bool TreeUndo::redo()
{
    if (!canRedo())
        return false;
    revertPending();
    {
        Pause pause(*this);
        m_view->replayStep(*m_steps[m_index], true);
    }
    ++m_index;
    Q_EMIT changed();
    return true;
}

void TreeUndo::clear()
{
    Pause pause(*this);
    std::vector<Undo::Step *> all;
    for (const auto &step : m_steps)
        all.push_back(step.get());
    for (Undo::Step *step : {m_pending.get(), m_open.get()})
        if (step)
            all.push_back(step);
    destroyOutside(all, false);
    m_steps.clear();
    m_index = 0;
    m_pending.reset();
    m_created.clear();
    m_bytes = 0;
    if (m_open) { // emptied under an open step: what it recorded is gone with the tree
        m_open = std::make_unique<Undo::Step>();
        m_open->before = m_view->undoState();
        m_entryMark = m_keptMark = 0;
        m_continuing = false;
    }
    Q_EMIT changed();
}

void TreeUndo::begin(const char *text, ColorListViewItem *renamed)
{
    if (m_depth++ > 0)
        return;
    m_continuing = renamed && !m_pending && m_index == m_steps.size() && !m_steps.empty() &&
                   m_steps.back()->renamed == renamed;
    if (m_continuing) {
        m_open = std::move(m_steps.back());
        m_steps.pop_back();
        --m_index;
        m_bytes -= m_open->bytes;
        m_open->renamed = nullptr;
    } else {
        m_open = m_pending ? std::move(m_pending) : std::make_unique<Undo::Step>();
        m_open->text = text;
        m_open->before = m_view->undoState();
    }
    m_entryMark = m_open->entries.size();
    m_keptMark = m_open->kept.size();
    m_storageTouched = false;
}

void TreeUndo::end()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    std::unique_ptr<Undo::Step> step = std::move(m_open);
    const bool changedTree = step->entries.size() > m_entryMark || step->kept.size() > m_keptMark ||
                             m_storageTouched;
    if (!changedTree && !m_continuing) {
        // Nothing of its own: the changes made outside every step stay pending.
        if (!step->entries.empty() || !step->kept.empty() || step->storage)
            m_pending = std::move(step);
        else
            m_created.clear();
        return;
    }
    m_created.clear();
    step->after = m_view->undoState();
    finishStorage(*step);
    step->bytes = estimate(*step);
    m_bytes += step->bytes;
    m_steps.push_back(std::move(step));
    m_index = m_steps.size();
    while (m_bytes > m_byteLimit && m_steps.size() > 1)
        dropOldest();
    Q_EMIT changed();
}

void TreeUndo::renamingStarted(ColorListViewItem *theme)
{
    if (m_open)
        m_open->renamed = theme;
}

// Once the name editor closes, a later rename is a step of its own.
void TreeUndo::renamingEnded()
{
    if (m_open)
        m_open->renamed = nullptr;
    else if (!m_steps.empty())
        m_steps.back()->renamed = nullptr;
}

Undo::Step *TreeUndo::target()
{
    if (m_paused)
        return nullptr;
    if (m_open) {
        // The first change of a new step: the undone steps can never come back.
        if (m_index < m_steps.size())
            discardRedo();
        return m_open.get();
    }
    if (!m_pending)
        m_pending = std::make_unique<Undo::Step>();
    return m_pending.get();
}

void TreeUndo::themeCreated(ColorListViewItem *theme)
{
    if (!m_paused)
        m_created.insert(theme);
}

void TreeUndo::textChanging(ColorListViewItem *theme, bool name, const QString &before,
                            const QString &after)
{
    if (name)
        m_view->reportChange(Undo::TextChange{theme, name, {}, {}});
    // A description stored outside a step is the editor's: no step takes it back.
    if (!m_open || m_paused || m_created.contains(theme) || before == after)
        return;
    target()->entries.emplace_back(Undo::TextChange{theme, name, before, after});
}

void TreeUndo::slotChanged(ColorListViewItem *theme, int slot, int before, int after)
{
    if (before != after)
        m_view->reportChange(Undo::SlotChange{theme, slot, before, after});
    if (before == after || m_paused || m_created.contains(theme) ||
        (!m_open && slot != ColorListViewItem::LinkIdSlot))
        return;
    target()->entries.emplace_back(Undo::SlotChange{theme, slot, before, after});
}

void TreeUndo::placing(ColorListViewItem *theme, QTreeWidgetItem *parent, int index, bool inserted)
{
    m_view->reportChange(Undo::Placement{theme, parent, index, inserted});
    // A new theme built outside the tree joins it with its branch: one entry for all of it.
    if (m_paused || (m_created.contains(theme) && parent->treeWidget() != m_view))
        return;
    target()->entries.emplace_back(Undo::Placement{theme, parent, index, inserted});
}

void TreeUndo::childrenMoving(QTreeWidgetItem *from, QTreeWidgetItem *list, int index, int count)
{
    m_view->reportChange(Undo::ChildrenMove{from, list, index, count});
    if (!m_paused)
        target()->entries.emplace_back(Undo::ChildrenMove{from, list, index, count});
}

void TreeUndo::exchanging(ColorListViewItem *first, ColorListViewItem *second)
{
    m_view->reportChange(Undo::Exchange{first, second});
    // A new theme taking its children from a list built outside the tree (a file read into a
    // temporary holder) leaves the tree with them: the holder is not needed, nor kept alive.
    auto fresh = [this](ColorListViewItem *theme, ColorListViewItem *other) {
        return m_created.contains(theme) &&
               (m_created.contains(other) || other->treeWidget() != m_view);
    };
    if (!m_paused && !fresh(first, second) && !fresh(second, first))
        target()->entries.emplace_back(Undo::Exchange{first, second});
}

void TreeUndo::keep(ColorListViewItem *theme, qint64 bytes)
{
    if (Undo::Step *step = target()) {
        step->kept.push_back(theme);
        step->keptBytes += bytes;
    }
}

void TreeUndo::storageChanging(int id)
{
    Undo::Step *step = target();
    if (!step)
        return;
    m_storageTouched = true;
    if (!step->storage)
        step->storage = std::make_unique<Undo::StorageChanges>();
    Undo::StorageChanges &changes = *step->storage;
    if (changes.wholeBefore)
        return;
    if (id == 0)
        changes.wholeBefore = m_view->storage().state();
    else if (!changes.before.contains(id))
        changes.before.emplace(id, m_view->storage().recordState(id));
}

void TreeUndo::finishStorage(Undo::Step &step)
{
    if (!step.storage)
        return;
    Undo::StorageChanges &changes = *step.storage;
    MLStorage &storage = m_view->storage();
    if (changes.wholeBefore) {
        changes.wholeAfter = storage.state();
        return;
    }
    for (const auto &entry : changes.before)
        changes.after[entry.first] = storage.recordState(entry.first);
}

void TreeUndo::revertPending()
{
    if (!m_pending)
        return;
    {
        Pause pause(*this);
        m_view->replayStep(*m_pending, false, false);
    }
    destroyOutside({m_pending.get()}, false);
    m_pending.reset();
    m_created.clear();
}

void TreeUndo::discardRedo()
{
    std::vector<Undo::Step *> undone;
    for (size_t i = m_index; i < m_steps.size(); ++i) {
        undone.push_back(m_steps[i].get());
        m_bytes -= m_steps[i]->bytes;
    }
    destroyOutside(undone, false);
    m_steps.resize(m_index);
}

void TreeUndo::dropOldest()
{
    // Done, the step's own removed branches are out of the tree and no later step refers to
    // them; themes it made that later steps removed belong to those.
    destroyOutside({m_steps.front().get()}, true);
    m_bytes -= m_steps.front()->bytes;
    m_steps.erase(m_steps.begin());
    --m_index;
}

void TreeUndo::destroyOutside(const std::vector<Undo::Step *> &steps, bool keptOnly)
{
    // Roots are all found before any is destroyed: a theme may stand in several steps.
    std::vector<ColorListViewItem *> roots;
    QSet<ColorListViewItem *> seen;
    auto consider = [&](ColorListViewItem *theme) {
        if (!theme->parent() && theme->treeWidget() != m_view && !seen.contains(theme)) {
            seen.insert(theme);
            roots.push_back(theme);
        }
    };
    for (const Undo::Step *step : steps) {
        for (ColorListViewItem *theme : step->kept)
            consider(theme);
        if (keptOnly)
            continue;
        for (const Undo::Entry &entry : step->entries)
            if (const auto *placement = std::get_if<Undo::Placement>(&entry))
                consider(placement->theme);
    }
    for (ColorListViewItem *root : roots)
        destroyDetachedBranch(root);
}

qint64 TreeUndo::estimate(const Undo::Step &step)
{
    qint64 bytes = qint64(sizeof(Undo::Step)) + step.keptBytes +
                   qint64(step.entries.capacity() * sizeof(Undo::Entry)) +
                   qint64(step.kept.capacity() * sizeof(void *));
    for (const Undo::Entry &entry : step.entries)
        if (const auto *text = std::get_if<Undo::TextChange>(&entry))
            bytes += 2 * (text->before.size() + text->after.size());
    if (const Undo::StorageChanges *changes = step.storage.get()) {
        const qint64 record = qint64(sizeof(MLStorage::Record)) + 48;
        for (const auto *whole : {&changes->wholeBefore, &changes->wholeAfter})
            if (*whole)
                bytes += record * qint64((*whole)->records.size());
        bytes += record * qint64(changes->before.size() + changes->after.size());
    }
    return bytes;
}
