#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "reminder/Reminder.h"
#include "tree/ColumnWidthTracker.h"
#include "tree/NameEditor.h"
#include "tree/ReminderDialog.h"
#include "tree/TreeDragDrop.h"
#include "tree/TreeUndo.h"
#include "tree/TreeWalk.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <vector>

namespace {

// Rows show a long name cut short: the toolkit lays out the whole text it is given.
class ShownNameDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = shownName(option->text);
    }
};

} // namespace

LinkListView::LinkListView(QWidget *parent, const char *name)
    : QTreeWidget(parent)
{
    Busy busy(this);
    setObjectName(QString::fromLatin1(name));
    setColumnCount(1);
    setHeaderLabels({tr("Theme (Тема)")});
    setIndentation(10);
    setSortingEnabled(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    header()->setStretchLastSection(false);
    // Measuring every row on each layout would make a large tree crawl.
    m_columnWidths = new ColumnWidthTracker(this);
    m_undo = new TreeUndo(this);
    m_dragDrop = new TreeDragDrop(this, *this);

    m_nameEditor = new NameEditor(QString(), viewport(), "nameEditor");
    CONNECT_ASSERT(
            connect(m_nameEditor, &NameEditor::accept, this, &LinkListView::nameEditorAccepted));
    CONNECT_ASSERT(
            connect(m_nameEditor, &NameEditor::reject, this, &LinkListView::nameEditorClosed));
    m_nameEditor->hide();
    createReminder();

    connectStorage(m_storage);
    buildMenus();
    setItemDelegate(new ShownNameDelegate(this));
    CONNECT_ASSERT(
            connect(this, &QTreeWidget::itemDoubleClicked, this, &LinkListView::_doubleClicked));
    CONNECT_ASSERT(connect(this, &QTreeWidget::itemEntered, this, &LinkListView::_onItem));
    CONNECT_ASSERT(connect(this, &QTreeWidget::itemExpanded, this, &LinkListView::_expanded));
    CONNECT_ASSERT(connect(this, &QTreeWidget::currentItemChanged, this,
                           [this](QTreeWidgetItem *current) { whenCurrentChanged(current); }));
    CONNECT_ASSERT(connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
                           &LinkListView::closeItemNameEditBox));
    CONNECT_ASSERT(connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
                           &LinkListView::closeItemNameEditBox));
    // The toolkit's own clear() (not virtual, so a call through the base class bypasses ours)
    // resets the model: everything that refers to a theme lets go first, and a fresh root
    // follows.
    CONNECT_ASSERT(connect(model(), &QAbstractItemModel::modelAboutToBeReset, this,
                           &LinkListView::forgetWholeTree));
    CONNECT_ASSERT(connect(model(), &QAbstractItemModel::modelReset, this, [this] {
        if (!m_rootTheme)
            resetTree();
    }));
    resetTree();
}

LinkListView::~LinkListView()
{
    // The toolkit resets its model while the base class goes away: no longer our business.
    disconnect(model(), nullptr, this, nullptr);
    delete m_columnWidths; // the rows leave all at once: nothing to follow
    m_columnWidths = nullptr;
    m_history.clear();
    m_undo->blockSignals(true); // whoever listened may be half gone
    m_undo->clear();
    TreeUndo::Pause pause(*m_undo);
    const QList<QTreeWidgetItem *> tops = invisibleRootItem()->takeChildren();
    for (QTreeWidgetItem *top : tops)
        destroyBranch(ColorListViewItem::themeOf(top));
}

void LinkListView::connectStorage(MLStorage &storage)
{
    CONNECT_ASSERT(
            connect(&storage, &MLStorage::ownerChanged, this, &LinkListView::storageChangeOwner));
    CONNECT_ASSERT(connect(&storage, &MLStorage::idChanged, this, &LinkListView::storageChangeId));
    CONNECT_ASSERT(
            connect(&storage, &MLStorage::linkInserted, this, &LinkListView::insertNullItem));
}

void LinkListView::resetTree()
{
    Busy busy(this);
    m_navigating = false;
    m_clickToRenameArmed = false;
    m_renaming = false;
    m_currentTheme = m_previousTheme = m_rootTheme = nullptr;
    m_cutSource = m_copySource = nullptr;
    m_rootTheme = new ColorListViewItem(this, QStringLiteral("/"), QString(), QString());
    m_themeCount = 1;
    if (!MY_ASSERT(m_rootTheme != nullptr, QStringLiteral("1002")))
        return;
    m_currentTheme = m_rootTheme;
    m_rootTheme->setExpanded(true);
    Q_EMIT linksChanged(); // a new root: nothing kept of the old tree holds
    // A fresh tree starts with an empty history.
    m_navigating = true;
    setCurrentItem(m_rootTheme);
    m_navigating = false;
}

void LinkListView::clear()
{
    Busy busy(this);
    m_undo->clear();
    TreeUndo::Pause pause(*m_undo);
    if (m_rootTheme) {
        setCurrentItem(m_rootTheme);
        deleteBranch(m_rootTheme);
    }
    MY_ASSERT(m_themeCount == 0, QStringLiteral("1003"));
    m_storage.reset();
    m_history.clear();
    dropReminderTheme();
    m_rootTheme = nullptr;
    resetTree();
}

void LinkListView::forgetWholeTree()
{
    m_undo->clear();
    std::vector<ColorListViewItem *> themes;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        ColorListViewItem *top = ColorListViewItem::themeOf(topLevelItem(i));
        if (!top)
            continue;
        themes.push_back(top);
        walkBranch(
                top, [](ColorListViewItem *theme) -> QTreeWidgetItem * { return theme; },
                [&](ColorListViewItem *theme, int, int) { themes.push_back(theme); });
    }
    // Reversed preorder: children before their parents.
    for (auto it = themes.rbegin(); it != themes.rend(); ++it) {
        forgetDeletedTheme(*it);
        if (!(*it)->isNullItem())
            Q_EMIT itemWillRemoved(*it);
    }
    m_storage.reset();
    m_history.clear();
    m_themeCount = 0;
}

void LinkListView::release()
{
    clear();
    m_reminder.reset();
}

std::vector<ColorListViewItem *> LinkListView::closeBranch(ColorListViewItem *theme)
{
    // The toolkit keeps a persistent index per open theme and, when rows leave its model, tests
    // each of them for lying inside by climbing to the top: a deep open chain then takes seconds
    // to remove. Closed from the top down (each close of a hidden theme is cheap), nothing is
    // left to test.
    std::vector<ColorListViewItem *> closed;
    if (theme->treeWidget() != this)
        return closed;
    auto close = [&closed](ColorListViewItem *item) {
        if (item->isExpanded()) {
            closed.push_back(item);
            item->setExpanded(false);
        }
    };
    close(theme);
    walkBranch(
            theme, [](ColorListViewItem *item) -> QTreeWidgetItem * { return item; },
            [&close](ColorListViewItem *item, int, int) { close(item); });
    return closed;
}

void LinkListView::reopenThemes(const std::vector<ColorListViewItem *> &themes)
{
    // Opening runs the expansion handler; the scroll it asks for is the command's to choose.
    ColorListViewItem *const pending = m_pendingExpansion;
    for (ColorListViewItem *theme : themes)
        theme->setExpanded(true);
    m_pendingExpansion = pending;
}

void LinkListView::themeRowChanging(ColorListViewItem *theme, const QString &name,
                                    const QIcon &icon)
{
    if (m_columnWidths)
        m_columnWidths->rowChanging(indexFromItem(theme), name, icon);
}

ColorListViewItem *LinkListView::currentTheme() const
{
    return ColorListViewItem::themeOf(currentItem());
}

QString LinkListView::description(ColorListViewItem *theme, bool useEditor)
{
    if (useEditor && theme == currentTheme()) {
        Q_EMIT needEditedDescription();
        if (!m_editedDescription.isNull())
            return m_editedDescription;
    }
    return resolve(theme)->description();
}

QString LinkListView::plainDescription(ColorListViewItem *theme, bool useEditor)
{
    if (useEditor && theme->linkId() >= 0 && theme == resolve(currentTheme())) {
        Q_EMIT needEditedDescription();
        if (!m_editedDescription.isNull())
            return m_editedDescription;
    }
    return theme->description();
}

QPair<int, int> LinkListView::savedCursor(ColorListViewItem *theme) const
{
    const ColorListViewItem *target = const_cast<LinkListView *>(this)->resolve(theme);
    return {target->columnValue(ColorListViewItem::CursorLineSlot),
            target->columnValue(ColorListViewItem::CursorColumnSlot)};
}

int LinkListView::themeKind(const ColorListViewItem *theme)
{
    if (!theme)
        return -1;
    const int id = theme->linkId();
    return id == 0 ? 0 : id > 0 ? 1 : 2;
}

void LinkListView::whenCurrentChanged(QTreeWidgetItem *item)
{
    ColorListViewItem *theme = ColorListViewItem::themeOf(item);
    // A replay moves the current item about: only where it ends counts.
    if (!theme || m_replaying)
        return;
    if (theme->isNullItem()) {
        // A placeholder is never current: the cursor passes it in the direction it came, or
        // stays on the placeholder's theme.
        QTreeWidgetItem *next = m_currentTheme == theme->parent() ? itemBelow(theme) : nullptr;
        setCurrentItem(next ? next : theme->parent());
        return;
    }
    m_previousTheme = m_currentTheme;
    m_currentTheme = theme;
    if (!m_navigating)
        m_history.record(theme);
    Q_EMIT themeChanged(theme);
}

void LinkListView::navigateTo(ColorListViewItem *theme)
{
    if (!theme)
        return;
    m_navigating = true;
    setCurrentItem(theme);
    m_navigating = false;
}

void LinkListView::prevThemeInTime()
{
    navigateTo(m_history.back());
}

void LinkListView::nextThemeInTime()
{
    ColorListViewItem *theme = m_history.forward();
    if (theme && checkPointer(theme, QStringLiteral("1007")))
        navigateTo(theme);
}

void LinkListView::putEditedDescription(const QString &text)
{
    m_editedDescription = text;
}
