#include "model/ThemeTreeModel.h"

#include "model/ThemeDocument.h"

#include <QCoreApplication>

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
    return createIndex(theme == m_document.root() ? 0 : theme->row(), 0, theme);
}

Theme *ThemeTreeModel::themeAt(const QModelIndex &index)
{
    return static_cast<Theme *>(index.internalPointer());
}

QModelIndex ThemeTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, m_document.root()) : QModelIndex();
    const Theme *theme = themeAt(parent);
    return row < theme->childCount() ? createIndex(row, 0, theme->child(row)) : QModelIndex();
}

QModelIndex ThemeTreeModel::parent(const QModelIndex &child) const
{
    const Theme *theme = themeAt(child);
    return theme && theme->parent() ? rowIndex(theme->parent()) : QModelIndex();
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
    // The document never moves a theme into its own branch nor onto its own place.
    const bool valid = beginMoveRows(rowIndex(from), first, last, rowIndex(to), destination);
    Q_ASSERT(valid);
    Q_UNUSED(valid);
}

void ThemeTreeModel::moved(Theme *, int, int, Theme *, int)
{
    endMoveRows();
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
