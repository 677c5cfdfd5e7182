#include "storage/FileStamp.h"

#include <QFile>

namespace {

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

FileStamp FileStamp::of(const struct stat &status)
{
    return {true, status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

FileStamp FileStamp::ofPath(const QString &path)
{
    struct stat status;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return of(status);
}

FileStamp FileStamp::ofDescriptor(int descriptor)
{
    struct stat status;
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0)
        return {};
    return of(status);
}

bool FileStamp::operator==(const FileStamp &other) const
{
    if (!exists || !other.exists)
        return exists == other.exists;
    return sameFile(other) && size == other.size && sameTime(modified, other.modified) &&
           sameTime(changed, other.changed);
}
