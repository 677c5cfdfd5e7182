#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

class QIODevice;
struct FileStamp;
class QWidget;
class Theme;
class ThemeDocument;

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

// How far a read or a write has come, for whoever shows it: `start` once with the total, then
// `advance` with values up to it. Either may be empty.
struct TreeProgress
{
    std::function<void(qint64 total)> start;
    std::function<void(qint64 value)> advance;
};

// The bytes of a file in pieces, in order. The reader keeps the descriptions in them and lets
// the rest of each piece go.
using TreeChunks = std::deque<QByteArray>;
// Bytes already in memory as one piece.
TreeChunks wholeBytes(const QByteArray &bytes);

// Reads a tree file below `target`, a theme of the document with no subthemes yet: the text
// before the first header becomes its description and "[|]" at depth 1 its date. The document
// takes the file's form and the link ids as the file gives them (settleGroups() numbers them).
// A second theme named "__reminder" (any when `reminderTaken`) gets a "~" in front of its name.
// A file of more than one piece is read by two threads, the second from a header line two
// fifths of the way in on.
struct TreeRead
{
    bool reminderRenamed = false; // a theme got a "~" in front of "__reminder"
    bool reminderRead = false;    // a theme named "__reminder" was read and kept its name
};
TreeRead readTree(ThemeDocument &document, Theme *target, TreeChunks chunks,
                  const TreeProgress &progress, bool reminderTaken);

// The warning after a read that renamed a theme "__reminder".
QString renamedReminderReport();

// The bytes of a tree file read whole, or nothing after a box (to `parent`) that says why: not
// a regular file, unreadable, larger than the limit, changing while it is read. `stamp`, when
// given, gets the state of the file that was read.
std::optional<TreeChunks> readTreeFileChunks(const QString &fileName, QWidget *parent,
                                             qint64 *size = nullptr, FileStamp *stamp = nullptr);

// Reads a tree file into a fresh document as a window opens it: the root dated at the program's
// start, the link groups settled, and the window's boxes (a renamed reminder theme, broken
// groups) shown to `parent`. False, after the box, when the file cannot be read whole.
bool readTreeFile(const QString &fileName, ThemeDocument &document, QWidget *parent);

// Writes the branch of `top` of the document (its root for a whole tree) into an open file or
// buffer: 1 when all was written, minus the error count (1000 for a failed write) otherwise.
// `inconsistent` counts one error without changing what is written (a tree caught in the middle
// of a change). Reports go to the log if given, else to boxes with `parent`.
int writeTree(const ThemeDocument &document, Theme *top, QIODevice *file, int flags,
              const TreeProgress &progress, QString *log, QWidget *parent, SaveReport *report,
              bool inconsistent = false);

// What writeTree writes, as a file written in UTF-8 holds it whatever the document's form: a copy
// that passes through memory keeps every character. A branch (SAVE_BRANCH) writes its group's
// subthemes as its own. `result` gets the writer's result.
QByteArray utf8Tree(ThemeDocument &document, Theme *top, int flags, QWidget *parent,
                    int *result = nullptr);

// Files above this size are refused rather than read into memory.
constexpr qint64 maxTreeFileSize = qint64(1) << 30;
