#pragma once

#include "storage/Outline.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// The exchange formats of other outliners, each written from and read into an outline. A
// reader that refuses its input leaves the outline alone and says why in `error`.
namespace Opml {

// OPML 2.0 in UTF-8: a theme is an <outline text=...> with its description in "_note" and its
// date in "created"; the root's name is the head's title. A link theme is written as a copy of
// its group's subtree, and our own attributes mark the group so that read() restores it.
QByteArray write(const OutlineNode &root);
// The same onto a device a piece at a time; false when the device refused one.
[[nodiscard]] bool write(const OutlineNode &root, QIODevice &device);
// Any well-formed OPML; what is not well-formed is refused with the line it fails on.
[[nodiscard]] bool read(const QByteArray &bytes, OutlineNode &root, QString &error);

// Dates as OPML writes them (RFC 822: "Mon, 07 Mar 2005 00:00:00 GMT"); an unreadable text
// gives an invalid date.
QString rfc822Date(const QDate &date);
QDate parseRfc822Date(QStringView text);

} // namespace Opml

namespace Markdown {

// Themes as headings down to level 6, deeper ones as nested list items; descriptions as text
// under them, escaped so that every character reads back as written.
QByteArray write(const OutlineNode &root);
OutlineNode read(const QByteArray &bytes);

QString escaped(const QString &line);
QString unescaped(const QString &line);

} // namespace Markdown

namespace IndentedText {

// One theme name a line, a tab a level; no descriptions.
QByteArray write(const OutlineNode &root);
OutlineNode read(const QByteArray &bytes);

} // namespace IndentedText
