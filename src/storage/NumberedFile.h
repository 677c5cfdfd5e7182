#pragma once

#include <QFile>
#include <QString>

// The numbered side files of a document: its error-save file ("doc.brw1") and its autosave copy
// ("autosave.1"). A program holds each of its own (a shared flock on the open file) for as long
// as it uses the name, so that a later start can tell an empty one left by a program that ended
// without removing it (a kill, a power cut) from one in use, and take its number again: the 99
// numbers never run out.
namespace NumberedFile {

// How long an empty file must have lain unchanged before it counts as left behind: a start that
// has just made it takes its hold within that time.
constexpr int leftAfterSeconds = 60;

// Creates base + N with the smallest N from 1 to 99 whose name is free, or taken by an empty
// file left behind (removed first), no more open than `document`. On success `file` is that
// file, open for writing and held until it is closed; otherwise it keeps its old name, closed.
// An existing file, a link or anything held is never opened for writing: it may be someone's
// data.
bool create(QFile &file, const QString &base, const QString &document);

// Removes the file at `path` when it is an empty regular file of this user, unchanged for
// leftAfterSeconds, that no program holds. True when it was removed.
bool removeIfLeft(const QString &path);

} // namespace NumberedFile
