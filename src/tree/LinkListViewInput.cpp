// Keys, mouse, scrolling and in-place renaming of the theme tree view.
#include "tree/LinkListView.h"

#include "editor/KeyTable.h"
#include "tree/NameEditor.h"
#include "tree/TreeUndo.h"
#include "tree/ViewKeys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

using namespace ViewKeys;
using Slot = void (LinkListView::*)();

// The slot of each command up to OpenTheme, in the order of ViewKeys::Command.
const Slot commandSlots[] = {
        &LinkListView::menuEditThemeName, &LinkListView::menuDelete,
        &LinkListView::menuPaste,         &LinkListView::menuCut,
        &LinkListView::menuTreeInsert_Up, &LinkListView::menuTreeInsert_Into,
        &LinkListView::menuTreeInsert_Dn, &LinkListView::menuCopy,
        &LinkListView::menuMove_Left,     &LinkListView::menuMove_Up,
        &LinkListView::menuMove_Right,    &LinkListView::menuMove_Down,
        &LinkListView::menuScroll_Left,   &LinkListView::menuScroll_Up,
        &LinkListView::menuScroll_Right,  &LinkListView::menuScroll_Down,
        &LinkListView::menuRedo,
};
static_assert(std::size(commandSlots) == OpenTheme);

} // namespace

std::span<const KeyBinding> LinkListView::keyBindings()
{
    return ViewKeys::table();
}

void LinkListView::keyPressEvent(QKeyEvent *event)
{
    const KeyBinding *binding = KeyTable::find(ViewKeys::table(), event);
    if (!binding) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    if (binding->command == NotHandled) {
        event->ignore();
    } else if (binding->command == OpenTheme) {
        ColorListViewItem *theme = currentTheme();
        if (theme && !theme->isExpanded())
            theme->setExpanded(true);
        else
            QTreeWidget::keyPressEvent(event);
    } else {
        (this->*commandSlots[binding->command])();
    }
}

void LinkListView::focusInEvent(QFocusEvent *event)
{
    m_clickToRenameArmed = false;
    QTreeWidget::focusInEvent(event);
}

void LinkListView::mouseReleaseEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    const QPoint position = event->position().toPoint();
    QTreeWidgetItem *item = itemAt(position);
    // The expand arrow left of a theme is not the theme: a click there does not rename it.
    const bool onTheme = item && visualItemRect(item).contains(position);
    QTreeWidget::mouseReleaseEvent(event);
    _mouseButtonClicked(button, onTheme ? item : nullptr);
}

void LinkListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The root theme opens and closes by our handler alone; the toolkit's own toggle on a double
    // click would undo it.
    const bool onRoot = m_rootTheme && itemAt(event->position().toPoint()) == m_rootTheme;
    if (onRoot)
        setExpandsOnDoubleClick(false);
    QTreeWidget::mouseDoubleClickEvent(event);
    if (onRoot)
        setExpandsOnDoubleClick(true);
}

void LinkListView::resizeEvent(QResizeEvent *event)
{
    // The viewport's resizes arrive here too: a scroll bar that appears because a list opened
    // leaves the name editor where it is.
    if (event->size() == size())
        closeItemNameEditBox();
    QTreeWidget::resizeEvent(event);
}

void LinkListView::_onItem(QTreeWidgetItem *item)
{
    m_clickToRenameArmed = item && item->isSelected();
}

void LinkListView::_mouseButtonClicked(Qt::MouseButton button, QTreeWidgetItem *item)
{
    if (ColorListViewItem *theme = ColorListViewItem::themeOf(item)) {
        if (m_clickToRenameArmed && button == Qt::LeftButton)
            startRenaming(theme);
        m_clickToRenameArmed = true;
    }
    Q_EMIT stateChanged();
}

void LinkListView::_doubleClicked(QTreeWidgetItem *item)
{
    if (item && item == m_rootTheme)
        m_rootTheme->setExpanded(!m_rootTheme->isExpanded());
}

void LinkListView::menuScroll_Left()
{
    scrollHalfPage(this, ScrollLeft);
}

void LinkListView::menuScroll_Right()
{
    scrollHalfPage(this, ScrollRight);
}

void LinkListView::menuScroll_Up()
{
    scrollHalfPage(this, ScrollUp);
}

void LinkListView::menuScroll_Down()
{
    scrollHalfPage(this, ScrollDown);
}

void LinkListView::scrollThemeIntoView(ColorListViewItem *theme)
{
    scrollToItem(theme);
    constexpr int room = 1 + 30; // the editor's margin, and room to type in
    QScrollBar *bar = horizontalScrollBar();
    const int left = visualItemRect(theme).left();
    // The column reaches that far, so that the scroll bar can bring it into sight.
    if (columnWidth(0) < left + bar->value() + room)
        setColumnWidth(0, left + bar->value() + room);
    const int beyond = left + room - viewport()->width();
    if (left < 0 || beyond > 0)
        bar->setValue(bar->value() + (left < 0 ? left : qMin(beyond, left)));
}

void LinkListView::startRenaming(ColorListViewItem *theme, int cursorPosition, int selectionLength)
{
    if (!theme || theme == m_rootTheme)
        return;
    m_renameTarget = theme;
    m_undo->renamingStarted(theme);
    m_nameEditor->setText(theme->name());
    m_nameEditor->setContextMenuPending(false);

    QRect rect = visualItemRect(theme);
    QElapsedTimer waited;
    waited.start();
    // The toolkit lays out new items lazily: give it a moment, but never wait for ever.
    while (rect.isEmpty() && waited.elapsed() < 500) {
        scrollToItem(theme);
        QCoreApplication::processEvents();
        rect = visualItemRect(theme);
        if (m_renameTarget != theme)
            return; // the theme went away while events ran
    }
    const int margin = 1;
    int left = rect.left() + margin;
    if (left < 0 || rect.right() - left < 30 || left + 30 > viewport()->width()) {
        scrollThemeIntoView(theme);
        rect = visualItemRect(theme);
        left = rect.left() + margin;
    }
    if (!theme->icon(0).isNull())
        left += iconSize().isValid() ? iconSize().width() + 2 : 8 + 2;
    const int right = viewport()->width() + 1;
    m_nameEditor->setGeometry(QRect(QPoint(left, rect.top()), QPoint(right, rect.bottom() + 4)));

    m_nameEditor->deselect();
    if (cursorPosition != -1) {
        m_nameEditor->setCursorPosition(cursorPosition);
        if (selectionLength != -1)
            m_nameEditor->setSelection(cursorPosition, selectionLength);
    }
    m_nameEditor->show();
    m_nameEditor->setFocus();
    Q_EMIT changeThemeNameEditState(true);
    m_renaming = true;
}

void LinkListView::menuEditThemeName()
{
    startRenaming(currentTheme());
    Q_EMIT stateChanged();
}

void LinkListView::nameEditorAccepted(const QString &name)
{
    if (ColorListViewItem *target = m_renameTarget) {
        UndoStep step(this, QT_TR_NOOP("Rename"), target);
        if (target != m_rootTheme)
            Q_EMIT dataChanged();
        renameTheme(target, name);
        stampDate(target);
    }
    nameEditorClosed();
}

void LinkListView::nameEditorClosed()
{
    m_undo->renamingEnded();
    if (ColorListViewItem *theme = currentTheme())
        theme->setSelected(true);
    setFocus();
    if (m_renaming) {
        Q_EMIT changeThemeNameEditState(false);
        m_renaming = false;
    }
}

void LinkListView::closeItemNameEditBox()
{
    if (m_renaming) {
        m_nameEditor->finishEditing(true);
        Q_EMIT changeThemeNameEditState(false);
    }
}
