#include "tree/LinkListView.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "reminder/Reminder.h"
#include "tree/ColumnWidthTracker.h"
#include "tree/NameEditor.h"

#include <QHeaderView>
#include <QScrollBar>

#include <vector>

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

    m_nameEditor = new NameEditor(QString(), viewport(), "nameEditor");
    CONNECT_ASSERT(
            connect(m_nameEditor, &NameEditor::accept, this, &LinkListView::nameEditorAccepted));
    CONNECT_ASSERT(
            connect(m_nameEditor, &NameEditor::reject, this, &LinkListView::nameEditorClosed));
    m_nameEditor->hide();
    createReminder();

    connectStorage(m_storage);
    buildMenus();
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
    resetTree();
}

LinkListView::~LinkListView()
{
    delete m_columnWidths; // the rows leave all at once: nothing to follow
    m_columnWidths = nullptr;
    m_history.clear();
    // Bottom-up, so that no theme is destroyed with children still under it, and without
    // recursion, so that a very deep tree cannot exhaust the stack.
    const QList<QTreeWidgetItem *> tops = invisibleRootItem()->takeChildren();
    for (QTreeWidgetItem *top : tops) {
        std::vector<std::pair<QTreeWidgetItem *, int>> frames{{top, 0}};
        while (!frames.empty()) {
            auto &[item, next] = frames.back();
            if (next < item->childCount()) {
                QTreeWidgetItem *child = item->child(next++);
                frames.push_back({child, 0});
                continue;
            }
            qDeleteAll(item->takeChildren());
            frames.pop_back();
        }
        delete top;
    }
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
    // A fresh tree starts with an empty history.
    m_navigating = true;
    setCurrentItem(m_rootTheme);
    m_navigating = false;
}

void LinkListView::clear()
{
    Busy busy(this);
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

void LinkListView::release()
{
    clear();
    m_reminder.reset();
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

void LinkListView::renameTheme(ColorListViewItem *theme, const QString &name)
{
    QString newName = name;
    const QString reminderName = reminderThemeName();
    if (!m_reminderTheme) {
        if (newName == reminderName)
            m_reminderTheme = theme;
    } else if (m_reminderTheme != theme) {
        if (newName == reminderName)
            newName = QLatin1Char('~') + newName;
    } else if (newName != reminderName) {
        dropReminderTheme();
    }
    Busy busy(this);
    theme->setName(newName);
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

void LinkListView::setDescription(ColorListViewItem *theme, const QString &text, bool stamp)
{
    Busy busy(this);
    ColorListViewItem *target = resolve(theme);
    target->setDescription(text);
    if (stamp)
        stampDate(target);
}

QPair<int, int> LinkListView::savedCursor(ColorListViewItem *theme) const
{
    const ColorListViewItem *target = const_cast<LinkListView *>(this)->resolve(theme);
    return {target->columnValue(ColorListViewItem::CursorLineSlot),
            target->columnValue(ColorListViewItem::CursorColumnSlot)};
}

void LinkListView::setSavedCursor(ColorListViewItem *theme, int line, int column)
{
    Busy busy(this);
    ColorListViewItem *target = resolve(theme);
    target->setColumnValue(ColorListViewItem::CursorLineSlot, line);
    target->setColumnValue(ColorListViewItem::CursorColumnSlot, column);
}

void LinkListView::setThemeDate(ColorListViewItem *theme, const QDate &date)
{
    Busy busy(this);
    theme->setDate(date);
}

void LinkListView::stampDate(ColorListViewItem *theme)
{
    if (!checkPointer(theme, QStringLiteral("1008")))
        return;
    setThemeDate(theme, Clock::today());
}

void LinkListView::setSlotValue(ColorListViewItem *theme, int slot, int value)
{
    Busy busy(this);
    theme->setColumnValue(slot, value);
}

int LinkListView::themeKind(const ColorListViewItem *theme)
{
    if (!theme)
        return -1;
    const int id = theme->linkId();
    return id == 0 ? 0 : id > 0 ? 1 : 2;
}

ColorListViewItem *LinkListView::createChild(ColorListViewItem *parent, const QString &name,
                                             const QString &description, const QString &nullText)
{
    if (!parent)
        return createTopLevelTheme(name, description, nullText);
    auto *theme = new ColorListViewItem(static_cast<ColorListViewItem *>(nullptr), name,
                                        description, nullText);
    parent->insertChild(0, theme);
    ++m_themeCount;
    return theme;
}

ColorListViewItem *LinkListView::createTopLevelTheme(const QString &name,
                                                     const QString &description,
                                                     const QString &nullText)
{
    auto *theme = new ColorListViewItem(this, name, description, nullText);
    ++m_themeCount;
    return theme;
}

ColorListViewItem *LinkListView::appendChild(ColorListViewItem *parent, const QString &name)
{
    ++m_themeCount;
    return new ColorListViewItem(parent, name, QString(), QString());
}

void LinkListView::detach(QTreeWidgetItem *item)
{
    if (QTreeWidgetItem *parent = item->parent())
        parent->takeChild(parent->indexOfChild(item));
    else if (item->treeWidget() == this)
        takeTopLevelItem(indexOfTopLevelItem(item));
}

void LinkListView::deleteBranch(ColorListViewItem *theme)
{
    if (!theme)
        return;
    // The branch leaves the toolkit's model in one step. Then, depth-first and without recursion,
    // each theme leaves its link group before its children are visited (so that the group's
    // children come back under it first), and is destroyed after them. Taking a theme's children
    // only once they are all leaves keeps the whole deletion linear in the size of the branch.
    detach(theme);
    struct Frame
    {
        ColorListViewItem *theme;
        int next = 0;
    };
    QSet<ColorListViewItem *> deleted;
    std::vector<Frame> frames;
    auto enter = [&](ColorListViewItem *entered) {
        ++m_busyDepth;
        m_storage.remove(entered->linkId(), entered);
        frames.push_back({entered});
    };
    enter(theme);
    while (!frames.empty()) {
        Frame &frame = frames.back();
        if (frame.next < frame.theme->childCount()) {
            if (ColorListViewItem *child = frame.theme->childTheme(frame.next++))
                enter(child);
            continue;
        }
        ColorListViewItem *done = frame.theme;
        frames.pop_back();
        qDeleteAll(done->takeChildren());
        forgetDeletedTheme(done);
        Q_EMIT itemWillRemoved(done);
        if (!m_history.isEmpty())
            deleted.insert(done);
        --m_themeCount;
        --m_busyDepth;
    }
    delete theme;
    m_history.removeAll(deleted);
}

void LinkListView::forgetDeletedTheme(ColorListViewItem *theme)
{
    if (theme == m_cutSource)
        m_cutSource = nullptr;
    if (theme == m_copySource)
        m_copySource = nullptr;
    if (theme == m_pendingExpansion)
        m_pendingExpansion = nullptr;
    if (theme == m_reminderTheme)
        dropReminderTheme();
    if (theme == m_currentTheme)
        m_currentTheme = nullptr;
    if (theme == m_previousTheme)
        m_previousTheme = nullptr;
    if (theme == m_renameTarget)
        m_renameTarget = nullptr;
    if (theme == m_rootTheme)
        m_rootTheme = nullptr;
}

void LinkListView::whenCurrentChanged(QTreeWidgetItem *item)
{
    ColorListViewItem *theme = ColorListViewItem::themeOf(item);
    if (!theme)
        return;
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
