#include "model/ThemeTreeModel.h"

#include "model/ThemeDocument.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace {

// A row's index holds the theme above it, so that an index names a place among siblings: two
// siblings that trade places are two changed rows, not a move for which a view lays out every
// open row again. The root, with no theme above it, holds itself, marked by the lowest bit.
constexpr quintptr rootMark = 1;

} // namespace

ThemeTreeModel::ThemeTreeModel(ThemeDocument &document, QObject *parent)
    : QAbstractItemModel(parent)
    , m_document(document)
{
    m_document.addObserver(this);
}

ThemeTreeModel::~ThemeTreeModel()
{
    m_document.removeObserver(this);
}

QModelIndex ThemeTreeModel::indexOf(const Theme *theme) const
{
    return theme && m_document.contains(theme) ? rowIndex(theme) : QModelIndex();
}

QModelIndex ThemeTreeModel::rowIndex(const Theme *theme) const
{
    if (theme == m_document.root())
        return createIndex(0, 0, quintptr(theme) | rootMark);
    return createIndex(theme->row(), 0, quintptr(theme->parent()));
}

Theme *ThemeTreeModel::themeAt(const QModelIndex &index)
{
    if (!index.isValid())
        return nullptr;
    const quintptr held = index.internalId();
    if (held & rootMark)
        return reinterpret_cast<Theme *>(held & ~rootMark);
    const Theme *parent = reinterpret_cast<const Theme *>(held);
    return index.row() < parent->childCount() ? parent->child(index.row()) : nullptr;
}

QModelIndex ThemeTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? rowIndex(m_document.root()) : QModelIndex();
    const Theme *theme = themeAt(parent);
    return theme && row < theme->childCount() ? createIndex(row, 0, quintptr(theme))
                                              : QModelIndex();
}

QModelIndex ThemeTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || (child.internalId() & rootMark))
        return {};
    return rowIndex(reinterpret_cast<const Theme *>(child.internalId()));
}

int ThemeTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return 1;
    return parent.column() == 0 ? themeAt(parent)->childCount() : 0;
}

int ThemeTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool ThemeTreeModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0 || canFetchMore(parent);
}

bool ThemeTreeModel::holdsElsewhere(Theme *theme) const
{
    Theme *holder = m_document.holderOrSelf(theme);
    // The subthemes cannot come down into a link below its holder, nor up out of its own branch.
    return holder != theme && holder->childCount() > 0 && !isAncestorOrSelf(holder, theme) &&
           !isAncestorOrSelf(theme, holder);
}

bool ThemeTreeModel::canFetchMore(const QModelIndex &parent) const
{
    Theme *theme = themeAt(parent);
    return m_telling == 0 && theme && theme->linkId() != 0 && holdsElsewhere(theme);
}

void ThemeTreeModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        m_document.makeHolder(themeAt(parent));
}

QVariant ThemeTreeModel::data(const QModelIndex &index, int role) const
{
    const Theme *theme = themeAt(index);
    if (!theme)
        return {};
    if (role == Qt::DisplayRole)
        return theme->name();
    if (role == LinkIdRole)
        return theme->linkId();
    return {};
}

QVariant ThemeTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return QCoreApplication::translate("LinkListView", "Theme (Тема)");
}

Qt::ItemFlags ThemeTreeModel::flags(const QModelIndex &index) const
{
    // A view edits a name through the document's commands, never through setData.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                           : Qt::NoItemFlags;
}

void ThemeTreeModel::aboutToInsert(Theme *parent, int first, int last)
{
    ++m_telling;
    beginInsertRows(rowIndex(parent), first, last);
}

void ThemeTreeModel::inserted(Theme *, int, int)
{
    endInsertRows();
    --m_telling;
}

void ThemeTreeModel::aboutToRemove(Theme *parent, int first, int last)
{
    ++m_telling;
    beginRemoveRows(rowIndex(parent), first, last);
}

void ThemeTreeModel::removed(Theme *, int, int)
{
    endRemoveRows();
    --m_telling;
}

void ThemeTreeModel::aboutToMove(Theme *from, int first, int last, Theme *to, int destination)
{
    ++m_telling;
    // Two siblings that trade places are two changed rows: the rows below each are named by
    // their parent, and go with it.
    m_swapping =
            from == to && first == last && (destination == first - 1 || destination == first + 2);
    if (m_swapping)
        return;
    // The document never moves a theme into its own branch nor onto its own place.
    const bool valid = beginMoveRows(rowIndex(from), first, last, rowIndex(to), destination);
    Q_ASSERT(valid);
    Q_UNUSED(valid);
}

void ThemeTreeModel::moved(Theme *from, int first, int, Theme *, int destination)
{
    if (std::exchange(m_swapping, false)) {
        const int top = std::min(first, destination);
        const QModelIndex upper = createIndex(top, 0, quintptr(from));
        const QModelIndex lower = createIndex(top + 1, 0, quintptr(from));
        // Whoever holds one of the two rows goes on holding its theme.
        changePersistentIndexList({upper, lower}, {lower, upper});
        Q_EMIT siblingsSwapped(upper);
        Q_EMIT dataChanged(upper, lower);
    } else {
        endMoveRows();
    }
    --m_telling;
}

void ThemeTreeModel::changed(Theme *theme, Field field)
{
    if (field == Field::Name || field == Field::LinkId) {
        const QModelIndex row = rowIndex(theme);
        ++m_telling;
        Q_EMIT dataChanged(row, row);
        --m_telling;
    }
}

void ThemeTreeModel::groupChanged(int id, bool holderChanged)
{
    // Whether a member has subthemes to fetch changes with the group's holder, and only with
    // it: a member that joins or leaves is told of as its id changes. Telling every member at
    // each join would make copying a branch full of one group's links take quadratic time.
    const LinkGroup *group = m_document.group(id);
    if (!group || !holderChanged)
        return;
    auto tell = [this](const Theme *member) {
        const QModelIndex row = indexOf(member);
        ++m_telling;
        if (row.isValid())
            Q_EMIT dataChanged(row, row);
        --m_telling;
    };
    if (group->mark)
        tell(group->mark);
    for (const Theme *link : group->links)
        tell(link);
}
