#pragma once

#include "tree/LinkListView.h"

#include <QMimeData>
#include <QPointer>
#include <QTimer>

class QDropEvent;
class QFrame;

// What a theme dragged out of a tree carries: the tree and the theme, for as long as the theme
// stays in its tree. Drops only ever happen inside this program.
class ThemeMimeData : public QMimeData
{
    Q_OBJECT
public:
    ThemeMimeData(LinkListView *view, ColorListViewItem *theme);
    LinkListView *view() const { return m_view; }
    ColorListViewItem *theme() const { return m_view ? m_theme : nullptr; }

private:
    QPointer<LinkListView> m_view;
    ColorListViewItem *m_theme;
};

// The mouse side of a tree: dragging a theme out of it, and what is dropped on it. While a drag
// goes on, a line (before or after a row) or a frame (into it) shows where the drop would go, the
// tree scrolls near its upper and lower edges, and a closed theme held under the pointer opens.
class TreeDragDrop : public QObject
{
    Q_OBJECT
public:
    explicit TreeDragDrop(LinkListView *view);

    // The ".brw" files among dropped data.
    static QStringList treeFiles(const QMimeData *data);
    // Upper and lower quarters of a row are its edges.
    static LinkListView::DropPlace placeAt(const QRect &row, int y);
    static LinkListView::DropKind kindOf(Qt::KeyboardModifiers modifiers);
    QFrame *indicator() const { return m_indicator; }
    static constexpr int openDelay = 700;     // ms a closed theme is held before it opens
    static constexpr int scrollMargin = 16;   // px from the edge where the tree scrolls
    static constexpr int scrollInterval = 50; // ms

Q_SIGNALS:
    // Files dropped onto a theme, or (null) onto the tree below its rows. Sent once the drop
    // is over, so the dropping program is not kept waiting by the questions they bring.
    void filesDropped(const QStringList &files, ColorListViewItem *theme);
    // A theme of another tree dropped here, to be copied in.
    void foreignThemeDropped(LinkListView *source, ColorListViewItem *dragged,
                             ColorListViewItem *target, LinkListView::DropPlace place);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Where a drop at that point would go, and what it would do (Qt::IgnoreAction: refused).
    struct Aim
    {
        ColorListViewItem *hovered = nullptr; // the row under the pointer
        ColorListViewItem *target = nullptr;
        LinkListView::DropPlace place = LinkListView::DropPlace::Into;
        Qt::DropAction action = Qt::IgnoreAction;
    };
    Aim aimAt(const QDropEvent *event);
    void dragOver(QDropEvent *event);
    void drop(QDropEvent *event);
    void endHover();
    void startDrag(ColorListViewItem *theme);
    void scrollStep();
    void openHovered();

    LinkListView *m_view;
    QFrame *m_indicator;
    QTimer m_scrollTimer;
    QTimer m_openTimer;
    int m_scrollDirection = 0;
    ColorListViewItem *m_pressed = nullptr;
    ColorListViewItem *m_hovered = nullptr;
    QPoint m_pressPosition;
    bool m_dragged = false;
    QStringList m_pendingFiles;
    ColorListViewItem *m_filesTarget = nullptr;
};
