// Outlines of other programs in and out of the main window: export of the current branch as
// OPML, Markdown, indented text or PDF, printing it, and import as a new document or under the
// current theme.
#include "app/Brambleweb.h"

#include "app/BRWApplication.h"
#include "app/FileCommands.h"
#include "app/OutlinePrint.h"
#include "app/Printing.h"
#include "common/Clock.h"
#include "common/FileDialogs.h"
#include "common/Messages.h"
#include "storage/FileOperations.h"
#include "storage/FileReading.h"
#include "storage/OutlineAdapter.h"
#include "storage/OutlineFiles.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <QFileInfo>

std::optional<OutlineNode> Brambleweb::currentBranchOutline()
{
    storeDescription(m_view->currentTheme(), true);
    Theme *current = m_view->currentTheme();
    return OutlineAdapter::branchOf(m_document, current ? current : m_document.root(),
                                    QFileInfo(fileName()).completeBaseName());
}

void Brambleweb::menuExportOutline()
{
    exportOutline(OutlineFiles::exportTypes());
}

void Brambleweb::menuExportPdf()
{
    exportOutline({OutlineFiles::pdfType()});
}

// Asks for a file of one of the types and writes the current branch into it, as a branch is
// saved: the replace question, and the name asked for again when it cannot be written.
void Brambleweb::exportOutline(const QStringList &types)
{
    FileDialogs::Request request;
    request.parent = this;
    request.caption = FileOperations::ownCaption(FileOperations::SaveBranch, currentThemeName());
    request.types = types;
    request.directory = m_files->saveDir().absolutePath();
    Theme *current = m_view->currentTheme();
    request.startName = current && current != m_document.root()
                                ? current->name()
                                : QFileInfo(fileName()).completeBaseName();
    FileDialogs::OwnDialog dialog(request);
    for (;;) {
        const FileDialogs::Choice choice = dialog.run();
        const std::optional<OutlineFiles::Format> format = OutlineFiles::formatOfType(choice.type);
        if (choice.file.isEmpty() || !format)
            return;
        m_files->setSaveDir(QDir(choice.directory.isEmpty() ? QFileInfo(choice.file).absolutePath()
                                                            : choice.directory));
        const QString name = OutlineFiles::withExtension(choice.file, *format);
        if (!FileReading::faithfulName(name)) {
            Messages::warning(this, Messages::errorCaption(), SafeFile::cannotOpenText(name));
            continue;
        }
        if (FileOperations::isReadableFile(name) &&
            Messages::warning(this, Messages::warningCaption(),
                              FileOperations::replaceQuestion(name),
                              Messages::Buttons::OkCancel) != Messages::Answer::Ok)
            continue;
        const std::optional<OutlineNode> root = currentBranchOutline();
        if (!root)
            return;
        switch (OutlineFiles::write(*format, *root, name, fileName(), OutlinePrint::writePdf)) {
        case SafeFile::Result::Saved:
            return;
        case SafeFile::Result::CannotOpen:
            Messages::warning(this, Messages::errorCaption(), SafeFile::cannotOpenText(name));
            continue;
        case SafeFile::Result::ChangedOutside:
            Messages::warning(this, Messages::warningCaption(),
                              FileOperations::changedWhileSavedText(name));
            continue;
        case SafeFile::Result::Failed:
            Messages::warning(this, Messages::errorCaption(), FileOperations::errorSavingText());
            return;
        }
    }
}

void Brambleweb::menuPrint()
{
    if (const std::optional<OutlineNode> root = currentBranchOutline())
        Printing::print(this, *root);
}

// The chosen outline file, read; nothing when cancelled or refused (a box has said why).
std::optional<OutlineNode> Brambleweb::chooseOutline(const QString &caption, QString &file)
{
    FileDialogs::Request request;
    request.parent = this;
    request.caption = caption;
    request.types = OutlineFiles::importTypes();
    request.directory = m_files->openDir().absolutePath();
    request.existingFile = true;
    const FileDialogs::Choice choice = FileDialogs::OwnDialog(request).run();
    const std::optional<OutlineFiles::Format> format = OutlineFiles::formatOfType(choice.type);
    if (choice.file.isEmpty() || !format)
        return std::nullopt;
    m_files->setOpenDir(QFileInfo(choice.file).absoluteDir());
    file = choice.file;
    return OutlineFiles::read(*format, choice.file, this);
}

void Brambleweb::menuImportOutline()
{
    QString file;
    const std::optional<OutlineNode> root =
            chooseOutline(tr("Import as a new document (Импорт в новый документ)"), file);
    BRWApplication *application = BRWApplication::instance();
    if (!root || !application)
        return;
    Brambleweb *window = application->createMainWindow(QString(), "Main");
    window->show();
    window->blockInputWhile([&] { window->loadOutline(*root, QString(), 0); });
    window->setModified(true);
    window->updateStatus();
}

void Brambleweb::menuImportOutlineInto()
{
    if (!m_files->askBeforeFileOperation(FileOperations::AppendFile))
        return;
    QString file;
    const std::optional<OutlineNode> root =
            chooseOutline(tr("Import into the current theme (Импорт внутрь текущей темы)"), file);
    if (!root)
        return;
    // The new theme is named after the outline's title, or after the file as an inserted file is.
    const QString name = root->name.isEmpty() ? QFileInfo(file).fileName() : root->name;
    blockInputWhile([&] { loadOutline(*root, name, LOAD_INSERT); });
    setModified(true);
    updateStatus();
}

void Brambleweb::loadOutline(const OutlineNode &root, const QString &name, int flags)
{
    const QDate date = root.date.isValid() ? root.date : Clock::today();
    const QByteArray bytes = OutlineTreeFile::write(root);
    loadTreeChunks(wholeBytes(bytes), bytes.size(), name, QDateTime(date, QTime(0, 0)), flags);
}
