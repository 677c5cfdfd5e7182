// The main window's side of find and replace: the find dialog, the commands that run search
// steps, and the deferred selection of a name match; going to a theme by name, the list of every
// match, and the narrowed tree.
#include "app/WindowSearch.h"

#include "app/Brambleweb.h"
#include "common/Assertions.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/FindDialog.h"
#include "find/FindEngine.h"
#include "find/FindText.h"
#include "find/GoToThemePopup.h"
#include "find/TreeFilter.h"
#include "tree/ThemeView.h"

#include <QCoreApplication>
#include <QSplitter>
#include <QTreeView>

namespace {

// Posted after a name match: opens the name editor once the current events are done.
constexpr QEvent::Type nameSelectionEvent = QEvent::Type(QEvent::User + 1001);

} // namespace

WindowSearch::WindowSearch(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("search"));
}

WindowSearch::~WindowSearch()
{
    delete m_findDialog;
    delete m_findEngine;
    delete m_goToPopup;
    delete m_treeFilter;
}

void WindowSearch::stop()
{
    if (m_findEngine)
        m_findEngine->stop();
}

bool WindowSearch::isRunning() const
{
    return m_findEngine && m_findEngine->isRunning();
}

void WindowSearch::hideDialog()
{
    if (m_findDialog)
        m_findDialog->hide();
}

int WindowSearch::findAllHeight()
{
    if (m_findAllPanel && m_findAllPanel->isVisible())
        m_findAllHeight = m_findAllPanel->height();
    return m_findAllHeight;
}

FindEngine *WindowSearch::findEngine()
{
    if (!m_findEngine) {
        FindEngine::Host host;
        host.storeDescription = [this](Theme *theme) { m_window.storeDescription(theme, true); };
        host.loadDescription = [this](Theme *theme) { m_window.loadDescription(theme); };
        host.postNameSelection = [this] {
            QCoreApplication::postEvent(this, new QEvent(nameSelectionEvent));
        };
        m_findEngine = new FindEngine(m_window.tree(), m_window.undoHistory(), m_window.editor(),
                                      std::move(host), this);
    }
    return m_findEngine;
}

void WindowSearch::showFindDialog(bool replaceMode)
{
    if (m_findDialog) {
        m_findDialog->setReplaceMode(replaceMode);
    } else {
        m_findDialog = new FindDialog(replaceMode);
        CONNECT_ASSERT(
                connect(m_findDialog, &FindDialog::findAction, this, &WindowSearch::findAction));
        CONNECT_ASSERT(connect(m_findDialog, &FindDialog::replaceAction, this,
                               &WindowSearch::replaceAction));
        CONNECT_ASSERT(
                connect(m_findDialog, &FindDialog::hided, this, &WindowSearch::hideFindDialog));
        CONNECT_ASSERT(
                connect(m_findDialog, &FindDialog::listAction, this, &WindowSearch::findAllAction));
        // The window's own keys work in the dialog too.
        m_findDialog->installEventFilter(&m_window);
        for (QWidget *field : {m_findDialog->findField(), m_findDialog->replaceField()}) {
            field->installEventFilter(&m_window);
            // The dialog's own keys in its fields (Ctrl+Tab between them) come first.
            field->installEventFilter(m_findDialog);
        }
    }
    if (m_findDialog->isShown())
        m_window.activateWindowOf(m_findDialog);
    else
        m_findDialog->show();
}

void WindowSearch::menuFind()
{
    showFindDialog(false);
}

void WindowSearch::menuReplace()
{
    showFindDialog(true);
}

void WindowSearch::runFindCommand(bool replaceMode, int action,
                                  void (WindowSearch::*run)(const FindParas &))
{
    if (!m_findDialog) {
        showFindDialog(replaceMode);
        return;
    }
    if (!m_findDialog->isShown())
        m_findDialog->show();
    if (const int code = m_findDialog->validate()) {
        m_findDialog->warn(code);
        return;
    }
    FindParas paras = m_findDialog->paras();
    paras.action = action;
    if (run)
        (this->*run)(paras);
    else if (action == FindParas::NoAction)
        runFindAll(paras);
    else
        findReplace(paras);
}

void WindowSearch::menuFindNext()
{
    runFindCommand(false, FindParas::FindNext);
}

void WindowSearch::menuNextTheme()
{
    runFindCommand(false, FindParas::NextTheme);
}

void WindowSearch::menuReplaceNext()
{
    runFindCommand(true, FindParas::Replace);
}

void WindowSearch::menuReplaceAll()
{
    runFindCommand(true, FindParas::ReplaceAll);
}

void WindowSearch::menuFilterTree()
{
    if (!endTreeFilter())
        runFindCommand(false, FindParas::NoAction, &WindowSearch::filterTree);
}

void WindowSearch::filterTree(const FindParas &paras)
{
    ThemeView *view = m_window.tree();
    Theme *current = view->currentTheme();
    if (!current || m_window.isInputBlocked())
        return;
    if (!m_treeFilter) {
        m_treeFilter = new TreeFilter(view, this);
        CONNECT_ASSERT(connect(m_treeFilter, &TreeFilter::narrowed, this, [this](bool gaveUp) {
            if (gaveUp)
                Messages::warning(&m_window, tr("Search (Поиск)"), TextPattern::stoppedText());
        }));
    }
    m_window.storeDescription(current, true);
    m_treeFilter->run(paras.scope == FindParas::AllThemes ? m_window.document().root() : current,
                      paras);
    // Escape in the tree ends the search, and later the narrowed view.
    m_window.activateWindowOf(&m_window);
    view->setFocus();
}

bool WindowSearch::endTreeFilter()
{
    return m_treeFilter && m_treeFilter->end();
}

void WindowSearch::findAction()
{
    findReplace(m_findDialog->paras());
}

void WindowSearch::replaceAction()
{
    findReplace(m_findDialog->paras());
}

void WindowSearch::findReplace(const FindParas &paras)
{
    findEngine()->findReplace(paras);
}

void WindowSearch::hideFindDialog()
{
    QTextCursor cursor = m_window.editor()->textCursor();
    cursor.clearSelection();
    m_window.editor()->setTextCursor(cursor);
}

void WindowSearch::customEvent(QEvent *event)
{
    if (event->type() == nameSelectionEvent && findEngine()->selectNameMatch())
        QCoreApplication::postEvent(this, new QEvent(nameSelectionEvent));
}

GoToThemePopup *WindowSearch::createdGoToPopup()
{
    if (!m_goToPopup) {
        ThemeView *view = m_window.tree();
        // A child of the window, not of the splitter, which would make it one of its panes.
        m_goToPopup = new GoToThemePopup(view, &m_window);
        // Going there is a visit like any other: the history records it.
        CONNECT_ASSERT(connect(m_goToPopup, &GoToThemePopup::chosen, this, [view](Theme *theme) {
            view->setCurrentTheme(theme);
            view->setFocus();
        }));
    }
    return m_goToPopup;
}

void WindowSearch::warmUpGoTo()
{
    createdGoToPopup()->warmUp();
}

void WindowSearch::menuGoToTheme()
{
    ThemeView *view = m_window.tree();
    if (view->isRenaming())
        view->closeNameEditor();
    createdGoToPopup()->open();
}

void WindowSearch::menuFindAll()
{
    runFindCommand(false, FindParas::NoAction);
}

void WindowSearch::findAllAction()
{
    runFindAll(m_findDialog->paras());
}

void WindowSearch::runFindAll(const FindParas &paras)
{
    ThemeView *view = m_window.tree();
    Theme *current = view->currentTheme();
    if (!current || m_window.isInputBlocked())
        return;
    if (!m_findAllPanel) {
        // The panel sits under the tree, in the place of the tree in the window's splitter.
        auto *panes = static_cast<QSplitter *>(view->parentWidget());
        auto *column = new QSplitter(Qt::Vertical);
        const int height = view->height();
        panes->replaceWidget(panes->indexOf(view), column);
        column->addWidget(view);
        m_findAllPanel = new FindAllPanel(view, m_window.editor(), column);
        column->addWidget(m_findAllPanel);
        column->setStretchFactor(0, 2);
        column->setStretchFactor(1, 1);
        // The height the panel had when the program last ended, where it still fits. The handle
        // takes its part of the height: sizes adding up to more would be shrunk, a pixel a start.
        const int rest = height - column->handleWidth() - m_findAllHeight;
        if (m_findAllHeight > 0 && rest > 0)
            column->setSizes({rest, m_findAllHeight});
        CONNECT_ASSERT(
                connect(m_findAllPanel, &FindAllPanel::goTo, this, &WindowSearch::goToMatch));
    }
    m_window.storeDescription(current, true);
    m_findAllPanel->run(paras.scope == FindParas::AllThemes ? m_window.document().root() : current,
                        paras);
    m_findAllPanel->show();
    m_window.activateWindowOf(&m_window);
    m_findAllPanel->list()->setFocus();
}

void WindowSearch::goToMatch(const FoundMatch &match)
{
    if (m_window.isInputBlocked())
        return;
    ThemeView *view = m_window.tree();
    CorrectedTextEdit *editor = m_window.editor();
    if (view->isRenaming())
        view->closeNameEditor();
    if (view->currentTheme() != match.theme)
        view->setCurrentTheme(match.theme);
    if (match.line < 0) {
        // As a name match of a search step: the name editor opens with the match selected.
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(0);
        editor->setTextCursor(cursor);
        view->setFocus();
        view->startRenaming(match.theme, match.position, match.length);
        return;
    }
    const QString text = editor->text();
    const ColumnLine start = FindText::positionAt(text, match.position);
    const ColumnLine end = FindText::positionAt(text, match.position + match.length);
    editor->setFocus();
    editor->setSelection(start.line, start.column, end.line, end.column);
}
