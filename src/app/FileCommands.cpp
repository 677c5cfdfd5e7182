// The window's file commands: insert a file, save as, save a branch, reopen, open in a new window,
// the key help, save a table and the hidden save without hidden parts; with the program's own
// dialog and with the platform's standard ones. Saving the document, the autosave copy and the
// error-save file of the emergency journal: the window's side; the files themselves are the
// document session's. The document on disk: changes made outside the program and the list of
// recent documents.
#include "app/FileCommands.h"

#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/DetachedWindows.h"
#include "app/RecentDocuments.h"
#include "app/WindowMemory.h"
#include "common/Assertions.h"
#include "common/Cp1251.h"
#include "common/DataFiles.h"
#include "common/FileDialogs.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "storage/FileReading.h"
#include "storage/FileStamp.h"
#include "storage/HtmlTable.h"
#include "storage/SafeFile.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextCursor>

#include <algorithm>

using namespace FileOperations;

namespace {

void showNewWindow(const QString &fileName, const char *name)
{
    if (BRWApplication *application = BRWApplication::instance())
        application->createMainWindow(fileName, name)->show();
}

} // namespace

FileCommands::FileCommands(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
    , m_openDir(QDir::current())
    , m_saveDir(QDir::current())
    , m_keyHelpUrl(QStringLiteral("keyhelp.txt"))
{
    setObjectName(QStringLiteral("files"));
    watchForUnencodableInput();
}

void FileCommands::menuNewFile()
{
    showNewWindow(QString(), "Main");
}

void FileCommands::countSecond()
{
    switch (m_window.session()->tick(m_window.editor()->isEdited())) {
    case DocumentSession::Tick::Autosave:
        autosave();
        break;
    case DocumentSession::Tick::Counted:
        m_window.updateCaption(true);
        break;
    case DocumentSession::Tick::Idle:
        break;
    }
}

void FileCommands::menuAppendFile()
{
    menuFileOperation(AppendFile);
}
void FileCommands::menuSaveAsFile()
{
    menuFileOperation(SaveAs);
}
void FileCommands::menuSaveBranch()
{
    menuFileOperation(SaveBranch);
}
void FileCommands::menuReopenFile()
{
    menuFileOperation(Reopen);
}
void FileCommands::menuOpenFile()
{
    menuFileOperation(Open);
}
void FileCommands::menuKeyHelp()
{
    menuFileOperation(KeyHelp);
}
void FileCommands::menuSaveTable()
{
    menuFileOperation(SaveTable);
}
void FileCommands::menuAppendFileGUI()
{
    menuFileOperationGUI(AppendFile);
}
void FileCommands::menuSaveAsFileGUI()
{
    menuFileOperationGUI(SaveAs);
}
void FileCommands::menuSaveBranchGUI()
{
    menuFileOperationGUI(SaveBranch);
}
void FileCommands::menuReopenFileGUI()
{
    menuFileOperationGUI(Reopen);
}
void FileCommands::menuOpenFileGUI()
{
    menuFileOperationGUI(Open);
}
void FileCommands::menuSaveTableGUI()
{
    menuFileOperationGUI(SaveTable);
}

Messages::Answer FileCommands::askSaveChanges()
{
    const Messages::Answer answer = Messages::warning(&m_window, Messages::warningCaption(),
                                                      saveChangesQuestion(m_window.fileName()),
                                                      Messages::Buttons::YesNoCancel);
    if (answer == Messages::Answer::Yes)
        menuSaveFile();
    return answer;
}

// The questions before reopen (unsaved changes) and insert; false when the user stops there.
bool FileCommands::askBeforeFileOperation(int operation)
{
    if (operation == Reopen && m_window.isModified()) {
        const Messages::Answer answer = askSaveChanges();
        return answer == Messages::Answer::Yes || answer == Messages::Answer::No;
    }
    if (operation == AppendFile)
        return Messages::warning(&m_window, Messages::warningCaption(),
                                 insertQuestion(m_window.currentThemeName()),
                                 Messages::Buttons::OkCancel) == Messages::Answer::Ok;
    return true;
}

QString FileCommands::keyHelpPath() const
{
    return m_keyHelpUrl.isLocalFile() ? m_keyHelpUrl.toLocalFile() : m_keyHelpUrl.path();
}

bool FileCommands::openKeyHelp(const QString &path)
{
    if (!isReadableFile(path))
        return false;
    showNewWindow(path, "KeyHelp");
    return true;
}

void FileCommands::loadChosenFile(int operation, const QString &name)
{
    if (operation == AppendFile) {
        m_window.blockInputWhile([&] { m_window.loadTree(name, LOAD_INSERT); });
        return;
    }
    // A file that cannot be read leaves the window's document as it was: taking the new name
    // would let the next save write the old tree over that file.
    FileStamp read;
    m_window.memory()->rememberDocumentState();
    bool loaded = false;
    m_window.blockInputWhile([&] { loaded = m_window.loadTree(name, 0, &read); });
    if (!loaded)
        return;
    m_window.session()->setFileName(name);
    m_window.memory()->restoreDocumentState();
    m_window.session()->open(read);
    m_window.updateCaption(false);
}

int FileCommands::writeTree(QFileDevice *file, int flags)
{
    m_window.showProgress(true);
    m_saveReport = SaveReport();
    const int result = m_window.writeDocument(file, flags, nullptr, &m_saveReport);
    m_window.showProgress(false);
    return result;
}

int FileCommands::writeTable(QIODevice *file)
{
    m_saveReport = SaveReport();
    return HtmlTable::write(m_window.document(), m_window.tree()->currentTheme(), file, &m_window,
                            &m_saveReport);
}

// Writes a save-type target as safely as the document itself. False when the name must be asked
// for again: the user kept an existing file, or it cannot be written.
bool FileCommands::saveChosenFile(int operation, const QString &name, int flags,
                                  bool standardDialog, TextEncoding encoding)
{
    // A name shown with a replacement character would write a file of another name.
    if (!FileReading::faithfulName(name)) {
        Messages::warning(&m_window, Messages::errorCaption(), SafeFile::cannotOpenText(name));
        return false;
    }
    if (isReadableFile(name) &&
        Messages::warning(&m_window, Messages::warningCaption(), replaceQuestion(name),
                          Messages::Buttons::OkCancel) != Messages::Answer::Ok)
        return false;
    TextEncoding documentForm = m_window.document().textEncoding();
    m_window.document().setTextEncoding(encoding);
    int result = 0;
    FileStamp written;
    const SafeFile::Result saved = m_window.session()->writeFile(
            name,
            [&](QFileDevice &file) {
                if (operation == SaveTable)
                    m_window.blockInputWhile([&] { result = writeTable(&file); });
                else
                    result = writeTree(&file, flags);
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
        Messages::warning(&m_window, Messages::errorCaption(), SafeFile::cannotOpenText(name));
        return false;
    }
    if (saved == SafeFile::Result::ChangedOutside) {
        Messages::warning(&m_window, Messages::warningCaption(), changedWhileSavedText(name));
        return false;
    }
    // The document's own file written under another command: this window's own write, which
    // leaves the file without the whole tree.
    const bool ownFile = saved == SafeFile::Result::Saved && result > 0 &&
                         m_window.session()->isOwnFile(written);
    if (saved != SafeFile::Result::Saved && result > 0)
        result = -1; // written, but the file system did not keep it
    if (result < 0) {
        Messages::warning(&m_window, Messages::warningCaption(), saveWithErrorText());
    } else if (result == 0) {
        Messages::warning(&m_window,
                          standardDialog ? Messages::warningCaption() : Messages::errorCaption(),
                          errorSavingText());
    } else if (operation == SaveAs && isFullFormat(flags)) {
        // Only a file that holds the whole document becomes the document; an export or a
        // structure-only file would lose the descriptions at the next save.
        m_window.session()->setFileName(name);
        m_window.setModified(false);
        m_window.session()->follow(written);
        documentForm = encoding == TextEncoding::Utf8 ? encoding : documentForm;
    } else if (ownFile) {
        m_window.session()->follow(written);
        m_window.setModified(true);
    }
    m_window.document().setTextEncoding(documentForm);
    return true;
}

void FileCommands::menuFileOperation(int operation)
{
    if (operation < AppendFile || operation > SaveBranchStripped)
        return;
    // A key help in the working directory wins; else the one installed with the program.
    if (operation == KeyHelp && openKeyHelp(DataFiles::locate(keyHelpPath())))
        return;
    const bool saveType = isSaveType(operation);
    Theme *current = m_window.tree()->currentTheme();
    if (operation == SaveAs || operation == SaveBranch || operation == SaveBranchStripped)
        m_window.storeDescription(current, true);
    if (!askBeforeFileOperation(operation))
        return;

    FileDialogs::Request request;
    request.parent = &m_window;
    request.caption = ownCaption(operation, m_window.currentThemeName());
    request.types = fileTypes(operation);
    request.existingFile = !saveType;
    request.directory = saveType               ? m_saveDir.absolutePath()
                        : operation == KeyHelp ? QFileInfo(keyHelpPath()).absolutePath()
                                               : m_openDir.absolutePath();
    const bool branch =
            operation == SaveBranch || operation == SaveTable || operation == SaveBranchStripped;
    if (branch && current && current != m_window.document().root())
        request.startName = current->name();
    else
        request.startName =
                operation == KeyHelp ? keyHelpName() : QFileInfo(m_window.fileName()).fileName();

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
                                              : m_window.document().textEncoding();
        if (saveChosenFile(operation, withExtension(choice.file, choice.type),
                           writerFlags(operation, choice.type), false, encoding))
            break;
    }
    m_window.updateStatus();
}

void FileCommands::menuFileOperationGUI(int operation)
{
    if (operation < AppendFile || operation > SaveTable || operation == KeyHelp)
        return;
    QString start = m_window.fileName();
    if (operation == AppendFile) {
        if (!askBeforeFileOperation(operation))
            return;
        start = m_openDir.absolutePath();
    } else if (operation == SaveBranch || operation == SaveTable) {
        start = m_saveDir.filePath(m_window.currentThemeName());
    } else if (operation == Reopen) {
        m_window.storeDescription(m_window.tree()->currentTheme(), true);
        if (!askBeforeFileOperation(operation))
            return;
    }
    const QString caption = standardCaption(operation, m_window.currentThemeName());
    for (;;) {
        const QString name =
                isSaveType(operation)
                        ? FileDialogs::standardSave(&m_window, caption, start, ordinaryType())
                        : FileDialogs::standardOpen(&m_window, caption, start, ordinaryType());
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
        m_window.storeDescription(m_window.tree()->currentTheme(), true);
        if (saveChosenFile(operation, name, operation == SaveBranch ? SAVE_BRANCH : 0, true,
                           m_window.document().textEncoding())) {
            m_saveDir = QFileInfo(name).absoluteDir();
            break;
        }
    }
    m_window.updateStatus();
}

// A save the user asked for says once that it wrote characters the code page lacks as 0x1A;
// it says so again only after such a character has been typed or pasted again. The user may
// keep the document in Unicode from then on.
bool FileCommands::warnAboutReplacedCharacters()
{
    if (m_saveReport.replaced == 0 || m_replacedWarned ||
        m_window.document().textEncoding() == TextEncoding::Utf8)
        return false;
    m_replacedWarned = true;
    if (Messages::warning(
                &m_window, Messages::warningCaption(),
                replacedCharactersText(m_saveReport.replaced, m_saveReport.firstThemeReplaced) +
                        keepInUnicodeQuestion(),
                Messages::Buttons::YesNo) != Messages::Answer::Yes)
        return false;
    m_window.document().setTextEncoding(TextEncoding::Utf8);
    m_window.updateStatus();
    return true;
}

// Whether a user's edit brought in a character the code page lacks. The document reports the
// range of every change, the editor which changes were the user's; the range comes first.
void FileCommands::watchForUnencodableInput()
{
    QTextDocument *document = m_window.editor()->document();
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
    CONNECT_ASSERT(connect(m_window.editor(), &CorrectedTextEdit::textChangedTRUE, this, [this] {
        if (m_unencodableTyped)
            m_replacedWarned = false;
        m_unencodableTyped = false;
    }));
    CONNECT_ASSERT(
            connect(m_window.tree(), &ThemeView::renamingChanged, this, [this](bool renaming) {
                if (!renaming || !m_window.tree()->nameEditor())
                    return;
                connect(m_window.tree()->nameEditor(), &QLineEdit::textEdited, this,
                        [this](const QString &text) {
                            if (!cp1251CanEncode(text))
                                m_replacedWarned = false;
                        });
            }));
}

void FileCommands::autosave()
{
    m_window.session()->autosave([this](QFileDevice &file) {
        m_window.storeDescription(m_window.tree()->currentTheme(), false);
        return writeTree(&file, 0);
    });
}

void FileCommands::menuSaveFile()
{
    m_window.storeDescription(m_window.tree()->currentTheme(), true);
    if (m_window.fileName().isEmpty()) {
        menuFileOperation(SaveAs);
        return;
    }
    // Keeping the document in Unicode rewrites it at once: that save keeps every character.
    const DocumentSession::Saved saved = m_window.session()->save(
            [this](QFileDevice &file) {
                m_window.storeDescription(m_window.tree()->currentTheme(), true);
                return writeTree(&file, 0);
            },
            [this] { return warnAboutReplacedCharacters(); });
    if (saved == DocumentSession::Saved::AnotherName)
        menuFileOperation(SaveAs);
    if (saved == DocumentSession::Saved::AnotherName || saved == DocumentSession::Saved::Declined)
        return;
    if (saved == DocumentSession::Saved::Done)
        m_window.updateCaption(false);
    else if (saved == DocumentSession::Saved::Failed)
        Messages::warning(&m_window, Messages::warningCaption(), saveWithErrorText());
    if (saved != DocumentSession::Saved::CannotOpen)
        warnAboutReplacedCharacters();
    m_window.updateStatus();
}

bool FileCommands::emergencySave(QString &log)
{
    if (!m_window.errorSaveFile().isOpen()) {
        log += Messages::logForm(Messages::errorCaption(),
                                 tr("Cannot save file\nНет возможности сохранить файл"));
        return false;
    }
    log += Messages::logForm(Messages::errorCaption(),
                             tr("Unknown exception. It save data to file\nНеизвестное "
                                "исключение. Данные будут сохранены в файле\n") +
                                     m_window.errorSaveFile().fileName());
    // The name being typed is kept as the description being typed is.
    m_window.tree()->closeNameEditor();
    m_window.storeDescription(m_window.tree()->currentTheme(), true);
    const int result = m_window.session()->writeErrorSave([this, &log](QFileDevice &file) {
        const int written = m_window.writeDocument(&file, 0, &log, &m_saveReport);
        return written - m_window.detached()->writeRemovalRecords(file, log);
    });
    const QString text = result > 0 ? tr("Correct saving\nДанные сохранены успешно")
                                    : tr("It save data with errors\nДанные сохранены с "
                                         "ошибками\n (%1)")
                                              .arg(-result);
    log += Messages::logForm(Messages::messageCaption(), text);
    return result > 0;
}

void FileCommands::followingDocument()
{
    m_window.statusBar()->clearMessage();
    if (m_window.fileName().isEmpty())
        return;
    RecentDocuments::add(m_window.fileName());
    m_window.memory()->rememberDocument();
}

void FileCommands::outsideChanged()
{
    m_window.statusBar()->showMessage(
            tr("The file was changed outside BRW (Файл изменён вне BRW)"));
    // Asked at the next activation, never now: a box that comes while the user types would
    // take the next key as its answer.
}

void FileCommands::askReload()
{
    // Never in the middle of a load, a save, a close or another question: the window asks when
    // it is next activated.
    if (!m_window.session()->reloadPending() || m_window.isInputBlocked() ||
        m_window.session()->isClosing() || QApplication::activeModalWidget() ||
        !m_window.isVisible())
        return;
    m_window.session()->reloadAsked();
    if (!QFileInfo(m_window.fileName()).isFile())
        return; // nothing to reload: the next save asks before it writes the file again
    m_window.storeDescription(m_window.tree()->currentTheme(), false);
    // Text typed in a detached window is unsaved too; the error-save file keeps it as well.
    const bool detachedUnsaved = m_window.detached()->hasUnsavedText();
    const bool unsaved = m_window.isModified() || m_window.editor()->isEdited() || detachedUnsaved;
    QString text = tr("The file was changed outside BRW. Reload it?\nФайл изменён вне BRW. "
                      "Загрузить его заново?\n") +
                   m_window.fileName();
    if (unsaved)
        text += tr("\nYour unsaved changes go to\nВаши несохранённые изменения будут записаны "
                   "в файл\n") +
                m_window.errorSaveFile().fileName();
    if (detachedUnsaved)
        text += tr("\nThe texts of the detached windows go there too\nТексты отдельных окон "
                   "тоже будут записаны туда");
    if (Messages::warning(&m_window, Messages::warningCaption(), text, Messages::Buttons::YesNo) !=
        Messages::Answer::Yes)
        return;
    m_window.statusBar()->clearMessage();
    if (unsaved && !keepUnsavedChanges())
        return;
    loadChosenFile(Reopen, m_window.fileName());
}

bool FileCommands::keepUnsavedChanges()
{
    QString log;
    const bool kept = emergencySave(log);
    m_window.session()->keepErrorSaveFile();
    if (!kept)
        Messages::warning(&m_window, Messages::errorCaption(), log);
    return kept;
}

void FileCommands::addRecentDocumentsMenu()
{
    for (QAction *entry : m_window.menuBar()->actions()) {
        if (!entry->menu() || entry->menu()->title() != QLatin1String("&File"))
            continue;
        // Between the save commands and Exit, the last entry.
        QMenu *file = entry->menu();
        QAction *exit = file->actions().value(file->actions().size() - 1);
        RecentDocuments::addMenu(file, exit,
                                 [](const QString &path) { showNewWindow(path, "Main"); });
        file->insertSeparator(exit);
    }
}
