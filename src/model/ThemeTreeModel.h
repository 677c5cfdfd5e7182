#pragma once

#include "model/DocumentObserver.h"

#include <QAbstractItemModel>

class Theme;
class ThemeDocument;

// The document as rows of an item view: one row per theme, the root "/" the only top-level row,
// parents and children as the document has them. A member of a link group shows the group's
// subthemes only while it holds them; any other member offers them as rows still to fetch, and
// fetching them makes it the holder, so that the subthemes move to it as opening a link has
// always moved them. No row stands for anything but a theme.
//
// The rows follow the document's own notifications, whoever changes it: a command, undo, redo,
// a replace or an inserted file. The view paints a row's kind (mark theme, link) from its link id.
class ThemeTreeModel : public QAbstractItemModel, private DocumentObserver
{
    Q_OBJECT
public:
    explicit ThemeTreeModel(ThemeDocument &document, QObject *parent = nullptr);
    ~ThemeTreeModel() override;

    // The row's link id: above 0 a mark theme, below 0 a link.
    static constexpr int LinkIdRole = Qt::UserRole + 1;

    ThemeDocument &document() const { return m_document; }
    QModelIndex indexOf(const Theme *theme) const;
    // The theme that stands at the row's place now; null for the invalid index and for a place
    // that is gone. An index names a place among siblings: held across a change, it must be a
    // persistent one.
    static Theme *themeAt(const QModelIndex &index);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // Two siblings traded places, the upper of the two rows given: told in place of a move, just
    // before the two rows' data change. Their subthemes go with them; a view that lays out the
    // subthemes of either lays them out again.
    void siblingsSwapped(const QModelIndex &upper);

private:
    // The row of a theme known to be in the document's tree: the notifications only name those,
    // and finding out would climb to the root for every row a view asks about.
    QModelIndex rowIndex(const Theme *theme) const;
    // The group member whose subthemes another member holds and could hand over to it.
    bool holdsElsewhere(Theme *theme) const;

    void aboutToInsert(Theme *parent, int first, int last) override;
    void inserted(Theme *parent, int first, int last) override;
    void aboutToRemove(Theme *parent, int first, int last) override;
    void removed(Theme *parent, int first, int last) override;
    void aboutToMove(Theme *from, int first, int last, Theme *to, int destination) override;
    void moved(Theme *from, int first, int last, Theme *to, int destination) override;
    void changed(Theme *theme, Field field) override;
    void groupChanged(int id, bool holderChanged) override;
    void aboutToReplace() override { beginResetModel(); }
    void replaced() override { endResetModel(); }

    ThemeDocument &m_document;
    // Above 0 while the document tells a change: whoever hears it then must not fetch rows, which
    // would change the document in the middle of its change.
    int m_telling = 0;
    bool m_swapping = false; // between the two notifications of a move told as a swap
};
