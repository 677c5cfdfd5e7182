#include "tree/NameEditor.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

NameEditor::NameEditor(const QString &text, QWidget *parent, const char *name)
    : QLineEdit(text, parent)
{
    setObjectName(QString::fromLatin1(name));
}

void NameEditor::finishEditing(bool accepted)
{
    if (isHidden())
        return;
    if (!accepted || !isModified()) {
        hide();
        Q_EMIT reject();
        return;
    }
    QString name = text();
    name.remove(QLatin1Char('\r'));
    name.remove(QLatin1Char('\n'));
    hide();
    Q_EMIT accept(name);
}

void NameEditor::sendKeyToSelf(int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(this, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(this, &release);
}

bool NameEditor::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool press = event->type() == QEvent::KeyPress;
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)
            return true;
        if (key->key() == Qt::Key_Return) {
            if (press)
                finishEditing(true);
            return true;
        }
        if (!press)
            break;
        if (key->key() == Qt::Key_Escape) {
            finishEditing(false);
            return true;
        }
        if (key->key() == Qt::Key_Backspace && modifiers == Qt::AltModifier) {
            sendKeyToSelf(Qt::Key_Z, Qt::ControlModifier);
            return true;
        }
        if (key->key() == Qt::Key_Insert && modifiers == Qt::ControlModifier) {
            sendKeyToSelf(Qt::Key_C, key->modifiers());
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
            m_contextMenuPending = true;
        break;
    case QEvent::FocusOut:
        // The editor's own context menu takes the focus for a moment: keep editing.
        if (m_contextMenuPending ||
            static_cast<QFocusEvent *>(event)->reason() == Qt::PopupFocusReason) {
            if (m_contextMenuPending && QApplication::focusWidget())
                QApplication::focusWidget()->installEventFilter(this);
            m_contextMenuPending = false;
            break;
        }
        finishEditing(true);
        break;
    default:
        break;
    }
    return QLineEdit::event(event);
}

bool NameEditor::eventFilter(QObject *watched, QEvent *event)
{
    // Once the context menu is gone, the focus comes back here and editing goes on.
    if (event->type() == QEvent::Hide || event->type() == QEvent::Destroy)
        watched->removeEventFilter(this);
    return QLineEdit::eventFilter(watched, event);
}
