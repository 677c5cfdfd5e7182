#pragma once

#include "common/TextCodec.h"
#include "model/DocumentObserver.h"
#include "model/Theme.h"
#include "model/TreeWalks.h"

#include <QByteArrayView>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class DocumentUndo;

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
//
// A document is built (read from a file, or a branch made apart from the tree) through
// appendChild() and the themes' setters, which nobody hears and no history records. Once it is
// live, its themes change only through the primitives below: each is recorded by the undo
// history attached to the document and told to every observer, and costs what it changes.
class ThemeDocument
{
public:
    ThemeDocument();
    ThemeDocument(const ThemeDocument &) = delete;
    ThemeDocument &operator=(const ThemeDocument &) = delete;

    Theme *root() const { return m_root; }
    // A new last subtheme of a theme of this document: the reader's way, silent.
    Theme *appendChild(Theme *parent);
    // True when the theme is the root or below it (false for a branch out of the tree).
    bool contains(const Theme *theme) const;

    // Takes over the tree, groups and form of `source`, which gets this document's: a file read
    // into a document of its own replaces the one a window shows. The history starts afresh.
    void replaceContents(ThemeDocument &source);

    void addObserver(DocumentObserver *observer);
    void removeObserver(DocumentObserver *observer);

    // The primitives. A theme without a parent, made here or taken out, is a detached branch;
    // one that a recorded step left out belongs to the history from then on, which frees it
    // once no step can bring it back.
    Theme *createTheme();
    // Frees a detached branch nobody will insert (its themes serve createTheme() again). A
    // branch whose themes still stand in a link group is kept: the group points at them.
    void releaseBranch(Theme *top);
    // A detached theme (with its branch) joins parent's list at row 0..childCount().
    bool insertTheme(Theme *parent, int row, Theme *theme);
    // The theme leaves its list with its branch, and keeps its identity and its groups.
    bool takeTheme(Theme *theme);
    // The theme goes to `row` of parent's list (its index there afterwards); not into its own
    // branch.
    bool moveTheme(Theme *theme, Theme *parent, int row);
    // Every child of `from` goes, in order, to `row` of list's list; list is not in from's
    // branch.
    bool moveChildren(Theme *from, Theme *list, int row);
    // The two themes swap their lists of children; neither is in the other's branch.
    bool exchangeChildren(Theme *first, Theme *second);
    void renameTheme(Theme *theme, const QString &name);
    void setThemeDescription(Theme *theme, const QString &text);
    void setThemeDate(Theme *theme, QDate date);
    TextEncoding textEncoding() const { return m_textEncoding; }
    void setTextEncoding(TextEncoding encoding) { m_textEncoding = encoding; }

    // The name of the theme whose branch holds the reminder's task text.
    static QString reminderThemeName() { return QStringLiteral("__reminder"); }

    // The first theme of that name in the order of the file: the reminder's.
    Theme *reminderTheme() const;

    // Joins the theme to the group abs(id): as its mark theme for id > 0 (when the group has
    // none yet), as its next link for id < 0, as the mark theme of the lowest id without one
    // for 0. Gives the theme the id it got (0 for a second mark theme) and returns it.
    int joinGroup(Theme *theme, int id);
    // What leaving a group met: holders that could not give the group's children back (each
    // one a refused exchange), and whether the children stayed away from the mark theme.
    struct GroupLeave
    {
        bool left = false;
        int refusedExchanges = 0;
        bool childrenStayed = false;
    };
    // The theme leaves its group; the group dissolves (its members become ordinary themes)
    // when its mark theme or its last link leaves. The group's children first return to the
    // mark theme. A mark theme that is not its group's own leaves nothing.
    GroupLeave leaveGroup(Theme *theme);
    enum class HolderChange { Made, Kept, Refused };
    // Makes a member of a group hold the group's children: the holder's children and the
    // member's swap, and themes of the member's own follow the group's. Kept when it holds them
    // already, when the group has no mark theme yet, or when the holder is the member or one of
    // its ancestors; Refused when the member is an ancestor of the holder.
    HolderChange makeHolder(Theme *theme);
    // Building: the member whose subthemes stand for the group's (0 the mark theme, k the k-th
    // link), with the children already in place.
    void setHolder(int id, int holder);
    const LinkGroup *group(int id) const;
    std::vector<int> groupIds() const;

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
    // The theme of the branch as a file holds it with the latest date, the last in preorder among
    // equals; a link is its own newest.
    Theme *newestTheme(Theme *theme) const;
    // The characters of the branch's descriptions and names, the top's name left out.
    qint64 characterCount(Theme *top) const;

private:
    friend class DocumentUndo;

    template<typename Call>
    void notify(Call call)
    {
        for (DocumentObserver *observer : m_observers)
            call(*observer);
    }
    bool recording();
    void changed(Theme *theme, DocumentObserver::Field field);
    // Sets one datum of a theme, recording the entry that takes it back.
    template<typename Value, typename Entry>
    void setDatum(Theme *theme, Value Theme::*datum, const Value &value,
                  DocumentObserver::Field field, Entry entry);
    void setLinkId(Theme *theme, int id);
    // The group's state before a change, when a history records it.
    std::optional<LinkGroup> groupBefore(int id);
    void groupDone(int id, std::optional<LinkGroup> before);
    void restoreGroup(int id, const std::optional<LinkGroup> &state);
    // Moves count rows of `from` from `first` to `row` of to's list (the index of the first one
    // there afterwards), telling the observers.
    void moveRows(Theme *from, int first, int count, Theme *to, int row);
    HolderChange makeHolder(Theme *theme, int &refused);
    bool returnChildrenToMarks(int &refused);
    int freeId() const;
    void recycle(Theme *theme);

    // The themes, a block of them at a time: one allocation per theme would cost a load and a
    // save more than all the rest of their work.
    static constexpr size_t blockSize = 4096;
    std::vector<std::unique_ptr<Theme[]>> m_blocks;
    size_t m_usedInBlock = blockSize;
    Theme *m_root;
    TextEncoding m_textEncoding = TextEncoding::Cp1251;
    std::map<int, LinkGroup> m_groups; // by id
    std::vector<Theme *> m_free;       // released themes, for createTheme()
    std::vector<DocumentObserver *> m_observers;
    DocumentUndo *m_undo = nullptr;
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
