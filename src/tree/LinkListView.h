#pragma once

#include "common/TextCodec.h"
#include "model/ThemeHistory.h"
#include "tree/ColorListViewItem.h"
#include "tree/MLStorage.h"
#include "tree/TreeDragDrop.h"
#include "tree/UndoStep.h"

#include <QEvent>
#include <QHash>
#include <QPair>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <span>
#include <vector>

class ColumnWidthTracker;
class NameEditor;
class TreeDragDrop;
class TreeUndo;
struct KeyBinding;
class QMenu;
class Reminder;
class ReminderDialog;

// The widget that shows and owns one tree of themes, its link groups and its name editor. The
// rest of the program reads and writes themes through its accessors, which resolve a link theme
// to its mark theme. A multi-step change raises the busy depth; the tree is stable at 0.
class LinkListView : public QTreeWidget, public DropSite
{
    Q_OBJECT
public:
    static constexpr int DeferredScrollEvent = QEvent::User + 1000;

    explicit LinkListView(QWidget *parent = nullptr, const char *name = "mainTree");
    ~LinkListView() override;

    // The view's own keys, for the key list.
    static std::span<const KeyBinding> keyBindings();

    // Raises the busy depth for its lifetime.
    class Busy
    {
    public:
        explicit Busy(LinkListView *view)
            : m_view(view)
        {
            ++m_view->m_busyDepth;
        }
        ~Busy() { --m_view->m_busyDepth; }
        Busy(const Busy &) = delete;
        Busy &operator=(const Busy &) = delete;

    private:
        LinkListView *m_view;
    };

    ColorListViewItem *currentTheme() const;
    ColorListViewItem *previousTheme() const { return m_previousTheme; }
    ColorListViewItem *rootTheme() const { return m_rootTheme; }
    int themeCount() const { return m_themeCount; }
    bool isStable() const { return m_busyDepth == 0; }
    int busyDepth() const { return m_busyDepth; }
    // The form the document is read in and written in; a whole load sets it.
    TextEncoding textEncoding() const { return m_textEncoding; }
    void setTextEncoding(TextEncoding encoding) { m_textEncoding = encoding; }
    // Opens many themes at once (a document coming back as it was left), without scrolling to
    // them: the rows are laid out and measured once, not once per theme.
    void openThemes(const std::vector<ColorListViewItem *> &themes);
    // Runs `change`, which opens, closes, hides and shows themes (never adds or removes one),
    // then lays the rows out and measures column 0 once. The view sends no signal meanwhile.
    void changeOpenThemes(const std::function<void()> &change);
    MLStorage &storage() { return m_storage; }
    ColorListViewItem *reminderTheme() const { return m_reminderTheme; }
    static QString reminderThemeName() { return QStringLiteral("__reminder"); }
    Reminder *reminder() const { return m_reminder.get(); }
    ReminderDialog *reminderWindow() const { return m_reminderWindow.get(); }
    // True for the reminder theme and the themes below it.
    bool inReminderBranch(ColorListViewItem *theme) const;
    // After a file is read: the reminder text as of the file's last change; today's tasks.
    void handOverReminder(const QDateTime &fileModified);
    // Off in the command-line mode: the reminder then parses and reports, but never rings.
    void setReminderRinging(bool ringing) { m_reminderRinging = ringing; }
    bool isRenaming() const { return m_renaming; }
    NameEditor *nameEditor() const { return m_nameEditor; }
    ColorListViewItem *cutSource() const { return m_cutSource; }
    ColorListViewItem *copySource() const { return m_copySource; }
    const ThemeHistory<ColorListViewItem> &history() const { return m_history; }

    // A row's place in the view's model, and back: a walk over the model's indexes hides and
    // opens rows without looking each one up among its siblings.
    QModelIndex rowIndex(const QTreeWidgetItem *item) const { return indexFromItem(item); }
    ColorListViewItem *themeAt(const QModelIndex &index) const
    {
        return ColorListViewItem::themeOf(itemFromIndex(index));
    }

    QString themeName(const ColorListViewItem *theme) const { return theme->name(); }
    // With useEditor on the current theme, the text being edited in the main editor, if any.
    QString description(ColorListViewItem *theme, bool useEditor);
    QString plainDescription(ColorListViewItem *theme, bool useEditor);
    QPair<int, int> savedCursor(ColorListViewItem *theme) const; // (line, column)
    int linkId(const ColorListViewItem *theme) const { return theme->linkId(); }
    // -1 no theme, 0 ordinary, 1 mark theme, 2 link theme.
    static int themeKind(const ColorListViewItem *theme);

    // The primitives: every change of the tree's content, and of its link groups, goes through
    // these (LinkListViewPrimitives.cpp), so that each change can be recorded and reversed.
    // Themes keep their identity: a taken or detached theme is the same object when it returns.
    void renameTheme(ColorListViewItem *theme, const QString &name);
    void setDescription(ColorListViewItem *theme, const QString &text, bool stamp);
    void setSavedCursor(ColorListViewItem *theme, int line, int column);
    void setThemeDate(ColorListViewItem *theme, const QDate &date);
    void stampDate(ColorListViewItem *theme);
    // Slots 5 to 7 (numbering and the null-item flag).
    void setSlotValue(ColorListViewItem *theme, int slot, int value);
    void setLinkId(ColorListViewItem *theme, int id);
    // New first child of the parent.
    ColorListViewItem *createChild(ColorListViewItem *parent, const QString &name,
                                   const QString &description, const QString &nullText);
    // New last child; the reader builds whole branches this way, also under detached themes.
    ColorListViewItem *appendChild(ColorListViewItem *parent, const QString &name);
    // A theme in no list yet, where a branch is built before it joins the tree in one step.
    ColorListViewItem *createDetachedTheme();
    // Take: the theme leaves its list of siblings, its branch intact (the root stays). When it is
    // the current theme or an ancestor of it, its parent becomes the current item first.
    void takeTheme(ColorListViewItem *theme);
    void insertTheme(ColorListViewItem *parent, int index, ColorListViewItem *theme);
    // Move after: the theme directly follows the anchor in the anchor's list (take, then insert);
    // without an anchor it comes first in the list of `parent`.
    void moveAfter(ColorListViewItem *theme, ColorListViewItem *anchor,
                   ColorListViewItem *parent = nullptr);
    // All children of `from`, in order, directly follow the anchor in the anchor's list.
    void moveChildrenAfter(ColorListViewItem *from, ColorListViewItem *anchor);
    // The two themes swap their lists of children.
    void exchangeChildren(ColorListViewItem *first, ColorListViewItem *second);
    // Deleting is detaching then destroying. Detached, the branch is out of the tree and out of
    // its link groups, and nothing refers to it any more (itemWillRemoved was emitted for each
    // theme), but it stays alive until destroyed.
    void detachBranch(ColorListViewItem *theme);
    void destroyBranch(ColorListViewItem *theme);
    void deleteBranch(ColorListViewItem *theme);
    // Joins the theme to the link group of the id (0: as the mark theme of a new group) and gives
    // it the id the storage returns, which is also the result.
    int joinGroup(ColorListViewItem *theme, int id);

    QString themePath(const ColorListViewItem *theme, bool forward) const;
    int themeDepth(const ColorListViewItem *theme) const;
    ColorListViewItem *newestTheme(ColorListViewItem *theme);
    QString statusText() const;
    // The characters of the names and descriptions below the root, and its themes.
    QPair<int, int> themeStatistics();
    // The descriptions of the theme's branch joined; with ownLines each text starts a line.
    QString subtreeText(ColorListViewItem *theme, bool ownLines = false);
    void startRenaming(ColorListViewItem *theme, int cursorPosition = -1, int selectionLength = -1);
    void release();
    // Before a shown theme gets another name or icon (ColorListViewItem calls it).
    void themeRowChanging(ColorListViewItem *theme, const QString &name, const QIcon &icon);

    // Link groups as the view sees them.
    ColorListViewItem *resolve(ColorListViewItem *theme);
    ColorListViewItem *holderOrSelf(ColorListViewItem *theme);
    ColorListViewItem *makeHolder(ColorListViewItem *theme);
    bool resolvedAncestry(ColorListViewItem *theme, ColorListViewItem *candidate);
    // Connects a storage's signals to this view, as the view's own storage is connected.
    void connectStorage(MLStorage &storage);

    // The tree's undo history (LinkListViewUndo.cpp). Every change made while an UndoStep lives
    // is one step, undone and redone as a whole; steps nest, the outermost one counts.
    TreeUndo &undoHistory() const { return *m_undo; }
    class UndoStep
    {
    public:
        // `text` names the command (translated when shown); `renamed` continues the step that
        // opened that theme's name editor, if it is still the last one.
        UndoStep(LinkListView *view, const char *text, ColorListViewItem *renamed = nullptr);
        ~UndoStep();
        UndoStep(const UndoStep &) = delete;
        UndoStep &operator=(const UndoStep &) = delete;

    private:
        LinkListView *m_view;
    };

    // Drops of a dragged theme (LinkListViewDrop.cpp): each is one of the paste commands, with
    // its checks, and one step of the history. Before and After paste into the target's parent
    // and then place the pasted theme beside the target.
    TreeDragDrop *dragDrop() const { return m_dragDrop; }
    bool canDrop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                 DropKind kind) override;
    bool takesFiles(const QModelIndex &target) override;
    void drop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
              DropKind kind) override;
    // The theme a drop at that place pastes into; null where nothing may be dropped.
    ColorListViewItem *dropParent(ColorListViewItem *target, DropPlace place);
    bool canDropTheme(ColorListViewItem *dragged, ColorListViewItem *target, DropPlace place,
                      DropKind kind);
    void dropTheme(ColorListViewItem *dragged, ColorListViewItem *target, DropPlace place,
                   DropKind kind);
    // Moves a theme just pasted into the drop's parent before or after the target.
    void placeDropped(ColorListViewItem *pasted, ColorListViewItem *target, DropPlace place);

    QMenu *pasteKindMenu() const { return m_pasteKindMenu; }
    bool moveLeftPlacement() const { return m_moveLeftPlacement; }

public Q_SLOTS:
    void menuGoToReminder();
    ColorListViewItem *menuUpdateReminder();
    void menuReminderSoundOperation(bool off);
    void timer1000();
    // Empties the tree down to the root theme "/". A slot, so that no call by name reaches the
    // toolkit's own clear().
    void clear();

    // The editing commands; each acts on the current theme and is one step of the tree's history.
    void menuTreeInsert_Up();
    void menuTreeInsert_Dn();
    void menuTreeInsert_Into();
    void menuMove_Left();
    void menuMove_Right();
    void menuMove_Up();
    void menuMove_Down();
    void menuAllChildOut();
    void menuCut();
    void menuCopy();
    void menuPaste();
    void pmTreeInsert_Ordinar();
    void pmTreeInsert_Link();
    void menuDelete();
    void menuUndo();
    void menuRedo();
    void gotoMark(int id);
    void gotoMark();
    void whenCurrentChanged(QTreeWidgetItem *item);
    void menuScroll_Left();
    void menuScroll_Right();
    void menuScroll_Up();
    void menuScroll_Down();
    void menuEditThemeName();
    void closeItemNameEditBox();
    void prevThemeInTime();
    void nextThemeInTime();
    void putEditedDescription(const QString &text);
    void nameEditorAccepted(const QString &name);
    void nameEditorClosed();
    void storageChangeOwner(ColorListViewItem *oldHolder, ColorListViewItem *newHolder);
    void storageChangeId(ColorListViewItem *theme, int id);
    void insertNullItem(ColorListViewItem *theme);
    void _doubleClicked(QTreeWidgetItem *item);
    void _mouseButtonClicked(Qt::MouseButton button, QTreeWidgetItem *item);
    void _onItem(QTreeWidgetItem *item);
    void _expanded(QTreeWidgetItem *item);

Q_SIGNALS:
    void changeThemeNameEditState(bool editing);
    void themeChanged(ColorListViewItem *theme);
    void itemWillRemoved(ColorListViewItem *theme);
    void stateChanged();
    // The document changed. The name hides the toolkit's protected dataChanged(index, index,
    // roles) slot, which nobody calls on this view by that name.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif
    void dataChanged();
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
    void needEditedDescription();
    // Before a step of the undo history is made, undone or redone: the description being edited
    // goes into the tree first, so that the step neither records nor takes it back.
    void aboutToChangeTree();
    // The shape and the names of the tree as each change is made or taken back, for whoever keeps
    // a list of its themes: a theme in the tree renamed; a list of subthemes in the tree
    // changing (the theme placed there or taken out, or null when all move between lists); link
    // groups or the whole tree changed.
    void themeRenamed(ColorListViewItem *theme);
    void subthemesChanging(QTreeWidgetItem *list, ColorListViewItem *placed);
    void linksChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void customEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class TreeUndo;
    Undo::ViewState undoState() const;
    void replayStep(Undo::Step &step, bool forward, bool restoreView = true);
    void restoreViewState(const Undo::ViewState &state);
    // Tells the change to those who keep a list of the tree's themes.
    void reportChange(const Undo::Entry &entry);
    // Themes a replay took out of their lists, whose branches may now be out of the tree.
    void forgetRemovedBranches(const std::vector<ColorListViewItem *> &taken);
    void resetTree();
    // Closes every open theme of the branch, top-down (before the branch leaves the view), and
    // returns those it closed.
    std::vector<ColorListViewItem *> closeBranch(ColorListViewItem *theme);
    // Opens again the themes a move closed, as the toolkit's own move of an item keeps them.
    void reopenThemes(const std::vector<ColorListViewItem *> &themes);
    void buildMenus();
    void refuse();
    // Whether a command may act on the theme: not a null item, and with `belowRoot` not the root.
    bool editableTheme(const ColorListViewItem *theme, bool belowRoot) const;
    // A cut theme may not go into its own branch, nor into a link whose mark lies in it.
    bool pasteRefused(ColorListViewItem *moved, ColorListViewItem *target);
    // The current theme when a command may act on it (not a null item, and with `belowRoot` not
    // the root); otherwise the refusal box and null.
    ColorListViewItem *editableCurrent(bool belowRoot = true);
    // The current theme to paste the copy source into; null (after the refusal box) without.
    ColorListViewItem *copyPasteTarget();
    ColorListViewItem *insertedTheme(ColorListViewItem *parent);
    ColorListViewItem *deepCopy(ColorListViewItem *source);
    void createReminder();
    void dropReminderTheme();
    // Parses the reminder theme's text as of the moment; the "Reminder errors" box on errors.
    int updateReminder(const QDateTime &moment);
    void forgetDeletedTheme(ColorListViewItem *theme);
    void forgetWholeTree();
    void dropNullItem(ColorListViewItem *nullItem);
    void navigateTo(ColorListViewItem *theme);
    void scrollThemeIntoView(ColorListViewItem *theme);
    void deferredScroll();

    MLStorage m_storage;
    ThemeHistory<ColorListViewItem> m_history;
    bool m_navigating = false;
    ColorListViewItem *m_currentTheme = nullptr;
    ColorListViewItem *m_previousTheme = nullptr;
    ColorListViewItem *m_cutSource = nullptr;
    ColorListViewItem *m_copySource = nullptr;
    ColorListViewItem *m_renameTarget = nullptr;
    ColorListViewItem *m_rootTheme = nullptr;
    ColorListViewItem *m_pendingExpansion = nullptr;
    // The open themes of each branch taken out of its list, until it is inserted again.
    QHash<ColorListViewItem *, std::vector<ColorListViewItem *>> m_openWhenTaken;
    QString m_editedDescription;
    ColorListViewItem *m_reminderTheme = nullptr;
    std::unique_ptr<Reminder> m_reminder;
    std::unique_ptr<ReminderDialog> m_reminderWindow;
    bool m_reminderRinging = true;
    bool m_clickToRenameArmed = false;
    NameEditor *m_nameEditor = nullptr;
    ColumnWidthTracker *m_columnWidths = nullptr;
    QMenu *m_contextMenu = nullptr;
    QMenu *m_pasteKindMenu = nullptr;
    bool m_moveLeftPlacement = false;
    bool m_renaming = false;
    int m_themeCount = 0;
    int m_busyDepth = 0;
    TextEncoding m_textEncoding = TextEncoding::Cp1251;
    TreeUndo *m_undo = nullptr;
    TreeDragDrop *m_dragDrop = nullptr;
    bool m_replaying = false;
};
