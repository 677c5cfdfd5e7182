#pragma once

#include "storage/HtmlTable.h"
#include "storage/Outline.h"
#include "storage/TreeFile.h"

#include <QDateTime>

#include <memory>
#include <optional>

class ColorListViewItem;
class LinkListView;
class QProgressBar;
class Theme;
class ThemeDocument;

// The tree of the window and the document model, while the window still holds its themes as
// rows: a copy of the rows as a document for the writer, and rows built from a document read.
namespace ViewDocument {

// The view's document as a file holds it: every theme but the placeholder rows of links, with
// its link groups and the member holding each group's subthemes, in the view's text form. The
// current theme's description is the one being edited; a link that is `top` carries the text
// it shows. `topCopy` gets the copy of `top`.
std::unique_ptr<ThemeDocument> snapshot(LinkListView &view, ColorListViewItem *top,
                                        Theme **topCopy);

// Appends the subthemes of `source` below `target` as rows, in the order a file gives them,
// each named, dated and joined to its link group through the view's primitives.
void buildRows(LinkListView &view, const Theme *source, ColorListViewItem *target);

} // namespace ViewDocument

// Writes the tree (or the current branch) into an open file or buffer. Returns 1 when all was
// written, 0 when the tree never became stable within 10 s (nothing written), and minus the
// error count (1000 for a failed write) otherwise. Reports go to the log if given, else to boxes.
int saveTree(LinkListView &view, QIODevice *file, int flags, QProgressBar *progress, QString *log,
             SaveReport *report = nullptr);

// The branch of `theme` written for a copy that passes through memory (a generated tree, a
// theme dragged into another window): in UTF-8 whatever the document's form, so that every
// character passes (the reader takes the form from the mark). The current theme stays as it is.
// Returns what saveTree returns.
int saveBranchInUtf8(LinkListView &view, ColorListViewItem *theme, QIODevice *file);

// Reads a tree file into the view, in place of the tree or (LOAD_INSERT) under the current
// theme. False, with a box and nothing changed, when the file cannot be read whole (not a
// regular file, unreadable, larger than the limit, changing while it is read); an empty name
// does nothing and gives true. `stamp`, when given, gets the state of the file that was read.
bool loadTree(LinkListView &view, const QString &fileName, int flags, QProgressBar *progress,
              FileStamp *stamp = nullptr);

// The reader's work on bytes already read; `name` names the theme that LOAD_INSERT creates.
void loadTreeBytes(LinkListView &view, const QByteArray &bytes, const QString &name,
                   const QDateTime &modified, int flags, QProgressBar *progress);

// The window's side of the HTML table.
namespace HtmlTable {

// The themes below `root` in preorder. Each theme is first made the holder of its link group;
// one whose group is held by an ancestor counts as having no subthemes.
std::vector<Entry> branchOf(LinkListView &view, ColorListViewItem *root);
int write(LinkListView &view, ColorListViewItem *root, QIODevice *file, QWidget *parent,
          SaveReport *report = nullptr);

} // namespace HtmlTable

// The window's side of the outlines.
namespace OutlineAdapter {

// The branch of the current theme, or the whole document (named `documentName`) when the root
// is current. Nothing when the tree never became stable (the writer has said so).
std::optional<OutlineNode> branchOf(LinkListView &view, const QString &documentName);

// The outline in place of the tree, or (LOAD_INSERT) as a new theme under the current theme,
// named `name` and dated with the root's date, in one undo step, as a file is inserted.
void load(LinkListView &view, const OutlineNode &root, const QString &name, int flags,
          QProgressBar *progress);

} // namespace OutlineAdapter
