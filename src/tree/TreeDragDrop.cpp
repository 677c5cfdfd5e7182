#include "tree/TreeDragDrop.h"

#include "common/Assertions.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QScrollBar>

ThemeMimeData::ThemeMimeData(LinkListView *view, ColorListViewItem *theme)
    : m_view(view)
    , m_theme(theme)
{
    setData(QStringLiteral("application/x-brw-theme"), QByteArray());
    CONNECT_ASSERT(
            connect(view, &LinkListView::itemWillRemoved, this, [this](ColorListViewItem *removed) {
                if (removed == m_theme)
                    m_theme = nullptr;
            }));
}

TreeDragDrop::TreeDragDrop(LinkListView *view)
    : QObject(view)
    , m_view(view)
    , m_indicator(new QFrame(view->viewport()))
{
    m_indicator->setObjectName(QStringLiteral("dropIndicator"));
    m_indicator->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_indicator->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_indicator->hide();
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
    m_scrollTimer.setInterval(scrollInterval);
    m_openTimer.setSingleShot(true);
    m_openTimer.setInterval(openDelay);
    CONNECT_ASSERT(connect(&m_scrollTimer, &QTimer::timeout, this, &TreeDragDrop::scrollStep));
    CONNECT_ASSERT(connect(&m_openTimer, &QTimer::timeout, this, &TreeDragDrop::openHovered));
    CONNECT_ASSERT(
            connect(view, &LinkListView::itemWillRemoved, this, [this](ColorListViewItem *removed) {
                if (removed == m_pressed)
                    m_pressed = nullptr;
                if (removed == m_hovered)
                    endHover();
                if (removed == m_filesTarget)
                    m_pendingFiles.clear();
            }));
}

QStringList TreeDragDrop::treeFiles(const QMimeData *data)
{
    QStringList files;
    if (data)
        for (const QUrl &url : data->urls())
            if (url.isLocalFile() && url.toLocalFile().endsWith(u".brw", Qt::CaseInsensitive))
                files << url.toLocalFile();
    return files;
}

LinkListView::DropPlace TreeDragDrop::placeAt(const QRect &row, int y)
{
    const int edge = qMax(2, row.height() / 4);
    if (y < row.top() + edge)
        return LinkListView::DropPlace::Before;
    if (y > row.bottom() - edge)
        return LinkListView::DropPlace::After;
    return LinkListView::DropPlace::Into;
}

LinkListView::DropKind TreeDragDrop::kindOf(Qt::KeyboardModifiers modifiers)
{
    if (!(modifiers & Qt::ControlModifier))
        return LinkListView::DropKind::Move;
    return modifiers & Qt::ShiftModifier ? LinkListView::DropKind::Link
                                         : LinkListView::DropKind::Copy;
}

bool TreeDragDrop::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_dragged = false;
        m_pressPosition = mouse->position().toPoint();
        ColorListViewItem *theme = ColorListViewItem::themeOf(m_view->itemAt(m_pressPosition));
        // A null item is never dragged, and may go without notice.
        const bool onRow = theme && !theme->isNullItem() &&
                           m_view->visualItemRect(theme).contains(m_pressPosition);
        m_pressed = mouse->button() == Qt::LeftButton && onRow ? theme : nullptr;
        return false;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_pressed || !(mouse->buttons() & Qt::LeftButton))
            return false;
        // Below the drag distance the pointer only shakes: the current theme stays.
        if ((mouse->position().toPoint() - m_pressPosition).manhattanLength() >=
            QApplication::startDragDistance())
            startDrag(std::exchange(m_pressed, nullptr));
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = nullptr;
        // The release that ended a drag is not a click on a theme.
        return std::exchange(m_dragged, false);
    case QEvent::DragEnter: {
        // Taken whenever the data could go somewhere in the tree: only a widget that took the
        // enter sees the moves, and each move then says where a drop may go.
        auto *enter = static_cast<QDropEvent *>(event);
        if (!qobject_cast<const ThemeMimeData *>(enter->mimeData()) &&
            treeFiles(enter->mimeData()).isEmpty())
            return false;
        dragOver(enter);
        enter->accept();
        return true;
    }
    case QEvent::DragMove:
        dragOver(static_cast<QDropEvent *>(event));
        return true;
    case QEvent::DragLeave:
        endHover();
        return true;
    case QEvent::Drop:
        drop(static_cast<QDropEvent *>(event));
        return true;
    default:
        return false;
    }
}

void TreeDragDrop::startDrag(ColorListViewItem *theme)
{
    // Cut and copy refuse the root and null items: they do not leave their places.
    if (!m_view->canDropTheme(theme, theme, LinkListView::DropPlace::Into,
                              LinkListView::DropKind::Copy))
        return;
    m_dragged = true;
    auto *drag = new QDrag(m_view);
    drag->setMimeData(new ThemeMimeData(m_view, theme));
    drag->exec(Qt::MoveAction | Qt::CopyAction | Qt::LinkAction, Qt::MoveAction);
    endHover();
}

TreeDragDrop::Aim TreeDragDrop::aimAt(const QDropEvent *event)
{
    Aim aim;
    const QPoint position = event->position().toPoint();
    ColorListViewItem *theme = ColorListViewItem::themeOf(m_view->itemAt(position));
    const QRect row = theme ? m_view->visualItemRect(theme) : QRect();
    const QMimeData *data = event->mimeData();
    aim.hovered = theme;
    if (const auto *dragged = qobject_cast<const ThemeMimeData *>(data)) {
        if (!theme || !dragged->theme())
            return aim;
        aim.target = theme;
        aim.place = placeAt(row, position.y());
        if (aim.place == LinkListView::DropPlace::After && theme->isExpanded() &&
            theme->childCount() > 0) {
            // The lower edge of an open theme is the line above its first subtheme.
            aim.target = theme->childTheme(0);
            aim.place = LinkListView::DropPlace::Before;
        }
        LinkListView::DropKind kind = kindOf(event->modifiers());
        // Into another document only a copy can go.
        if (dragged->view() != m_view)
            kind = LinkListView::DropKind::Copy;
        if (!m_view->canDropTheme(dragged->theme(), aim.target, aim.place, kind))
            return aim;
        aim.action = kind == LinkListView::DropKind::Move   ? Qt::MoveAction
                     : kind == LinkListView::DropKind::Copy ? Qt::CopyAction
                                                            : Qt::LinkAction;
        return aim;
    }
    if (treeFiles(data).isEmpty())
        return aim;
    // Files go into a theme they are dropped on; below the rows they open in new windows.
    aim.target = theme;
    if (theme && !m_view->dropParent(theme, LinkListView::DropPlace::Into))
        return aim;
    aim.action = Qt::CopyAction;
    return aim;
}

void TreeDragDrop::dragOver(QDropEvent *event)
{
    const Aim aim = aimAt(event);
    const QPoint position = event->position().toPoint();
    const int height = m_view->viewport()->height();
    m_scrollDirection = position.y() < scrollMargin             ? -1
                        : position.y() >= height - scrollMargin ? 1
                                                                : 0;
    if (m_scrollDirection != 0 && !m_scrollTimer.isActive())
        m_scrollTimer.start();
    else if (m_scrollDirection == 0)
        m_scrollTimer.stop();
    if (aim.hovered != m_hovered) {
        m_hovered = aim.hovered;
        m_openTimer.stop();
        if (m_hovered && !m_hovered->isExpanded() && m_hovered->childCount() > 0)
            m_openTimer.start();
    }
    if (aim.action == Qt::IgnoreAction) {
        m_indicator->hide();
        event->ignore();
        return;
    }
    if (aim.target) {
        const QRect row = m_view->visualItemRect(aim.target);
        if (aim.place == LinkListView::DropPlace::Into ||
            !qobject_cast<const ThemeMimeData *>(event->mimeData()))
            m_indicator->setGeometry(row);
        else
            m_indicator->setGeometry(row.left(),
                                     aim.place == LinkListView::DropPlace::Before ? row.top() - 1
                                                                                  : row.bottom(),
                                     row.width(), 2);
        m_indicator->show();
        m_indicator->raise();
    } else {
        m_indicator->hide();
    }
    event->setDropAction(aim.action);
    event->accept();
}

void TreeDragDrop::drop(QDropEvent *event)
{
    const Aim aim = aimAt(event);
    endHover();
    if (aim.action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(aim.action);
    event->accept();
    if (const auto *dragged = qobject_cast<const ThemeMimeData *>(event->mimeData())) {
        if (dragged->view() == m_view)
            m_view->dropTheme(dragged->theme(), aim.target, aim.place, kindOf(event->modifiers()));
        else
            Q_EMIT foreignThemeDropped(dragged->view(), dragged->theme(), aim.target, aim.place);
        return;
    }
    m_pendingFiles = treeFiles(event->mimeData());
    m_filesTarget = aim.target;
    QMetaObject::invokeMethod(
            this,
            [this] {
                const QStringList files = std::exchange(m_pendingFiles, {});
                if (!files.isEmpty())
                    Q_EMIT filesDropped(files, m_filesTarget);
            },
            Qt::QueuedConnection);
}

void TreeDragDrop::endHover()
{
    m_indicator->hide();
    m_scrollTimer.stop();
    m_openTimer.stop();
    m_hovered = nullptr;
}

void TreeDragDrop::scrollStep()
{
    QScrollBar *bar = m_view->verticalScrollBar();
    const int step = qMax(1, m_view->visualItemRect(m_view->rootTheme()).height());
    bar->setValue(bar->value() + m_scrollDirection * step);
}

void TreeDragDrop::openHovered()
{
    if (m_hovered && !m_hovered->isExpanded())
        m_hovered->setExpanded(true);
}
