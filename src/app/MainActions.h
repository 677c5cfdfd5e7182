#pragma once

#include <QKeyCombination>
#include <QList>

#include <span>

// The main window's commands as data: every action with its menu, texts, shortcut, object name
// and target, the tool bars and their buttons. The window builds its menus, tool bars and
// actions from these tables, and the key list is read back from them.
namespace MainActions {

enum class Target { Window, Tree, Aux, Location, Files, Detached, Memory, Search, Outlines };

enum Flag {
    TreeEditing = 1, // enabled only while the tree has the focus (and no name is being edited)
    Toggle = 2,      // checkable; drives its slot through toggled(bool)
};

inline constexpr QKeyCombination NoKey = QKeyCombination::fromCombined(0);

struct Action
{
    const char *menu; // menu path: "&File", "&File/&File(OS API)"
    const char *text; // menu text; null: a separator
    const char *tip;  // descriptive text: tool tip and status tip
    QKeyCombination shortcut;
    const char *objectName;
    Target target;
    const char *slot; // slot signature on the target, "menuSaveFile()"
    int flags;
};

struct ToolBar
{
    const char *objectName;
    const char *label;
};

struct ToolButton
{
    const char *toolBar; // object name of its tool bar
    const char *objectName;
    const char *english; // the tool tip: english + " (" + russian + ")" + " - " + shortcut
    const char *russian;
    QKeyCombination shortcut;
    const char *icon; // resource path
    Target target;
    const char *slot;
};

// In menu order: menus, their entries and separators stand as they do here.
std::span<const Action> actions();
// In the order the window creates them; a tool bar without buttons is left out.
std::span<const ToolBar> toolBars();
std::span<const ToolButton> toolButtons();
// The keys of the key recorder's own commands, which it neither records nor holds back.
QList<QKeyCombination> recorderKeys();

} // namespace MainActions
