// Saving the document, the autosave copy and the error-save file of the emergency journal.
#include "app/Brambleweb.h"

#include "app/OutsideChanges.h"

#include "common/Clock.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "storage/FileStamp.h"
#include "storage/NumberedFile.h"
#include "storage/PrivateFile.h"
#include "storage/SafeFile.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMutexLocker>

namespace {

int autosaveSeconds = 121;

// Eight-digit numbers for temporary names, from one process-wide generator seeded with the time
// of day in milliseconds.
QString nextTemporaryName()
{
    static bool seeded = false;
    static quint32 state = 0;
    if (!seeded) {
        state = quint32(Clock::time().msecsSinceStartOfDay());
        seeded = true;
    }
    state = state * 1103515245u + 12345u;
    return QString::asprintf("%8.8i.txt", int(state % 100000000u));
}

} // namespace

void Brambleweb::prepareSaveFiles()
{
    // The key help is the program's reference text, often in a folder the user cannot write:
    // it gets no save files beside it.
    if (objectName() == QLatin1String("KeyHelp"))
        return;
    const QString errorBase = m_fileName.isEmpty() ? QStringLiteral("errorsave.!!!") : m_fileName;
    const QString oldErrorName = m_errorSaveFile.fileName();
    if (NumberedFile::create(m_errorSaveFile, errorBase, m_fileName)) {
        if (!oldErrorName.isEmpty() && oldErrorName != m_errorSaveFile.fileName())
            QFile::remove(oldErrorName);
    } else {
        Messages::warning(this, Messages::errorCaption(),
                          tr("Cannot open ErrorSaveDataFile for write\nНевозможно открыть для "
                             "записи файл сохранения данных при ошибке\n") +
                                  errorBase + QStringLiteral("99"));
    }

    QString autosaveBase = QStringLiteral("autosave.");
    if (!m_fileName.isEmpty())
        autosaveBase = QFileInfo(m_fileName).absoluteDir().filePath(autosaveBase);
    const QString oldAutosaveName = m_autosaveFile.fileName();
    if (NumberedFile::create(m_autosaveFile, autosaveBase, m_fileName)) {
        if (!oldAutosaveName.isEmpty() && oldAutosaveName != m_autosaveFile.fileName())
            QFile::remove(oldAutosaveName);
    } else {
        Messages::warning(this, Messages::errorCaption(),
                          tr("Cannot open file\nНевозможно открыть файл\n") + autosaveBase +
                                  QStringLiteral("99"));
    }
}

void Brambleweb::noticeErrorSaveFiles()
{
    if (m_fileName.isEmpty())
        return;
    // An emergency save after the document's last save leaves the newest words there. The
    // user decides what becomes of the file: it is neither opened nor deleted here.
    const QDateTime saved = QFileInfo(m_fileName).lastModified();
    QStringList newer;
    for (int number = 1; number <= 99; ++number) {
        const QFileInfo file(m_fileName + QString::number(number));
        if (file.size() > 0 && file.lastModified() > saved)
            newer.append(file.filePath());
    }
    if (!newer.isEmpty())
        Messages::warning(this, Messages::warningCaption(),
                          tr("ErrorSaveDataFile is newer than this file and may hold the last "
                             "changes\nФайл сохранения данных при ошибке новее этого файла и "
                             "может содержать последние изменения\n") +
                                  newer.join(QLatin1Char('\n')));
}

void Brambleweb::setAutosaveSeconds(int seconds)
{
    autosaveSeconds = qMax(2, seconds);
}

void Brambleweb::nextSecund()
{
    if (m_statusRefresh && m_mainTree->isStable())
        updateStatus();
    if (m_autosaveTicks < 0)
        return;
    if (m_autosaveTicks >= autosaveSeconds - 1) {
        m_autosaveTicks = 0;
        autosave();
        return;
    }
    if (m_modified || m_mainEditBox->isEdited()) {
        m_modified = true;
        updateCaption(true);
        ++m_autosaveTicks;
    } else {
        m_autosaveTicks = 0;
    }
}

bool Brambleweb::openTemporaryAutosaveFile(QFile &file)
{
    const QDir directory = QFileInfo(m_autosaveFile.fileName()).absoluteDir();
    for (int attempt = 0; attempt < 100; ++attempt) {
        file.setFileName(directory.filePath(nextTemporaryName()));
        if (file.exists())
            continue;
        return PrivateFile::createNew(file, m_fileName);
    }
    return false;
}

void Brambleweb::autosave()
{
    {
        QMutexLocker locker(&m_saveGuard);
        if (m_closing)
            return;
        m_autosaveRunning = true;
    }
    storeDescription(m_mainTree->currentTheme(), false);
    if (m_errorSaveFile.isOpen()) {
        QFile temporary;
        if (!openTemporaryAutosaveFile(temporary)) {
            Messages::warning(this, Messages::errorCaption(),
                              tr("Cannot create autosave file\nНевозможно создать файл для "
                                 "автосохранения"));
        } else {
            int result = writeTree(&temporary, 0);
            if (result > 0 && (!temporary.flush() || !SafeFile::syncDescriptor(temporary.handle())))
                result = -1000;
            temporary.close();
            const QString autosaveName = QFileInfo(m_autosaveFile.fileName()).absoluteFilePath();
            if (result < 0) {
                temporary.remove();
                Messages::warning(this, Messages::warningCaption(),
                                  tr("Tree data invalid\nДанные в дереве испорчены"));
            } else if (result > 0) {
                // The rename replaces the previous copy in one step, so a crash in between
                // never leaves the autosave name without a complete copy.
                if (!SafeFile::replaceFile(QFileInfo(temporary).absoluteFilePath(), autosaveName)) {
                    Messages::warning(this, Messages::warningCaption(),
                                      tr("Error saving in temporary file\nОшибка при сохранении "
                                         "во временный файл") +
                                              QStringLiteral("\n") + m_autosaveFile.fileName());
                } else {
                    SafeFile::syncDirectoryOf(autosaveName);
                }
            } else {
                Messages::warning(this, Messages::warningCaption(),
                                  tr("Error saving in temporary file\nОшибка при сохранении во "
                                     "временный файл"));
                temporary.remove();
            }
        }
    }
    QMutexLocker locker(&m_saveGuard);
    m_autosaveRunning = false;
}

void Brambleweb::menuSaveFile()
{
    storeDescription(m_mainTree->currentTheme(), true);
    if (m_fileName.isEmpty()) {
        menuFileOperation(FileOperations::SaveAs);
        return;
    }
    // The autosave copy serves as the safe copy where the document must be rewritten in place.
    FileStamp written;
    const auto save = [this, &written] {
        return SafeFile::save(
                m_fileName,
                [this](QFileDevice &file) {
                    storeDescription(m_mainTree->currentTheme(), true);
                    return writeTree(&file, 0) > 0;
                },
                m_autosaveFile.fileName(), QString(), &written);
    };
    SafeFile::Result result;
    do {
        if (!mayOverwrite())
            return;
        m_outside->setOwnWrite(true);
        result = save();
        // Keeping the document in Unicode rewrites it at once: this save keeps every character.
        if (result == SafeFile::Result::Saved && warnAboutReplacedCharacters())
            result = save();
        m_outside->setOwnWrite(false);
        // Another program wrote the file while this one wrote its own copy: that file stays,
        // and the question comes as for any outside change.
        if (result == SafeFile::Result::ChangedOutside)
            m_outside->check();
    } while (result == SafeFile::Result::ChangedOutside);
    if (result == SafeFile::Result::CannotOpen) {
        Messages::warning(this, Messages::errorCaption(), SafeFile::cannotOpenText(m_fileName));
    } else if (result == SafeFile::Result::Saved) {
        m_modified = false;
        updateCaption(false);
        followDocument(written);
    } else {
        Messages::warning(this, Messages::warningCaption(), FileOperations::saveWithErrorText());
    }
    if (result != SafeFile::Result::CannotOpen)
        warnAboutReplacedCharacters();
    updateStatus();
}

void Brambleweb::dropEmptyAutosaveCopy()
{
    const QString name = m_autosaveFile.fileName();
    m_autosaveFile.close();
    const QFileInfo copy(name);
    if (!name.isEmpty() && copy.isFile() && !copy.isSymLink() && copy.size() == 0)
        QFile::remove(name);
}

bool Brambleweb::emergencySave(QString &log)
{
    if (!m_errorSaveFile.isOpen()) {
        log += Messages::logForm(Messages::errorCaption(),
                                 tr("Cannot save file\nНет возможности сохранить файл"));
        return false;
    }
    log += Messages::logForm(Messages::errorCaption(),
                             tr("Unknown exception. It save data to file\nНеизвестное "
                                "исключение. Данные будут сохранены в файле\n") +
                                     m_errorSaveFile.fileName());
    // The name being typed is kept as the description being typed is.
    m_mainTree->closeItemNameEditBox();
    storeDescription(m_mainTree->currentTheme(), true);
    int result = saveTree(*m_mainTree, &m_errorSaveFile, 0, nullptr, &log);
    result -= writeRemovalRecords(log);
    // Bytes that never reach the disk are not saved: a failed flush or sync is a failed write.
    if (result > 0 &&
        (!m_errorSaveFile.flush() || !SafeFile::syncDescriptor(m_errorSaveFile.handle())))
        result = -1000;
    m_errorSaveFile.close();
    const QString text = result > 0 ? tr("Correct saving\nДанные сохранены успешно")
                                    : tr("It save data with errors\nДанные сохранены с "
                                         "ошибками\n (%1)")
                                              .arg(-result);
    log += Messages::logForm(Messages::messageCaption(), text);
    return result > 0;
}
