#include "app/DocumentSession.h"

#include "storage/NumberedFile.h"
#include "storage/PrivateFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

int autosaveSeconds = 121;

// Eight-digit numbers for temporary names, from the system's random source: two windows, or two
// programs started in the same millisecond, do not try the same names one after the other.
QString nextTemporaryName()
{
    return QString::asprintf("%8.8u.txt", QRandomGenerator::system()->bounded(100000000u));
}

// Sets the flag for as long as it lives.
class Raised
{
public:
    explicit Raised(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~Raised() { m_flag = false; }
    Raised(const Raised &) = delete;
    Raised &operator=(const Raised &) = delete;

private:
    bool &m_flag;
};

} // namespace

DocumentSession::DocumentSession(Teller tell, bool sideFiles, QObject *parent)
    : QObject(parent)
    , m_tell(std::move(tell))
    , m_sideFiles(sideFiles)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DocumentSession::check);
    // A file replaced by a rename, or deleted, drops out of the file list; its folder still
    // tells when a file of that name comes back.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DocumentSession::check);
}

Messages::Answer DocumentSession::tell(Tone tone, const QString &text,
                                       Messages::Buttons buttons) const
{
    return m_tell(tone, text, buttons);
}

void DocumentSession::setAutosaveSeconds(int seconds)
{
    autosaveSeconds = qMax(2, seconds);
}

void DocumentSession::open(const FileStamp &read)
{
    prepareSaveFiles();
    follow(read);
    m_modified = false;
    m_ticks = 0;
}

void DocumentSession::prepareSaveFiles()
{
    if (!m_sideFiles)
        return;
    const QString errorBase = m_fileName.isEmpty() ? QStringLiteral("errorsave.!!!") : m_fileName;
    const QString oldErrorName = m_errorSaveFile.fileName();
    if (NumberedFile::create(m_errorSaveFile, errorBase, m_fileName)) {
        if (!oldErrorName.isEmpty() && oldErrorName != m_errorSaveFile.fileName())
            QFile::remove(oldErrorName);
    } else {
        tell(Tone::Error, tr("Cannot open ErrorSaveDataFile for write\nНевозможно открыть для "
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
        tell(Tone::Error, tr("Cannot open file\nНевозможно открыть файл\n") + autosaveBase +
                                  QStringLiteral("99"));
    }
}

void DocumentSession::noticeErrorSaveFiles()
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
        tell(Tone::Warning, tr("ErrorSaveDataFile is newer than this file and may hold the last "
                               "changes\nФайл сохранения данных при ошибке новее этого файла и "
                               "может содержать последние изменения\n") +
                                    newer.join(QLatin1Char('\n')));
}

DocumentSession::Tick DocumentSession::tick(bool edited)
{
    if (m_ticks < 0)
        return Tick::Idle;
    if (m_ticks >= autosaveSeconds - 1) {
        m_ticks = 0;
        return Tick::Autosave;
    }
    if (!m_modified && !edited) {
        m_ticks = 0;
        return Tick::Idle;
    }
    m_modified = true;
    ++m_ticks;
    return Tick::Counted;
}

bool DocumentSession::openTemporaryAutosaveFile(QFile &file) const
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

void DocumentSession::autosave(const Writer &write)
{
    if (m_closing || !m_errorSaveFile.isOpen())
        return;
    const Raised running(m_autosaveRunning);
    QFile temporary;
    if (!openTemporaryAutosaveFile(temporary)) {
        tell(Tone::Error,
             tr("Cannot create autosave file\nНевозможно создать файл для автосохранения"));
        return;
    }
    int result = write(temporary);
    if (result > 0 && (!temporary.flush() || !SafeFile::syncDescriptor(temporary.handle())))
        result = -1000;
    temporary.close();
    const QString autosaveName = QFileInfo(m_autosaveFile.fileName()).absoluteFilePath();
    const QString failed =
            tr("Error saving in temporary file\nОшибка при сохранении во временный файл");
    if (result < 0) {
        temporary.remove();
        tell(Tone::Warning, tr("Tree data invalid\nДанные в дереве испорчены"));
    } else if (result == 0) {
        tell(Tone::Warning, failed);
        temporary.remove();
    } else if (!SafeFile::replaceFile(QFileInfo(temporary).absoluteFilePath(), autosaveName)) {
        // The rename replaces the previous copy in one step, so a crash in between never
        // leaves the autosave name without a complete copy. A copy that cannot take the name
        // is dropped, or every pass would leave one more.
        temporary.remove();
        tell(Tone::Warning, failed + QStringLiteral("\n") + m_autosaveFile.fileName());
    } else {
        SafeFile::syncDirectoryOf(autosaveName);
    }
}

SafeFile::Result DocumentSession::writeOwn(const QString &path, const Writer &write,
                                           const WriteAgain &writeAgain, const QString &safeCopy,
                                           FileStamp &written)
{
    const auto writeWhole = [&write](QFileDevice &file) { return write(file) > 0; };
    const auto report = [this](const QString &text) { tell(Tone::Error, text); };
    SafeFile::Result result;
    {
        // The target may be the document itself: what the watcher sees meanwhile is no outside
        // change (the file is followed again once written).
        const Raised own(m_ownWrite);
        result = SafeFile::save(path, writeWhole, report, safeCopy, m_fileName, &written);
        // The second write replaces only the file the first one wrote: another program may have
        // written it while the question was open.
        if (result == SafeFile::Result::Saved && writeAgain && writeAgain())
            result = FileStamp::ofPath(SafeFile::saveTargetOf(path)) == written
                             ? SafeFile::save(path, writeWhole, report, safeCopy, m_fileName,
                                              &written)
                             : SafeFile::Result::ChangedOutside;
    }
    // Another program wrote the file while this one wrote its own copy: that file stays, and
    // when it is the document, that is an outside change of it.
    if (result == SafeFile::Result::ChangedOutside)
        check();
    return result;
}

DocumentSession::Saved DocumentSession::save(const Writer &write, const WriteAgain &writeAgain)
{
    FileStamp written;
    SafeFile::Result result;
    do {
        if (changedOnDisk()) {
            const Messages::Answer answer =
                    tell(Tone::Warning,
                         tr("The file was changed outside BRW. Overwrite it?\n(No: save as another "
                            "file)\nФайл изменён вне BRW. Перезаписать его?\n(Нет: сохранить в "
                            "другой файл)\n") +
                                 m_fileName,
                         Messages::Buttons::YesNoCancel);
            if (answer == Messages::Answer::No)
                return Saved::AnotherName;
            if (answer != Messages::Answer::Yes)
                return Saved::Declined;
        }
        result = writeOwn(m_fileName, write, writeAgain, m_autosaveFile.fileName(), written);
    } while (result == SafeFile::Result::ChangedOutside);
    if (result == SafeFile::Result::CannotOpen) {
        tell(Tone::Error, SafeFile::cannotOpenText(m_fileName));
        return Saved::CannotOpen;
    }
    if (result != SafeFile::Result::Saved)
        return Saved::Failed;
    m_modified = false;
    follow(written);
    return Saved::Done;
}

SafeFile::Result DocumentSession::writeFile(const QString &path, const Writer &write,
                                            const WriteAgain &writeAgain, FileStamp &written)
{
    return writeOwn(path, write, writeAgain, QString(), written);
}

bool DocumentSession::isOwnFile(const FileStamp &written) const
{
    return written.sameFile(FileStamp::ofPath(m_fileName));
}

int DocumentSession::writeErrorSave(const Writer &write)
{
    int result = write(m_errorSaveFile);
    // Bytes that never reach the disk are not saved: a failed flush or sync is a failed write.
    if (result > 0 &&
        (!m_errorSaveFile.flush() || !SafeFile::syncDescriptor(m_errorSaveFile.handle())))
        result = -1000;
    m_errorSaveFile.close();
    return result;
}

void DocumentSession::keepErrorSaveFile()
{
    m_errorSaveFile.setFileName(QString());
    prepareSaveFiles();
}

void DocumentSession::dropEmptyAutosaveCopy()
{
    const QString name = m_autosaveFile.fileName();
    m_autosaveFile.close();
    const QFileInfo copy(name);
    if (!name.isEmpty() && copy.isFile() && !copy.isSymLink() && copy.size() == 0)
        QFile::remove(name);
}

bool DocumentSession::beginClose()
{
    if (m_autosaveRunning)
        return false;
    m_closing = true;
    return true;
}

void DocumentSession::close()
{
    if (m_errorSaveFile.isOpen()) {
        m_errorSaveFile.close();
        m_errorSaveFile.remove();
    }
    m_autosaveFile.close();
    if (!m_autosaveFile.fileName().isEmpty())
        QFile::remove(m_autosaveFile.fileName());
    release();
}

void DocumentSession::follow(const FileStamp &stamp)
{
    if (!m_sideFiles)
        return;
    m_reloadPending = false;
    Q_EMIT following();
    watch(m_fileName, stamp);
    if (m_fileName.isEmpty()) {
        m_lock.release();
        m_lockedName.clear();
        return;
    }
    if (m_fileName == m_lockedName)
        return;
    m_lockedName = m_fileName;
    bool refused = false;
    const DocumentLock::Holder other = m_lock.acquire(m_fileName, &refused);
    if (refused)
        tell(Tone::Error, tr("Cannot open file\nНевозможно открыть файл\n") +
                                  DocumentLock::lockPathOf(m_fileName));
    if (other.isValid())
        tell(Tone::Warning, tr("The document is open in another BRW: process %1 on %2\nДокумент "
                               "открыт в другой программе BRW: процесс %1 на %2\n")
                                            .arg(other.pid)
                                            .arg(other.host) +
                                    m_fileName);
}

void DocumentSession::release()
{
    m_lock.release();
    m_lockedName.clear();
    watch(QString(), FileStamp());
}

void DocumentSession::watch(const QString &path, const FileStamp &stamp)
{
    if (path != m_watched) {
        if (!m_watcher.files().isEmpty())
            m_watcher.removePaths(m_watcher.files());
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        if (!path.isEmpty())
            m_watcher.addPaths({path, QFileInfo(path).absolutePath()});
        m_watched = path;
    } else if (!path.isEmpty() && !m_watcher.files().contains(path)) {
        m_watcher.addPath(path); // written anew after a rename or a deletion
    }
    m_known = m_reported = path.isEmpty() ? FileStamp() : stamp;
    // A change between the read or write and now came before the watcher looked.
    check();
}

bool DocumentSession::changedOnDisk() const
{
    return !m_watched.isEmpty() && !(FileStamp::ofPath(m_watched) == m_known);
}

void DocumentSession::check()
{
    if (m_watched.isEmpty() || m_ownWrite)
        return;
    const FileStamp now = FileStamp::ofPath(m_watched);
    if (now.exists && !m_watcher.files().contains(m_watched))
        m_watcher.addPath(m_watched);
    if (now == m_known || now == m_reported)
        return;
    m_reported = now;
    m_reloadPending = true;
    Q_EMIT changedOutside();
}
