#include "storage/FileReading.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileReading {

namespace {

constexpr qint64 pieceSize = 1 << 20;

std::function<void()> &pieceObserver()
{
    static std::function<void()> observer;
    return observer;
}

// Appends pieces while `read(into, room)` gives bytes; a piece is filled before the next one
// starts, as /proc files give a few bytes a call.
template<typename Read>
Outcome readPieces(Read read, qint64 limit, Contents &contents)
{
    for (;;) {
        if (contents.pieces.empty() || contents.pieces.back().size() == pieceSize)
            contents.pieces.emplace_back();
        QByteArray &piece = contents.pieces.back();
        const qsizetype kept = piece.size();
        piece.resize(pieceSize);
        const qint64 got = read(piece.data() + kept, pieceSize - kept);
        piece.truncate(kept + qMax<qint64>(got, 0));
        if (got < 0)
            return Outcome::CannotOpen;
        contents.size += got;
        if (got > 0 && pieceObserver())
            pieceObserver()();
        if (contents.size > limit)
            return Outcome::TooLarge;
        if (got == 0)
            return Outcome::Read;
    }
}

} // namespace

bool faithfulName(const QString &fileName)
{
    return !fileName.contains(QChar::ReplacementCharacter) &&
           QFile::decodeName(QFile::encodeName(fileName)) == fileName;
}

Outcome readWhole(const QString &fileName, qint64 limit, Contents &contents)
{
    contents = {};
    const QFileInfo info(fileName);
    if (!faithfulName(fileName) || !info.isFile())
        return Outcome::CannotOpen;
    if (info.size() > limit)
        return Outcome::TooLarge;
#ifdef Q_OS_UNIX
    // Opened without waiting and checked again: the name may have become a FIFO meanwhile.
    const int descriptor =
            ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return Outcome::CannotOpen;
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return Outcome::CannotOpen;
    }
    FileStamp before = FileStamp::of(status);
    Outcome outcome = Outcome::Changing;
    for (int attempt = 0; attempt < readAttempts && outcome == Outcome::Changing; ++attempt) {
        contents = {};
        if (::lseek(descriptor, 0, SEEK_SET) != 0) {
            outcome = Outcome::CannotOpen;
            break;
        }
        outcome = readPieces(
                [descriptor](char *into, qint64 room) {
                    ssize_t got;
                    do
                        got = ::read(descriptor, into, size_t(room));
                    while (got < 0 && errno == EINTR);
                    return qint64(got);
                },
                limit, contents);
        // Cut short, grown or rewritten meanwhile: the bytes may belong to two states.
        const FileStamp after = FileStamp::ofDescriptor(descriptor);
        if (outcome == Outcome::Read && !(after == before))
            outcome = Outcome::Changing;
        contents.stamp = before = after;
    }
    ::close(descriptor);
#else
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Outcome::CannotOpen;
    const Outcome outcome = readPieces(
            [&file](char *into, qint64 room) { return file.read(into, room); }, limit, contents);
    contents.stamp = FileStamp::ofPath(fileName);
#endif
    if (outcome != Outcome::Read)
        contents = {};
    return outcome;
}

void setPieceObserver(std::function<void()> observer)
{
    pieceObserver() = std::move(observer);
}

bool regularOrAbsent(const QString &fileName)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode);
#else
    const QFileInfo info(fileName);
    return !info.exists() || info.isFile();
#endif
}

#ifdef Q_OS_UNIX
int openRegular(const QString &fileName, int flags, unsigned mode)
{
    const int descriptor = ::open(QFile::encodeName(fileName).constData(),
                                  flags | O_NONBLOCK | O_CLOEXEC, mode_t(mode));
    struct stat status;
    if (descriptor >= 0 && (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(descriptor);
        errno = EINVAL;
        return -1;
    }
    // Reads and writes of the regular file then wait as usual.
    if (descriptor >= 0)
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}
#endif

} // namespace FileReading
