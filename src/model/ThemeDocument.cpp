#include "model/ThemeDocument.h"

#include "model/DocumentUndo.h"

#include <QCoreApplication>

#include <cstdlib>

void ThemeDocument::replaceContents(ThemeDocument &source)
{
    if (m_undo)
        m_undo->clear();
    notify([](DocumentObserver &observer) { observer.aboutToReplace(); });
    std::swap(m_blocks, source.m_blocks);
    std::swap(m_usedInBlock, source.m_usedInBlock);
    std::swap(m_root, source.m_root);
    std::swap(m_textEncoding, source.m_textEncoding);
    std::swap(m_groups, source.m_groups);
    std::swap(m_free, source.m_free);
    notify([](DocumentObserver &observer) { observer.replaced(); });
}

ThemeDocument::ThemeDocument()
    : m_root(appendChild(nullptr))
{
    m_root->setName(QStringLiteral("/"));
}

Theme *ThemeDocument::appendChild(Theme *parent)
{
    if (m_usedInBlock == blockSize) {
        m_blocks.push_back(std::make_unique<Theme[]>(blockSize));
        m_usedInBlock = 0;
    }
    Theme *theme = &m_blocks.back()[m_usedInBlock++];
    theme->m_parent = parent;
    if (parent) {
        theme->m_row = int(parent->m_children.size());
        parent->m_children.push_back(theme);
    }
    return theme;
}

Theme *ThemeDocument::reminderTheme() const
{
    Theme *found = nullptr;
    walkThemes(
            m_root, [&found](Theme *t) { return found ? nullptr : t; },
            [&found](Theme *t, int, int) {
                if (!found && t->name() == reminderThemeName())
                    found = t;
            });
    return found;
}

void ThemeDocument::setHolder(int id, int holder)
{
    if (const auto it = m_groups.find(std::abs(id)); it != m_groups.end())
        it->second.holder = holder;
}

ThemeDocument::BrokenGroups ThemeDocument::settleGroups()
{
    BrokenGroups broken;
    std::map<int, LinkGroup> numbered;
    int next = 1;
    for (auto &[id, group] : m_groups) {
        if (!group.mark) {
            broken.linksWithoutMarks = broken.linksWithoutMarks || !group.links.empty();
            for (Theme *link : group.links)
                link->setLinkId(0);
        } else if (group.links.empty()) {
            broken.marksWithoutLinks = true;
            group.mark->setLinkId(0);
        } else {
            group.mark->setLinkId(next);
            for (Theme *link : group.links)
                link->setLinkId(-next);
            numbered.emplace(next, std::move(group));
            ++next;
        }
    }
    m_groups = std::move(numbered);
    return broken;
}

QString ThemeDocument::brokenGroupsReport(BrokenGroups broken)
{
    QString report;
    if (broken.linksWithoutMarks)
        report += QCoreApplication::translate("MLStorage", "Link(s) Without Mark(s)\n");
    if (broken.marksWithoutLinks)
        report += QCoreApplication::translate("MLStorage", "Mark(s) Without Link(s)\n");
    return report;
}

Theme *ThemeDocument::markOf(int id) const
{
    const auto it = m_groups.find(std::abs(id));
    return id == 0 || it == m_groups.end() ? nullptr : it->second.mark;
}

const std::vector<Theme *> &ThemeDocument::linksOf(int id) const
{
    static const std::vector<Theme *> none;
    const auto it = m_groups.find(std::abs(id));
    return id == 0 || it == m_groups.end() ? none : it->second.links;
}

Theme *ThemeDocument::resolve(Theme *theme) const
{
    if (theme && theme->linkId() < 0)
        if (Theme *mark = markOf(theme->linkId()))
            return mark;
    return theme;
}

Theme *ThemeDocument::holderOrSelf(Theme *theme) const
{
    if (!theme || theme->linkId() == 0)
        return theme;
    const auto it = m_groups.find(std::abs(theme->linkId()));
    if (it == m_groups.end() || !it->second.mark)
        return theme;
    const LinkGroup &group = it->second;
    return group.holder == 0 ? group.mark : group.links[size_t(group.holder - 1)];
}

Theme *ThemeDocument::heldChildren(Theme *theme) const
{
    if (theme->linkId() >= 0)
        return holderOrSelf(theme);
    return holderOrSelf(theme) == theme ? nullptr : theme;
}

bool ThemeDocument::resolvedClimbMeets(Theme *start, const Theme *target) const
{
    return ::resolvedClimbMeets(
            start, target, [](Theme *theme) { return theme->parent(); },
            [this](Theme *theme) { return resolve(theme); });
}

QString ThemeDocument::subtreeText(Theme *theme, bool ownLines) const
{
    if (!theme || theme->linkId() < 0)
        return QString();
    Theme *holder = holderOrSelf(theme);
    QString text = holder->description();
    walkHeldBranch(*this, holder, [&](Theme *t, int, int) {
        if (t->linkId() < 0)
            return;
        const QString &next = holderOrSelf(t)->description();
        if (ownLines && !next.isEmpty() && !text.isEmpty() && !text.endsWith(u'\n'))
            text += u'\n';
        text += next;
    });
    return text;
}

Theme *ThemeDocument::newestTheme(Theme *theme) const
{
    if (!theme || theme->linkId() < 0)
        return theme;
    Theme *newest = theme;
    walkHeldBranch(*this, holderOrSelf(theme), [&](Theme *t, int, int) {
        if (t->date() >= newest->date())
            newest = t;
    });
    return newest;
}

qint64 ThemeDocument::characterCount(Theme *top) const
{
    qint64 characters = top->descriptionSize();
    const auto self = [](Theme *theme) { return theme; };
    walkThemes(top, self,
               [&](Theme *t, int, int) { characters += t->descriptionSize() + t->name().size(); });
    return characters;
}
