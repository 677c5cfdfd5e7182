#pragma once

#include "common/TextCodec.h"

#include <QHash>
#include <QString>

class Theme;
class ThemeDocument;

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

// The numbers of a theme in the HTML page: its anchor counts every theme but links in the order of
// the file, its sibling number counts within its list; both are 0 for a link.
struct ThemeNumbers
{
    int anchor = 0;
    int sibling = 0;
};
using Numbering = QHash<const Theme *, ThemeNumbers>;
Numbering numberThemes(const ThemeDocument &document);

// The outline number of a theme: its parent's followed by its own sibling number and ".";
// empty for a theme without a sibling number (a link theme).
QString outlineNumber(const QString &parentOutline, const ThemeNumbers &numbers);

// The bold anchor of a theme after its header: "<a name=\"N\"><b>" outline " " name "</b></a>".
QString htmlAnchor(const Theme *theme, const ThemeNumbers &numbers, const QString &outline);

// One line per subtheme of `theme` (the holder's subthemes for a member of a link group), then
// one "\n"; empty without subthemes or for a link theme. A link theme is listed in italics with
// "L" for its number, as a hyperlink only when its mark theme lies strictly below `top`.
QString htmlLinkList(const ThemeDocument &document, const Numbering &numbering, Theme *theme,
                     const QString &outline, Theme *top);

} // namespace ExportParts
