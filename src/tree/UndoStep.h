#pragma once

#include "tree/MLStorage.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class ColorListViewItem;
class QTreeWidgetItem;

// One step of the tree's undo history: the small changes a command made, in order, each with
// what it takes to make it again or take it back. Themes keep their identity, so the entries
// hold pointers: a theme that leaves the tree is kept alive by the step, never copied.
namespace Undo {

// A theme's name (name) or description, as it was and as it became.
struct TextChange
{
    ColorListViewItem *theme;
    bool name;
    QString before;
    QString after;
};

// One of a theme's integer slots: its date, its link id (with the icon) or another.
struct SlotChange
{
    ColorListViewItem *theme;
    int slot;
    int before;
    int after;
};

// A theme entering (inserted) or leaving a list of children at index.
struct Placement
{
    ColorListViewItem *theme;
    QTreeWidgetItem *parent;
    int index;
    bool inserted;
};

// All `count` children of `from` moved, in order, to index of another list.
struct ChildrenMove
{
    QTreeWidgetItem *from;
    QTreeWidgetItem *list;
    int index;
    int count;
};

// Two themes swapped their lists of children (a link group's holder changed).
struct Exchange
{
    ColorListViewItem *first;
    ColorListViewItem *second;
};

using Entry = std::variant<TextChange, SlotChange, Placement, ChildrenMove, Exchange>;

// The view's own state around a step.
struct ViewState
{
    ColorListViewItem *current = nullptr;
    ColorListViewItem *cutSource = nullptr;
    ColorListViewItem *copySource = nullptr;
    ColorListViewItem *reminderTheme = nullptr;
    int themeCount = 0;
    bool moveLeftPlacement = false;
};

// The link storage's records a step touched: each as it was before its first change and as it
// is after the step; a change of every record at once (a file's groups merged) keeps the whole.
struct StorageChanges
{
    std::optional<MLStorage::State> wholeBefore;
    std::optional<MLStorage::State> wholeAfter;
    std::map<int, std::optional<MLStorage::Record>> before; // taken before wholeBefore, if any
    std::map<int, std::optional<MLStorage::Record>> after;
};

struct Step
{
    const char *text = nullptr; // the command's name: "Delete"
    std::vector<Entry> entries;
    std::unique_ptr<StorageChanges> storage;
    // Branches the step removed from the tree: alive while the step can be undone.
    std::vector<ColorListViewItem *> kept;
    ViewState before;
    ViewState after;
    // The theme whose name editor the step opened: the name given there joins the step.
    ColorListViewItem *renamed = nullptr;
    qint64 keptBytes = 0; // an estimate of the memory the kept branches hold
    qint64 bytes = 0;     // and of all the step holds
};

} // namespace Undo
