// Where the user left off: a window takes the program's last window state when it is made and a
// document's state when it reads the document; it hands both back when it saves and closes.
#include "app/WindowMemory.h"

#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/StateFile.h"
#include "app/TreeState.h"
#include "app/WindowSearch.h"
#include "editor/CorrectedTextEdit.h"
#include "tree/ThemeView.h"

#include <QScrollBar>
#include <QSplitter>

WindowMemory::WindowMemory(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("memory"));
}

bool WindowMemory::keepsState() const
{
    return m_window.objectName() == QLatin1String("Main");
}

void WindowMemory::restoreWindowState()
{
    const std::optional<WindowState> state = keepsState() ? StateFile::window() : std::nullopt;
    if (!state)
        return;
    m_window.restoreGeometry(state->geometry);
    m_window.restoreState(state->bars);
    m_window.splitter()->restoreState(state->splitter);
    m_window.search()->setFindAllHeight(state->findAllHeight);
}

void WindowMemory::rememberWindowState()
{
    if (!keepsState())
        return;
    StateFile::setWindow({m_window.saveGeometry(), m_window.saveState(),
                          m_window.splitter()->saveState(), m_window.search()->findAllHeight()});
}

void WindowMemory::restoreDocumentState()
{
    const std::optional<DocumentState> state =
            keepsState() ? StateFile::document(m_window.fileName()) : std::nullopt;
    if (!state)
        return;
    ThemeView *view = m_window.tree();
    Theme *before = view->currentTheme();
    Theme *current = TreeState::apply(*view, *state, m_window.savedCursors());
    // The description's cursor and scroll belong to the theme that was current, not its parent.
    if (!current)
        return;
    if (current == before)
        m_window.loadDescription(current);
    m_window.editor()->verticalScrollBar()->setValue(state->descriptionScroll);
}

void WindowMemory::rememberDocumentState()
{
    if (!keepsState() || m_window.fileName().isEmpty())
        return;
    // A narrowed tree would be remembered with the filter's open state, not the user's.
    m_window.search()->endTreeFilter();
    DocumentState state;
    TreeState::capture(*m_window.tree(), state);
    CorrectedTextEdit *editor = m_window.editor();
    const ColumnLine cursor = editor->cursorLineCol();
    state.cursorLine = cursor.line;
    state.cursorColumn = cursor.column;
    state.descriptionScroll = editor->verticalScrollBar()->value();
    StateFile::setDocument(m_window.fileName(), state);
}

void WindowMemory::rememberDocument()
{
    if (!keepsState())
        return;
    const QString key = StateFile::documentKey(m_window.fileName());
    if (key != m_sessionKey) {
        if (!m_sessionKey.isEmpty())
            StateFile::removeFromSession(m_sessionKey);
        StateFile::addToSession(key);
        m_sessionKey = key;
    }
    rememberDocumentState();
}

void WindowMemory::rememberOnClose()
{
    if (!keepsState())
        return;
    rememberDocumentState();
    rememberWindowState();
    // The last window to close ends the program: its documents are the session to reopen.
    bool othersOpen = false;
    if (BRWApplication *application = BRWApplication::instance())
        for (Brambleweb *window : application->windows())
            othersOpen = othersOpen || (window != &m_window && window->isVisible() &&
                                        window->memory()->keepsState());
    if (othersOpen && !m_sessionKey.isEmpty())
        StateFile::removeFromSession(m_sessionKey);
    m_sessionKey.clear();
}

void WindowMemory::menuReopenSession()
{
    if (BRWApplication *application = BRWApplication::instance())
        application->reopenLastSession();
}
