#include "storage/PrivateFile.h"

#include <sys/stat.h>

namespace PrivateFile {

QFile::Permissions permissionsFor(const QString &document)
{
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    struct stat status;
    if (document.isEmpty() || ::stat(QFile::encodeName(document).constData(), &status) != 0)
        return permissions;
    const std::pair<mode_t, QFile::Permission> widened[] = {{S_IRGRP, QFile::ReadGroup},
                                                            {S_IWGRP, QFile::WriteGroup},
                                                            {S_IROTH, QFile::ReadOther},
                                                            {S_IWOTH, QFile::WriteOther}};
    for (const auto &[bit, permission] : widened)
        if (status.st_mode & bit)
            permissions |= permission;
    return permissions;
}

bool createNew(QFile &file, const QString &document, QIODevice::OpenMode mode)
{
    // Created with its final mode in one step (the umask applies): never readable in between.
    return file.open(mode | QIODevice::NewOnly, permissionsFor(document));
}

} // namespace PrivateFile
