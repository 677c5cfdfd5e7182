#pragma once

#include "common/TextCodec.h"
#include "model/Theme.h"
#include "model/TreeWalks.h"

#include <QByteArrayView>

#include <map>
#include <memory>
#include <vector>

// One link group: its mark theme, its links in the order they joined, and the member whose
// subthemes stand for the group's (0: the mark theme, k >= 1: the k-th link).
struct LinkGroup
{
    Theme *mark = nullptr;
    std::vector<Theme *> links;
    int holder = 0;
};

// A document: the root theme "/" and the branch below it, the link groups and the text form the
// document is read and written in.
class ThemeDocument
{
public:
    ThemeDocument();
    ThemeDocument(const ThemeDocument &) = delete;
    ThemeDocument &operator=(const ThemeDocument &) = delete;

    Theme *root() const { return m_root; }
    // A new last subtheme of a theme of this document.
    Theme *appendChild(Theme *parent);
    TextEncoding textEncoding() const { return m_textEncoding; }
    void setTextEncoding(TextEncoding encoding) { m_textEncoding = encoding; }

    // The name of the theme whose branch holds the reminder's task text.
    static QString reminderThemeName() { return QStringLiteral("__reminder"); }

    // The first theme of that name in the order of the file: the reminder's.
    Theme *reminderTheme() const;

    // Joins the theme to the group abs(id) as a file names it: as its mark theme for id > 0
    // (when the group has none yet), as its next link for id < 0. Gives the theme the id it got
    // (0 for a second mark theme) and returns it.
    int joinGroup(Theme *theme, int id);
    // The member whose subthemes stand for the group's: 0 the mark theme, k the k-th link.
    void setHolder(int id, int holder);

    // What settleGroups() found broken and took apart.
    struct BrokenGroups
    {
        bool linksWithoutMarks = false;
        bool marksWithoutLinks = false;
        bool any() const { return linksWithoutMarks || marksWithoutLinks; }
    };
    // Numbers the groups densely from 1 in the order of their ids; a group without a mark theme
    // or without links is taken apart and its members become ordinary themes.
    BrokenGroups settleGroups();
    // The text that reports broken groups, one line each.
    static QString brokenGroupsReport(BrokenGroups broken);

    Theme *markOf(int id) const;
    const std::vector<Theme *> &linksOf(int id) const;
    // A link's mark theme (when its group has one); any other theme itself.
    Theme *resolve(Theme *theme) const;
    // The member of the theme's group that holds the group's subthemes; the theme itself when
    // it is in no group or its group has no mark theme.
    Theme *holderOrSelf(Theme *theme) const;
    // The theme whose children stand for the theme's subthemes as a file holds them: the
    // holder of its group. A link that holds them gives null (they are met under its mark
    // theme); any other link gives itself, for themes a hand-made file put under it.
    Theme *heldChildren(Theme *theme) const;
    // True when `target` is met on the climb from `start` through the parents, each resolved
    // to its mark theme. A mark theme met a second time (below its own link) is left by the
    // link itself, so the climb ends.
    bool resolvedClimbMeets(Theme *start, const Theme *target) const;
    // The descriptions of the theme's branch as a file holds it, joined; with ownLines each
    // text starts a line. Empty for a link.
    QString subtreeText(Theme *theme, bool ownLines) const;

private:
    // The themes, a block of them at a time: one allocation per theme would cost a load and a
    // save more than all the rest of their work.
    static constexpr size_t blockSize = 4096;
    std::vector<std::unique_ptr<Theme[]>> m_blocks;
    size_t m_usedInBlock = blockSize;
    Theme *m_root;
    TextEncoding m_textEncoding = TextEncoding::Cp1251;
    std::map<int, LinkGroup> m_groups; // by id
};

// Walks below `top` in preorder (walkPreorder), every child a theme.
template<typename ChildrenOf, typename Visit>
void walkThemes(Theme *top, ChildrenOf childrenOf, Visit visit)
{
    walkPreorder(
            top, [](Theme *child) { return child; }, childrenOf, visit);
}

// The subthemes of `top` as a file holds them: top's own children, and below each of them the
// children its group's holder carries; links that hold are not entered.
template<typename Visit>
void walkHeldBranch(const ThemeDocument &document, Theme *top, Visit visit)
{
    walkThemes(
            top, [&](Theme *theme) { return theme == top ? theme : document.heldChildren(theme); },
            visit);
}
