// Outlines of other programs in and out of the main window: export of the current branch as
// OPML, Markdown, indented text or PDF, printing it, and import as a new document or under the
// current theme.
#include "app/OutlineCommands.h"

#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
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

OutlineCommands::OutlineCommands(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("outlines"));
}

std::optional<OutlineNode> OutlineCommands::currentBranchOutline()
{
    m_window.storeDescription(m_window.tree()->currentTheme(), true);
    Theme *current = m_window.tree()->currentTheme();
    return OutlineAdapter::branchOf(m_window.document(),
                                    current ? current : m_window.document().root(),
                                    QFileInfo(m_window.fileName()).completeBaseName());
}

void OutlineCommands::menuExportOutline()
{
    exportOutline(OutlineFiles::exportTypes());
}

void OutlineCommands::menuExportPdf()
{
    exportOutline({OutlineFiles::pdfType()});
}

// Asks for a file of one of the types and writes the current branch into it, as a branch is
// saved: the replace question, and the name asked for again when it cannot be written.
void OutlineCommands::exportOutline(const QStringList &types)
{
    FileDialogs::Request request;
    request.parent = &m_window;
    request.caption =
            FileOperations::ownCaption(FileOperations::SaveBranch, m_window.currentThemeName());
    request.types = types;
    request.directory = m_window.files()->saveDir().absolutePath();
    Theme *current = m_window.tree()->currentTheme();
    request.startName = current && current != m_window.document().root()
                                ? current->name()
                                : QFileInfo(m_window.fileName()).completeBaseName();
    FileDialogs::OwnDialog dialog(request);
    for (;;) {
        const FileDialogs::Choice choice = dialog.run();
        const std::optional<OutlineFiles::Format> format = OutlineFiles::formatOfType(choice.type);
        if (choice.file.isEmpty() || !format)
            return;
        m_window.files()->setSaveDir(QDir(choice.directory.isEmpty()
                                                  ? QFileInfo(choice.file).absolutePath()
                                                  : choice.directory));
        const QString name = OutlineFiles::withExtension(choice.file, *format);
        if (!FileReading::faithfulName(name)) {
            Messages::warning(&m_window, Messages::errorCaption(), SafeFile::cannotOpenText(name));
            continue;
        }
        if (FileOperations::isReadableFile(name) &&
            Messages::warning(&m_window, Messages::warningCaption(),
                              FileOperations::replaceQuestion(name),
                              Messages::Buttons::OkCancel) != Messages::Answer::Ok)
            continue;
        const std::optional<OutlineNode> root = currentBranchOutline();
        if (!root)
            return;
        switch (OutlineFiles::write(*format, *root, name, m_window.fileName(),
                                    OutlinePrint::writePdf)) {
        case SafeFile::Result::Saved:
            return;
        case SafeFile::Result::CannotOpen:
            Messages::warning(&m_window, Messages::errorCaption(), SafeFile::cannotOpenText(name));
            continue;
        case SafeFile::Result::ChangedOutside:
            Messages::warning(&m_window, Messages::warningCaption(),
                              FileOperations::changedWhileSavedText(name));
            continue;
        case SafeFile::Result::Failed:
            Messages::warning(&m_window, Messages::errorCaption(),
                              FileOperations::errorSavingText());
            return;
        }
    }
}

void OutlineCommands::menuPrint()
{
    if (const std::optional<OutlineNode> root = currentBranchOutline())
        Printing::print(&m_window, *root);
}

// The chosen outline file, read; nothing when cancelled or refused (a box has said why).
std::optional<OutlineNode> OutlineCommands::chooseOutline(const QString &caption, QString &file)
{
    FileDialogs::Request request;
    request.parent = &m_window;
    request.caption = caption;
    request.types = OutlineFiles::importTypes();
    request.directory = m_window.files()->openDir().absolutePath();
    request.existingFile = true;
    const FileDialogs::Choice choice = FileDialogs::OwnDialog(request).run();
    const std::optional<OutlineFiles::Format> format = OutlineFiles::formatOfType(choice.type);
    if (choice.file.isEmpty() || !format)
        return std::nullopt;
    m_window.files()->setOpenDir(QFileInfo(choice.file).absoluteDir());
    file = choice.file;
    return OutlineFiles::read(*format, choice.file, &m_window);
}

void OutlineCommands::menuImportOutline()
{
    QString file;
    const std::optional<OutlineNode> root =
            chooseOutline(tr("Import as a new document (Импорт в новый документ)"), file);
    BRWApplication *application = BRWApplication::instance();
    if (!root || !application)
        return;
    Brambleweb *window = application->createMainWindow(QString(), "Main");
    window->show();
    window->blockInputWhile([&] { window->outlines()->loadOutline(*root, QString(), 0); });
    window->setModified(true);
    window->updateStatus();
}

void OutlineCommands::menuImportOutlineInto()
{
    if (!m_window.files()->askBeforeFileOperation(FileOperations::AppendFile))
        return;
    QString file;
    const std::optional<OutlineNode> root =
            chooseOutline(tr("Import into the current theme (Импорт внутрь текущей темы)"), file);
    if (!root)
        return;
    // The new theme is named after the outline's title, or after the file as an inserted file is.
    const QString name = root->name.isEmpty() ? QFileInfo(file).fileName() : root->name;
    m_window.blockInputWhile([&] { loadOutline(*root, name, LOAD_INSERT); });
    m_window.setModified(true);
    m_window.updateStatus();
}

void OutlineCommands::loadOutline(const OutlineNode &root, const QString &name, int flags)
{
    const QDate date = root.date.isValid() ? root.date : Clock::today();
    const QByteArray bytes = OutlineTreeFile::write(root);
    m_window.loadTreeChunks(wholeBytes(bytes), bytes.size(), name, QDateTime(date, QTime(0, 0)),
                            flags);
}
