#include "storage/SafeFile.h"

#include "storage/FileReading.h"
#include "storage/FileStamp.h"
#include "storage/PrivateFile.h"
#include "storage/SaveUnderWay.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

namespace {

QString translated(const char *text)
{
    return QCoreApplication::translate("SafeFile", text);
}

std::function<void(Step)> &stepObserver()
{
    static std::function<void(Step)> observer;
    return observer;
}

void tell(Step step)
{
    if (stepObserver())
        stepObserver()(step);
}

bool mayWrite(const QString &path)
{
    return ::euidaccess(QFile::encodeName(path).constData(), W_OK) == 0;
}

// A new file beside the target would break the target's other names or its owner, or the
// directory takes no new file.
bool mustRewriteInPlace(const QString &target)
{
    struct stat status;
    if (::stat(QFile::encodeName(target).constData(), &status) != 0)
        return false; // a new file: there is nothing to keep
    return status.st_nlink > 1 || status.st_uid != ::geteuid() ||
           !mayWrite(QFileInfo(target).absolutePath());
}

// The target's own save passes `written`: the target is then checked before it is replaced, and
// stamped. The safe copy's save passes none.
Result replaceAtomically(const QString &target, const Writer &write, const QString &document,
                         FileStamp *written)
{
    // A new name is made first with the mode it keeps: the save's temporary file then takes that
    // mode, as it takes an existing file's, so no copy of a private document is ever readable.
    QFile created(target);
    const bool isNew = PrivateFile::createNew(created, document);
    created.close();
    const FileStamp found = FileStamp::ofPath(target);
    QSaveFile file(target);
    Result result = Result::CannotOpen;
    if (file.open(QIODevice::WriteOnly)) {
        result = Result::Failed;
        if (write(file) && file.flush() && syncDescriptor(file.handle())) {
            if (written)
                tell(Step::Written);
            if (written && !(FileStamp::ofPath(target) == found)) {
                result = Result::ChangedOutside;
            } else {
                // The descriptor outlives the rename (which sets the change time): the stamp is
                // that of the file written, whatever the name leads to by then.
                const int kept = ::dup(file.handle());
                const bool committed = file.commit();
                if (committed && written) {
                    tell(Step::Replaced);
                    *written = FileStamp::ofDescriptor(kept);
                }
                if (kept >= 0)
                    ::close(kept);
                if (committed) {
                    syncDirectoryOf(target);
                    return Result::Saved;
                }
            }
        }
        file.cancelWriting();
    }
    // Only the empty file made above goes; one that someone wrote meanwhile stays.
    if (isNew && FileStamp::ofPath(target) == found)
        QFile::remove(target);
    return result;
}

QString dataFolderCopyOf(const QString &target)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    return QDir(folder).filePath(QFileInfo(target).fileName());
}

// Refuses before the first byte changes when the content will not fit: a file size limit, or
// (where the file system can tell) a full disk.
bool roomFor(int descriptor, qint64 size)
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        rlim_t(size) > limit.rlim_cur)
        return false;
    if (size == 0 || ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, size) == 0)
        return true;
    return errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL;
}

bool writeAll(int descriptor, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

enum class Copied { Done, CannotOpen, NoRoom, Damaged, ChangedOutside };

// Copies the complete content of `copy` over the target's bytes, synced, while the target is
// still as `found`; `stamp` gets its state afterwards.
Copied copyInto(const QString &target, const QString &copy, const FileStamp &found,
                FileStamp &stamp)
{
    QFile source(copy);
    const int descriptor = FileReading::openRegular(target, O_WRONLY);
    if (descriptor < 0 || !source.open(QIODevice::ReadOnly)) {
        if (descriptor >= 0)
            ::close(descriptor);
        return Copied::CannotOpen;
    }
    tell(Step::Written);
    // The file opened, and the file the name leads to, must both still be the one found.
    if (!(FileStamp::ofDescriptor(descriptor) == found) || !(FileStamp::ofPath(target) == found)) {
        ::close(descriptor);
        return Copied::ChangedOutside;
    }
    if (!roomFor(descriptor, source.size())) {
        ::close(descriptor);
        return Copied::NoRoom;
    }
    bool written = true;
    while (written && !source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        written = !block.isEmpty() && writeAll(descriptor, block.constData(), block.size());
    }
    written = written && ::ftruncate(descriptor, source.size()) == 0 && syncDescriptor(descriptor);
    stamp = FileStamp::ofDescriptor(descriptor);
    written = ::close(descriptor) == 0 && written;
    return written ? Copied::Done : Copied::Damaged;
}

QString writeErrorText(const QString &path)
{
    return translated("Error writing file\nОшибка записи в файл\n") + path;
}

Result rewriteInPlace(const QString &target, const Writer &write, QString copy,
                      const QString &document, FileStamp &written, const Reporter &report)
{
    if (!mayWrite(target))
        return Result::CannotOpen;
    const FileStamp found = FileStamp::ofPath(target);
    Result copied =
            copy.isEmpty() ? Result::CannotOpen : replaceAtomically(copy, write, document, nullptr);
    const bool ownCopy = copied == Result::CannotOpen;
    if (ownCopy) {
        copy = dataFolderCopyOf(target);
        copied = copy.isEmpty() ? Result::CannotOpen
                                : replaceAtomically(copy, write, document, nullptr);
    }
    if (copied == Result::CannotOpen)
        report(cannotOpenText(copy));
    if (copied != Result::Saved)
        return Result::Failed;
    SaveUnderWay::begin(copy, target);
    const Copied result = copyInto(target, copy, found, written);
    if (result == Copied::Damaged) {
        // The copy stays: it is now the only complete version.
        report(writeErrorText(target) +
               translated("\nThe complete text is in\nПолный текст находится в файле\n") + copy);
        return Result::Failed;
    }
    SaveUnderWay::end(copy);
    if (ownCopy)
        QFile::remove(copy);
    if (result == Copied::NoRoom)
        report(writeErrorText(target));
    if (result == Copied::Done)
        tell(Step::Replaced);
    return result == Copied::Done             ? Result::Saved
           : result == Copied::NoRoom         ? Result::Failed
           : result == Copied::ChangedOutside ? Result::ChangedOutside
                                              : Result::CannotOpen;
}

} // namespace

Result save(const QString &path, const Writer &write, const Reporter &report,
            const QString &safeCopy, const QString &document, FileStamp *written)
{
    FileStamp stamp;
    FileStamp &kept = written ? *written : stamp;
    const QString target = saveTargetOf(path);
    // Refused before anything is made anywhere: no copy in the data folder, nothing beside it.
    if (!FileReading::regularOrAbsent(target))
        return Result::CannotOpen;
    if (!mustRewriteInPlace(target)) {
        const Result result = replaceAtomically(target, write, document, &kept);
        // No temporary file beside the target: an existing file is still written in place.
        if (result != Result::CannotOpen || !QFileInfo::exists(target))
            return result;
    }
    return rewriteInPlace(target, write, safeCopy, document, kept, report);
}

void setStepObserver(std::function<void(Step)> observer)
{
    stepObserver() = std::move(observer);
}

QString cannotOpenText(const QString &path)
{
    return translated("Cannot open file for write\nНевозможно открыть для записи файл\n") + path;
}

QString saveTargetOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString canonical = info.canonicalFilePath();
        // A dangling link: write where it points.
        return canonical.isEmpty() ? info.symLinkTarget() : canonical;
    }
    return path;
}

bool syncDirectoryOf(const QString &path)
{
    const QByteArray directory = QFile::encodeName(QFileInfo(path).absolutePath());
    const int descriptor = ::open(directory.constData(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

bool syncDescriptor(int descriptor)
{
    return descriptor >= 0 && ::fsync(descriptor) == 0;
}

bool replaceFile(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool rewritesInPlace(const QString &path)
{
    return mustRewriteInPlace(saveTargetOf(path));
}

QString dataFolderCopyPath(const QString &path)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? folder
                            : QDir(folder).filePath(QFileInfo(saveTargetOf(path)).fileName());
}

} // namespace SafeFile
