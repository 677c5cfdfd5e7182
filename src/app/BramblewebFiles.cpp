// The file commands of the main window: insert a file, save as, save a branch, reopen, open in a
// new window, the key help, save a table and the hidden save without hidden parts; with the
// program's own dialog and with the platform's standard ones.
#include "app/Brambleweb.h"

#include "app/BRWApplication.h"
#include "app/WindowMemory.h"
#include "common/Assertions.h"
#include "common/Cp1251.h"
#include "common/DataFiles.h"
#include "common/FileDialogs.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "storage/FileReading.h"
#include "storage/FileStamp.h"
#include "storage/HtmlTable.h"
#include "storage/SafeFile.h"
#include "tree/ThemeView.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextCursor>

using namespace FileOperations;

namespace {

void showNewWindow(const QString &fileName, const char *name)
{
    if (BRWApplication *application = BRWApplication::instance())
        application->createMainWindow(fileName, name)->show();
}

} // namespace

void Brambleweb::menuAppendFile()
{
    menuFileOperation(AppendFile);
}
void Brambleweb::menuSaveAsFile()
{
    menuFileOperation(SaveAs);
}
void Brambleweb::menuSaveBranch()
{
    menuFileOperation(SaveBranch);
}
void Brambleweb::menuReopenFile()
{
    menuFileOperation(Reopen);
}
void Brambleweb::menuOpenFile()
{
    menuFileOperation(Open);
}
void Brambleweb::menuKeyHelp()
{
    menuFileOperation(KeyHelp);
}
void Brambleweb::menuSaveTable()
{
    menuFileOperation(SaveTable);
}
void Brambleweb::menuAppendFileGUI()
{
    menuFileOperationGUI(AppendFile);
}
void Brambleweb::menuSaveAsFileGUI()
{
    menuFileOperationGUI(SaveAs);
}
void Brambleweb::menuSaveBranchGUI()
{
    menuFileOperationGUI(SaveBranch);
}
void Brambleweb::menuReopenFileGUI()
{
    menuFileOperationGUI(Reopen);
}
void Brambleweb::menuOpenFileGUI()
{
    menuFileOperationGUI(Open);
}
void Brambleweb::menuSaveTableGUI()
{
    menuFileOperationGUI(SaveTable);
}

template<typename Work>
auto Brambleweb::withInputBlocked(Work work)
{
    m_progressFrame->setFixedWidth(m_progressBar->width());
    m_inputBlocked = true;
    const auto result = work();
    m_progressFrame->setFixedWidth(0);
    m_inputBlocked = false;
    return result;
}

void Brambleweb::blockInputWhile(const std::function<void()> &work)
{
    withInputBlocked([&work] {
        work();
        return true;
    });
}

Messages::Answer Brambleweb::askSaveChanges()
{
    const Messages::Answer answer =
            Messages::warning(this, Messages::warningCaption(), saveChangesQuestion(fileName()),
                              Messages::Buttons::YesNoCancel);
    if (answer == Messages::Answer::Yes)
        menuSaveFile();
    return answer;
}

QString Brambleweb::currentThemeName() const
{
    Theme *current = m_view->currentTheme();
    return current ? current->name() : QString();
}

// The questions before reopen (unsaved changes) and insert; false when the user stops there.
bool Brambleweb::askBeforeFileOperation(int operation)
{
    if (operation == Reopen && isModified()) {
        const Messages::Answer answer = askSaveChanges();
        return answer == Messages::Answer::Yes || answer == Messages::Answer::No;
    }
    if (operation == AppendFile)
        return Messages::warning(this, Messages::warningCaption(),
                                 insertQuestion(currentThemeName()),
                                 Messages::Buttons::OkCancel) == Messages::Answer::Ok;
    return true;
}

QString Brambleweb::keyHelpPath() const
{
    return m_keyHelpUrl.isLocalFile() ? m_keyHelpUrl.toLocalFile() : m_keyHelpUrl.path();
}

bool Brambleweb::openKeyHelp(const QString &path)
{
    if (!isReadableFile(path))
        return false;
    showNewWindow(path, "KeyHelp");
    return true;
}

void Brambleweb::loadChosenFile(int operation, const QString &name)
{
    if (operation == AppendFile) {
        withInputBlocked([&] { return loadTree(name, LOAD_INSERT); });
        return;
    }
    // A file that cannot be read leaves the window's document as it was: taking the new name
    // would let the next save write the old tree over that file.
    FileStamp read;
    m_memory->rememberDocumentState();
    if (!withInputBlocked([&] { return loadTree(name, 0, &read); }))
        return;
    m_session->setFileName(name);
    m_memory->restoreDocumentState();
    m_session->open(read);
    updateCaption(false);
}

int Brambleweb::writeTable(QIODevice *file)
{
    m_saveReport = SaveReport();
    return HtmlTable::write(m_document, m_view->currentTheme(), file, this, &m_saveReport);
}

// Writes a save-type target as safely as the document itself. False when the name must be asked
// for again: the user kept an existing file, or it cannot be written.
bool Brambleweb::saveChosenFile(int operation, const QString &name, int flags, bool standardDialog,
                                TextEncoding encoding)
{
    // A name shown with a replacement character would write a file of another name.
    if (!FileReading::faithfulName(name)) {
        Messages::warning(this, Messages::errorCaption(), SafeFile::cannotOpenText(name));
        return false;
    }
    if (isReadableFile(name) &&
        Messages::warning(this, Messages::warningCaption(), replaceQuestion(name),
                          Messages::Buttons::OkCancel) != Messages::Answer::Ok)
        return false;
    TextEncoding documentForm = m_document.textEncoding();
    m_document.setTextEncoding(encoding);
    int result = 0;
    FileStamp written;
    const SafeFile::Result saved = m_session->writeFile(
            name,
            [&](QFileDevice &file) {
                result = operation == SaveTable
                                 ? withInputBlocked([&] { return writeTable(&file); })
                                 : writeTree(&file, flags);
                return result;
            },
            // Keeping the document in Unicode rewrites the file at once: that save keeps every
            // character.
            [&] {
                const bool again = warnAboutReplacedCharacters();
                if (again)
                    documentForm = TextEncoding::Utf8;
                return again;
            },
            written);
    if (saved == SafeFile::Result::CannotOpen) {
        Messages::warning(this, Messages::errorCaption(), SafeFile::cannotOpenText(name));
        return false;
    }
    if (saved == SafeFile::Result::ChangedOutside) {
        Messages::warning(this, Messages::warningCaption(), changedWhileSavedText(name));
        return false;
    }
    // The document's own file written under another command: this window's own write, which
    // leaves the file without the whole tree.
    const bool ownFile =
            saved == SafeFile::Result::Saved && result > 0 && m_session->isOwnFile(written);
    if (saved != SafeFile::Result::Saved && result > 0)
        result = -1; // written, but the file system did not keep it
    if (result < 0) {
        Messages::warning(this, Messages::warningCaption(), saveWithErrorText());
    } else if (result == 0) {
        Messages::warning(this,
                          standardDialog ? Messages::warningCaption() : Messages::errorCaption(),
                          errorSavingText());
    } else if (operation == SaveAs && isFullFormat(flags)) {
        // Only a file that holds the whole document becomes the document; an export or a
        // structure-only file would lose the descriptions at the next save.
        m_session->setFileName(name);
        setModified(false);
        m_session->follow(written);
        documentForm = encoding == TextEncoding::Utf8 ? encoding : documentForm;
    } else if (ownFile) {
        m_session->follow(written);
        setModified(true);
    }
    m_document.setTextEncoding(documentForm);
    return true;
}

void Brambleweb::menuFileOperation(int operation)
{
    if (operation < AppendFile || operation > SaveBranchStripped)
        return;
    // A key help in the working directory wins; else the one installed with the program.
    if (operation == KeyHelp && openKeyHelp(DataFiles::locate(keyHelpPath())))
        return;
    const bool saveType = isSaveType(operation);
    Theme *current = m_view->currentTheme();
    if (operation == SaveAs || operation == SaveBranch || operation == SaveBranchStripped)
        storeDescription(current, true);
    if (!askBeforeFileOperation(operation))
        return;

    FileDialogs::Request request;
    request.parent = this;
    request.caption = ownCaption(operation, currentThemeName());
    request.types = fileTypes(operation);
    request.existingFile = !saveType;
    request.directory = saveType               ? m_saveDir.absolutePath()
                        : operation == KeyHelp ? QFileInfo(keyHelpPath()).absolutePath()
                                               : m_openDir.absolutePath();
    const bool branch =
            operation == SaveBranch || operation == SaveTable || operation == SaveBranchStripped;
    if (branch && current && current != m_document.root())
        request.startName = current->name();
    else
        request.startName = operation == KeyHelp ? keyHelpName() : QFileInfo(fileName()).fileName();

    FileDialogs::OwnDialog dialog(request);
    for (;;) {
        const FileDialogs::Choice choice = dialog.run();
        if (choice.file.isEmpty())
            return;
        const QDir ended(choice.directory.isEmpty() ? QFileInfo(choice.file).absolutePath()
                                                    : choice.directory);
        if (saveType)
            m_saveDir = ended;
        else if (operation == AppendFile || operation == Reopen)
            m_openDir = ended;
        if (operation == KeyHelp) {
            m_keyHelpUrl = QUrl::fromLocalFile(QFileInfo(choice.file).absoluteFilePath());
            showNewWindow(choice.file, "KeyHelp");
            return;
        }
        if (operation == Open) {
            showNewWindow(choice.file, "Main");
            return;
        }
        if (!saveType) {
            loadChosenFile(operation, choice.file);
            break;
        }
        const TextEncoding encoding = operation == SaveAs && isUnicodeType(choice.type)
                                              ? TextEncoding::Utf8
                                              : m_document.textEncoding();
        if (saveChosenFile(operation, withExtension(choice.file, choice.type),
                           writerFlags(operation, choice.type), false, encoding))
            break;
    }
    updateStatus();
}

void Brambleweb::menuFileOperationGUI(int operation)
{
    if (operation < AppendFile || operation > SaveTable || operation == KeyHelp)
        return;
    QString start = fileName();
    if (operation == AppendFile) {
        if (!askBeforeFileOperation(operation))
            return;
        start = m_openDir.absolutePath();
    } else if (operation == SaveBranch || operation == SaveTable) {
        start = m_saveDir.filePath(currentThemeName());
    } else if (operation == Reopen) {
        storeDescription(m_view->currentTheme(), true);
        if (!askBeforeFileOperation(operation))
            return;
    }
    const QString caption = standardCaption(operation, currentThemeName());
    for (;;) {
        const QString name =
                isSaveType(operation)
                        ? FileDialogs::standardSave(this, caption, start, ordinaryType())
                        : FileDialogs::standardOpen(this, caption, start, ordinaryType());
        if (name.isEmpty())
            return;
        if (operation == Open) {
            showNewWindow(name, "Main");
            return;
        }
        if (!isSaveType(operation)) {
            m_openDir = QFileInfo(name).absoluteDir();
            loadChosenFile(operation, name);
            break;
        }
        storeDescription(m_view->currentTheme(), true);
        if (saveChosenFile(operation, name, operation == SaveBranch ? SAVE_BRANCH : 0, true,
                           m_document.textEncoding())) {
            m_saveDir = QFileInfo(name).absoluteDir();
            break;
        }
    }
    updateStatus();
}

// A save the user asked for says once that it wrote characters the code page lacks as 0x1A;
// it says so again only after such a character has been typed or pasted again. The user may
// keep the document in Unicode from then on.
bool Brambleweb::warnAboutReplacedCharacters()
{
    if (m_saveReport.replaced == 0 || m_replacedWarned ||
        m_document.textEncoding() == TextEncoding::Utf8)
        return false;
    m_replacedWarned = true;
    if (Messages::warning(
                this, Messages::warningCaption(),
                replacedCharactersText(m_saveReport.replaced, m_saveReport.firstThemeReplaced) +
                        keepInUnicodeQuestion(),
                Messages::Buttons::YesNo) != Messages::Answer::Yes)
        return false;
    m_document.setTextEncoding(TextEncoding::Utf8);
    updateStatus();
    return true;
}

// Whether a user's edit brought in a character the code page lacks. The document reports the
// range of every change, the editor which changes were the user's; the range comes first.
void Brambleweb::watchForUnencodableInput()
{
    QTextDocument *document = m_mainEditBox->document();
    CONNECT_ASSERT(connect(
            document, &QTextDocument::contentsChange, this,
            [this, document](int position, int, int added) {
                if (!m_replacedWarned)
                    return;
                QTextCursor cursor(document);
                cursor.setPosition(position);
                cursor.setPosition(qMin(position + added, document->characterCount() - 1),
                                   QTextCursor::KeepAnchor);
                QString text = cursor.selectedText();
                text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
                m_unencodableTyped = !cp1251CanEncode(text);
            }));
    CONNECT_ASSERT(connect(m_mainEditBox, &CorrectedTextEdit::textChangedTRUE, this, [this] {
        if (m_unencodableTyped)
            m_replacedWarned = false;
        m_unencodableTyped = false;
    }));
    CONNECT_ASSERT(connect(m_view, &ThemeView::renamingChanged, this, [this](bool renaming) {
        if (!renaming || !m_view->nameEditor())
            return;
        connect(m_view->nameEditor(), &QLineEdit::textEdited, this, [this](const QString &text) {
            if (!cp1251CanEncode(text))
                m_replacedWarned = false;
        });
    }));
}
