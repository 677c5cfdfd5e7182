#pragma once

#include <QString>
#include <QStringList>

// The rules of the main window's file commands that need no window: the operation codes, their
// dialogs' captions and file types, and what a chosen file type means for the writer.
namespace FileOperations {

enum Operation {
    AppendFile = 1,        // insert a tree file under the current theme
    SaveAs = 2,            // save the whole tree; the name becomes the document's
    SaveBranch = 3,        // save the branch of the current theme
    Reopen = 4,            // open a tree file in this window
    Open = 5,              // open a tree file in a new window
    KeyHelp = 6,           // open the key help in a new window
    SaveTable = 7,         // save the branch as an HTML table
    SaveBranchStripped = 8 // save the branch without its hidden parts
};

bool isSaveType(int operation); // 2, 3, 7 and 8

// A regular file that opens for reading; the kind is checked first, as a FIFO blocks the open.
bool isReadableFile(const QString &path);

QString keyHelpName(); // "keyhelp.txt"

// The file types of the own dialog, the first one selected.
QStringList fileTypes(int operation);
// The single file type of the standard dialogs.
QString ordinaryType();

QString ownCaption(int operation, const QString &themeName);
QString standardCaption(int operation, const QString &themeName);

// The writer flags: those of the operation and those the chosen file type adds (none for the
// table, which has its own writer).
int writerFlags(int operation, const QString &type);
// The name with the file type's extension, unless it already ends with it (in any case).
QString withExtension(const QString &name, const QString &type);
// True for the file type that keeps the document in Unicode from now on.
bool isUnicodeType(const QString &type);
// True when flags write the whole document as it is (no structure-only file, no export).
bool isFullFormat(int flags);

// The texts of the questions and messages.
QString saveChangesQuestion(const QString &fileName);
QString insertQuestion(const QString &themeName);
QString replaceQuestion(const QString &fileName);
QString saveWithErrorText();
// The target of a save changed while the save wrote its new content, and was left as it is.
QString changedWhileSavedText(const QString &fileName);
QString errorSavingText();
QString replacedCharactersText(qint64 count, const QString &themeName);
// Follows the text above where the document could keep those characters in Unicode.
QString keepInUnicodeQuestion();

} // namespace FileOperations
