// The main window's side of going to a theme by name and of the list of every match.
#include "app/Brambleweb.h"

#include "common/Assertions.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/FindDialog.h"
#include "find/FindText.h"
#include "find/GoToThemePopup.h"
#include "tree/LinkListView.h"

#include <QSplitter>
#include <QTreeView>

GoToThemePopup *Brambleweb::createdGoToPopup()
{
    if (!m_goToPopup) {
        // A child of the window, not of the splitter, which would make it one of its panes.
        m_goToPopup = new GoToThemePopup(m_mainTree, this);
        // Going there is a visit like any other: the history records it.
        CONNECT_ASSERT(connect(m_goToPopup, &GoToThemePopup::chosen, this,
                               [this](ColorListViewItem *theme) {
                                   m_mainTree->setCurrentItem(theme);
                                   m_mainTree->setFocus();
                               }));
    }
    return m_goToPopup;
}

void Brambleweb::menuGoToTheme()
{
    if (m_mainTree->isRenaming())
        m_mainTree->closeItemNameEditBox();
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
    ColorListViewItem *current = m_mainTree->currentTheme();
    // A null item may go away without notice: its theme stands for it.
    if (current && current->isNullItem())
        current = current->parentTheme();
    if (!current || !m_mainTree->isStable())
        return;
    if (!m_findAllPanel) {
        // The panel sits under the tree, in the splitter's place of the tree.
        auto *column = new QSplitter(Qt::Vertical);
        const int height = m_mainTree->height();
        m_splitter->replaceWidget(m_splitter->indexOf(m_mainTree), column);
        column->addWidget(m_mainTree);
        m_findAllPanel = new FindAllPanel(m_mainTree, m_mainEditBox, column);
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
    m_findAllPanel->run(paras.scope == FindParas::AllThemes ? m_mainTree->rootTheme() : current,
                        paras);
    m_findAllPanel->show();
    activateWindowOf(this);
    m_findAllPanel->list()->setFocus();
}

void Brambleweb::goToMatch(const FoundMatch &match)
{
    if (!m_mainTree->isStable())
        return;
    if (m_mainTree->isRenaming())
        m_mainTree->closeItemNameEditBox();
    if (m_mainTree->currentTheme() != match.theme)
        m_mainTree->setCurrentItem(match.theme);
    if (match.line < 0) {
        // As a name match of a search step: the name editor opens with the match selected.
        QTextCursor cursor = m_mainEditBox->textCursor();
        cursor.setPosition(0);
        m_mainEditBox->setTextCursor(cursor);
        m_mainTree->setFocus();
        m_mainTree->startRenaming(match.theme, match.position, match.length);
        return;
    }
    const QString text = m_mainEditBox->text();
    const ColumnLine start = FindText::positionAt(text, match.position);
    const ColumnLine end = FindText::positionAt(text, match.position + match.length);
    m_mainEditBox->setFocus();
    m_mainEditBox->setSelection(start.line, start.column, end.line, end.column);
}
