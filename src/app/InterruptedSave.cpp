#include "app/InterruptedSave.h"

#include "common/Messages.h"
#include "storage/FileReading.h"
#include "storage/SafeFile.h"
#include "storage/SaveUnderWay.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>

namespace {

bool sameBytes(const QString &first, const QString &second)
{
    QFile a, b;
    const auto open = [](QFile &file, const QString &name) {
        const int descriptor = FileReading::openRegular(name, O_RDONLY);
        return descriptor >= 0 &&
               file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    };
    if (!open(a, first) || !open(b, second) || a.size() != b.size())
        return false;
    while (!a.atEnd())
        if (a.read(1 << 20) != b.read(1 << 20))
            return false;
    return true;
}

} // namespace

QStringList interruptedSaveCopies(const QString &document)
{
    if (document.isEmpty() || !QFileInfo(document).isFile())
        return {};
    const QDir folder = QFileInfo(document).absoluteDir();
    QStringList candidates{SafeFile::dataFolderCopyPath(document)};
    for (int number = 1; number <= 99; ++number)
        candidates.append(folder.filePath(QStringLiteral("autosave.") + QString::number(number)));
    QStringList copies;
    for (const QString &copy : candidates) {
        // Only a copy that a save of this very file left behind: another document's autosave
        // copy is never "the complete text" of this one.
        if (SaveUnderWay::isCopyOf(copy, document) && QFileInfo(copy).size() > 0 &&
            !sameBytes(document, copy))
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
