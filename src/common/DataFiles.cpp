#include "common/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace DataFiles {

QStringList folders()
{
    if (!QCoreApplication::instance())
        return {};
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList result{QDir::cleanPath(programDir + QStringLiteral("/" BRW_DATA_FROM_PROGRAM))};
    // Built programs live below the build folder; an installed one never does.
    const QString buildDir = QFileInfo(QStringLiteral(BRW_BUILD_DIR)).canonicalFilePath();
    if (!buildDir.isEmpty() &&
        (programDir == buildDir || programDir.startsWith(buildDir + QLatin1Char('/'))))
        result.append(QStringLiteral(BRW_SOURCE_DATA_DIR));
    return result;
}

QString locate(const QString &name)
{
    return locate(name, folders());
}

QString locate(const QString &name, const QStringList &folders)
{
    if (QFileInfo(name).isFile())
        return name;
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return name;
}

} // namespace DataFiles
