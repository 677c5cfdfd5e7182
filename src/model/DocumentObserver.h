#pragma once

class Theme;

// What a view or a cache of a document hears of its changes. Only changes to the document's own
// tree are told (a branch built apart is heard of once, when it is inserted); the link groups
// are told of whatever the themes concerned. Rows are indexes in the parent's list of children.
// Every call comes synchronously from the primitive that makes the change; an observer neither
// changes the document nor comes or goes while it is told.
class DocumentObserver
{
public:
    enum class Field { Name, Description, Date, LinkId };

    virtual ~DocumentObserver() = default;

    // Rows first..last of parent are about to come / have come.
    virtual void aboutToInsert(Theme *parent, int first, int last);
    virtual void inserted(Theme *parent, int first, int last);
    // Rows first..last of parent are about to leave / have left (the themes stay alive).
    virtual void aboutToRemove(Theme *parent, int first, int last);
    virtual void removed(Theme *parent, int first, int last);
    // Rows first..last of `from` go to `to`, before the row that stands at `destination` before
    // the move (the item model's convention: a move down within a list names the row below).
    virtual void aboutToMove(Theme *from, int first, int last, Theme *to, int destination);
    virtual void moved(Theme *from, int first, int last, Theme *to, int destination);
    virtual void changed(Theme *theme, Field field);
    // The group's mark theme, links or holder changed; its members' ids come as changed().
    // `holderChanged`: another member, or none, holds the group's children now.
    virtual void groupChanged(int id, bool holderChanged);
    // The whole tree is about to be / has been replaced by another (a file read anew): every
    // theme an observer knows is gone.
    virtual void aboutToReplace();
    virtual void replaced();
};
