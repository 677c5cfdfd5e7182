#pragma once

#include "common/Messages.h"

#include <QString>

#include <functional>

class QFileDevice;
struct FileStamp;

// Saving a file so that a crash, a kill or a failed write never leaves the user without a
// complete copy of the old or the new content.
namespace SafeFile {

// Writes the whole new content into the open file; false when something failed (the writer
// reports its own failures).
using Writer = std::function<bool(QFileDevice &file)>;

// ChangedOutside: the target changed while the new content was written, and was left as it was.
enum class Result { Saved, CannotOpen, Failed, ChangedOutside };

// Saves `path` with what `write` produces; a symbolic link is followed, so it stays a link.
// Usually a complete, synced temporary file beside the target replaces it in one step. Where
// that cannot be done or would break something (the directory is not writable, the file has
// more than one hard link or belongs to someone else), the file is rewritten in place: the new
// content first goes complete into `safeCopy` (itself replaced in one step), then into the file,
// synced. With an empty `safeCopy`, or one that cannot be written, the copy is a file of the
// target's name in the user's data folder, removed again once the target is written; a note
// beside the copy says whose it is while the target is written (SaveUnderWay). When a failed
// write may have damaged the target, a report names the copy that holds the content. A target
// that is no regular file (a FIFO, a device) is refused (CannotOpen) before anything is made.
// A file the save creates is no more open than `document`, whose contents it holds (an
// existing file keeps its mode). The target is replaced only while it is still the file the save
// found at its start: what another program wrote meanwhile is never overwritten. `written` gets
// the state of the file written, taken from that file itself, so a change that comes right after
// the save still shows as a change.
// The reports go to `report`, each an error the user must see.
using Reporter = std::function<void(const QString &text)>;
[[nodiscard]] Result save(const QString &path, const Writer &write, const Reporter &report,
                          const QString &safeCopy = QString(), const QString &document = QString(),
                          FileStamp *written = nullptr);
// The same with the reports in error boxes. Inline, so that code linking no box never needs it.
[[nodiscard]] inline Result save(const QString &path, const Writer &write,
                                 const QString &safeCopy = QString(),
                                 const QString &document = QString(), FileStamp *written = nullptr)
{
    const auto box = [](const QString &text) {
        Messages::report(nullptr, nullptr, Messages::errorCaption(), text);
    };
    return save(path, write, box, safeCopy, document, written);
}

// The moments around the target's change: its new content is complete (the target is checked
// right after), and it is in place.
enum class Step { Written, Replaced };
// Called at those moments (tests change the file there); an empty function stops the calls.
void setStepObserver(std::function<void(Step)> observer);

// "Cannot open file for write", bilingual, followed by the path.
QString cannotOpenText(const QString &path);

// The path a save must replace: a symbolic link is followed, so the link stays a link.
QString saveTargetOf(const QString &path);
// Flushes the directory entry of a file that was just renamed into place.
bool syncDirectoryOf(const QString &path);
// Flushes an open file descriptor's data to the disk.
bool syncDescriptor(int descriptor);
// Replaces `to` by `from` in one step (the old `to`, if any, is gone only once `from` is there).
bool replaceFile(const QString &from, const QString &to);
// Whether save() rewrites `path` in place, and where it keeps the copy it makes itself then.
bool rewritesInPlace(const QString &path);
QString dataFolderCopyPath(const QString &path);

} // namespace SafeFile
