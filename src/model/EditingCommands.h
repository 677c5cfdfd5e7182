#pragma once

#include "model/DocumentUndo.h"

#include <functional>

// The tree-editing commands on a document: insert, move, cut, copy, the three pastes, delete
// and drop. Each one either does its work as one named step of the history, or is refused and
// changes nothing. They know nothing of a view: what the view does next (the theme to make
// current, the name editor to open) comes back in the outcome, and whatever depends on rows in
// sight comes in as a question.
//
// A group's children hang under its holder; the view shows every other member with a
// placeholder child, and a theme is never put beside a placeholder.
class EditingCommands
{
public:
    // Undo and redo put back the sources of a paste and the direction of a move left.
    EditingCommands(ThemeDocument &document, DocumentUndo &undo);
    ~EditingCommands();
    EditingCommands(const EditingCommands &) = delete;
    EditingCommands &operator=(const EditingCommands &) = delete;

    struct Outcome
    {
        bool refused = false;     // the "cannot do it" box; nothing changed
        bool kindAsked = false;   // a copied theme pasted: which kind of paste
        Theme *current = nullptr; // the theme to make current; null: it stays
        Theme *opened = nullptr;  // a new theme, whose name editor opens
    };
    Outcome insertAbove(Theme *current);
    Outcome insertBelow(Theme *current);
    Outcome insertInto(Theme *current);
    Outcome moveLeft(Theme *current);
    Outcome moveRight(Theme *current);
    Outcome moveUp(Theme *current);
    Outcome moveDown(Theme *current);
    Outcome allChildrenOut(Theme *current);
    Outcome cut(Theme *current);
    Outcome copy(Theme *current);
    // A cut theme moves into the target; a copied one asks for the kind of paste.
    Outcome paste(Theme *current);
    Outcome pasteCopy(Theme *current);
    Outcome pasteLink(Theme *current);
    // The theme that stays current is the next sibling in sight, else the one before.
    Outcome remove(Theme *current, const std::function<bool(Theme *)> &inSight);
    // The reminder's theme; the document without one gets it first below the root, with the
    // example task lines (one step "Create Reminder").
    Outcome goToReminder(Theme *current, const QString &exampleText);
    // A document read apart (a file, an outline, a generated branch) joins as a new first
    // subtheme of `parent`, named and dated as given, with the read root's description; its link
    // groups take ids after the document's own. One step named `text`; the new theme is current.
    Outcome insertDocument(Theme *parent, const ThemeDocument &source, const QString &name,
                           QDate date, const char *text);
    // The document's tree was replaced: every theme the commands kept is gone.
    void forgetThemes();
    // Opening a group's member makes it the holder; gives the theme that then shows the
    // group's children, unless they lie in the member's own branch.
    Theme *open(Theme *member);
    // The name typed into the editor an outcome opened: it belongs to that command's step.
    // Closed without a name, the next rename is a step of its own.
    void nameOpened(const QString &name);
    void closeNaming() { m_opened = nullptr; }
    void rename(Theme *theme, const QString &name);

    enum class DropPlace { Before, Into, After };
    enum class DropKind { Move, Copy, Link };
    bool canDrop(Theme *dragged, Theme *target, DropPlace place, DropKind kind) const;
    // The theme a drop at that place pastes into; null where nothing may be dropped.
    Theme *dropParent(Theme *target, DropPlace place) const;
    // One step "Drag and Drop"; what the keys cut or copied stays as it was.
    Outcome drop(Theme *dragged, Theme *target, DropPlace place, DropKind kind);

    // While they stand in the tree.
    Theme *cutSource() const { return inTree(m_cutSource); }
    Theme *copySource() const { return inTree(m_copySource); }
    // The theme a paste would bring, as the status shows it: "[for cut - a]", "[for copy - a]".
    QString sourceText() const;
    // The theme current when the step last undone was begun, or when the step last redone was
    // done; null for a step made by no command.
    Theme *replayedCurrent() const { return inTree(m_replayedCurrent); }

private:
    template<typename Work>
    Outcome step(const char *text, Theme *current, Work work);
    bool editable(const Theme *theme, bool belowRoot) const;
    Theme *inTree(Theme *theme) const;
    Theme *holder(Theme *member);
    bool pasteRefused(Theme *moved, Theme *target) const;
    QString freeName(const Theme *theme, const QString &name) const;
    Theme *insertNew(Theme *parent, int row, const QString &name = QString());
    void moveAfter(Theme *theme, Theme *anchor, Theme *parent = nullptr);
    Outcome opened(Theme *created);
    Theme *pasteMoved(Theme *moved, Theme *target);
    Theme *pasteCopyOf(Theme *source, Theme *target);
    Theme *pasteLinkOf(Theme *source, Theme *target);
    Theme *copyOf(Theme *source, QDate today);
    void deleteBranch(Theme *top);
    struct SideState
    {
        Theme *cutSource;
        Theme *copySource;
        bool moveLeftPlacement;
        Theme *current;
    };

    ThemeDocument &m_document;
    DocumentUndo &m_undo;
    Theme *m_cutSource = nullptr;
    Theme *m_copySource = nullptr;
    // Moving left, the last child follows the direction the ones before it took.
    bool m_moveLeftPlacement = false;
    Theme *m_current = nullptr; // the current theme as the open step finds and leaves it
    Theme *m_replayedCurrent = nullptr;
    Theme *m_opened = nullptr;
    int m_openedAt = -1; // the history's index after the step that opened it
};
