#pragma once

#include "common/TextCodec.h"

#include <QString>

class ColorListViewItem;
class LinkListView;

// The pieces the tree writer puts around themes in its HTML page and its MIME text. Both
// declare the character set they are written in.
namespace ExportParts {

// "<HTML>", a head that names the character set, "<BODY>", each on its own line.
QString htmlPageStart(TextEncoding encoding = TextEncoding::Cp1251);
// The MIME header of the whole text, and the header in front of every part.
QString mimeHeader();
QString mimePartHeader(TextEncoding encoding = TextEncoding::Cp1251);
// The text with a space in front of every line that would read as the boundary, so that a
// MIME reader finds exactly one part per theme.
QString mimeSafeText(QString text);

// The outline number of a theme: its parent's followed by its own sibling number and ".";
// empty for a theme without a sibling number (a link theme).
QString outlineNumber(const QString &parentOutline, const ColorListViewItem *theme);

// The bold anchor of a theme after its header: "<a name=\"N\"><b>" outline " " name "</b></a>".
QString htmlAnchor(const ColorListViewItem *theme, const QString &outline);

// One line per subtheme of `theme` (the holder's subthemes for a member of a link group), then
// one "\n"; empty without subthemes or for a link theme. A link theme is listed in italics with
// "L" for its number, as a hyperlink only when its mark theme lies strictly below `top`.
// Needs the numbering pass of the view.
QString htmlLinkList(LinkListView &view, ColorListViewItem *theme, const QString &outline,
                     ColorListViewItem *top);

} // namespace ExportParts
