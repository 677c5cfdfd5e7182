// The primitives: the only code that changes a live document's themes and link groups. Each one
// records itself into the attached history and tells the observers, so that a command built from
// them can be taken back, and shown, change by change.
#include "model/DocumentUndo.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The member that holds a group's children: null without a group or without a mark theme.
const Theme *holderIn(const LinkGroup *group)
{
    if (!group || !group->mark)
        return nullptr;
    return group->holder == 0 ? group->mark : group->links[size_t(group->holder - 1)];
}

} // namespace

using Field = DocumentObserver::Field;

bool ThemeDocument::contains(const Theme *theme) const
{
    while (theme && theme->m_parent)
        theme = theme->m_parent;
    return theme == m_root;
}

void ThemeDocument::addObserver(DocumentObserver *observer)
{
    m_observers.push_back(observer);
}

void ThemeDocument::removeObserver(DocumentObserver *observer)
{
    std::erase(m_observers, observer);
}

// Asked before a change is made: the undone steps that the change makes impossible to redo go
// first, so that nothing the change takes out is freed with them.
bool ThemeDocument::recording()
{
    return m_undo && m_undo->recordingChange();
}

Theme *ThemeDocument::createTheme()
{
    if (m_free.empty())
        return appendChild(nullptr);
    Theme *theme = m_free.back();
    m_free.pop_back();
    return theme;
}

void ThemeDocument::releaseBranch(Theme *top)
{
    if (!top || top->m_parent || top == m_root)
        return;
    std::vector<Theme *> branch{top};
    for (size_t i = 0; i < branch.size(); ++i) {
        if (branch[i]->m_linkId != 0)
            return;
        branch.insert(branch.end(), branch[i]->m_children.begin(), branch[i]->m_children.end());
    }
    for (Theme *theme : branch)
        recycle(theme);
}

void ThemeDocument::recycle(Theme *theme)
{
    theme->m_name = QString();
    theme->m_description = CompactText();
    theme->m_date = QDate();
    theme->m_row = 0;
    theme->m_parent = nullptr;
    std::vector<Theme *>().swap(theme->m_children);
    m_free.push_back(theme);
}

void ThemeDocument::changed(Theme *theme, Field field)
{
    if (!m_observers.empty() && contains(theme))
        notify([&](DocumentObserver &observer) { observer.changed(theme, field); });
}

bool ThemeDocument::insertTheme(Theme *parent, int row, Theme *theme)
{
    if (!parent || !theme || theme->m_parent || theme == m_root || row < 0 ||
        row > parent->childCount() || isAncestorOrSelf(theme, parent))
        return false;
    const bool recorded = recording();
    const bool told = !m_observers.empty() && contains(parent);
    if (told)
        notify([&](DocumentObserver &observer) { observer.aboutToInsert(parent, row, row); });
    parent->m_children.insert(parent->m_children.begin() + row, theme);
    theme->m_parent = parent;
    theme->m_row = row;
    if (recorded)
        m_undo->record(DocumentUndo::Placement{theme, parent, row, true});
    if (told)
        notify([&](DocumentObserver &observer) { observer.inserted(parent, row, row); });
    return true;
}

bool ThemeDocument::takeTheme(Theme *theme)
{
    Theme *parent = theme ? theme->m_parent : nullptr;
    if (!parent)
        return false;
    const int row = theme->row();
    const bool recorded = recording();
    const bool told = !m_observers.empty() && contains(parent);
    if (told)
        notify([&](DocumentObserver &observer) { observer.aboutToRemove(parent, row, row); });
    parent->m_children.erase(parent->m_children.begin() + row);
    theme->m_parent = nullptr;
    if (recorded)
        m_undo->record(DocumentUndo::Placement{theme, parent, row, false});
    if (told)
        notify([&](DocumentObserver &observer) { observer.removed(parent, row, row); });
    return true;
}

void ThemeDocument::moveRows(Theme *from, int first, int count, Theme *to, int row)
{
    const bool fromTold = !m_observers.empty() && contains(from);
    const bool toTold = !m_observers.empty() && (to == from ? fromTold : contains(to));
    const int last = first + count - 1;
    const int destination = from == to && row > first ? row + count : row;
    notify([&](DocumentObserver &observer) {
        if (fromTold && toTold)
            observer.aboutToMove(from, first, last, to, destination);
        else if (fromTold)
            observer.aboutToRemove(from, first, last);
        else if (toTold)
            observer.aboutToInsert(to, row, row + count - 1);
    });
    std::vector<Theme *> &source = from->m_children;
    const std::vector<Theme *> rows(source.begin() + first, source.begin() + first + count);
    source.erase(source.begin() + first, source.begin() + first + count);
    to->m_children.insert(to->m_children.begin() + row, rows.begin(), rows.end());
    for (int i = 0; i < count; ++i) {
        rows[size_t(i)]->m_parent = to;
        rows[size_t(i)]->m_row = row + i;
    }
    notify([&](DocumentObserver &observer) {
        if (fromTold && toTold)
            observer.moved(from, first, last, to, destination);
        else if (fromTold)
            observer.removed(from, first, last);
        else if (toTold)
            observer.inserted(to, row, row + count - 1);
    });
}

bool ThemeDocument::moveTheme(Theme *theme, Theme *parent, int row)
{
    Theme *from = theme ? theme->m_parent : nullptr;
    if (!from || !parent || isAncestorOrSelf(theme, parent))
        return false;
    const int fromRow = theme->row();
    if (row < 0 || row > parent->childCount() - (parent == from ? 1 : 0))
        return false;
    if (parent == from && row == fromRow)
        return true;
    const bool recorded = recording();
    moveRows(from, fromRow, 1, parent, row);
    if (recorded)
        m_undo->record(DocumentUndo::Move{theme, from, fromRow, parent, row});
    return true;
}

bool ThemeDocument::moveChildren(Theme *from, Theme *list, int row)
{
    if (!from || !list || from->m_children.empty() || isAncestorOrSelf(from, list) || row < 0 ||
        row > list->childCount())
        return false;
    const int count = from->childCount();
    const bool recorded = recording();
    moveRows(from, 0, count, list, row);
    if (recorded)
        m_undo->record(DocumentUndo::ChildrenMove{from, list, row, count});
    return true;
}

bool ThemeDocument::exchangeChildren(Theme *first, Theme *second)
{
    if (!first || !second || isAncestorOrSelf(first, second) || isAncestorOrSelf(second, first))
        return false;
    const bool recorded = recording();
    const int firstCount = first->childCount();
    const int secondCount = second->childCount();
    if (firstCount > 0)
        moveRows(first, 0, firstCount, second, secondCount);
    if (secondCount > 0)
        moveRows(second, 0, secondCount, first, 0);
    if (recorded)
        m_undo->record(DocumentUndo::Exchange{first, second});
    return true;
}

template<typename Value, typename Entry>
void ThemeDocument::setDatum(Theme *theme, Value Theme::*datum, const Value &value, Field field,
                             Entry entry)
{
    if (theme->*datum == value)
        return;
    if (recording())
        m_undo->record(entry(theme->*datum));
    theme->*datum = value;
    changed(theme, field);
}

void ThemeDocument::renameTheme(Theme *theme, const QString &name)
{
    setDatum(theme, &Theme::m_name, name, Field::Name, [&](const QString &before) {
        return DocumentUndo::TextChange{theme, true, before, name};
    });
}

void ThemeDocument::setThemeDescription(Theme *theme, const QString &text)
{
    setDatum(theme, &Theme::m_description, CompactText(text), Field::Description,
             [&](const CompactText &before) {
                 return DocumentUndo::TextChange{theme, false, before.toString(), text};
             });
}

void ThemeDocument::setThemeDate(Theme *theme, QDate date)
{
    setDatum(theme, &Theme::m_date, date, Field::Date, [&](QDate before) {
        return DocumentUndo::DateChange{theme, before, date};
    });
}

void ThemeDocument::setLinkId(Theme *theme, int id)
{
    setDatum(theme, &Theme::m_linkId, id, Field::LinkId, [&](int before) {
        return DocumentUndo::LinkIdChange{theme, before, id};
    });
}

std::optional<LinkGroup> ThemeDocument::groupBefore(int id)
{
    const auto it = recording() ? m_groups.find(id) : m_groups.end();
    return it == m_groups.end() ? std::nullopt : std::optional<LinkGroup>(it->second);
}

void ThemeDocument::groupDone(int id, std::optional<LinkGroup> before)
{
    const auto it = m_groups.find(id);
    const LinkGroup *after = it == m_groups.end() ? nullptr : &it->second;
    // Unrecorded, the group as it was is not known.
    const bool holderChanged =
            !recording() || holderIn(before ? &*before : nullptr) != holderIn(after);
    if (recording())
        m_undo->record(DocumentUndo::GroupChange{
                id, std::move(before), after ? std::optional<LinkGroup>(*after) : std::nullopt});
    notify([id, holderChanged](DocumentObserver &observer) {
        observer.groupChanged(id, holderChanged);
    });
}

void ThemeDocument::restoreGroup(int id, const std::optional<LinkGroup> &state)
{
    const auto it = m_groups.find(id);
    const bool holderChanged = holderIn(it == m_groups.end() ? nullptr : &it->second) !=
                               holderIn(state ? &*state : nullptr);
    if (state)
        m_groups[id] = *state;
    else
        m_groups.erase(id);
    notify([id, holderChanged](DocumentObserver &observer) {
        observer.groupChanged(id, holderChanged);
    });
}

// The lowest id whose group has no mark theme (or that no group has).
int ThemeDocument::freeId() const
{
    int candidate = 1;
    for (const auto &[id, group] : m_groups) {
        if (id > candidate)
            break;
        if (!group.mark)
            return id;
        ++candidate;
    }
    return candidate;
}

int ThemeDocument::joinGroup(Theme *theme, int id)
{
    if (id == 0)
        id = freeId();
    const int key = std::abs(id);
    std::optional<LinkGroup> before = groupBefore(key);
    LinkGroup &group = m_groups[key];
    if (id < 0)
        group.links.push_back(theme);
    else if (!group.mark)
        group.mark = theme;
    else
        id = 0;
    if (id != 0)
        groupDone(key, std::move(before));
    setLinkId(theme, id);
    return id;
}

ThemeDocument::GroupLeave ThemeDocument::leaveGroup(Theme *theme)
{
    GroupLeave result;
    const int id = theme ? theme->m_linkId : 0;
    const auto it = m_groups.find(std::abs(id));
    if (id == 0 || it == m_groups.end())
        return result;
    const int key = it->first;
    LinkGroup &group = it->second;
    if (id > 0) {
        // Only the group's own mark theme dissolves it; any other would leave the real mark
        // theme with an id that no group knows.
        if (group.mark != theme)
            return result;
        makeHolder(theme, result.refusedExchanges);
        std::optional<LinkGroup> before = groupBefore(key);
        const std::vector<Theme *> links = std::move(group.links);
        m_groups.erase(it);
        groupDone(key, std::move(before));
        for (Theme *link : links)
            setLinkId(link, 0);
        setLinkId(theme, 0);
        result.left = true;
        return result;
    }
    const auto found = std::find(group.links.begin(), group.links.end(), theme);
    if (found == group.links.end())
        return result;
    const int position = int(found - group.links.begin()) + 1;
    if (group.holder != 0 && group.mark) {
        makeHolder(group.mark, result.refusedExchanges);
        result.childrenStayed =
                group.holder != 0 && !returnChildrenToMarks(result.refusedExchanges);
    }
    std::optional<LinkGroup> before = groupBefore(key);
    group.links.erase(group.links.begin() + (position - 1));
    // The holder must keep naming a member: when the children could not come back, the group
    // falls back to its mark theme.
    if (group.holder == position)
        group.holder = 0;
    else if (group.holder > position)
        --group.holder;
    Theme *ordinaryMark = group.links.empty() ? group.mark : nullptr;
    if (group.links.empty())
        m_groups.erase(it);
    groupDone(key, std::move(before));
    setLinkId(theme, 0);
    if (ordinaryMark)
        setLinkId(ordinaryMark, 0);
    result.left = true;
    return result;
}

ThemeDocument::HolderChange ThemeDocument::makeHolder(Theme *theme)
{
    int refused = 0;
    return makeHolder(theme, refused);
}

ThemeDocument::HolderChange ThemeDocument::makeHolder(Theme *theme, int &refused)
{
    const int id = theme ? theme->m_linkId : 0;
    const auto it = m_groups.find(std::abs(id));
    if (id == 0 || it == m_groups.end())
        return HolderChange::Kept;
    LinkGroup &group = it->second;
    int position = 0;
    if (theme != group.mark) {
        const auto found = std::find(group.links.begin(), group.links.end(), theme);
        if (found == group.links.end())
            return HolderChange::Kept;
        position = int(found - group.links.begin()) + 1;
    }
    if (group.holder == position)
        return HolderChange::Kept;
    Theme *current = group.holder == 0 ? group.mark : group.links[size_t(group.holder - 1)];
    // The children cannot move into their own branch, nor the holder into its children.
    if (!current || isAncestorOrSelf(current, theme))
        return HolderChange::Kept;
    if (isAncestorOrSelf(theme, current)) {
        ++refused;
        return HolderChange::Refused;
    }
    std::optional<LinkGroup> before = groupBefore(it->first);
    group.holder = position;
    groupDone(it->first, std::move(before));
    exchangeChildren(current, theme);
    // Themes a hand-made file put under the member join the group's children, after them.
    if (current->childCount() > 0)
        moveChildren(current, theme, theme->childCount());
    return HolderChange::Made;
}

bool ThemeDocument::returnChildrenToMarks(int &refused)
{
    int before = 10000000;
    for (;;) {
        int left = 0;
        for (auto &[id, group] : m_groups) {
            if (group.holder == 0)
                continue;
            if (group.mark)
                makeHolder(group.mark, refused);
            if (group.holder != 0)
                ++left;
        }
        if (left == 0)
            return true;
        if (left == before) // no progress: some holder stays an ancestor of its mark theme
            return false;
        before = left;
    }
}

const LinkGroup *ThemeDocument::group(int id) const
{
    const auto it = m_groups.find(std::abs(id));
    return it == m_groups.end() ? nullptr : &it->second;
}

std::vector<int> ThemeDocument::groupIds() const
{
    std::vector<int> ids;
    for (const auto &entry : m_groups)
        ids.push_back(entry.first);
    return ids;
}
