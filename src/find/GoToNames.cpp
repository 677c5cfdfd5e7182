#include "find/GoToNames.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {

// Beyond this many changed lists one gathering of all costs less than taking each apart.
constexpr size_t mostChangedLists = 64;

} // namespace

GoToNames::GoToNames(ThemeDocument &document, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_watch(document, *this)
{}

void GoToNames::Watch::aboutToRemove(Theme *parent, int first, int last)
{
    // What was noted inside the leaving branch goes with the list it left, noted as that list
    // changed.
    const auto leaves = [&](const Theme *theme) { return inRows(theme, parent, first, last); };
    names.m_renamed.removeIf([&](Theme *theme) { return leaves(theme); });
    std::erase_if(names.m_changedLists, leaves);
    for (int row = first; row <= last; ++row)
        names.note(parent, parent->child(row));
}

void GoToNames::Watch::inserted(Theme *parent, int first, int last)
{
    for (int row = first; row <= last; ++row)
        names.note(parent, parent->child(row));
}

void GoToNames::Watch::moved(Theme *from, int, int, Theme *to, int)
{
    // The branches moved are as they were: a list they stay in takes them over.
    names.note(from, nullptr);
    if (to != from)
        names.note(to, nullptr);
}

void GoToNames::Watch::changed(Theme *theme, Field field)
{
    if (field == Field::LinkId) {
        names.forget();
        return;
    }
    if (field == Field::Name && names.m_gathered)
        names.m_renamed.insert(theme);
    // Descriptions and dates: nothing listed changes, but a list shown may go.
    Q_EMIT names.changed();
}

void GoToNames::note(Theme *changedList, Theme *placed)
{
    if (m_changedLists.size() >= mostChangedLists) {
        forget();
        return;
    }
    if (m_gathered) {
        if (std::find(m_changedLists.begin(), m_changedLists.end(), changedList) ==
            m_changedLists.end())
            m_changedLists.push_back(changedList);
        if (placed)
            m_placed.insert(placed);
    }
    Q_EMIT changed();
}

void GoToNames::forget()
{
    m_gathered = false;
    m_changedLists.clear();
    m_renamed.clear();
    m_placed.clear();
    Q_EMIT changed();
}

void GoToNames::gatherAll()
{
    m_changedLists.clear();
    m_renamed.clear();
    m_placed.clear();
    ThemeMatcher::gatherReachable(m_document, m_themes, &m_depths);
    m_names.clear();
    m_names.reserve(int(m_themes.size()), 32 * int(m_themes.size()));
    for (const Theme *theme : m_themes)
        m_names.append(theme->name());
    m_gathered = true;
}

void GoToNames::update()
{
    if (!m_gathered) {
        gatherAll();
        return;
    }
    if (isCurrent())
        return;
    std::vector<int> kept(m_themes.size());
    std::iota(kept.begin(), kept.end(), 0);
    for (Theme *owner : std::exchange(m_changedLists, {})) {
        // A link group's subthemes show under its mark, wherever they are held.
        if (owner->linkId() != 0) {
            gatherAll();
            return;
        }
        if (owner == m_document.root()) {
            listAgain(owner, 0, 0, kept);
            continue;
        }
        // A list not shown now is shown, if ever, within a changed list of a theme above it.
        const auto at = std::find(m_themes.begin(), m_themes.end(), owner);
        if (at != m_themes.end())
            listAgain(owner, size_t(at - m_themes.begin()) + 1,
                      m_depths[size_t(at - m_themes.begin())], kept);
    }
    // A few renamed themes are looked for; many are looked up as the list is passed.
    if (m_renamed.size() <= 8) {
        for (Theme *theme : std::as_const(m_renamed))
            if (const auto at = std::find(m_themes.begin(), m_themes.end(), theme);
                at != m_themes.end())
                kept[size_t(at - m_themes.begin())] = -1;
    } else {
        for (size_t i = 0; i < m_themes.size(); ++i)
            if (m_renamed.contains(m_themes[i]))
                kept[i] = -1;
    }
    m_renamed.clear();
    m_placed.clear();
    // Into the room of the names before the last: no fresh pages for each update.
    ThemeMatcher::FoldedNames names = std::move(m_spareNames);
    names.clear();
    names.reserve(int(m_themes.size()), int(m_names.text().size()) + int(m_themes.size()));
    for (size_t i = 0; i < m_themes.size();) {
        if (kept[i] < 0) {
            names.append(m_themes[i]->name());
            ++i;
            continue;
        }
        // Names that follow each other in the old list are copied in one piece.
        size_t run = 1;
        while (i + run < m_themes.size() && kept[i + run] == kept[i] + int(run))
            ++run;
        names.appendNames(m_names, kept[i], int(run));
        i += run;
    }
    m_spareNames = std::move(m_names);
    m_names = std::move(names);
}

void GoToNames::listAgain(Theme *owner, size_t first, int depth, std::vector<int> &kept)
{
    size_t end = first;
    while (end < m_themes.size() && m_depths[end] > depth)
        ++end;
    // Each subtheme listed before, with where its branch begins and ends.
    QHash<Theme *, std::pair<size_t, size_t>> branches;
    for (size_t i = first; i < end;) {
        size_t next = i + 1;
        while (next < end && m_depths[next] > depth + 1)
            ++next;
        branches.insert(m_themes[i], {i, next});
        i = next;
    }
    std::vector<Theme *> themes;
    std::vector<int> depths;
    std::vector<int> keptNow;
    auto add = [&](Theme *theme, int at) {
        themes.push_back(theme);
        depths.push_back(at);
        keptNow.push_back(-1);
    };
    for (int c = 0; c < owner->childCount(); ++c) {
        Theme *child = owner->child(c);
        if (const auto old = branches.constFind(child);
            old != branches.cend() && !m_placed.contains(child)) {
            const auto [from, to] = *old;
            themes.insert(themes.end(), m_themes.begin() + qsizetype(from),
                          m_themes.begin() + qsizetype(to));
            depths.insert(depths.end(), m_depths.begin() + qsizetype(from),
                          m_depths.begin() + qsizetype(to));
            keptNow.insert(keptNow.end(), kept.begin() + qsizetype(from),
                           kept.begin() + qsizetype(to));
            continue;
        }
        add(child, depth + 1);
        walkThemes(
                child, [this](Theme *theme) { return m_document.heldChildren(theme); },
                [&](Theme *theme, int below, int) { add(theme, depth + 1 + below); });
    }
    auto splice = [first, end](auto &into, auto &from) {
        into.erase(into.begin() + qsizetype(first), into.begin() + qsizetype(end));
        into.insert(into.begin() + qsizetype(first), from.begin(), from.end());
    };
    splice(m_themes, themes);
    splice(m_depths, depths);
    splice(kept, keptNow);
}
