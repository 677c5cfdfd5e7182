// Where the user left off: a window takes the program's last window state when it is made and a
// document's state when it reads the document; it hands both back when it saves and closes.
#include "app/Brambleweb.h"

#include "app/BRWApplication.h"
#include "app/DocumentState.h"
#include "app/StateFile.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "tree/LinkListView.h"

#include <QScrollBar>
#include <QSplitter>

namespace {

int countOf(ColorListViewItem *theme)
{
    return theme->childCount();
}

ColorListViewItem *themeAt(ColorListViewItem *theme, int index)
{
    return theme->childTheme(index);
}

DocumentState::Chain chainOf(ColorListViewItem *theme, ColorListViewItem *root)
{
    DocumentState::Chain chain;
    for (; theme && theme != root; theme = theme->parentTheme())
        if (ColorListViewItem *parent = theme->parentTheme())
            chain.prepend(parent->indexOfChild(theme));
    return chain;
}

} // namespace

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
    ColorListViewItem *root = m_mainTree->rootTheme();
    const std::optional<DocumentState> state =
            keepsState() && root ? StateFile::document(m_fileName) : std::nullopt;
    if (!state)
        return;
    for (const DocumentState::Chain &chain : state->openThemes)
        if (ColorListViewItem *theme = DocumentChains::find(root, chain, countOf, themeAt))
            theme->setExpanded(true);
    // The cursor and the scroll belong to the theme that was current, not to its parent.
    ColorListViewItem *current = DocumentChains::find(root, state->current, countOf, themeAt);
    if (!current) {
        m_mainTree->setCurrentItem(
                DocumentChains::findNearest(root, state->current, countOf, themeAt));
        return;
    }
    m_mainTree->setSavedCursor(current, state->cursorLine, state->cursorColumn);
    if (current == m_mainTree->currentTheme())
        loadDescription(current);
    else
        m_mainTree->setCurrentItem(current);
    m_mainTree->doItemsLayout();
    m_mainTree->verticalScrollBar()->setValue(state->treeScroll);
    m_mainEditBox->verticalScrollBar()->setValue(state->descriptionScroll);
}

void Brambleweb::rememberDocumentState()
{
    ColorListViewItem *root = m_mainTree->rootTheme();
    if (!keepsState() || !root || m_fileName.isEmpty())
        return;
    DocumentState state;
    state.openThemes =
            DocumentChains::openChains(root, countOf, themeAt, [](ColorListViewItem *theme) {
                return theme->isExpanded();
            });
    state.current = chainOf(m_mainTree->currentTheme(), root);
    const QTextCursor cursor = m_mainEditBox->textCursor();
    state.cursorLine = cursor.blockNumber();
    state.cursorColumn = cursor.positionInBlock();
    state.descriptionScroll = m_mainEditBox->verticalScrollBar()->value();
    state.treeScroll = m_mainTree->verticalScrollBar()->value();
    StateFile::setDocument(m_fileName, state);
}

void Brambleweb::rememberDocument()
{
    if (!keepsState())
        return;
    const QString key = StateFile::documentKey(m_fileName);
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
