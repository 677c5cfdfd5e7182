// The main window's side of going to a theme by name and of the list of every match.
#include "app/Brambleweb.h"

#include "common/Assertions.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/FindDialog.h"
#include "find/FindText.h"
#include "find/GoToThemePopup.h"
#include "tree/ThemeView.h"

#include <QSplitter>
#include <QTreeView>

GoToThemePopup *Brambleweb::createdGoToPopup()
{
    if (!m_goToPopup) {
        // A child of the window, not of the splitter, which would make it one of its panes.
        m_goToPopup = new GoToThemePopup(m_view, this);
        // Going there is a visit like any other: the history records it.
        CONNECT_ASSERT(connect(m_goToPopup, &GoToThemePopup::chosen, this, [this](Theme *theme) {
            m_view->setCurrentTheme(theme);
            m_view->setFocus();
        }));
    }
    return m_goToPopup;
}

void Brambleweb::menuGoToTheme()
{
    if (m_view->isRenaming())
        m_view->closeNameEditor();
    createdGoToPopup()->open();
}

void Brambleweb::menuFindAll()
{
    runFindCommand(false, FindParas::NoAction);
}

void Brambleweb::findAllAction()
{
    runFindAll(m_findDialog->paras());
}

void Brambleweb::runFindAll(const FindParas &paras)
{
    Theme *current = m_view->currentTheme();
    if (!current || m_inputBlocked)
        return;
    if (!m_findAllPanel) {
        // The panel sits under the tree, in the splitter's place of the tree.
        auto *column = new QSplitter(Qt::Vertical);
        const int height = m_view->height();
        m_splitter->replaceWidget(m_splitter->indexOf(m_view), column);
        column->addWidget(m_view);
        m_findAllPanel = new FindAllPanel(m_view, m_mainEditBox, column);
        column->addWidget(m_findAllPanel);
        column->setStretchFactor(0, 2);
        column->setStretchFactor(1, 1);
        // The height the panel had when the program last ended, where it still fits. The handle
        // takes its part of the height: sizes adding up to more would be shrunk, a pixel a start.
        const int rest = height - column->handleWidth() - m_findAllHeight;
        if (m_findAllHeight > 0 && rest > 0)
            column->setSizes({rest, m_findAllHeight});
        CONNECT_ASSERT(connect(m_findAllPanel, &FindAllPanel::goTo, this, &Brambleweb::goToMatch));
    }
    storeDescription(current, true);
    m_findAllPanel->run(paras.scope == FindParas::AllThemes ? m_document.root() : current, paras);
    m_findAllPanel->show();
    activateWindowOf(this);
    m_findAllPanel->list()->setFocus();
}

void Brambleweb::goToMatch(const FoundMatch &match)
{
    if (m_inputBlocked)
        return;
    if (m_view->isRenaming())
        m_view->closeNameEditor();
    if (m_view->currentTheme() != match.theme)
        m_view->setCurrentTheme(match.theme);
    if (match.line < 0) {
        // As a name match of a search step: the name editor opens with the match selected.
        QTextCursor cursor = m_mainEditBox->textCursor();
        cursor.setPosition(0);
        m_mainEditBox->setTextCursor(cursor);
        m_view->setFocus();
        m_view->startRenaming(match.theme, match.position, match.length);
        return;
    }
    const QString text = m_mainEditBox->text();
    const ColumnLine start = FindText::positionAt(text, match.position);
    const ColumnLine end = FindText::positionAt(text, match.position + match.length);
    m_mainEditBox->setFocus();
    m_mainEditBox->setSelection(start.line, start.column, end.line, end.column);
}
