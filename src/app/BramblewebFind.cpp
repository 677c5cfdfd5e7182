// The main window's side of find and replace: the find dialog, the commands that run search
// steps, and the deferred selection of a name match.
#include "app/Brambleweb.h"

#include "common/Assertions.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindDialog.h"
#include "find/FindEngine.h"
#include "find/TreeFilter.h"
#include "tree/ThemeView.h"

#include <QCoreApplication>

namespace {

// Posted after a name match: opens the name editor once the current events are done.
constexpr QEvent::Type nameSelectionEvent = QEvent::Type(QEvent::User + 1001);

} // namespace

FindEngine *Brambleweb::findEngine()
{
    if (!m_findEngine) {
        FindEngine::Host host;
        host.storeDescription = [this](Theme *theme) { storeDescription(theme, true); };
        host.loadDescription = [this](Theme *theme) { loadDescription(theme); };
        host.postNameSelection = [this] {
            QCoreApplication::postEvent(this, new QEvent(nameSelectionEvent));
        };
        m_findEngine = new FindEngine(m_view, m_undo, m_mainEditBox, std::move(host), this);
    }
    return m_findEngine;
}

void Brambleweb::showFindDialog(bool replaceMode)
{
    if (m_findDialog) {
        m_findDialog->setReplaceMode(replaceMode);
    } else {
        m_findDialog = new FindDialog(replaceMode);
        CONNECT_ASSERT(
                connect(m_findDialog, &FindDialog::findAction, this, &Brambleweb::findAction));
        CONNECT_ASSERT(connect(m_findDialog, &FindDialog::replaceAction, this,
                               &Brambleweb::replaceAction));
        CONNECT_ASSERT(
                connect(m_findDialog, &FindDialog::hided, this, &Brambleweb::hideFindDialog));
        CONNECT_ASSERT(
                connect(m_findDialog, &FindDialog::listAction, this, &Brambleweb::findAllAction));
        m_findDialog->installEventFilter(this);
        for (QWidget *field : {m_findDialog->findField(), m_findDialog->replaceField()}) {
            field->installEventFilter(this);
            // The dialog's own keys in its fields (Ctrl+Tab between them) come first.
            field->installEventFilter(m_findDialog);
        }
    }
    if (m_findDialog->isShown())
        activateWindowOf(m_findDialog);
    else
        m_findDialog->show();
}

void Brambleweb::menuFind()
{
    showFindDialog(false);
}

void Brambleweb::menuReplace()
{
    showFindDialog(true);
}

void Brambleweb::runFindCommand(bool replaceMode, int action,
                                void (Brambleweb::*run)(const FindParas &))
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

void Brambleweb::menuFindNext()
{
    runFindCommand(false, FindParas::FindNext);
}

void Brambleweb::menuNextTheme()
{
    runFindCommand(false, FindParas::NextTheme);
}

void Brambleweb::menuReplaceNext()
{
    runFindCommand(true, FindParas::Replace);
}

void Brambleweb::menuReplaceAll()
{
    runFindCommand(true, FindParas::ReplaceAll);
}

void Brambleweb::menuFilterTree()
{
    if (!endTreeFilter())
        runFindCommand(false, FindParas::NoAction, &Brambleweb::filterTree);
}

void Brambleweb::filterTree(const FindParas &paras)
{
    Theme *current = m_view->currentTheme();
    if (!current || m_inputBlocked)
        return;
    if (!m_treeFilter) {
        m_treeFilter = new TreeFilter(m_view, this);
        CONNECT_ASSERT(connect(m_treeFilter, &TreeFilter::narrowed, this, [this](bool gaveUp) {
            if (gaveUp)
                Messages::warning(this, tr("Search (Поиск)"), TextPattern::stoppedText());
        }));
    }
    storeDescription(current, true);
    m_treeFilter->run(paras.scope == FindParas::AllThemes ? m_document.root() : current, paras);
    // Escape in the tree ends the search, and later the narrowed view.
    activateWindowOf(this);
    m_view->setFocus();
}

bool Brambleweb::endTreeFilter()
{
    return m_treeFilter && m_treeFilter->end();
}

void Brambleweb::findAction()
{
    findReplace(m_findDialog->paras());
}

void Brambleweb::replaceAction()
{
    findReplace(m_findDialog->paras());
}

void Brambleweb::findReplace(const FindParas &paras)
{
    findEngine()->findReplace(paras);
}

void Brambleweb::hideFindDialog()
{
    QTextCursor cursor = m_mainEditBox->textCursor();
    cursor.clearSelection();
    m_mainEditBox->setTextCursor(cursor);
}

void Brambleweb::customEvent(QEvent *event)
{
    if (event->type() == nameSelectionEvent && findEngine()->selectNameMatch())
        QCoreApplication::postEvent(this, new QEvent(nameSelectionEvent));
}
