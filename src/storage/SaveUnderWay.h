#pragma once

#include <QString>

// A save that rewrites a file in place first puts the whole new content into a copy, then leaves
// a note beside the copy naming the file (by device and inode, so every name of it counts) and
// removes the note once the file is whole. A note found later means that save never ended: the
// copy holds the file's complete text. A copy without a note is nobody's proof of anything.
namespace SaveUnderWay {

QString notePathOf(const QString &copy);
// Notes, durably, that `copy` holds the complete new text of `target`; false when no note could
// be made (the save goes on: only the notice after a kill is lost).
bool begin(const QString &copy, const QString &target);
void end(const QString &copy);
// Whether a save of `document` left `copy` behind unfinished.
bool isCopyOf(const QString &copy, const QString &document);

} // namespace SaveUnderWay
