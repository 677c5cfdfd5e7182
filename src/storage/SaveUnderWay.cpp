#include "storage/SaveUnderWay.h"

#include "storage/FileReading.h"
#include "storage/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SaveUnderWay {

namespace {

QByteArray identityOf(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return QByteArray();
    return QByteArray::number(qulonglong(status.st_dev)) + ' ' +
           QByteArray::number(qulonglong(status.st_ino)) + '\n';
}

} // namespace

QString notePathOf(const QString &copy)
{
    const QFileInfo info(copy);
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() +
                                       QStringLiteral(".saving"));
}

bool begin(const QString &copy, const QString &target)
{
    const QByteArray identity = identityOf(target);
    const QString note = notePathOf(copy);
    QFile::remove(note);
    QFile file(note);
    if (identity.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const bool written = file.write(identity) == identity.size() && file.flush() &&
                         SafeFile::syncDescriptor(file.handle());
    file.close();
    return written && SafeFile::syncDirectoryOf(note);
}

void end(const QString &copy)
{
    QFile::remove(notePathOf(copy));
}

bool isCopyOf(const QString &copy, const QString &document)
{
    const int descriptor = FileReading::openRegular(notePathOf(copy), O_RDONLY);
    if (descriptor < 0)
        return false;
    char note[64];
    const ssize_t size = ::read(descriptor, note, sizeof note);
    ::close(descriptor);
    const QByteArray identity = identityOf(document);
    return !identity.isEmpty() && size > 0 && QByteArray(note, int(size)) == identity;
}

} // namespace SaveUnderWay
