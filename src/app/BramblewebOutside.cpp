// The document on disk: changes made outside the program, the lock file that tells other
// programs the document is open, and the list of recent documents.
#include "app/Brambleweb.h"

#include "app/BRWApplication.h"
#include "app/OutsideChanges.h"
#include "app/OutsideThemeDialog.h"
#include "app/RecentDocuments.h"
#include "common/Assertions.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "tree/LinkListView.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>

void Brambleweb::followDocument(const FileStamp &stamp)
{
    // The key help is the program's own text: it is neither locked nor listed.
    if (objectName() == QLatin1String("KeyHelp"))
        return;
    m_askReload = false;
    statusBar()->clearMessage();
    m_outside->follow(m_fileName, stamp);
    if (m_fileName.isEmpty()) {
        m_lock.release();
        m_lockedName.clear();
        return;
    }
    RecentDocuments::add(m_fileName);
    rememberDocument();
    if (m_fileName == m_lockedName)
        return;
    m_lockedName = m_fileName;
    bool refused = false;
    const DocumentLock::Holder other = m_lock.acquire(m_fileName, &refused);
    if (refused)
        Messages::warning(this, Messages::errorCaption(),
                          tr("Cannot open file\nНевозможно открыть файл\n") +
                                  DocumentLock::lockPathOf(m_fileName));
    if (other.isValid())
        Messages::warning(this, Messages::warningCaption(),
                          tr("The document is open in another BRW: process %1 on %2\nДокумент "
                             "открыт в другой программе BRW: процесс %1 на %2\n")
                                          .arg(other.pid)
                                          .arg(other.host) +
                                  m_fileName);
}

void Brambleweb::releaseDocument()
{
    m_lock.release();
    m_lockedName.clear();
    m_outside->follow(QString(), FileStamp());
}

void Brambleweb::outsideChanged()
{
    statusBar()->showMessage(tr("The file was changed outside BRW (Файл изменён вне BRW)"));
    // Asked at the next activation, never now: a box that comes while the user types would
    // take the next key as its answer.
    m_askReload = true;
}

void Brambleweb::askReload()
{
    // Never in the middle of a load, a save, a close or another question: the window asks when
    // it is next activated.
    if (!m_askReload || m_inputBlocked || m_closing || !m_mainTree->isStable() ||
        QApplication::activeModalWidget() || !isVisible())
        return;
    m_askReload = false;
    if (!QFileInfo(m_fileName).isFile())
        return; // nothing to reload: the next save asks before it writes the file again
    storeDescription(m_mainTree->currentTheme(), false);
    // Text typed in a detached window is unsaved too; the error-save file keeps it as well.
    const bool detachedUnsaved = std::any_of(
            m_removalWindows.begin(), m_removalWindows.end(),
            [](const RemovalWindow &node) { return node.window && node.window->isModified(); });
    const bool unsaved = m_modified || m_mainEditBox->isEdited() || detachedUnsaved;
    QString text = tr("The file was changed outside BRW. Reload it?\nФайл изменён вне BRW. "
                      "Загрузить его заново?\n") +
                   m_fileName;
    if (unsaved)
        text += tr("\nYour unsaved changes go to\nВаши несохранённые изменения будут записаны "
                   "в файл\n") +
                m_errorSaveFile.fileName();
    if (detachedUnsaved)
        text += tr("\nThe texts of the detached windows go there too\nТексты отдельных окон "
                   "тоже будут записаны туда");
    if (Messages::warning(this, Messages::warningCaption(), text, Messages::Buttons::YesNo) !=
        Messages::Answer::Yes)
        return;
    statusBar()->clearMessage();
    if (unsaved && !keepUnsavedChanges())
        return;
    loadChosenFile(FileOperations::Reopen, m_fileName);
}

bool Brambleweb::keepUnsavedChanges()
{
    QString log;
    const bool kept = emergencySave(log);
    // The file stays beside the document; the window gets a new one.
    m_errorSaveFile.setFileName(QString());
    prepareSaveFiles();
    if (!kept)
        Messages::warning(this, Messages::errorCaption(), log);
    return kept;
}

bool Brambleweb::mayOverwrite()
{
    if (!m_outside->changedOnDisk())
        return true;
    const Messages::Answer answer = Messages::warning(
            this, Messages::warningCaption(),
            tr("The file was changed outside BRW. Overwrite it?\n(No: save as another file)\n"
               "Файл изменён вне BRW. Перезаписать его?\n(Нет: сохранить в другой файл)\n") +
                    m_fileName,
            Messages::Buttons::YesNoCancel);
    if (answer == Messages::Answer::No)
        menuFileOperation(FileOperations::SaveAs);
    return answer == Messages::Answer::Yes;
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
