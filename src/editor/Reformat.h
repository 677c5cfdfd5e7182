#pragma once

#include <QString>

// The editor's three reformatting commands as pure text functions. Each takes the selected text
// (lines separated by line feeds) and returns its replacement, which starts with a Tab and ends
// with a line feed.
namespace Reformat {

// Paragraphs: single line breaks inside a paragraph become spaces, runs of blanks collapse, and
// one or more empty lines become one paragraph break (a line feed and a Tab).
QString reflowParagraphs(const QString &selected);

// The whole selection becomes one Tab-indented line with single spaces between its words.
QString oneParagraph(const QString &selected);

// Line breaks stay; every line starts with a Tab and loses its leading, trailing and repeated
// blanks. Lines of only blanks become empty.
QString normaliseLines(const QString &selected);

// A replacement that starts past column 0 gets a line feed in front, so that it begins a line.
QString placedAt(const QString &replacement, int startColumn);

} // namespace Reformat
