// Where the user left off: a window takes the program's last window state when it is made and a
// document's state when it reads the document; it hands both back when it saves and closes.
#include "app/Brambleweb.h"

#include "app/BRWApplication.h"
#include "app/StateFile.h"
#include "app/TreeState.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/TreeFilter.h"
#include "tree/ThemeView.h"

#include <QScrollBar>
#include <QSplitter>

bool Brambleweb::keepsState() const
{
    return objectName() == QLatin1String("Main");
}

void Brambleweb::restoreWindowState()
{
    const std::optional<WindowState> state = keepsState() ? StateFile::window() : std::nullopt;
    if (!state)
        return;
    restoreGeometry(state->geometry);
    restoreState(state->bars);
    m_splitter->restoreState(state->splitter);
    m_findAllHeight = state->findAllHeight;
}

void Brambleweb::rememberWindowState()
{
    if (!keepsState())
        return;
    if (m_findAllPanel && m_findAllPanel->isVisible())
        m_findAllHeight = m_findAllPanel->height();
    StateFile::setWindow({saveGeometry(), saveState(), m_splitter->saveState(), m_findAllHeight});
}

void Brambleweb::restoreDocumentState()
{
    const std::optional<DocumentState> state =
            keepsState() ? StateFile::document(fileName()) : std::nullopt;
    if (!state)
        return;
    Theme *before = m_view->currentTheme();
    Theme *current = TreeState::apply(*m_view, *state, m_cursors);
    // The description's cursor and scroll belong to the theme that was current, not its parent.
    if (!current)
        return;
    if (current == before)
        loadDescription(current);
    m_mainEditBox->verticalScrollBar()->setValue(state->descriptionScroll);
}

void Brambleweb::rememberDocumentState()
{
    if (!keepsState() || fileName().isEmpty())
        return;
    // A narrowed tree would be remembered with the filter's open state, not the user's.
    if (m_treeFilter)
        m_treeFilter->end();
    DocumentState state;
    TreeState::capture(*m_view, state);
    const ColumnLine cursor = m_mainEditBox->cursorLineCol();
    state.cursorLine = cursor.line;
    state.cursorColumn = cursor.column;
    state.descriptionScroll = m_mainEditBox->verticalScrollBar()->value();
    StateFile::setDocument(fileName(), state);
}

void Brambleweb::rememberDocument()
{
    if (!keepsState())
        return;
    const QString key = StateFile::documentKey(fileName());
    if (key != m_sessionKey) {
        if (!m_sessionKey.isEmpty())
            StateFile::removeFromSession(m_sessionKey);
        StateFile::addToSession(key);
        m_sessionKey = key;
    }
    rememberDocumentState();
}

void Brambleweb::rememberOnClose()
{
    if (!keepsState())
        return;
    rememberDocumentState();
    rememberWindowState();
    // The last window to close ends the program: its documents are the session to reopen.
    bool othersOpen = false;
    if (BRWApplication *application = BRWApplication::instance())
        for (Brambleweb *window : application->windows())
            othersOpen =
                    othersOpen || (window != this && window->isVisible() && window->keepsState());
    if (othersOpen && !m_sessionKey.isEmpty())
        StateFile::removeFromSession(m_sessionKey);
    m_sessionKey.clear();
}

void Brambleweb::menuReopenSession()
{
    if (BRWApplication *application = BRWApplication::instance())
        application->reopenLastSession();
}
