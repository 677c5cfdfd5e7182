#include "tree/ThemeView.h"

#include "common/Messages.h"
#include "model/ThemeTreeModel.h"
#include "reminder/ReminderParser.h"
#include "tree/ColumnWidthTracker.h"
#include "tree/NameEditor.h"
#include "tree/ThemeIcons.h"
#include "tree/ViewKeys.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace {

QIcon iconOf(const QModelIndex &row)
{
    const int id = row.data(ThemeTreeModel::LinkIdRole).toInt();
    return id == 0 ? QIcon() : id > 0 ? ThemeIcons::mark() : ThemeIcons::link();
}

} // namespace

// Paints the icon of a mark theme and of a link, and gives the name typed to the view.
class ThemeDelegate : public QStyledItemDelegate
{
public:
    explicit ThemeDelegate(ThemeView *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {}

    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = shownName(option->text);
        option->icon = iconOf(index);
        if (option->icon.isNull())
            return;
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = option->icon.availableSizes().value(0);
    }

    // The tree's own name editor, which decides itself when a name is given: a name only when
    // the user changed it, without line breaks. There is one, made with the view and shown for
    // each rename: a key recorder finds it by the same id in every run of the program.
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override
    {
        NameEditor *editor = m_view->m_editor;
        disconnect(editor, nullptr, this, nullptr);
        editor->restart(index.data().toString());
        Theme *theme = ThemeTreeModel::themeAt(index);
        connect(editor, &NameEditor::accept, this, [this, editor, theme](const QString &name) {
            m_view->nameGiven(theme, name);
            Q_EMIT const_cast<ThemeDelegate *>(this)->closeEditor(editor);
        });
        connect(editor, &NameEditor::reject, this, [this, editor] {
            Q_EMIT const_cast<ThemeDelegate *>(this)->closeEditor(editor, RevertModelCache);
        });
        return editor;
    }
    void setEditorData(QWidget *, const QModelIndex &) const override {}
    // Closed, or its theme left the tree (taking the editor along without a name): kept.
    void destroyEditor(QWidget *editor, const QModelIndex &) const override
    {
        editor->hide();
        m_view->renamingEnded();
    }
    bool eventFilter(QObject *, QEvent *) override { return false; }

private:
    ThemeView *m_view;
};

ThemeView::ThemeView(ThemeDocument &document, DocumentUndo &undo, QWidget *parent)
    : QTreeView(parent)
    , m_document(document)
    , m_undo(undo)
    , m_commands(document, undo)
    , m_model(std::make_unique<ThemeTreeModel>(document))
{
    // Before the selection's own handler, which would make a row beside the leaving ones
    // current, in sight or not: their parent is current first, and the command then chooses.
    connect(m_model.get(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &parent, int first, int last) {
                const Theme *current = m_currentTheme;
                const Theme *list = ThemeTreeModel::themeAt(parent);
                for (; current && current->parent() != list; current = current->parent()) {
                }
                if (current && current->row() >= first && current->row() <= last)
                    setCurrentIndex(parent);
            });
    setModel(m_model.get());
    setItemDelegate(new ThemeDelegate(this));
    m_editor = new NameEditor(QString(), viewport(), "nameEditor");
    m_editor->hide();
    setIndentation(10);
    setUniformRowHeights(true);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    header()->setStretchLastSection(false);
    // Measuring every row on each layout would make a large tree crawl.
    m_widths = new ColumnWidthTracker(this, ColumnWidthTracker::Renames::Heard, iconOf);
    connect(m_model.get(), &ThemeTreeModel::siblingsSwapped, this,
            [this](const QModelIndex &upper) {
                m_widths->rowsSwapped();
                // The laid-out rows stand as they were unless one of the two is open or hidden.
                const QModelIndex lower = upper.siblingAtRow(upper.row() + 1);
                const QModelIndex parent = upper.parent();
                if (isExpanded(upper) || isExpanded(lower) || isRowHidden(upper.row(), parent) ||
                    isRowHidden(lower.row(), parent))
                    scheduleDelayedItemsLayout();
            });
    setEditTriggers(NoEditTriggers);
    setMouseTracking(true);
    // The pointer entering the selected theme arms a click to rename it; any other disarms it.
    connect(this, &QAbstractItemView::entered, this, [this](const QModelIndex &row) {
        m_clickToRename = selectionModel()->isSelected(row);
    });
    setCurrentTheme(document.root()); // where the user starts, not a theme visited
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ThemeView::currentRowChanged);
    connect(m_model.get(), &QAbstractItemModel::rowsAboutToBeRemoved, this, &ThemeView::forgetRows);
    // A file read anew: nothing of the old tree stays, and its root is where the user starts.
    connect(m_model.get(), &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_history.clear();
        m_currentTheme = m_previousTheme = nullptr;
        m_commands.forgetThemes();
    });
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, [this] {
        setCurrentTheme(m_document.root());
        expand(currentIndex());
    });
    // After the rows below it are laid out.
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &row) {
        // A member whose group's subthemes lie in its own branch cannot take them.
        Theme *theme = ThemeTreeModel::themeAt(row);
        Theme *holder = m_document.holderOrSelf(theme);
        if (holder != theme && holder->childCount() > 0 && isAncestorOrSelf(theme, holder))
            Messages::warning(this, QStringLiteral("error"),
                              QStringLiteral("Cannot exchange contents"));
        m_opened = row;
        QMetaObject::invokeMethod(this, &ThemeView::showOpened, Qt::QueuedConnection);
    });
    expand(currentIndex()); // the top themes are in sight
    // A member whose group's subthemes went to another member shows them no more: it closes.
    const auto closeIfGivenAway = [this](const QModelIndex &parent) {
        const Theme *theme = ThemeTreeModel::themeAt(parent);
        if (theme && theme->linkId() != 0 && theme->childCount() == 0)
            collapse(parent);
    };
    connect(m_model.get(), &QAbstractItemModel::rowsRemoved, this, closeIfGivenAway);
    connect(m_model.get(), &QAbstractItemModel::rowsMoved, this, closeIfGivenAway);
    m_contextMenu = new QMenu(this);
    QMenu *newMenu = m_contextMenu->addMenu(tr("New(Новая)"));
    newMenu->setTearOffEnabled(true);
    newMenu->addAction(tr("Up (Выше)"), this, [this] { run(&EditingCommands::insertAbove); });
    newMenu->addAction(tr("Into (Внутрь)"), this, [this] { run(&EditingCommands::insertInto); });
    newMenu->addAction(tr("Down (Ниже)"), this, [this] { run(&EditingCommands::insertBelow); });
    m_pasteKindMenu = new QMenu(this);
    m_pasteKindMenu->addAction(tr("Ordinar (Обычная)"), this, &ThemeView::pasteAsCopy);
    m_pasteKindMenu->addAction(tr("Link (Ссылка)"), this, &ThemeView::pasteAsLink);
    m_dragDrop = new TreeDragDrop(this, *this);
}

ThemeView::~ThemeView()
{
    // An open name editor goes with the widget, after the members it would tell of it.
    if (m_nameEditor)
        disconnect(m_nameEditor, nullptr, this, nullptr);
    // The view lets go of its rows before they go.
    setModel(nullptr);
}

Theme *ThemeView::currentTheme() const
{
    return ThemeTreeModel::themeAt(currentIndex());
}

void ThemeView::setCurrentTheme(Theme *theme)
{
    const QModelIndex row = m_model->indexOf(theme);
    setCurrentIndex(row);
    scrollTo(row); // opens the themes above it
}

void ThemeView::openThemes(const std::vector<Theme *> &themes)
{
    {
        const QSignalBlocker quiet(this);
        // With a layout pending the view only notes each open theme.
        scheduleDelayedItemsLayout();
        for (Theme *theme : themes)
            expand(m_model->indexOf(theme));
        executeDelayedItemsLayout();
    }
    m_widths->measureNow();
}

void ThemeView::openBranch(Theme *theme)
{
    if (!theme)
        return;
    Theme *shown = m_commands.open(theme);
    std::vector<Theme *> open{shown};
    walkThemes(
            shown, [](Theme *child) { return child; },
            [&open](Theme *below, int, int) {
                if (below->childCount() > 0)
                    open.push_back(below);
            });
    openThemes(open);
    setCurrentTheme(shown);
}

void ThemeView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                            const QList<int> &roles)
{
    // The toolkit looks for a changed row among every shown row: a Replace all that renames
    // thousands of themes in a closed branch beside a long open list took seconds.
    if (topLeft == bottomRight && !isLaidOut(topLeft))
        return;
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}

bool ThemeView::isLaidOut(const QModelIndex &row) const
{
    for (QModelIndex at = row; at.isValid();) {
        const QModelIndex parent = at.parent();
        if (isRowHidden(at.row(), parent) || (parent.isValid() && !isExpanded(parent)))
            return false;
        at = parent;
    }
    return row.isValid();
}

bool ThemeView::isOpen(const Theme *theme) const
{
    return isExpanded(m_model->indexOf(theme));
}

void ThemeView::currentRowChanged(const QModelIndex &row)
{
    Theme *theme = ThemeTreeModel::themeAt(row);
    if (!theme)
        return;
    m_previousTheme = std::exchange(m_currentTheme, theme);
    if (!m_navigating)
        m_history.record(theme);
    Q_EMIT currentThemeChanged(theme);
}

void ThemeView::navigateTo(Theme *theme)
{
    if (!theme)
        return;
    m_navigating = true;
    setCurrentTheme(theme);
    m_navigating = false;
}

void ThemeView::backInTime()
{
    navigateTo(m_history.back());
}

void ThemeView::forwardInTime()
{
    navigateTo(m_history.forward());
}

void ThemeView::goToMark()
{
    setCurrentTheme(m_document.resolve(currentTheme()));
}

void ThemeView::forgetRows(const QModelIndex &parent, int first, int last)
{
    if (m_history.isEmpty()) // the previous theme is in it too
        return;
    QSet<Theme *> leaving;
    const auto self = [](Theme *theme) { return theme; };
    for (int row = first; row <= last; ++row) {
        Theme *top = ThemeTreeModel::themeAt(m_model->index(row, 0, parent));
        leaving.insert(top);
        walkPreorder(top, self, self, [&](Theme *theme, int, int) { leaving.insert(theme); });
    }
    m_history.removeAll(leaving);
    if (leaving.contains(m_previousTheme))
        m_previousTheme = nullptr;
}

void ThemeView::showOpened()
{
    const QModelIndex row = std::exchange(m_opened, {});
    const int count = m_model->rowCount(row);
    // Scrolling would close a name editor opened since (inserting into a closed theme).
    if (!row.isValid() || !isExpanded(row) || count == 0 || isRenaming())
        return;
    const QRect themeRect = visualRect(row);
    const QRect lastRect = visualRect(m_model->index(count - 1, 0, row));
    const int height = viewport()->height();
    if (lastRect.isEmpty() || lastRect.bottom() < height)
        return;
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + qMin(themeRect.top(), lastRect.bottom() + 1 - height));
}

void ThemeView::startRenaming(Theme *theme, int cursorPosition, int selectionLength)
{
    if (!theme || theme == m_document.root())
        return;
    setCurrentTheme(theme);
    const QModelIndex row = m_model->indexOf(theme);
    giveNameRoom(row);
    edit(row);
    auto *editor = qobject_cast<NameEditor *>(indexWidget(row));
    if (!editor)
        return;
    if (cursorPosition < 0)
        editor->end(false); // the name is edited from its end, not replaced
    else
        editor->setSelection(cursorPosition, qMax(selectionLength, 0));
    if (m_nameEditor)
        return;
    m_nameEditor = editor;
    m_renamingTold = true;
    Q_EMIT renamingChanged(true);
}

void ThemeView::renamingEnded()
{
    if (!m_renamingTold)
        return;
    m_renamingTold = false;
    m_nameEditor = nullptr;
    Q_EMIT renamingChanged(false);
}

void ThemeView::giveNameRoom(const QModelIndex &row)
{
    // A deep theme's name lies far right of where its column begins.
    constexpr int room = 30;
    const int left = visualRect(row).left();
    const int beyond = left + room - viewport()->width();
    QScrollBar *bar = horizontalScrollBar();
    if (left < 0 || beyond > 0)
        bar->setValue(bar->value() + (left < 0 ? left : qMin(beyond, left)));
}

QLineEdit *ThemeView::nameEditor() const
{
    return m_nameEditor;
}

void ThemeView::closeNameEditor()
{
    if (m_nameEditor)
        m_nameEditor->finishEditing(true);
}

QString ThemeView::statusText() const
{
    const Theme *theme = currentTheme();
    return (theme ? shownName(theme->name()) : QString()) + m_commands.sourceText();
}

void ThemeView::goToReminder()
{
    showOutcome(m_commands.goToReminder(currentTheme(), ReminderParser::exampleText()));
}

void ThemeView::pasteAsCopy()
{
    run(&EditingCommands::pasteCopy);
}

void ThemeView::pasteAsLink()
{
    run(&EditingCommands::pasteLink);
}

bool ThemeView::canDrop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                        DropKind kind)
{
    // A theme of another document comes as a copy the window makes; here it only has to fit.
    Theme *into = ThemeTreeModel::themeAt(target);
    if (dragged.model() != model())
        return m_commands.dropParent(into, place) != nullptr;
    return m_commands.canDrop(ThemeTreeModel::themeAt(dragged), into, place, kind);
}

bool ThemeView::takesFiles(const QModelIndex &target)
{
    return m_commands.dropParent(ThemeTreeModel::themeAt(target), DropPlace::Into);
}

void ThemeView::drop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                     DropKind kind)
{
    showOutcome(m_commands.drop(ThemeTreeModel::themeAt(dragged), ThemeTreeModel::themeAt(target),
                                place, kind));
}

void ThemeView::keyPressEvent(QKeyEvent *event)
{
    using namespace ViewKeys;
    const KeyBinding *binding = KeyTable::find(ViewKeys::table(), event);
    if (!binding) {
        QTreeView::keyPressEvent(event);
        return;
    }
    const auto command = Command(binding->command);
    if (command == NotHandled)
        event->ignore();
    else if (command == OpenTheme)
        openCurrent(event);
    else
        runCommand(command);
}

void ThemeView::runCommand(int key)
{
    using namespace ViewKeys;
    using C = EditingCommands;
    static C::Outcome (C::*const commandOf[])(Theme *) = {
            nullptr,         nullptr,  nullptr,      &C::cut,    &C::insertAbove, &C::insertInto,
            &C::insertBelow, &C::copy, &C::moveLeft, &C::moveUp, &C::moveRight,   &C::moveDown};
    static_assert(std::size(commandOf) == ScrollLeft);
    const auto command = Command(key);
    switch (command) {
    case Rename:
        startRenaming(currentTheme());
        break;
    case Delete:
        showOutcome(m_commands.remove(currentTheme(), [this](Theme *theme) {
            const QModelIndex row = m_model->indexOf(theme);
            return !isRowHidden(row.row(), row.parent());
        }));
        break;
    case Paste: {
        // A cut theme lands at the top of the target, which opens to show it.
        const EditingCommands::Outcome outcome = m_commands.paste(currentTheme());
        showOutcome(outcome);
        if (outcome.current)
            expand(m_model->indexOf(outcome.current));
        break;
    }
    case Redo:
        redo();
        break;
    case ScrollLeft:
    case ScrollUp:
    case ScrollRight:
    case ScrollDown:
        scrollHalfPage(this, command);
        break;
    case OpenBranch:
        openBranch(currentTheme());
        break;
    case NotHandled:
    case OpenTheme:
        break;
    default:
        run(commandOf[command]);
        break;
    }
}

void ThemeView::undo()
{
    followReplay(m_undo.undo());
}

void ThemeView::redo()
{
    followReplay(m_undo.redo());
}

void ThemeView::followReplay(bool replayed)
{
    if (Theme *theme = m_commands.replayedCurrent(); replayed && theme)
        setCurrentTheme(theme);
}

void ThemeView::openCurrent(QKeyEvent *event)
{
    Theme *theme = currentTheme();
    const QModelIndex row = m_model->indexOf(theme);
    if (!theme || (isExpanded(row) && !m_model->canFetchMore(row))) {
        QTreeView::keyPressEvent(event); // to the first subtheme
        return;
    }
    Theme *shown = m_commands.open(theme);
    setCurrentTheme(shown);
    expand(m_model->indexOf(shown));
}

void ThemeView::run(EditingCommands::Outcome (EditingCommands::*command)(Theme *))
{
    showOutcome((m_commands.*command)(currentTheme()));
}

void ThemeView::showOutcome(const EditingCommands::Outcome &outcome)
{
    if (outcome.refused)
        Messages::warning(this, Messages::messageCaption(),
                          tr("Cannot do it\nНе могу выполнить операцию"));
    if (outcome.kindAsked)
        m_pasteKindMenu->popup(viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft()));
    if (outcome.current)
        setCurrentTheme(outcome.current);
    if (outcome.opened) {
        if (outcome.opened->childCount() > 0) // a new parent, made by a move right
            expand(m_model->indexOf(outcome.opened));
        m_namingOpened = true;
        startRenaming(outcome.opened);
    }
    Q_EMIT stateChanged();
}

void ThemeView::nameGiven(Theme *theme, const QString &name)
{
    if (std::exchange(m_namingOpened, false))
        m_commands.nameOpened(name);
    else
        m_commands.rename(theme, name);
}

void ThemeView::focusInEvent(QFocusEvent *event)
{
    m_clickToRename = false;
    QTreeView::focusInEvent(event);
}

void ThemeView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    const QModelIndex row = indexAt(at);
    // The arrow left of a theme is not the theme: a click there does not rename it.
    Theme *theme =
            row.isValid() && visualRect(row).contains(at) ? ThemeTreeModel::themeAt(row) : nullptr;
    QTreeView::mouseReleaseEvent(event); // an index names a place, which the release may change
    if (theme) {
        if (m_clickToRename && event->button() == Qt::LeftButton)
            startRenaming(theme);
        m_clickToRename = true;
    }
    Q_EMIT stateChanged();
}

void ThemeView::contextMenuEvent(QContextMenuEvent *event)
{
    if (indexAt(event->pos()).isValid())
        m_contextMenu->popup(event->globalPos());
}

void ThemeView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (hint == QAbstractItemDelegate::RevertModelCache && std::exchange(m_namingOpened, false))
        m_commands.closeNaming();
    const bool focusBack = editor == m_nameEditor && m_nameEditor->endedWithFocus();
    QTreeView::closeEditor(editor, hint);
    if (focusBack)
        setFocus();
    if (editor == m_nameEditor)
        renamingEnded();
}
