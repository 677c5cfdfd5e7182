#pragma once

#include <QCoreApplication>
#include <QDropEvent>
#include <QWidget>

// A drag that enters the widget and moves to `at`, then drops there if asked, with the keys held;
// whether the widget took the move. Work the drop leaves for later runs before the return.
inline bool dragTo(QWidget *widget, QPoint at, const QMimeData *data,
                   Qt::KeyboardModifiers keys = Qt::NoModifier, bool drop = true)
{
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(widget, &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(widget, &move);
    QDropEvent dropped(at, actions, data, Qt::LeftButton, keys);
    if (drop)
        QCoreApplication::sendEvent(widget, &dropped);
    QCoreApplication::processEvents();
    return move.isAccepted();
}
