// The document on disk: changes made outside the program, the lock file that tells other
// programs the document is open, and the list of recent documents.
#include "app/Brambleweb.h"

#include "app/BRWApplication.h"
#include "app/DetachedWindows.h"
#include "app/RecentDocuments.h"
#include "app/WindowMemory.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

void Brambleweb::followingDocument()
{
    statusBar()->clearMessage();
    if (fileName().isEmpty())
        return;
    RecentDocuments::add(fileName());
    m_memory->rememberDocument();
}

void Brambleweb::outsideChanged()
{
    statusBar()->showMessage(tr("The file was changed outside BRW (Файл изменён вне BRW)"));
    // Asked at the next activation, never now: a box that comes while the user types would
    // take the next key as its answer.
}

void Brambleweb::askReload()
{
    // Never in the middle of a load, a save, a close or another question: the window asks when
    // it is next activated.
    if (!m_session->reloadPending() || m_inputBlocked || m_session->isClosing() || m_inputBlocked ||
        QApplication::activeModalWidget() || !isVisible())
        return;
    m_session->reloadAsked();
    if (!QFileInfo(fileName()).isFile())
        return; // nothing to reload: the next save asks before it writes the file again
    storeDescription(m_view->currentTheme(), false);
    // Text typed in a detached window is unsaved too; the error-save file keeps it as well.
    const bool detachedUnsaved = m_detached->hasUnsavedText();
    const bool unsaved = isModified() || m_mainEditBox->isEdited() || detachedUnsaved;
    QString text = tr("The file was changed outside BRW. Reload it?\nФайл изменён вне BRW. "
                      "Загрузить его заново?\n") +
                   fileName();
    if (unsaved)
        text += tr("\nYour unsaved changes go to\nВаши несохранённые изменения будут записаны "
                   "в файл\n") +
                errorSaveFile().fileName();
    if (detachedUnsaved)
        text += tr("\nThe texts of the detached windows go there too\nТексты отдельных окон "
                   "тоже будут записаны туда");
    if (Messages::warning(this, Messages::warningCaption(), text, Messages::Buttons::YesNo) !=
        Messages::Answer::Yes)
        return;
    statusBar()->clearMessage();
    if (unsaved && !keepUnsavedChanges())
        return;
    loadChosenFile(FileOperations::Reopen, fileName());
}

bool Brambleweb::keepUnsavedChanges()
{
    QString log;
    const bool kept = emergencySave(log);
    m_session->keepErrorSaveFile();
    if (!kept)
        Messages::warning(this, Messages::errorCaption(), log);
    return kept;
}

void Brambleweb::setModified(bool modified)
{
    m_session->setModified(modified);
    updateCaption(modified);
}

void Brambleweb::addRecentDocumentsMenu()
{
    for (QAction *entry : menuBar()->actions()) {
        if (!entry->menu() || entry->menu()->title() != QLatin1String("&File"))
            continue;
        // Between the save commands and Exit, the last entry.
        QMenu *file = entry->menu();
        QAction *exit = file->actions().value(file->actions().size() - 1);
        RecentDocuments::addMenu(file, exit, [](const QString &path) {
            if (BRWApplication *application = BRWApplication::instance())
                application->createMainWindow(path, "Main")->show();
        });
        file->insertSeparator(exit);
    }
}
