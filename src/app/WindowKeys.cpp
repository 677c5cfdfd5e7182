#include "app/WindowKeys.h"

namespace WindowKeys {

namespace {

using Qt::AltModifier;
using Qt::ControlModifier;
using Qt::NoModifier;

const KeyBinding everywhereTable[] = {
        {AltModifier, Qt::Key_0, 0, RaiseThisWindow,
         "Raise this main window (Поднять главное окно)"},
        // Without a detached window at that place nothing happens, and the key is not typed.
        {AltModifier, Qt::Key_1, Qt::Key_9, DetachedWindow,
         "Go to the detached window of that number (Перейти к выноске с этим номером)"},
        {ControlModifier, Qt::Key_Tab, 0, PreviousWindow,
         "Go to the previously active main window (Перейти к предыдущему окну)"},
};

const KeyBinding documentTable[] = {
        {ControlModifier, Qt::Key_K, 0, CtrlKPrefix, nullptr},
        {AltModifier, Qt::Key_Return, 0, ApplyDescription, nullptr},
};

const KeyBinding afterCtrlKTable[] = {
        {NoModifier, Qt::Key_6, 0, CrashTest, "Crash test (Аварийное завершение)",
         KeyBinding::AnyModifiers},
        {NoModifier, Qt::Key_H, 0, SaveBranchWithoutHidden,
         "Save the branch without its hidden parts (Сохранить ветвь без скрытых частей)",
         KeyBinding::AnyModifiers},
};

const KeyBinding treeTable[] = {
        {NoModifier, Qt::Key_Return, 0, FocusDescription,
         "Go to the description (Перейти к описанию)"},
        {ControlModifier, Qt::Key_Return, 0, FocusDescription, nullptr},
        {NoModifier, Qt::Key_Escape, 0, EndFilter,
         "Show the whole tree again after F8 (Показать всё дерево)"},
};

const KeyBinding editorTable[] = {
        {ControlModifier, Qt::Key_Return, 0, FocusTree, "Go to the tree (Перейти к дереву)"},
};

const KeyBinding locationTable[] = {
        {NoModifier, Qt::Key_Plus, 0, LocationGrow, "Larger (Больше)", KeyBinding::Keypad},
        {NoModifier, Qt::Key_Minus, 0, LocationShrink, "Smaller (Меньше)", KeyBinding::Keypad},
        {AltModifier, Qt::Key_Left, 0, LocationNarrower, "Narrower (Уже)"},
        {AltModifier, Qt::Key_Right, 0, LocationWider, "Wider (Шире)"},
        {AltModifier, Qt::Key_Up, 0, LocationShorter, "Shorter (Ниже)"},
        {AltModifier, Qt::Key_Down, 0, LocationTaller, "Taller (Выше)"},
        {ControlModifier, Qt::Key_Left, 0, LocationDisabled, nullptr},
        {ControlModifier, Qt::Key_Right, 0, LocationDisabled, nullptr},
        {NoModifier, Qt::Key_Left, 0, LocationLeft, "Move left (Влево)", KeyBinding::AnyModifiers},
        {NoModifier, Qt::Key_Right, 0, LocationRight, "Move right (Вправо)",
         KeyBinding::AnyModifiers},
        {NoModifier, Qt::Key_Up, 0, LocationUp, "Move up (Вверх)", KeyBinding::AnyModifiers},
        {NoModifier, Qt::Key_Down, 0, LocationDown, "Move down (Вниз)", KeyBinding::AnyModifiers},
        {NoModifier, Qt::Key_Escape, 0, LocationEnd,
         "End the location mode (Закончить изменение положения)", KeyBinding::AnyModifiers},
        {NoModifier, 0, 0, LocationIgnored, nullptr, KeyBinding::AnyModifiers},
};

} // namespace

std::span<const KeyBinding> everywhere()
{
    return everywhereTable;
}

std::span<const KeyBinding> document()
{
    return documentTable;
}

std::span<const KeyBinding> afterCtrlK()
{
    return afterCtrlKTable;
}

std::span<const KeyBinding> tree()
{
    return treeTable;
}

std::span<const KeyBinding> editor()
{
    return editorTable;
}

std::span<const KeyBinding> location()
{
    return locationTable;
}

} // namespace WindowKeys
