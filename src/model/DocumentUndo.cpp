#include "model/DocumentUndo.h"

#include <QCoreApplication>

#include <unordered_set>

namespace {

template<class... Ts>
struct Overloaded : Ts...
{
    using Ts::operator()...;
};
template<typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

DocumentUndo::DocumentUndo(ThemeDocument &document)
    : m_document(document)
{
    m_document.m_undo = this;
}

DocumentUndo::~DocumentUndo()
{
    m_changed = nullptr; // whoever listens may be going too
    clear();
    m_document.m_undo = nullptr;
}

// The commands' texts are the tree's own, translated where the tree translates them.
QString DocumentUndo::undoText() const
{
    return canUndo() ? QCoreApplication::translate("LinkListView", m_steps[m_index - 1]->text)
                     : QString();
}

QString DocumentUndo::redoText() const
{
    return canRedo() ? QCoreApplication::translate("LinkListView", m_steps[m_index]->text)
                     : QString();
}

bool DocumentUndo::undo()
{
    if (!canUndo())
        return false;
    tellAboutToChange();
    revertPending();
    replay(*m_steps[m_index - 1], false);
    --m_index;
    if (m_putState && m_steps[m_index]->before.has_value())
        m_putState(m_steps[m_index]->before);
    tellChanged();
    return true;
}

bool DocumentUndo::redo()
{
    if (!canRedo())
        return false;
    tellAboutToChange();
    revertPending();
    replay(*m_steps[m_index], true);
    if (m_putState && m_steps[m_index]->after.has_value())
        m_putState(m_steps[m_index]->after);
    ++m_index;
    tellChanged();
    return true;
}

void DocumentUndo::clear()
{
    std::vector<const StepRecord *> all;
    for (const auto &step : m_steps)
        all.push_back(step.get());
    for (const StepRecord *step : {m_pending.get(), m_open.get()})
        if (step)
            all.push_back(step);
    releaseOutside(all, false);
    m_steps.clear();
    m_index = 0;
    m_pending.reset();
    m_bytes = 0;
    if (m_open) { // cleared under an open step: what it recorded is gone
        const char *text = m_open->text;
        m_open = std::make_unique<StepRecord>();
        m_open->text = text;
        m_entryMark = 0;
    }
    tellChanged();
}

void DocumentUndo::begin(const char *text)
{
    if (m_depth == 0)
        tellAboutToChange();
    if (m_depth++ > 0)
        return;
    m_open = m_pending ? std::move(m_pending) : std::make_unique<StepRecord>();
    m_open->text = text;
    m_open->before = m_takeState ? m_takeState() : std::any();
    m_entryMark = m_open->entries.size();
}

void DocumentUndo::setSideState(std::function<std::any()> take,
                                std::function<void(const std::any &)> put)
{
    m_takeState = std::move(take);
    m_putState = std::move(put);
}

void DocumentUndo::end()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    std::unique_ptr<StepRecord> step = std::move(m_open);
    if (step->entries.size() == m_entryMark) {
        // Nothing of its own: the changes made outside every step stay pending.
        if (!step->entries.empty())
            m_pending = std::move(step);
        return;
    }
    std::unordered_set<Theme *> kept;
    step->kept.clear(); // a reopened step counts its branches again
    for (const Entry &entry : step->entries) {
        const auto *placement = std::get_if<Placement>(&entry);
        if (placement && !placement->inserted && !placement->theme->parent() &&
            kept.insert(placement->theme).second)
            step->kept.push_back(placement->theme);
    }
    step->after = m_takeState ? m_takeState() : std::any();
    step->bytes = estimate(*step);
    m_bytes += step->bytes;
    m_steps.push_back(std::move(step));
    m_index = m_steps.size();
    while (m_bytes > m_byteLimit && m_steps.size() > 1)
        dropOldest();
    tellChanged();
}

void DocumentUndo::setListeners(std::function<void()> aboutToChange, std::function<void()> changed)
{
    m_aboutToChange = std::move(aboutToChange);
    m_changed = std::move(changed);
}

void DocumentUndo::tellAboutToChange()
{
    if (m_aboutToChange)
        m_aboutToChange();
}

void DocumentUndo::tellChanged()
{
    if (m_changed)
        m_changed();
}

bool DocumentUndo::reopenLast()
{
    if (m_depth > 0 || m_pending || m_steps.empty() || m_index != m_steps.size())
        return false;
    m_open = std::move(m_steps.back());
    m_steps.pop_back();
    m_bytes -= m_open->bytes;
    m_index = m_steps.size();
    m_entryMark = 0; // the step's own changes are there already
    m_depth = 1;
    return true;
}

bool DocumentUndo::recordingChange()
{
    if (m_paused > 0)
        return false;
    // The first change of a new step: the undone steps can never come back.
    if (m_open && m_index < m_steps.size())
        discardRedo();
    return true;
}

void DocumentUndo::record(Entry &&entry)
{
    if (!m_open) {
        // A name, description or date changed outside a step is the editor's to keep.
        if (std::holds_alternative<TextChange>(entry) || std::holds_alternative<DateChange>(entry))
            return;
        if (!m_pending)
            m_pending = std::make_unique<StepRecord>();
        m_pending->entries.push_back(std::move(entry));
        return;
    }
    m_open->entries.push_back(std::move(entry));
}

void DocumentUndo::replay(const StepRecord &step, bool forward)
{
    ThemeDocument &document = m_document;
    ++m_paused;
    auto apply = Overloaded{
            [&](const Placement &placement) {
                if (placement.inserted == forward)
                    document.insertTheme(placement.parent, placement.row, placement.theme);
                else
                    document.takeTheme(placement.theme);
            },
            [&](const Move &move) {
                if (forward)
                    document.moveTheme(move.theme, move.to, move.toRow);
                else
                    document.moveTheme(move.theme, move.from, move.fromRow);
            },
            [&](const ChildrenMove &move) {
                if (forward)
                    document.moveChildren(move.from, move.list, move.row);
                else
                    document.moveRows(move.list, move.row, move.count, move.from, 0);
            },
            [&](const Exchange &exchange) {
                document.exchangeChildren(exchange.first, exchange.second);
            },
            [&](const TextChange &change) {
                const QString &text = forward ? change.after : change.before;
                if (change.name)
                    document.renameTheme(change.theme, text);
                else
                    document.setThemeDescription(change.theme, text);
            },
            [&](const DateChange &change) {
                document.setThemeDate(change.theme, forward ? change.after : change.before);
            },
            [&](const LinkIdChange &change) {
                document.setLinkId(change.theme, forward ? change.after : change.before);
            },
            [&](const GroupChange &change) {
                document.restoreGroup(change.id, forward ? change.after : change.before);
            },
    };
    if (forward) {
        for (const Entry &entry : step.entries)
            std::visit(apply, entry);
    } else {
        for (auto it = step.entries.rbegin(); it != step.entries.rend(); ++it)
            std::visit(apply, *it);
    }
    --m_paused;
}

void DocumentUndo::revertPending()
{
    if (!m_pending)
        return;
    replay(*m_pending, false);
    const std::unique_ptr<StepRecord> pending = std::move(m_pending);
    releaseOutside({pending.get()}, false);
}

void DocumentUndo::discardRedo()
{
    std::vector<const StepRecord *> undone;
    for (size_t i = m_index; i < m_steps.size(); ++i) {
        undone.push_back(m_steps[i].get());
        m_bytes -= m_steps[i]->bytes;
    }
    releaseOutside(undone, false);
    m_steps.erase(m_steps.begin() + qsizetype(m_index), m_steps.end());
}

void DocumentUndo::dropOldest()
{
    // Done, the step's own removed branches are out of the tree and no later step names them;
    // themes it made that later steps removed belong to those.
    releaseOutside({m_steps.front().get()}, true);
    m_bytes -= m_steps.front()->bytes;
    m_steps.erase(m_steps.begin());
    --m_index;
}

void DocumentUndo::releaseOutside(const std::vector<const StepRecord *> &steps, bool keptOnly)
{
    // The tops are all found before any is freed: a theme may stand in several steps.
    std::vector<Theme *> tops;
    std::unordered_set<Theme *> seen;
    auto consider = [&](Theme *theme) {
        while (theme->parent())
            theme = theme->parent();
        if (theme != m_document.root() && seen.insert(theme).second)
            tops.push_back(theme);
    };
    for (const StepRecord *step : steps) {
        for (Theme *theme : step->kept)
            consider(theme);
        if (keptOnly)
            continue;
        for (const Entry &entry : step->entries) {
            if (const auto *placement = std::get_if<Placement>(&entry))
                consider(placement->theme);
            else if (const auto *move = std::get_if<Move>(&entry))
                consider(move->theme);
        }
    }
    for (Theme *top : tops)
        m_document.releaseBranch(top);
}

qint64 DocumentUndo::estimate(const StepRecord &step) const
{
    qint64 bytes = qint64(sizeof(StepRecord) + step.entries.capacity() * sizeof(Entry) +
                          step.kept.capacity() * sizeof(void *));
    for (const Entry &entry : step.entries) {
        if (const auto *text = std::get_if<TextChange>(&entry))
            bytes += 2 * (text->before.size() + text->after.size());
        else if (const auto *group = std::get_if<GroupChange>(&entry))
            for (const auto *state : {&group->before, &group->after})
                if (*state)
                    bytes += qint64((*state)->links.size() * sizeof(void *));
    }
    auto cost = [&bytes](const Theme *theme) {
        bytes += 320 + 2 * (theme->name().size() + theme->descriptionSize());
    };
    for (Theme *top : step.kept) {
        cost(top);
        walkThemes(
                top, [](Theme *theme) { return theme; },
                [&](Theme *theme, int, int) { cost(theme); });
    }
    return bytes;
}
