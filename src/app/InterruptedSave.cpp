#include "app/InterruptedSave.h"

#include "common/Messages.h"
#include "storage/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool sameBytes(const QString &first, const QString &second)
{
    QFile a(first), b(second);
    if (a.size() != b.size() || !a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return false;
    while (!a.atEnd())
        if (a.read(1 << 20) != b.read(1 << 20))
            return false;
    return true;
}

} // namespace

QStringList interruptedSaveCopies(const QString &document)
{
    if (document.isEmpty() || !QFileInfo(document).isFile() || !SafeFile::rewritesInPlace(document))
        return {};
    const QDir folder = QFileInfo(document).absoluteDir();
    QStringList candidates{SafeFile::dataFolderCopyPath(document)};
    for (int number = 1; number <= 99; ++number)
        candidates.append(folder.filePath(QStringLiteral("autosave.") + QString::number(number)));
    QStringList copies;
    for (const QString &copy : candidates) {
        const QFileInfo info(copy);
        // An empty autosave file was only made ready by a window.
        if (info.isFile() && info.size() > 0 && !sameBytes(document, copy))
            copies.append(copy);
    }
    return copies;
}

void noticeInterruptedSave(QWidget *parent, const QString &document)
{
    const QStringList copies = interruptedSaveCopies(document);
    if (copies.isEmpty())
        return;
    Messages::warning(parent, Messages::warningCaption(),
                      QCoreApplication::translate("Brambleweb",
                                                  "The last save of this file may not have ended; "
                                                  "the complete text is in\nПоследнее сохранение "
                                                  "этого файла могло не завершиться; полный "
                                                  "текст находится в файле\n") +
                              copies.join(QLatin1Char('\n')));
}
