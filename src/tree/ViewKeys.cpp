#include "tree/ViewKeys.h"

#include "tree/ScrollMath.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace {

using namespace ViewKeys;
using Qt::AltModifier;
using Qt::ControlModifier;
using Qt::NoModifier;
using Qt::ShiftModifier;

// The keypad flag does not count.
const KeyBinding viewKeys[] = {
        {ControlModifier, Qt::Key_Space, 0, NotHandled},
        {NoModifier, Qt::Key_Space, 0, Rename, "Rename the theme (Переименовать тему)",
         KeyBinding::AnyModifiers},
        {NoModifier, Qt::Key_Right, 0, OpenTheme, "Open a closed theme (Открыть тему)"},
        {NoModifier, Qt::Key_Delete, 0, Delete},
        {ShiftModifier, Qt::Key_Insert, 0, Paste},
        {ShiftModifier, Qt::Key_Delete, 0, Cut},
        {ShiftModifier, Qt::Key_Up, 0, InsertUp},
        {ShiftModifier, Qt::Key_Right, 0, InsertInto},
        {ShiftModifier, Qt::Key_Down, 0, InsertDown},
        {ControlModifier, Qt::Key_Insert, 0, Copy},
        {ControlModifier, Qt::Key_Left, 0, MoveLeft},
        {ControlModifier, Qt::Key_Up, 0, MoveUp},
        {ControlModifier, Qt::Key_Right, 0, MoveRight},
        {ControlModifier, Qt::Key_Down, 0, MoveDown},
        {AltModifier, Qt::Key_Left, 0, ScrollLeft},
        {AltModifier, Qt::Key_Up, 0, ScrollUp},
        {AltModifier, Qt::Key_Right, 0, ScrollRight},
        {AltModifier, Qt::Key_Down, 0, ScrollDown},
        // Besides Ctrl+Shift+Z of the window's menu.
        {ControlModifier, Qt::Key_Y, 0, Redo, "Redo (Повторить изменение дерева)"},
        {ControlModifier, 0, 0, NotHandled},
        // Where the toolkit's own * opened theme by theme, and each link on the way took its
        // group's subthemes from the member before it.
        {NoModifier, Qt::Key_Asterisk, 0, OpenBranch,
         "Open the theme and every theme below it (Открыть тему и все темы под ней)",
         KeyBinding::AnyModifiers},
};

} // namespace

namespace ViewKeys {

std::span<const KeyBinding> table()
{
    return viewKeys;
}

void scrollHalfPage(QAbstractScrollArea *area, Command direction)
{
    const bool across = direction == ScrollLeft || direction == ScrollRight;
    QScrollBar *bar = across ? area->horizontalScrollBar() : area->verticalScrollBar();
    const int page = across ? area->viewport()->width() : area->viewport()->height();
    const int whole = bar->maximum() + page;
    switch (direction) {
    case ScrollLeft:
        bar->setValue(ScrollMath::left(bar->value(), page));
        break;
    case ScrollRight:
        bar->setValue(ScrollMath::right(bar->value(), page, whole));
        break;
    case ScrollUp:
        bar->setValue(ScrollMath::up(bar->value(), page));
        break;
    default:
        bar->setValue(ScrollMath::down(bar->value(), page, whole));
        break;
    }
}

} // namespace ViewKeys
