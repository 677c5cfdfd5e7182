#include "tree/NameEditor.h"

#include "editor/KeyTable.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

NameEditor::NameEditor(const QString &text, QWidget *parent, const char *name)
    : QLineEdit(text, parent)
{
    setObjectName(QString::fromLatin1(name));
}

void NameEditor::restart(const QString &text)
{
    setText(text);
    setModified(false);
    m_contextMenuPending = false;
    m_endedWithFocus = false;
}

void NameEditor::finishEditing(bool accepted)
{
    if (isHidden())
        return;
    m_endedWithFocus = hasFocus();
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

namespace {

enum NameCommand { Swallow, Accept, Reject, Undo, Copy };

// Up and Down would leave the line: swallowed, pressed or released. Return's release is
// swallowed with its press, so that it does not reach the tree.
const KeyBinding releaseKeys[] = {
        {Qt::NoModifier, Qt::Key_Up, 0, Swallow, nullptr, KeyBinding::AnyModifiers},
        {Qt::NoModifier, Qt::Key_Down, 0, Swallow, nullptr, KeyBinding::AnyModifiers},
        {Qt::NoModifier, Qt::Key_Return, 0, Swallow, nullptr, KeyBinding::AnyModifiers},
};

const KeyBinding pressKeys[] = {
        {Qt::NoModifier, Qt::Key_Up, 0, Swallow, nullptr, KeyBinding::AnyModifiers},
        {Qt::NoModifier, Qt::Key_Down, 0, Swallow, nullptr, KeyBinding::AnyModifiers},
        {Qt::NoModifier, Qt::Key_Return, 0, Accept, "Keep the new name (Сохранить имя)",
         KeyBinding::AnyModifiers},
        {Qt::NoModifier, Qt::Key_Escape, 0, Reject, "Keep the old name (Оставить старое имя)",
         KeyBinding::AnyModifiers},
        {Qt::AltModifier, Qt::Key_Backspace, 0, Undo, "Undo (Отменить)"},
        {Qt::ControlModifier, Qt::Key_Insert, 0, Copy, "Copy (Копировать)"},
};

} // namespace

std::span<const KeyBinding> NameEditor::keyBindings()
{
    return pressKeys;
}

bool NameEditor::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyRelease:
        if (KeyTable::find(releaseKeys, static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        const KeyBinding *binding = KeyTable::find(pressKeys, key);
        if (!binding)
            break;
        switch (binding->command) {
        case Accept:
            finishEditing(true);
            break;
        case Reject:
            finishEditing(false);
            break;
        case Undo:
            sendKeyToSelf(Qt::Key_Z, Qt::ControlModifier);
            break;
        case Copy:
            sendKeyToSelf(Qt::Key_C, key->modifiers());
            break;
        default:
            break;
        }
        return true;
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
