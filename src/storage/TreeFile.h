#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class LinkListView;
class QIODevice;
struct FileStamp;
class QProgressBar;

// Writer flags; bits combine.
enum SaveFlags {
    SAVE_BRANCH = 1,       // the branch of the current theme
    SAVE_STRUCTURE = 2,    // header lines only
    SAVE_HTML = 4,         // HTML page
    SAVE_PALM = 8,         // MIME text for a handheld organiser
    SAVE_STRIP_HIDDEN = 16 // without the <hidden>...</hidden> parts of descriptions
};

// Reader flags.
enum LoadFlags {
    LOAD_INSERT = 1 // insert the file under the current theme as a new theme named after it
};

// What a save had to change: characters CP1251 lacks are written as 0x1A.
struct SaveReport
{
    qint64 replaced = 0;
    QString firstThemeReplaced; // the name of the first theme that had such a character
};

// Writes the tree (or the current branch) into an open file or buffer. Returns 1 when all was
// written, 0 when the tree never became stable within 10 s (nothing written), and minus the
// error count (1000 for a failed write) otherwise. Reports go to the log if given, else to boxes.
int saveTree(LinkListView &view, QIODevice *file, int flags, QProgressBar *progress, QString *log,
             SaveReport *report = nullptr);

// The current branch written for a copy that passes through memory (a generated tree, a theme
// dragged into another window): in UTF-8 whatever the document's form, so that every character
// passes (the reader takes the form from the mark). Returns what saveTree returns.
int saveBranchInUtf8(LinkListView &view, QIODevice *file);

// Reads a tree file into the view, in place of the tree or (LOAD_INSERT) under the current
// theme. False, with a box and nothing changed, when the file cannot be read whole (not a
// regular file, unreadable, larger than the limit, changing while it is read); an empty name
// does nothing and gives true. `stamp`, when given, gets the state of the file that was read.
bool loadTree(LinkListView &view, const QString &fileName, int flags, QProgressBar *progress,
              FileStamp *stamp = nullptr);

// The reader's work on bytes already read; `name` names the theme that LOAD_INSERT creates.
void loadTreeBytes(LinkListView &view, const QByteArray &bytes, const QString &name,
                   const QDateTime &modified, int flags, QProgressBar *progress);

// Files above this size are refused rather than read into memory.
constexpr qint64 maxTreeFileSize = qint64(1) << 30;
