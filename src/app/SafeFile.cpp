#include "app/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace SafeFile {

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

} // namespace SafeFile
