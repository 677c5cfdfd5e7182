#pragma once

#include "storage/FileStamp.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>

// Reading a whole file before anything is built from it, so that a read that fails changes
// nothing: a FIFO, a device or a directory is refused before it could block or never end, the
// size the file system states is not trusted (/proc files say 0), and the limit holds while the
// bytes arrive. A file changed while it is read (cut short, grown, rewritten) is read again,
// so the bytes are always one whole state of the file.
namespace FileReading {

// Changing: the file changed during every one of the reads tried.
enum class Outcome { Read, CannotOpen, TooLarge, Changing };

struct Contents
{
    std::deque<QByteArray> pieces; // in order, each up to a megabyte
    qint64 size = 0;
    FileStamp stamp; // the file as it was read, from the descriptor read
};

[[nodiscard]] Outcome readWhole(const QString &fileName, qint64 limit, Contents &contents);

// How many times a file that changes while it is read is read.
constexpr int readAttempts = 3;

// Called after each piece read (tests change the file in the middle of a read with it); an
// empty function stops the calls.
void setPieceObserver(std::function<void()> observer);

// Whether the name reaches the file system as the bytes it was made from: a name decoded from
// bytes the system's encoding does not allow holds replacement characters and would name
// another file.
bool faithfulName(const QString &fileName);

// Whether nothing but a regular file (or nothing at all) is at the name, a link followed: a
// FIFO blocks the open itself, a device may never end or never take the bytes.
bool regularOrAbsent(const QString &fileName);
// Opens a regular file with the open(2) `flags` (and `mode` when it is created) without ever
// waiting: a FIFO, a device or a directory at the name is refused (-1). The descriptor is
// closed on exec; the caller closes it.
int openRegular(const QString &fileName, int flags, unsigned mode = 0600);

} // namespace FileReading
