#include "tree/TreeDragDrop.h"

#include "common/Assertions.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QScrollBar>

ThemeMimeData::ThemeMimeData(QTreeView *view, const QModelIndex &theme)
    : m_view(view)
    , m_theme(theme)
{
    setData(QStringLiteral("application/x-brw-theme"), QByteArray());
}

TreeDragDrop::TreeDragDrop(QTreeView *view, DropSite &site)
    : QObject(view)
    , m_view(view)
    , m_site(site)
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

TreeDragDrop::DropPlace TreeDragDrop::placeAt(const QRect &row, int y)
{
    const int edge = qMax(2, row.height() / 4);
    if (y < row.top() + edge)
        return DropPlace::Before;
    if (y > row.bottom() - edge)
        return DropPlace::After;
    return DropPlace::Into;
}

TreeDragDrop::DropKind TreeDragDrop::kindOf(Qt::KeyboardModifiers modifiers)
{
    if (!(modifiers & Qt::ControlModifier))
        return DropKind::Move;
    return modifiers & Qt::ShiftModifier ? DropKind::Link : DropKind::Copy;
}

bool TreeDragDrop::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_dragged = false;
        m_pressPosition = mouse->position().toPoint();
        const QModelIndex theme = m_view->indexAt(m_pressPosition);
        const bool onRow = theme.isValid() && m_view->visualRect(theme).contains(m_pressPosition);
        m_pressed = mouse->button() == Qt::LeftButton && onRow ? theme : QModelIndex();
        return false;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_pressed.isValid() || !(mouse->buttons() & Qt::LeftButton))
            return false;
        // Below the drag distance the pointer only shakes: the current theme stays.
        if ((mouse->position().toPoint() - m_pressPosition).manhattanLength() >=
            QApplication::startDragDistance())
            startDrag(std::exchange(m_pressed, QModelIndex()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = QModelIndex();
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

void TreeDragDrop::startDrag(const QModelIndex &theme)
{
    // What cut and copy refuse does not leave its place: the root, a placeholder row.
    if (!theme.isValid() || !m_site.canDrop(theme, theme, DropPlace::Into, DropKind::Copy))
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
    const QModelIndex theme = m_view->indexAt(position);
    const QRect row = m_view->visualRect(theme);
    const QMimeData *data = event->mimeData();
    aim.hovered = theme;
    if (const auto *dragged = qobject_cast<const ThemeMimeData *>(data)) {
        if (!theme.isValid() || !dragged->theme().isValid())
            return aim;
        aim.target = theme;
        aim.place = placeAt(row, position.y());
        if (aim.place == DropPlace::After && m_view->isExpanded(theme) &&
            m_view->model()->rowCount(theme) > 0) {
            // The lower edge of an open theme is the line above its first subtheme.
            aim.target = m_view->model()->index(0, 0, theme);
            aim.place = DropPlace::Before;
        }
        DropKind kind = kindOf(event->modifiers());
        // Into another document only a copy can go.
        if (dragged->view() != m_view)
            kind = DropKind::Copy;
        if (!m_site.canDrop(dragged->theme(), aim.target, aim.place, kind))
            return aim;
        aim.action = kind == DropKind::Move   ? Qt::MoveAction
                     : kind == DropKind::Copy ? Qt::CopyAction
                                              : Qt::LinkAction;
        return aim;
    }
    if (treeFiles(data).isEmpty())
        return aim;
    // Files go into a theme they are dropped on; below the rows they open in new windows.
    aim.target = theme;
    if (theme.isValid() && !m_site.takesFiles(theme))
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
        if (m_hovered.isValid() && !m_view->isExpanded(m_hovered) &&
            m_view->model()->hasChildren(m_hovered))
            m_openTimer.start();
    }
    if (aim.action == Qt::IgnoreAction) {
        m_indicator->hide();
        event->ignore();
        return;
    }
    if (aim.target.isValid()) {
        const QRect row = m_view->visualRect(aim.target);
        if (aim.place == DropPlace::Into || !qobject_cast<const ThemeMimeData *>(event->mimeData()))
            m_indicator->setGeometry(row);
        else
            m_indicator->setGeometry(row.left(),
                                     aim.place == DropPlace::Before ? row.top() - 1 : row.bottom(),
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
            m_site.drop(dragged->theme(), aim.target, aim.place, kindOf(event->modifiers()));
        else
            Q_EMIT foreignThemeDropped(dragged->view(), dragged->theme(), aim.target, aim.place);
        return;
    }
    m_pendingFiles = treeFiles(event->mimeData());
    m_filesTarget = aim.target;
    m_filesIntoTheme = aim.target.isValid();
    QMetaObject::invokeMethod(
            this,
            [this] {
                // Files meant for a theme that left meanwhile go nowhere.
                const QStringList files = std::exchange(m_pendingFiles, {});
                if (!files.isEmpty() && m_filesTarget.isValid() == m_filesIntoTheme)
                    Q_EMIT filesDropped(files, m_filesTarget);
            },
            Qt::QueuedConnection);
}

void TreeDragDrop::endHover()
{
    m_indicator->hide();
    m_scrollTimer.stop();
    m_openTimer.stop();
    m_hovered = QModelIndex();
}

void TreeDragDrop::scrollStep()
{
    QScrollBar *bar = m_view->verticalScrollBar();
    const int step = qMax(1, m_view->visualRect(m_view->model()->index(0, 0)).height());
    bar->setValue(bar->value() + m_scrollDirection * step);
}

void TreeDragDrop::openHovered()
{
    if (m_hovered.isValid())
        m_view->expand(m_hovered);
}
