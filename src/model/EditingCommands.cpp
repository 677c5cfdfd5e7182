#include "model/EditingCommands.h"

#include "common/Clock.h"

#include <cstdlib>
#include <utility>

namespace {

EditingCommands::Outcome refusal()
{
    return {true, false, nullptr, nullptr};
}

EditingCommands::Outcome makeCurrent(Theme *theme)
{
    return {false, false, theme, nullptr};
}

} // namespace

EditingCommands::EditingCommands(ThemeDocument &document, DocumentUndo &undo)
    : m_document(document)
    , m_undo(undo)
{
    m_undo.setSideState(
            [this] {
                return std::any(
                        SideState{m_cutSource, m_copySource, m_moveLeftPlacement, m_current});
            },
            [this](const std::any &state) {
                const auto &kept = std::any_cast<const SideState &>(state);
                m_replayedCurrent = kept.current;
                m_cutSource = kept.cutSource;
                m_copySource = kept.copySource;
                m_moveLeftPlacement = kept.moveLeftPlacement;
            });
}

EditingCommands::~EditingCommands()
{
    m_undo.setSideState({}, {});
}

Theme *EditingCommands::open(Theme *member)
{
    m_document.makeHolder(member);
    Theme *holder = m_document.holderOrSelf(member);
    return isAncestorOrSelf(member, holder) ? member : holder;
}

// One step of the history for the command's work; a refused command records nothing.
template<typename Work>
EditingCommands::Outcome EditingCommands::step(const char *text, Theme *current, Work work)
{
    // A source that undo took out of the tree may come back as a new theme.
    m_cutSource = cutSource();
    m_copySource = copySource();
    Outcome outcome;
    m_current = current; // as the step finds it
    {
        DocumentUndo::Step step(m_undo, text);
        outcome = work();
        if (outcome.current)
            m_current = outcome.current; // as the step leaves it
    }
    m_current = nullptr;
    m_cutSource = cutSource();
    m_copySource = copySource();
    m_opened = outcome.opened;
    m_openedAt = m_undo.index();
    return outcome;
}

bool EditingCommands::editable(const Theme *theme, bool belowRoot) const
{
    return theme && !(belowRoot && (theme == m_document.root() || !theme->parent()));
}

Theme *EditingCommands::inTree(Theme *theme) const
{
    return theme && m_document.contains(theme) ? theme : nullptr;
}

Theme *EditingCommands::holder(Theme *member)
{
    m_document.makeHolder(member);
    return m_document.holderOrSelf(member);
}

bool EditingCommands::pasteRefused(Theme *moved, Theme *target) const
{
    // Not into its own branch, nor into a link whose mark theme lies in that branch.
    return isAncestorOrSelf(moved, target) ||
           m_document.resolvedClimbMeets(m_document.resolve(target), moved);
}

QString EditingCommands::freeName(const Theme *theme, const QString &name) const
{
    // The reminder reads the first theme of its name in the file: the one it reads now keeps
    // the name, and a theme copied, linked or renamed beside it is marked off. Only that name
    // costs the walk.
    if (name != ThemeDocument::reminderThemeName())
        return name;
    const Theme *reminder = m_document.reminderTheme();
    return reminder && reminder != theme ? QLatin1Char('~') + name : name;
}

Theme *EditingCommands::insertNew(Theme *parent, int row, const QString &name)
{
    Theme *created = m_document.createTheme();
    created->setName(name);
    created->setDate(Clock::today());
    m_document.insertTheme(parent, row, created);
    return created;
}

// To the row after the anchor, or first in parent's list without one.
void EditingCommands::moveAfter(Theme *theme, Theme *anchor, Theme *parent)
{
    if (theme == anchor)
        return;
    Theme *list = anchor ? anchor->parent() : parent;
    int row = anchor ? anchor->row() + 1 : 0;
    if (anchor && theme->parent() == list && theme->row() < row)
        --row;
    m_document.moveTheme(theme, list, row);
}

EditingCommands::Outcome EditingCommands::opened(Theme *created)
{
    return {false, false, created, created};
}

EditingCommands::Outcome EditingCommands::goToReminder(Theme *current, const QString &exampleText)
{
    if (Theme *reminder = m_document.reminderTheme())
        return {false, false, reminder, nullptr};
    return step(QT_TR_NOOP("Create Reminder"), current, [&] {
        Theme *created = insertNew(m_document.root(), 0, ThemeDocument::reminderThemeName());
        m_document.setThemeDescription(created, exampleText);
        return Outcome{false, false, created, nullptr};
    });
}

EditingCommands::Outcome EditingCommands::insertAbove(Theme *current)
{
    return step(QT_TR_NOOP("Insert Up"), current, [&] {
        if (!editable(current, true))
            return refusal();
        return opened(insertNew(current->parent(), current->row()));
    });
}

EditingCommands::Outcome EditingCommands::insertBelow(Theme *current)
{
    return step(QT_TR_NOOP("Insert Down"), current, [&] {
        if (!editable(current, true))
            return refusal();
        return opened(insertNew(current->parent(), current->row() + 1));
    });
}

EditingCommands::Outcome EditingCommands::insertInto(Theme *current)
{
    return step(QT_TR_NOOP("Insert Into"), current, [&] {
        if (!editable(current, false))
            return refusal();
        // A member first takes its group's children; where it cannot, the new theme goes to
        // the holder, since a link's own children are not saved.
        return opened(insertNew(holder(current), 0));
    });
}

EditingCommands::Outcome EditingCommands::moveLeft(Theme *current)
{
    return step(QT_TR_NOOP("Move Left"), current, [&] {
        Theme *parent = editable(current, true) ? current->parent() : nullptr;
        Theme *grandparent = parent ? parent->parent() : nullptr;
        // A link's children are its group's, which belong under the group and nowhere else.
        if (!grandparent || parent->linkId() < 0)
            return refusal();
        const int index = current->row();
        const int parentIndex = parent->row();
        Theme *next = index + 1 < parent->childCount() ? parent->child(index + 1) : nullptr;
        Theme *beforeParent = parentIndex > 0 ? grandparent->child(parentIndex - 1) : nullptr;
        // The current theme stays at the old place, so that repeated use moves the children out
        // one after the other.
        Theme *stays = parent;
        Theme *anchor = m_moveLeftPlacement ? beforeParent : parent;
        if (next) {
            stays = next;
            anchor = beforeParent;
            m_moveLeftPlacement = true;
        } else if (index > 0) {
            stays = parent->child(index - 1);
            anchor = parent;
            m_moveLeftPlacement = false;
        }
        moveAfter(current, anchor, grandparent);
        return makeCurrent(stays);
    });
}

EditingCommands::Outcome EditingCommands::moveRight(Theme *current)
{
    return step(QT_TR_NOOP("Move Right"), current, [&] {
        if (!editable(current, true))
            return refusal();
        Theme *created = insertNew(current->parent(), current->row());
        m_document.moveTheme(current, created, 0);
        return opened(created);
    });
}

EditingCommands::Outcome EditingCommands::moveUp(Theme *current)
{
    return step(QT_TR_NOOP("Move Up"), current, [&] {
        if (!editable(current, true))
            return refusal();
        if (const int row = current->row(); row > 0)
            m_document.moveTheme(current, current->parent(), row - 1);
        return makeCurrent(current);
    });
}

EditingCommands::Outcome EditingCommands::moveDown(Theme *current)
{
    return step(QT_TR_NOOP("Move Down"), current, [&] {
        if (!editable(current, true))
            return refusal();
        if (const int row = current->row(); row + 1 < current->parent()->childCount())
            m_document.moveTheme(current, current->parent(), row + 1);
        return makeCurrent(current);
    });
}

EditingCommands::Outcome EditingCommands::allChildrenOut(Theme *current)
{
    return step(QT_TR_NOOP("All Children Out"), current, [&] {
        // A mark theme first takes its group's children back; held by a theme above it, they
        // stay there.
        if (!editable(current, true) || current->linkId() < 0 || holder(current) != current)
            return refusal();
        if (current->childCount() > 0)
            m_document.moveChildren(current, current->parent(), current->row() + 1);
        return Outcome{};
    });
}

EditingCommands::Outcome EditingCommands::cut(Theme *current)
{
    if (!editable(current, true))
        return refusal();
    m_copySource = nullptr;
    m_cutSource = current;
    return {};
}

EditingCommands::Outcome EditingCommands::copy(Theme *current)
{
    if (!editable(current, true))
        return refusal();
    m_cutSource = nullptr;
    m_copySource = current;
    return {};
}

EditingCommands::Outcome EditingCommands::paste(Theme *current)
{
    return step(QT_TR_NOOP("Paste"), current, [&] {
        Theme *moved = cutSource();
        if (!editable(current, false) || (!moved && !copySource()))
            return refusal();
        if (!moved)
            return Outcome{false, true, nullptr, nullptr};
        if (pasteRefused(moved, current))
            return refusal();
        Theme *into = pasteMoved(moved, current);
        m_copySource = moved;
        m_cutSource = nullptr;
        return makeCurrent(into);
    });
}

Theme *EditingCommands::pasteMoved(Theme *moved, Theme *target)
{
    Theme *into = holder(target);
    m_document.moveTheme(moved, into, 0);
    return into;
}

EditingCommands::Outcome EditingCommands::pasteCopy(Theme *current)
{
    return step(QT_TR_NOOP("Paste Copy"), current, [&] {
        if (!editable(current, false) || !copySource())
            return refusal();
        pasteCopyOf(copySource(), current);
        return Outcome{};
    });
}

Theme *EditingCommands::pasteCopyOf(Theme *source, Theme *target)
{
    Theme *original = m_document.resolve(source);
    m_document.makeHolder(original);
    Theme *copy = copyOf(original, Clock::today()); // asked once: the clock is slow to ask
    copy->setName(freeName(copy, source->name()));
    m_document.insertTheme(m_document.holderOrSelf(target), 0, copy);
    return copy;
}

EditingCommands::Outcome EditingCommands::insertDocument(Theme *parent, const ThemeDocument &source,
                                                         const QString &name, QDate date,
                                                         const char *text)
{
    return step(text, parent, [&] {
        const std::vector<int> ids = m_document.groupIds();
        const int firstFree = ids.empty() ? 1 : ids.back() + 1;
        std::map<int, int> newIds; // the source's group ids, in their order, after ours
        for (int id : source.groupIds())
            newIds.emplace(id, firstFree + int(newIds.size()));
        Theme *top = m_document.createTheme();
        top->setName(name);
        top->setDate(date);
        top->setDescription(source.root()->heldDescription());
        // Built apart from the tree, without recursion: a file can nest very deep.
        std::vector<std::pair<const Theme *, Theme *>> levels{{source.root(), top}};
        std::vector<int> next{0};
        while (!levels.empty()) {
            const auto [from, to] = levels.back();
            if (next.back() >= from->childCount()) {
                levels.pop_back();
                next.pop_back();
                continue;
            }
            const Theme *child = from->child(next.back()++);
            Theme *copy = m_document.appendChild(to);
            copy->setName(child->name());
            copy->setDescription(child->heldDescription());
            copy->setDate(child->date());
            if (const int id = child->linkId(); id != 0)
                m_document.joinGroup(copy, id > 0 ? newIds[id] : -newIds[-id]);
            levels.emplace_back(child, copy);
            next.push_back(0);
        }
        m_document.insertTheme(holder(parent), 0, top);
        return Outcome{.current = top};
    });
}

void EditingCommands::forgetThemes()
{
    m_cutSource = m_copySource = m_current = m_replayedCurrent = m_opened = nullptr;
}

Theme *EditingCommands::copyOf(Theme *source, QDate today)
{
    // Built apart from the tree, without recursion (a branch can be very deep). A link is
    // copied as another link of its group; a mark theme as an ordinary theme with its group's
    // children.
    struct Level
    {
        Theme *source;
        Theme *copy;
        int next;
    };
    std::vector<Level> levels;
    auto begin = [&](Theme *from, Theme *to) {
        to->setName(freeName(to, from->name()));
        to->setDate(today);
        if (from->linkId() < 0) {
            m_document.joinGroup(to, from->linkId());
            return;
        }
        to->setDescription(from->heldDescription());
        if (from->linkId() > 0)
            m_document.makeHolder(from);
        levels.push_back({from, to, 0});
    };
    Theme *top = m_document.createTheme();
    begin(source, top);
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next >= level.source->childCount())
            levels.pop_back();
        else
            begin(level.source->child(level.next++), m_document.appendChild(level.copy));
    }
    return top;
}

EditingCommands::Outcome EditingCommands::pasteLink(Theme *current)
{
    return step(QT_TR_NOOP("Paste Link"), current, [&] {
        if (!editable(current, false) || !copySource())
            return refusal();
        pasteLinkOf(copySource(), current);
        return Outcome{};
    });
}

Theme *EditingCommands::pasteLinkOf(Theme *source, Theme *target)
{
    const int mark =
            source->linkId() != 0 ? std::abs(source->linkId()) : m_document.joinGroup(source, 0);
    if (mark == 0)
        return nullptr;
    // The new link goes last where the group's children are: a link's own are not saved.
    Theme *into = holder(target);
    Theme *created = insertNew(into, into->childCount(), freeName(nullptr, source->name()));
    m_document.joinGroup(created, -mark);
    return created;
}

EditingCommands::Outcome EditingCommands::remove(Theme *current,
                                                 const std::function<bool(Theme *)> &inSight)
{
    return step(QT_TR_NOOP("Delete"), current, [&] {
        if (!editable(current, true))
            return refusal();
        Theme *parent = current->parent();
        const int index = current->row();
        Theme *stays = nullptr;
        for (int i = index + 1; !stays && i < parent->childCount(); ++i)
            stays = inSight(parent->child(i)) ? parent->child(i) : nullptr;
        for (int i = index - 1; !stays && i >= 0; --i)
            stays = inSight(parent->child(i)) ? parent->child(i) : nullptr;
        deleteBranch(current);
        return makeCurrent(stays ? stays : parent);
    });
}

void EditingCommands::deleteBranch(Theme *top)
{
    // Out of the tree first; then each theme leaves its group before its children are met, so
    // that the group's children come back under it and leave with it, or go back to their mark.
    m_document.takeTheme(top);
    m_document.leaveGroup(top);
    walkThemes(
            top, [](Theme *theme) { return theme; },
            [&](Theme *theme, int, int) { m_document.leaveGroup(theme); });
}

void EditingCommands::nameOpened(const QString &name)
{
    Theme *theme = inTree(std::exchange(m_opened, nullptr));
    if (!theme)
        return;
    m_current = theme;
    if (m_undo.index() != m_openedAt || !m_undo.reopenLast())
        m_undo.begin(QT_TR_NOOP("Rename"));
    m_document.renameTheme(theme, freeName(theme, name));
    m_document.setThemeDate(theme, Clock::today());
    m_undo.end();
    m_current = nullptr;
}

void EditingCommands::rename(Theme *theme, const QString &name)
{
    m_opened = theme;
    m_openedAt = -1;
    nameOpened(name);
}

Theme *EditingCommands::dropParent(Theme *target, DropPlace place) const
{
    if (!editable(target, place != DropPlace::Into))
        return nullptr;
    if (place == DropPlace::Into)
        return target;
    // Beside the target only where its parent holds its own children: a paste into a link whose
    // group is held elsewhere would land away from the target.
    Theme *parent = target->parent();
    return m_document.holderOrSelf(parent) == parent ? parent : nullptr;
}

bool EditingCommands::canDrop(Theme *dragged, Theme *target, DropPlace place, DropKind kind) const
{
    Theme *parent = dropParent(target, place);
    if (!parent || !editable(dragged, true))
        return false;
    // A theme dropped on its own row or below it would go into its own branch.
    return kind != DropKind::Move ||
           (!isAncestorOrSelf(dragged, target) && !pasteRefused(dragged, parent));
}

EditingCommands::Outcome EditingCommands::drop(Theme *dragged, Theme *target, DropPlace place,
                                               DropKind kind)
{
    if (!canDrop(dragged, target, place, kind))
        return refusal();
    return step(QT_TR_NOOP("Drag and Drop"), nullptr, [&] {
        Theme *parent = dropParent(target, place);
        Theme *pasted = kind == DropKind::Link   ? pasteLinkOf(dragged, parent)
                        : kind == DropKind::Copy ? pasteCopyOf(dragged, parent)
                                                 : (pasteMoved(dragged, parent), dragged);
        if (!pasted)
            return makeCurrent(parent);
        if (place == DropPlace::After) {
            moveAfter(pasted, target);
        } else if (place == DropPlace::Before) {
            const int row = target->row();
            moveAfter(pasted, row > 0 ? target->parent()->child(row - 1) : nullptr,
                      target->parent());
        }
        return makeCurrent(pasted);
    });
}

QString EditingCommands::sourceText() const
{
    if (const Theme *cut = cutSource())
        return QStringLiteral("[for cut - ") + shownName(cut->name()) + QLatin1Char(']');
    if (const Theme *copied = copySource())
        return QStringLiteral("[for copy - ") + shownName(copied->name()) + QLatin1Char(']');
    return QString();
}
