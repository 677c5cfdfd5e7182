#pragma once

#include <QStringList>

class QWidget;

// A save that rewrites the document in place (its folder takes no new file, it has a second
// hard link) first puts the complete text into a copy: the autosave file beside it, or a copy in
// the user's data folder, with a note naming the document. Killed in between, it leaves the
// document cut short and the copy and its note behind. These are such copies of this document
// that differ from it; never a copy of another document, nor one whose save ended.
QStringList interruptedSaveCopies(const QString &document);
// Tells the user about them, naming each copy.
void noticeInterruptedSave(QWidget *parent, const QString &document);
