// Saving the document, the autosave copy and the error-save file of the emergency journal: the
// window's side; the files themselves are the document session's.
#include "app/Brambleweb.h"

#include "app/DetachedWindows.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

void Brambleweb::nextSecund()
{
    if (m_statusRefresh && !m_inputBlocked)
        updateStatus();
    switch (m_session->tick(m_mainEditBox->isEdited())) {
    case DocumentSession::Tick::Autosave:
        autosave();
        break;
    case DocumentSession::Tick::Counted:
        updateCaption(true);
        break;
    case DocumentSession::Tick::Idle:
        break;
    }
}

void Brambleweb::autosave()
{
    m_session->autosave([this](QFileDevice &file) {
        storeDescription(m_view->currentTheme(), false);
        return writeTree(&file, 0);
    });
}

void Brambleweb::menuSaveFile()
{
    storeDescription(m_view->currentTheme(), true);
    if (fileName().isEmpty()) {
        menuFileOperation(FileOperations::SaveAs);
        return;
    }
    // Keeping the document in Unicode rewrites it at once: that save keeps every character.
    const DocumentSession::Saved saved = m_session->save(
            [this](QFileDevice &file) {
                storeDescription(m_view->currentTheme(), true);
                return writeTree(&file, 0);
            },
            [this] { return warnAboutReplacedCharacters(); });
    if (saved == DocumentSession::Saved::AnotherName)
        menuFileOperation(FileOperations::SaveAs);
    if (saved == DocumentSession::Saved::AnotherName || saved == DocumentSession::Saved::Declined)
        return;
    if (saved == DocumentSession::Saved::Done)
        updateCaption(false);
    else if (saved == DocumentSession::Saved::Failed)
        Messages::warning(this, Messages::warningCaption(), FileOperations::saveWithErrorText());
    if (saved != DocumentSession::Saved::CannotOpen)
        warnAboutReplacedCharacters();
    updateStatus();
}

bool Brambleweb::emergencySave(QString &log)
{
    if (!errorSaveFile().isOpen()) {
        log += Messages::logForm(Messages::errorCaption(),
                                 tr("Cannot save file\nНет возможности сохранить файл"));
        return false;
    }
    log += Messages::logForm(Messages::errorCaption(),
                             tr("Unknown exception. It save data to file\nНеизвестное "
                                "исключение. Данные будут сохранены в файле\n") +
                                     errorSaveFile().fileName());
    // The name being typed is kept as the description being typed is.
    m_view->closeNameEditor();
    storeDescription(m_view->currentTheme(), true);
    const int result = m_session->writeErrorSave([this, &log](QFileDevice &file) {
        const int written = writeDocument(&file, 0, &log);
        return written - m_detached->writeRemovalRecords(file, log);
    });
    const QString text = result > 0 ? tr("Correct saving\nДанные сохранены успешно")
                                    : tr("It save data with errors\nДанные сохранены с "
                                         "ошибками\n (%1)")
                                              .arg(-result);
    log += Messages::logForm(Messages::messageCaption(), text);
    return result > 0;
}
