#pragma once

#include "common/Messages.h"
#include "common/TextCodec.h"
#include "storage/TreeFile.h"

#include <QDir>
#include <QObject>
#include <QUrl>

class Brambleweb;
class QFileDevice;
class QIODevice;

// The window's file commands: open, reopen, insert, save, save as, save a branch or a table, the
// key help, the autosave and the emergency save; and the document on disk: changes made outside
// the program and the list of recent documents. The files themselves are the document session's.
class FileCommands : public QObject
{
    Q_OBJECT
public:
    explicit FileCommands(Brambleweb &window);

    const QDir &openDir() const { return m_openDir; }
    const QDir &saveDir() const { return m_saveDir; }
    void setOpenDir(const QDir &directory) { m_openDir = directory; }
    void setSaveDir(const QDir &directory) { m_saveDir = directory; }

    // Writes the tree with the status bar's progress bar; the writer's result.
    int writeTree(QFileDevice *file, int flags);
    // Writes the HTML table of the current theme's branch; 1 when complete, else 0.
    int writeTable(QIODevice *file);
    // Writes the tree into the error-save file after a fatal signal and reports into the log;
    // false when the file does not hold the whole tree.
    bool emergencySave(QString &log);
    // Asks, once, whether to reload a document changed outside; called on activation.
    void askReload();
    // A second of the window's clock: counts unsaved seconds and autosaves when they are due.
    void countSecond();
    Messages::Answer askSaveChanges();
    bool askBeforeFileOperation(int operation);
    void loadChosenFile(int operation, const QString &name);
    // Between the save commands and Exit of the "&File" menu.
    void addRecentDocumentsMenu();
    // The document on disk: the session follows the file anew.
    void followingDocument();
    void outsideChanged();

public Q_SLOTS:
    void menuNewFile();
    void menuSaveFile();
    // The codes are FileOperations::Operation.
    void menuFileOperation(int operation);
    void menuFileOperationGUI(int operation);
    void menuAppendFile();
    void menuSaveAsFile();
    void menuSaveBranch();
    void menuReopenFile();
    void menuOpenFile();
    void menuKeyHelp();
    void menuSaveTable();
    void menuAppendFileGUI();
    void menuSaveAsFileGUI();
    void menuSaveBranchGUI();
    void menuReopenFileGUI();
    void menuOpenFileGUI();
    void menuSaveTableGUI();
    void autosave();

private:
    QString keyHelpPath() const;
    void watchForUnencodableInput();
    bool openKeyHelp(const QString &path);
    // Writes in `encoding`, which stays the document's form when the file becomes the document.
    bool saveChosenFile(int operation, const QString &name, int flags, bool standardDialog,
                        TextEncoding encoding);
    // True when the user chose to keep the document in Unicode from now on.
    bool warnAboutReplacedCharacters();
    // Writes the unsaved tree into the error-save file, which then stays beside the document.
    bool keepUnsavedChanges();

    Brambleweb &m_window;
    QDir m_openDir;
    QDir m_saveDir;
    QUrl m_keyHelpUrl;
    SaveReport m_saveReport;         // of the last writeTree
    bool m_replacedWarned = false;   // the user was told of characters written as 0x1A
    bool m_unencodableTyped = false; // the last change of the editor brought such a character
};
