// The main window's event filter: focus switching, window switching, location mode, the Ctrl+K
// prefix, and the close question.
#include "app/Brambleweb.h"

#include "app/FatalSignals.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "editor/KeyboardLayout.h"
#include "find/FindDialog.h"
#include "tree/LinkListView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMutexLocker>

namespace {

// The main window that was deactivated last, whichever it is.
Brambleweb *lastDeactivated = nullptr;

bool isInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return true;
    default:
        return false;
    }
}

bool isMouseClick(QEvent::Type type)
{
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr;
}

} // namespace

bool Brambleweb::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        if (m_lastFocus)
            m_lastFocus->setFocus();
        if (lastDeactivated != this)
            m_previousWindow = lastDeactivated;
    } else if (event->type() == QEvent::WindowDeactivate) {
        lastDeactivated = this;
    }
    return QMainWindow::event(event);
}

void Brambleweb::activateWindowOf(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

bool Brambleweb::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (m_inputBlocked && isInputEvent(type))
        return true;

    if (type == QEvent::FocusIn) {
        if (watched == m_mainTree)
            setActionState(m_actionState | TreeHasFocus);
        else if (watched == m_mainEditBox)
            setActionState(m_actionState & ~TreeHasFocus);
        if (watched == m_mainTree || watched == m_mainEditBox)
            m_lastFocus = static_cast<QWidget *>(watched);
    }

    if (m_locationMode) {
        if (isMouseClick(type)) {
            menuLocation();
        } else if (type == QEvent::KeyPress) {
            handleLocationKey(static_cast<QKeyEvent *>(event));
            return true;
        }
    }

    if (type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        if (modifiers == Qt::AltModifier && key->key() == Qt::Key_0) {
            activateWindowOf(this);
            return true;
        }
        if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_Tab) {
            activateWindowOf(m_previousWindow);
            return true;
        }
        if (watched == m_mainTree || watched == m_mainEditBox || watched == this) {
            if (handleCtrlKSequence(key))
                return true;
            if (modifiers == (Qt::ControlModifier | Qt::AltModifier)) {
                if (key->key() == Qt::Key_Left) {
                    m_mainTree->prevThemeInTime();
                    return true;
                }
                if (key->key() == Qt::Key_Right) {
                    m_mainTree->nextThemeInTime();
                    return true;
                }
            }
        }
    }

    if (watched == m_mainEditBox) {
        if (type == QEvent::FocusIn)
            m_focusInTree = false;
        if (type == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return && key->modifiers() == Qt::ControlModifier) {
                m_mainTree->setFocus();
                m_focusInTree = true;
                updateStatus();
                return true;
            }
        }
    } else if (watched == m_mainTree) {
        if (type == QEvent::FocusIn)
            m_focusInTree = true;
        if (type == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
            if (key->key() == Qt::Key_Return &&
                (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
                m_mainEditBox->setFocus();
                m_focusInTree = false;
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool Brambleweb::handleCtrlKSequence(QKeyEvent *key)
{
    const int code = KeyboardLayout::effectiveKeyCode(key);
    if (m_ctrlKPending) {
        if (isModifierKey(key->key()))
            return false;
        m_ctrlKPending = false;
        if (code == Qt::Key_6)
            crashTest();
        return true;
    }
    if (key->modifiers() == Qt::ControlModifier && code == Qt::Key_K) {
        m_ctrlKPending = true;
        return true;
    }
    return false;
}

void Brambleweb::crashTest()
{
    const Messages::Answer answer = Messages::critical(
            nullptr, Messages::warningCaption(),
            tr("It crash this program (BRW)\nПрограмма будет аварийно завершена"),
            Messages::Buttons::YesNo);
    if (answer == Messages::Answer::Yes)
        crashThroughFatalSignal();
}

void Brambleweb::menuLocation()
{
    if (m_locationMode) {
        m_locationMode = false;
        m_locationTarget = nullptr;
        setActionState(m_actionState & ~LocationMode);
        return;
    }
    QWidget *active = QApplication::activeWindow();
    if (!active || !(qobject_cast<Brambleweb *>(active) || qobject_cast<QDialog *>(active)))
        return;
    m_locationTarget = active;
    m_locationMode = true;
    setActionState(m_actionState | LocationMode);
}

bool Brambleweb::handleLocationKey(QKeyEvent *key)
{
    QWidget *target = m_locationTarget;
    if (key->key() == Qt::Key_Escape) {
        menuLocation();
        return true;
    }
    if (!target)
        return true;
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    const bool keypad = modifiers & Qt::KeypadModifier;
    const Qt::KeyboardModifiers plain = modifiers & ~Qt::KeypadModifier;
    QSize size = target->size();
    QPoint position = target->pos();
    switch (key->key()) {
    case Qt::Key_Plus:
        if (keypad)
            size += QSize(16, 12);
        break;
    case Qt::Key_Minus:
        if (keypad)
            size -= QSize(16, 12);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int sign = key->key() == Qt::Key_Left ? -1 : 1;
        if (plain == Qt::AltModifier) {
            size.rwidth() += sign * 16;
        } else if (plain == Qt::ControlModifier && QApplication::activeWindow() == this) {
            Messages::warning(this, Messages::warningCaption(),
                              tr("This function is disabled\nФункция отключена"));
            return true;
        } else {
            position.rx() += sign * 16;
        }
        break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int sign = key->key() == Qt::Key_Up ? -1 : 1;
        if (plain == Qt::AltModifier)
            size.rheight() += sign * 12;
        else
            position.ry() += sign * 12;
        break;
    }
    default:
        return true;
    }
    if (size != target->size())
        target->resize(size);
    if (position != target->pos())
        target->move(position);
    return true;
}

void Brambleweb::closeEvent(QCloseEvent *event)
{
    {
        QMutexLocker locker(&m_saveGuard);
        if (m_autosaveRunning) {
            event->ignore();
            return;
        }
        m_closing = true;
    }
    m_mainTree->closeItemNameEditBox();
    storeDescription(m_mainTree->currentTheme(), true);
    if (m_modified) {
        const Messages::Answer answer =
                Messages::warning(this, Messages::warningCaption(),
                                  tr("Current file (Текущий файл)\n") + m_fileName +
                                          tr("\nwas changed.Save?(изменен. Сохранить?)"),
                                  Messages::Buttons::YesNoCancel);
        if (answer == Messages::Answer::Yes) {
            menuSaveFile();
            if (m_modified) {
                m_closing = false;
                event->ignore();
                return;
            }
        } else if (answer != Messages::Answer::No) {
            m_closing = false;
            event->ignore();
            return;
        }
    }
    m_secondTimer.stop();
    if (m_errorSaveFile.isOpen()) {
        m_errorSaveFile.close();
        m_errorSaveFile.remove();
    }
    if (!m_autosaveFile.fileName().isEmpty())
        QFile::remove(m_autosaveFile.fileName());
    m_mainTree->release();
    if (m_findDialog)
        m_findDialog->hide();
    event->accept();
}
