#pragma once

#include <QString>

#include <QHash>

class EditingCommands;
class Theme;
class ThemeDocument;

// Trees in a compact outline: "P(A,M+1(x),L-1(_))" is P with children A, M and L; M is the mark
// theme of group 1 with child x, L a link of group 1 showing the null item "_" (it does not hold
// the group's children). A description follows the name in brackets, "A[two\nlines]", and one
// without a name, "[text],A", is the root's; a theme written without one carries name + "-text"
// (links none).

// Builds the outline on a document, where a member written with "(_)" or "(_,...)" does not hold
// its group's children (the others are its own); gives the first theme of each name.
QHash<QString, Theme *> buildOutline(ThemeDocument &document, const QString &outline);
// The document below the root as it stands, in the same form; with descriptions, every theme's
// but a link's in brackets, and the root's in front when it has one.
QString outlineOf(const ThemeDocument &document, bool descriptions = false);
// The document's outline and what a paste would bring: "P(A,B)[for cut - A]".
QString outlineAndSource(const ThemeDocument &document, const EditingCommands &commands);
