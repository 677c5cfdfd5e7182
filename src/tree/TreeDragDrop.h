#pragma once

#include "model/EditingCommands.h"

#include <QMimeData>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

class QDropEvent;
class QFrame;

// What a tree lets the mouse do with its rows: which drops it takes, and the drop itself, each
// one step of its history. The rows it is asked about are always rows of its own model.
class DropSite
{
public:
    using DropPlace = EditingCommands::DropPlace;
    using DropKind = EditingCommands::DropKind;

    virtual ~DropSite() = default;
    // Whether the dragged theme (of this tree or, for a copy, of another) may be dropped there.
    virtual bool canDrop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                         DropKind kind) = 0;
    // Whether files dropped onto the row may be read into it.
    virtual bool takesFiles(const QModelIndex &target) = 0;
    // A theme of this tree dropped there.
    virtual void drop(const QModelIndex &dragged, const QModelIndex &target, DropPlace place,
                      DropKind kind) = 0;
};

// What a theme dragged out of a tree carries: the tree and the theme's row, for as long as the
// row stays in its tree. Drops only ever happen inside this program.
class ThemeMimeData : public QMimeData
{
    Q_OBJECT
public:
    ThemeMimeData(QTreeView *view, const QModelIndex &theme);
    QTreeView *view() const { return m_view; }
    QModelIndex theme() const { return m_view ? QModelIndex(m_theme) : QModelIndex(); }

private:
    QPointer<QTreeView> m_view;
    QPersistentModelIndex m_theme;
};

// The mouse side of a tree: dragging a theme out of it, and what is dropped on it. While a drag
// goes on, a line (before or after a row) or a frame (into it) shows where the drop would go, the
// tree scrolls near its upper and lower edges, and a closed theme held under the pointer opens.
class TreeDragDrop : public QObject
{
    Q_OBJECT
public:
    using DropPlace = DropSite::DropPlace;
    using DropKind = DropSite::DropKind;

    TreeDragDrop(QTreeView *view, DropSite &site);

    // The ".brw" files among dropped data.
    static QStringList treeFiles(const QMimeData *data);
    // Upper and lower quarters of a row are its edges.
    static DropPlace placeAt(const QRect &row, int y);
    static DropKind kindOf(Qt::KeyboardModifiers modifiers);
    QFrame *indicator() const { return m_indicator; }
    static constexpr int openDelay = 700;     // ms a closed theme is held before it opens
    static constexpr int scrollMargin = 16;   // px from the edge where the tree scrolls
    static constexpr int scrollInterval = 50; // ms

Q_SIGNALS:
    // Files dropped onto a theme, or (an invalid row) onto the tree below its rows. Sent once the
    // drop is over, so the dropping program is not kept waiting by the questions they bring.
    void filesDropped(const QStringList &files, const QModelIndex &theme);
    // A theme of another tree dropped here, to be copied in.
    void foreignThemeDropped(QTreeView *source, const QModelIndex &dragged,
                             const QModelIndex &target, DropSite::DropPlace place);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Where a drop at that point would go, and what it would do (Qt::IgnoreAction: refused).
    struct Aim
    {
        QModelIndex hovered; // the row under the pointer
        QModelIndex target;
        DropPlace place = DropPlace::Into;
        Qt::DropAction action = Qt::IgnoreAction;
    };
    Aim aimAt(const QDropEvent *event);
    void dragOver(QDropEvent *event);
    void drop(QDropEvent *event);
    void endHover();
    void startDrag(const QModelIndex &theme);
    void scrollStep();
    void openHovered();

    QTreeView *m_view;
    DropSite &m_site;
    QFrame *m_indicator;
    QTimer m_scrollTimer;
    QTimer m_openTimer;
    int m_scrollDirection = 0;
    // Rows held across events: a row that leaves its tree meanwhile is no longer valid.
    QPersistentModelIndex m_pressed;
    QPersistentModelIndex m_hovered;
    QPoint m_pressPosition;
    bool m_dragged = false;
    QStringList m_pendingFiles;
    QPersistentModelIndex m_filesTarget;
    bool m_filesIntoTheme = false;
};
