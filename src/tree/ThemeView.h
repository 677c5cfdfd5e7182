#pragma once

#include "model/EditingCommands.h"
#include "model/ThemeHistory.h"
#include "tree/TreeDragDrop.h"
#include "tree/ViewKeys.h"

#include <QPointer>
#include <QTreeView>

#include <memory>

class ColumnWidthTracker;
class NameEditor;
class QLineEdit;
class QMenu;
class ThemeTreeModel;

// The document's tree on screen. Its rows are the document's themes (ThemeTreeModel); the tree
// view's keys run the document's editing commands, each one step of the document's history, and
// a refused one shows the "cannot do it" box. Whatever changes the document, a command, undo, a
// replace or a drop from another window, reaches the rows through the model alone, and every row
// is a theme: nothing can be made current that is not one.
class ThemeView : public QTreeView, public DropSite
{
    Q_OBJECT
public:
    ThemeView(ThemeDocument &document, DocumentUndo &undo, QWidget *parent = nullptr);
    ~ThemeView() override;

    EditingCommands &commands() { return m_commands; }
    ThemeTreeModel &rows() const { return *m_model; }
    // The width of the name column, following the shown rows.
    ColumnWidthTracker &columnWidths() const { return *m_widths; }
    Theme *currentTheme() const;
    // Makes the theme current and shows it, opening the themes above it.
    void setCurrentTheme(Theme *theme);
    bool isOpen(const Theme *theme) const;
    // Opens many themes at once (a document coming back as it was left), without scrolling to
    // them: the rows are laid out and measured once, not once per theme.
    void openThemes(const std::vector<Theme *> &themes);
    // Opens the theme as Right does, and below it every theme that has subthemes of its own: a
    // link whose group's subthemes another member holds stays as it is.
    void openBranch(Theme *theme);
    const ThemeHistory<Theme> &history() const { return m_history; }
    // The theme current before the current one.
    Theme *previousTheme() const { return m_previousTheme; }
    // Back and forth among the themes made current, without recording the way.
    void backInTime();
    void forwardInTime();
    // From a link to its mark theme; any other theme stays current.
    void goToMark();
    // The name editor of the theme, unless it is the root; the cursor at its end, or at
    // cursorPosition with selectionLength characters selected (a name match of a search).
    void startRenaming(Theme *theme, int cursorPosition = -1, int selectionLength = -1);
    bool isRenaming() const { return m_renamingTold; }
    QLineEdit *nameEditor() const;
    // Gives the name typed so far, as leaving the editor does.
    void closeNameEditor();
    // The current theme's name, and the theme a paste would bring: "b[for cut - a]".
    QString statusText() const;
    // Runs a command on the current theme, as its key does.
    void run(EditingCommands::Outcome (EditingCommands::*command)(Theme *));
    // Undo and redo of the document's history; the theme a command's step found current comes
    // back with its undo, the one it left current with its redo.
    void undo();
    void redo();
    // Makes the reminder's theme current, creating it when there is none.
    void goToReminder();
    QMenu *pasteKindMenu() const { return m_pasteKindMenu; }
    void pasteAsCopy();
    void pasteAsLink();
    // Themes dragged with the mouse: each drop is the document's command, one step of its history.
    bool canDrop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                 DropKind kind) override;
    bool takesFiles(const QModelIndex &target) override;
    void drop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
              DropKind kind) override;
    TreeDragDrop *dragDrop() const { return m_dragDrop; }
    // A command of the view's key table (ViewKeys::Command) as its key runs it.
    void runCommand(int command);

public Q_SLOTS:
    // The window's menu entries and buttons for the view's commands.
    void nextThemeInTime() { forwardInTime(); }
    void prevThemeInTime() { backInTime(); }
    void menuUndo() { undo(); }
    void menuRedo() { redo(); }
    void menuDelete() { runCommand(ViewKeys::Delete); }
    void menuEditThemeName() { runCommand(ViewKeys::Rename); }
    void menuAllChildOut() { run(&EditingCommands::allChildrenOut); }
    void menuCut() { runCommand(ViewKeys::Cut); }
    void menuCopy() { runCommand(ViewKeys::Copy); }
    void menuPaste() { runCommand(ViewKeys::Paste); }
    void menuMove_Left() { runCommand(ViewKeys::MoveLeft); }
    void menuMove_Right() { runCommand(ViewKeys::MoveRight); }
    void menuMove_Up() { runCommand(ViewKeys::MoveUp); }
    void menuMove_Down() { runCommand(ViewKeys::MoveDown); }
    void menuScroll_Left() { runCommand(ViewKeys::ScrollLeft); }
    void menuScroll_Right() { runCommand(ViewKeys::ScrollRight); }
    void menuScroll_Up() { runCommand(ViewKeys::ScrollUp); }
    void menuScroll_Down() { runCommand(ViewKeys::ScrollDown); }
    void menuTreeInsert_Into() { runCommand(ViewKeys::InsertInto); }
    void menuTreeInsert_Up() { runCommand(ViewKeys::InsertUp); }
    void menuTreeInsert_Dn() { runCommand(ViewKeys::InsertDown); }

Q_SIGNALS:
    void currentThemeChanged(Theme *theme);
    void renamingChanged(bool renaming);
    // A command ran or the user clicked: what the status shows may have changed.
    void stateChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    // Whether the row is one of the view's shown rows: every theme above it open, none hidden.
    bool isLaidOut(const QModelIndex &row) const;
    friend class ThemeDelegate;
    void showOutcome(const EditingCommands::Outcome &outcome);
    void openCurrent(QKeyEvent *event);
    void followReplay(bool replayed);
    void nameGiven(Theme *theme, const QString &name);
    void renamingEnded();
    // Scrolls sideways until the row's name shows with room to type.
    void giveNameRoom(const QModelIndex &row);
    void currentRowChanged(const QModelIndex &row);
    void navigateTo(Theme *theme);
    // Themes leaving the tree leave the history too.
    void forgetRows(const QModelIndex &parent, int first, int last);
    // Once a theme opened, scrolls its subthemes into sight as far as the theme stays in sight.
    void showOpened();

    ThemeDocument &m_document;
    DocumentUndo &m_undo;
    EditingCommands m_commands;
    std::unique_ptr<ThemeTreeModel> m_model;
    ColumnWidthTracker *m_widths = nullptr;
    QMenu *m_pasteKindMenu = nullptr;
    QMenu *m_contextMenu = nullptr;
    NameEditor *m_editor = nullptr;    // the one name editor, shown while renaming
    QPointer<NameEditor> m_nameEditor; // it, while a rename goes on
    bool m_renamingTold = false;
    TreeDragDrop *m_dragDrop = nullptr;
    bool m_clickToRename = false;
    bool m_namingOpened = false; // the editor a command opened, rather than a rename
    ThemeHistory<Theme> m_history;
    Theme *m_currentTheme = nullptr;
    Theme *m_previousTheme = nullptr;
    bool m_navigating = false;
    QPersistentModelIndex m_opened; // the theme whose subthemes come into sight
};
