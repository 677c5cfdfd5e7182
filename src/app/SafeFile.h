#pragma once

#include <QString>

// Small file-system steps that make a save durable: the document on disk is replaced only by a
// complete, flushed copy.
namespace SafeFile {

// The path a save must replace: a symbolic link is followed, so the link stays a link.
QString saveTargetOf(const QString &path);
// Flushes the directory entry of a file that was just renamed into place.
bool syncDirectoryOf(const QString &path);
// Flushes an open file descriptor's data to the disk.
bool syncDescriptor(int descriptor);
// Replaces `to` by `from` in one step (the old `to`, if any, is gone only once `from` is there).
bool replaceFile(const QString &from, const QString &to);

} // namespace SafeFile
