#include "tree/ColumnWidthTracker.h"

#include "common/Assertions.h"
#include "model/Theme.h"
#include "tree/ModelRows.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QIcon>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeView>

#include <cmath>
#include <utility>

namespace {

// Characters measured one by one: Latin, Greek and Cyrillic without the combining marks; any
// other character sends the whole name to the full text layout.
constexpr char16_t cachedCharacters = 0x0500;

// Marks in the table of advances.
constexpr qint32 unmeasured = -1;
constexpr qint32 uncached = -2;

bool isCached(char16_t c)
{
    return c >= 0x20 && c < cachedCharacters && !(c >= 0x0300 && c < 0x0370);
}

} // namespace

ColumnWidthTracker::ColumnWidthTracker(QTreeView *view, Renames renames, IconOf iconOf)
    : QObject(view)
    , m_view(view)
    , m_iconOf(std::move(iconOf))
{
    QAbstractItemModel *model = view->model();
    CONNECT_ASSERT(connect(model, &QAbstractItemModel::rowsInserted, this,
                           &ColumnWidthTracker::rowsInserted));
    CONNECT_ASSERT(connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                           &ColumnWidthTracker::rowsAboutToBeRemoved));
    CONNECT_ASSERT(connect(model, &QAbstractItemModel::modelReset, this,
                           &ColumnWidthTracker::measureAgainLater));
    CONNECT_ASSERT(connect(model, &QAbstractItemModel::layoutChanged, this,
                           &ColumnWidthTracker::measureAgainLater));
    // A row moved may now lie deeper, shallower or out of sight: it leaves and comes back.
    CONNECT_ASSERT(connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this,
                           &ColumnWidthTracker::rowsAboutToBeMoved));
    CONNECT_ASSERT(
            connect(model, &QAbstractItemModel::rowsMoved, this, &ColumnWidthTracker::rowsMoved));
    if (renames == Renames::Heard)
        CONNECT_ASSERT(connect(model, &QAbstractItemModel::dataChanged, this,
                               &ColumnWidthTracker::rowsChanged));
    CONNECT_ASSERT(connect(view, &QTreeView::expanded, this, &ColumnWidthTracker::expanded));
    CONNECT_ASSERT(connect(view, &QTreeView::collapsed, this, &ColumnWidthTracker::collapsed));
    view->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    view->installEventFilter(this);
}

bool ColumnWidthTracker::eventFilter(QObject *watched, QEvent *event)
{
    // Another font or style changes every width.
    if (watched == m_view &&
        (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)) {
        m_advances.clear();
        m_plainExtra = m_iconExtra = -1;
        measureAgainLater();
    }
    return QObject::eventFilter(watched, event);
}

int ColumnWidthTracker::nameWidth(const QString &name)
{
    if (m_advances.empty()) {
        m_advances.assign(cachedCharacters, unmeasured);
        for (char16_t code = 0; code < cachedCharacters; ++code)
            if (!isCached(code))
                m_advances[code] = uncached;
    }
    // In 64ths of a pixel, as the font gives them: whole numbers add up exactly and at once.
    qint64 sum = 0;
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        qint32 advance = code < cachedCharacters ? m_advances[code] : uncached;
        if (advance < 0) {
            if (advance == uncached)
                return QFontMetrics(m_view->font()).horizontalAdvance(name) + 1;
            advance = qint32(std::ceil(QFontMetricsF(m_view->font()).horizontalAdvance(c) * 64));
            m_advances[code] = advance;
        }
        sum += advance;
    }
    return int((sum + 63) / 64) + 1;
}

int ColumnWidthTracker::delegateExtra(const QIcon &icon) const
{
    // What the item delegate adds to a text: its margins, and an icon with its spacing.
    QStyleOptionViewItem option;
    option.initFrom(m_view);
    option.font = m_view->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("x");
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QStyle *style = m_view->style();
    if (!icon.isNull()) {
        const int small = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_view);
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.icon = icon;
        option.decorationSize = icon.actualSize(m_view->iconSize().isValid() ? m_view->iconSize()
                                                                             : QSize(small, small));
    }
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), m_view).width() -
           option.fontMetrics.horizontalAdvance(option.text);
}

int ColumnWidthTracker::rowWidth(const QModelIndex &index, int depth)
{
    return rowWidth(index.data().toString(),
                    m_iconOf ? m_iconOf(index) : index.data(Qt::DecorationRole).value<QIcon>(),
                    depth);
}

int ColumnWidthTracker::rowWidth(const QString &name, const QIcon &icon, int depth)
{
    // The themes' icons are all of one size: the first one shown stands for all.
    int &extra = icon.isNull() ? m_plainExtra : m_iconExtra;
    if (extra < 0)
        extra = delegateExtra(icon);
    const int indentation = (depth + (m_view->rootIsDecorated() ? 1 : 0)) * m_view->indentation();
    return indentation + nameWidth(shownName(name)) + extra;
}

bool ColumnWidthTracker::isShown(const QModelIndex &index, int *depth) const
{
    *depth = 0;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        // Opening a branch level by level asks about the child of the theme opened last.
        if (parent == m_lastOpened) {
            *depth += m_lastOpenedDepth + 1;
            return true;
        }
        if (!m_view->isExpanded(parent))
            return false;
        ++*depth;
    }
    return index.isValid();
}

template<typename Visit>
void ColumnWidthTracker::forShownRows(const QModelIndex &parent, int first, int last, int depth,
                                      Visit visit)
{
    // Without recursion: a branch may be many thousands of levels deep.
    walkModelRows(*m_view->model(), parent, first, last,
                  [&](const QModelIndex &index, const QModelIndex &, int below) {
                      visit(index, depth + below);
                      return m_view->isExpanded(index);
                  });
}

void ColumnWidthTracker::add(int width)
{
    if (width > m_widest) {
        m_widest = width;
        m_widestRows = 1;
    } else if (width == m_widest) {
        ++m_widestRows;
    }
}

void ColumnWidthTracker::remove(int width)
{
    // A moved row that was the widest may come back as wide: the move decides when it is over.
    if (width == m_widest && --m_widestRows == 0 && !m_moving)
        measureAgainLater();
}

void ColumnWidthTracker::count(const QModelIndex &parent, int first, int last, bool shown,
                               bool parentMustBeOpen)
{
    if (!shown) // closing or removing rows may hide the theme opened last
        m_lastOpened = QPersistentModelIndex();
    int depth = -1; // of the parent; the top level is depth 0
    if (last < first || (parent.isValid() && !isShown(parent, &depth)) ||
        (parent.isValid() && parentMustBeOpen && !m_view->isExpanded(parent)))
        return;
    forShownRows(parent, first, last, depth + 1, [&](const QModelIndex &row, int rowDepth) {
        const int width = rowWidth(row, rowDepth);
        shown ? add(width) : remove(width);
    });
    if (shown)
        apply();
}

void ColumnWidthTracker::rowsInserted(const QModelIndex &parent, int first, int last)
{
    count(parent, first, last, true, true);
}

void ColumnWidthTracker::rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last)
{
    count(parent, first, last, false, true);
}

void ColumnWidthTracker::rowsAboutToBeMoved(const QModelIndex &parent, int first, int last)
{
    m_moving = true;
    count(parent, first, last, false, true);
}

void ColumnWidthTracker::rowsMoved(const QModelIndex &parent, int first, int last,
                                   const QModelIndex &destination, int row)
{
    const int moved = last - first + 1;
    // Moved down among their siblings, the rows end above the row they were put before.
    const int at = destination == parent && row > last ? row - moved : row;
    count(destination, at, at + moved - 1, true, true);
    m_moving = false;
    if (m_widestRows == 0)
        measureAgainLater();
}

void ColumnWidthTracker::expanded(const QModelIndex &index)
{
    count(index, 0, m_view->model()->rowCount(index) - 1, true, false);
    int depth = 0;
    if (isShown(index, &depth)) {
        m_lastOpened = index;
        m_lastOpenedDepth = depth;
    }
}

void ColumnWidthTracker::collapsed(const QModelIndex &index)
{
    // The rows below keep their own open state, so they can be walked as they were shown.
    count(index, 0, m_view->model()->rowCount(index) - 1, false, false);
}

void ColumnWidthTracker::rowChanging(const QModelIndex &index, const QString &newName,
                                     const QIcon &newIcon)
{
    int depth = 0;
    if (!isShown(index, &depth))
        return;
    const int before = rowWidth(index, depth);
    const int after = rowWidth(newName, newIcon, depth);
    if (before == after)
        return;
    add(after);
    remove(before);
    apply();
}

void ColumnWidthTracker::rowsChanged(const QModelIndex &first, const QModelIndex &last)
{
    if (std::exchange(m_swapped, false))
        return;
    // The old width is gone: a row grown wider is the widest, any other may have been it.
    for (QModelIndex row = first; row.isValid() && row.row() <= last.row();
         row = row.siblingAtRow(row.row() + 1)) {
        int depth = 0;
        if (!isShown(row, &depth))
            continue;
        const int width = rowWidth(row, depth);
        if (width > m_widest) {
            add(width);
            apply();
        } else {
            measureAgainLater();
        }
    }
}

void ColumnWidthTracker::measureAgainLater()
{
    m_lastOpened = QPersistentModelIndex();
    if (m_measurePending)
        return;
    m_measurePending = true;
    QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_measurePending)
                    measureNow();
            },
            Qt::QueuedConnection);
}

void ColumnWidthTracker::measureNow()
{
    m_measurePending = false;
    m_lastOpened = QPersistentModelIndex();
    m_widest = 0;
    m_widestRows = 0;
    // The view's laid-out rows, top to bottom: stepping to the next one is cheap, where asking
    // whether each row is open is not. The rows above a row's parent are its ancestors.
    std::vector<QModelIndex> ancestors;
    QModelIndex first = m_view->model()->index(0, 0);
    while (first.isValid() && m_view->isRowHidden(first.row(), QModelIndex()))
        first = first.siblingAtRow(first.row() + 1);
    for (QModelIndex row = first; row.isValid(); row = m_view->indexBelow(row)) {
        const QModelIndex parent = row.parent();
        while (!ancestors.empty() && ancestors.back() != parent)
            ancestors.pop_back();
        add(rowWidth(row, int(ancestors.size())));
        ancestors.push_back(row);
    }
    apply();
}

void ColumnWidthTracker::apply()
{
    // Never narrower than the header's own title.
    const int width = qMax(m_widest, m_view->header()->sectionSizeHint(0));
    if (width == m_applied && width == m_view->columnWidth(0))
        return;
    m_applied = width;
    m_view->setColumnWidth(0, width);
}
