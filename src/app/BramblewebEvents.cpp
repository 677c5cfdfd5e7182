// The main window's event filter: focus switching, window switching, the Ctrl+K prefix, and the
// close question.
#include "app/Brambleweb.h"

#include "app/DetachedWindows.h"
#include "app/FatalSignals.h"
#include "app/FileCommands.h"
#include "app/LocationMode.h"
#include "app/WindowKeys.h"
#include "app/WindowMemory.h"
#include "app/WindowSearch.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "tree/ReminderDialog.h"
#include "tree/ReminderHost.h"
#include "tree/ThemeView.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace {

// The main window that was activated last. The toolkit activates the new window before it
// deactivates the old one, so the previous window is the last one activated before this one.
QPointer<Brambleweb> lastActivated;

bool isInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    // A drop changes the tree as a key does: not while it is being read or written.
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
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
        // A name editor opened while another window was active still waits for the keys.
        if (m_view->isRenaming())
            m_view->nameEditor()->setFocus();
        else if (m_lastFocus)
            m_lastFocus->setFocus();
        if (lastActivated && lastActivated != this)
            m_previousWindow = lastActivated;
        lastActivated = this;
        if (m_session->reloadPending())
            QTimer::singleShot(0, m_files, &FileCommands::askReload);
    }
    if (runClashingShortcut(this, event))
        return true;
    return QMainWindow::event(event);
}

bool Brambleweb::runClashingShortcut(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    auto *widget = qobject_cast<QWidget *>(watched);
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !widget ||
        widget->window() != this)
        return false;
    const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
    for (QAction *action : std::as_const(m_mnemonicClashes)) {
        if (action->isEnabled() && action->shortcut() == pressed) {
            // Taken as an ordinary key, it comes back as a key press, which runs the action.
            event->accept();
            if (type == QEvent::KeyPress)
                action->trigger();
            return true;
        }
    }
    return false;
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

void Brambleweb::watchInput(QAbstractScrollArea *widget)
{
    widget->installEventFilter(this);
    // Mouse clicks arrive at the viewport, not at the scroll area.
    widget->viewport()->installEventFilter(this);
}

bool Brambleweb::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (m_inputBlocked && isInputEvent(type))
        return true;

    if (type == QEvent::FocusIn) {
        if (watched == m_view) {
            setActionState(m_actionState | TreeHasFocus);
            m_focusInTree = true;
        } else if (watched == m_mainEditBox) {
            setActionState(m_actionState & ~TreeHasFocus);
            m_focusInTree = false;
        }
        if (watched == m_view || watched == m_mainEditBox)
            m_lastFocus = static_cast<QWidget *>(watched);
    }

    if (m_location->filter(event))
        return true;
    if (runClashingShortcut(watched, event))
        return true;
    if (type == QEvent::KeyPress) {
        const bool document = watched == m_view || watched == m_mainEditBox || watched == this;
        if (handleKey(watched, static_cast<QKeyEvent *>(event), document))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool Brambleweb::handleKey(QObject *watched, QKeyEvent *key, bool document)
{
    using namespace WindowKeys;
    if (const KeyBinding *binding = KeyTable::find(everywhere(), key)) {
        if (binding->command == RaiseThisWindow)
            activateWindowOf(this);
        else if (binding->command == PreviousWindow)
            activateWindowOf(m_previousWindow);
        else if (binding->command == DetachedWindow)
            m_detached->activateRemovalWindow(key->key() - Qt::Key_0);
        return true;
    }
    if (!document)
        return false;
    if (m_ctrlKPending) {
        if (isModifierKey(key->key()))
            return false;
        m_ctrlKPending = false;
        if (const KeyBinding *binding = KeyTable::find(afterCtrlK(), key)) {
            if (binding->command == CrashTest)
                crashTest();
            else if (binding->command == SaveBranchWithoutHidden)
                m_files->menuFileOperation(FileOperations::SaveBranchStripped);
        }
        return true;
    }
    if (const KeyBinding *binding = KeyTable::find(WindowKeys::document(), key)) {
        if (binding->command == ApplyDescription)
            menuApply();
        else
            m_ctrlKPending = true;
        return true;
    }
    const KeyBinding *treeKey =
            watched == m_view ? KeyTable::find(WindowKeys::tree(), key) : nullptr;
    if (treeKey && treeKey->command == EndFilter)
        return m_search->endTreeFilter();
    if (treeKey) {
        m_mainEditBox->setFocus();
        m_focusInTree = false;
        return true;
    }
    if (watched == m_mainEditBox && KeyTable::find(WindowKeys::editor(), key)) {
        m_view->setFocus();
        m_focusInTree = true;
        updateStatus();
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

void Brambleweb::closeEvent(QCloseEvent *event)
{
    // A loading tree lets the window repaint: a close then would pull the tree away under the
    // reader.
    if (m_inputBlocked || !m_session->beginClose()) {
        event->ignore();
        return;
    }
    m_view->closeNameEditor();
    storeDescription(m_view->currentTheme(), true);
    bool refused = !m_detached->closeRemovalWindows();
    if (!refused && isModified()) {
        const Messages::Answer answer = m_files->askSaveChanges();
        refused = answer == Messages::Answer::Yes ? isModified() : answer != Messages::Answer::No;
    }
    if (refused) {
        m_session->cancelClose();
        event->ignore();
        return;
    }
    m_secondTimer.stop();
    m_memory->rememberOnClose();
    m_session->close();
    m_reminder->setRinging(false);
    m_reminder->window()->close();
    m_search->stop();
    releaseClosedDocument();
    m_search->hideDialog();
    event->accept();
}

void Brambleweb::releaseClosedDocument()
{
    // Not under a step that is still running (a search closed in the middle): after it.
    if (m_undo.isOpen() || m_search->isRunning()) {
        QTimer::singleShot(0, this, &Brambleweb::releaseClosedDocument);
        return;
    }
    ThemeDocument empty;
    m_document.replaceContents(empty);
}
