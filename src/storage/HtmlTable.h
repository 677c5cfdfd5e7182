#pragma once

#include "common/TextCodec.h"

#include <QString>

#include <vector>

class QIODevice;
class QWidget;
class Theme;
class ThemeDocument;
struct SaveReport;

// The HTML table of a branch: one column per level below the branch root, one row per leaf;
// every theme stands in the column of its level, in the first row of its block of leaves.
namespace HtmlTable {

// Beyond this many themes a branch makes no table.
constexpr size_t maxThemes = 5'000'000;

struct Entry
{
    int depth; // 1 for a subtheme of the branch root
    QString name;
};

// The table text for the themes of a branch in preorder; empty when there is nothing to lay
// out (or the grid would be too large to hold). Cells left and right of the themes are empty;
// names are escaped.
QString layout(const std::vector<Entry> &preorder, TextEncoding encoding = TextEncoding::Cp1251);

// The themes below `root` of a document read and not shown, in preorder: each theme takes its
// group's subthemes when the walk meets it, as a row of the window would, and "Cannot exchange
// contents" is reported (to `parent`) for a member whose group is held inside its own branch.
std::vector<Entry> branchOf(const ThemeDocument &document, Theme *root, QWidget *parent);

// Writes the table of the themes (those of `root`) into the open file in one piece, in the
// document's form, with the line ends as they stand. 1 when the file took it all; 0 after the
// "Unexpected error" box (nothing to lay out) or a short write. `report` counts the characters
// written as 0x1A and names the first theme that had one.
int write(const std::vector<Entry> &preorder, TextEncoding encoding, QIODevice *file,
          QWidget *parent, SaveReport *report = nullptr);
int write(const ThemeDocument &document, Theme *root, QIODevice *file, QWidget *parent,
          SaveReport *report = nullptr);

} // namespace HtmlTable
