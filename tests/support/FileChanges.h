#pragma once

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

// Rewrites the file in place with bytes of the same size and sets its modification time back,
// as copy and sync tools do: only the change time then tells. Written again until the clock
// has moved on far enough for the change time to differ.
inline bool rewriteKeepingTime(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat before, now;
    if (::stat(name.constData(), &before) != 0 || before.st_size != bytes.size())
        return false;
    const timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
    for (int i = 0; i < 1000; ++i) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        if (::utimensat(AT_FDCWD, name.constData(), times, 0) != 0 ||
            ::stat(name.constData(), &now) != 0)
            return false;
        if (now.st_ctim.tv_sec != before.st_ctim.tv_sec ||
            now.st_ctim.tv_nsec != before.st_ctim.tv_nsec)
            return true;
    }
    return false;
}
