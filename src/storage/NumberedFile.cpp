#include "storage/NumberedFile.h"

#include "storage/PrivateFile.h"

#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NumberedFile {

namespace {

bool isLeftEmpty(const struct stat &status)
{
    return S_ISREG(status.st_mode) && status.st_size == 0 && status.st_uid == ::geteuid() &&
           std::time(nullptr) - status.st_mtime >= leftAfterSeconds;
}

bool sameFile(const struct stat &one, const struct stat &other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

} // namespace

bool removeIfLeft(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat seen;
    if (::lstat(name.constData(), &seen) != 0 || !isLeftEmpty(seen))
        return false;
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    // Only while nobody holds it, and only the very file that was looked at, still empty.
    struct stat opened, now;
    const bool left = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 &&
                      ::fstat(descriptor, &opened) == 0 && sameFile(opened, seen) &&
                      isLeftEmpty(opened) && ::lstat(name.constData(), &now) == 0 &&
                      sameFile(now, seen) && ::unlink(name.constData()) == 0;
    ::close(descriptor);
    return left;
}

bool create(QFile &file, const QString &base, const QString &document)
{
    // The file open before stays held while the new number is chosen: its own number is never
    // taken for a left one.
    const QString old = file.fileName();
    const int held = file.isOpen() ? ::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0) : -1;
    file.close();
    bool created = false;
    for (int number = 1; number <= 99 && !created; ++number) {
        file.setFileName(base + QString::number(number));
        if (file.exists() && !removeIfLeft(file.fileName()))
            continue;
        created = PrivateFile::createNew(file, document);
    }
    // A file system without flock leaves it unheld; nothing is ever taken there.
    if (created)
        (void)::flock(file.handle(), LOCK_SH | LOCK_NB);
    else
        file.setFileName(old);
    if (held >= 0)
        ::close(held);
    return created;
}

} // namespace NumberedFile
