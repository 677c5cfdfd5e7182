#include "storage/DocumentLock.h"

#include "storage/PrivateFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Holder = DocumentLock::Holder;
using Holders = QList<Holder>;

// How many windows of this process hold each lock file, under which name of this program.
struct Held
{
    QString path;
    Holder self;
    int windows = 0;
};
QHash<QString, Held> &heldLocks()
{
    static QHash<QString, Held> held;
    return held;
}

QString keyOf(const QString &path, const Holder &self)
{
    return path + QLatin1Char('\n') + QString::number(self.pid);
}

bool isAlive(const Holder &holder)
{
    if (holder.host != DocumentLock::thisProgram().host)
        return true; // another machine's process cannot be asked
    return ::kill(pid_t(holder.pid), 0) == 0 || errno == EPERM;
}

QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray linesOf(const Holders &holders)
{
    QByteArray text;
    for (const Holder &holder : holders)
        text += QByteArray::number(holder.pid) + ' ' + holder.host.toUtf8() + '\n';
    return text;
}

// Damaged lines name nobody.
Holders parse(const QByteArray &text)
{
    Holders holders;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        bool number = false;
        const qint64 pid = fields.value(0).toLongLong(&number);
        if (number && pid > 0 && fields.size() == 2)
            holders.append({pid, QString::fromUtf8(fields[1])});
    }
    return holders;
}

// Another program holds the flock only while it changes the lock: a little waiting, never more.
bool flockSoon(int descriptor, int operation)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::flock(descriptor, operation | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        ::usleep(10000);
    }
    return false;
}

QByteArray readAll(int descriptor)
{
    QByteArray text(64 * 1024, Qt::Uninitialized);
    const ssize_t size = ::pread(descriptor, text.data(), size_t(text.size()), 0);
    text.truncate(size < 0 ? 0 : qsizetype(size));
    return text;
}

// A regular lock file opened without waiting, never through a link; -1 otherwise, with errno
// ELOOP for anything that is no regular file.
int openLock(const QString &path, int flags)
{
    const int descriptor = ::open(local(path), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat status;
    if (descriptor >= 0 && (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(descriptor);
        errno = ELOOP;
        return -1;
    }
    return descriptor;
}

enum class Access { Changed, Absent, Unwritable, NotAFile, Busy };

// Changes the list of holders in place under an exclusive flock; an empty list removes the
// file. A lock removed or replaced while waiting for the flock is opened again.
Access change(const QString &path, const std::function<void(Holders &)> &edit)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int descriptor = openLock(path, O_RDWR);
        if (descriptor < 0)
            return errno == ENOENT                                       ? Access::Absent
                   : errno == EACCES || errno == EROFS || errno == EPERM ? Access::Unwritable
                                                                         : Access::NotAFile;
        struct stat opened, named;
        if (!flockSoon(descriptor, LOCK_EX)) {
            ::close(descriptor);
            return Access::Busy;
        }
        if (::fstat(descriptor, &opened) != 0 || ::lstat(local(path), &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            ::close(descriptor);
            continue;
        }
        Holders holders = parse(readAll(descriptor));
        edit(holders);
        const QByteArray text = linesOf(holders);
        if (holders.isEmpty())
            ::unlink(local(path));
        else if (::ftruncate(descriptor, 0) != 0 ||
                 ::pwrite(descriptor, text.constData(), size_t(text.size()), 0) != text.size())
            ::unlink(local(path)); // a lock that says nothing whole is no lock
        ::close(descriptor);
        return Access::Changed;
    }
    return Access::Busy;
}

// The lock with this program alone, written whole first and then linked into place (only when
// the name is free) or renamed over a lock nobody live holds.
bool place(const QString &path, const Holder &self, const QString &document, bool replace)
{
    QFile temporary(path + QLatin1Char('.') + QString::number(self.pid));
    QFile::remove(temporary.fileName());
    if (!PrivateFile::createNew(temporary, document))
        return false; // a read-only folder
    const QByteArray text = linesOf({self});
    const bool written = temporary.write(text) == text.size() && temporary.flush();
    temporary.close();
    const bool placed =
            written && (replace ? std::rename(local(temporary.fileName()), local(path)) == 0
                                : ::link(local(temporary.fileName()), local(path)) == 0);
    const int error = errno;
    temporary.remove();
    errno = error; // EEXIST: another program was quicker
    return placed;
}

void dropSelfAndStale(Holders &holders, const Holder &self)
{
    holders.removeIf([&self](const Holder &holder) { return holder == self || !isAlive(holder); });
}

} // namespace

DocumentLock::DocumentLock(const Holder &self)
    : m_self(self)
{}

DocumentLock::Holder DocumentLock::thisProgram()
{
    return {QCoreApplication::applicationPid(), QSysInfo::machineHostName()};
}

QString DocumentLock::lockPathOf(const QString &document)
{
    // Beside the file a link points to, where every program opening the document looks.
    const QFileInfo info(document);
    const QString canonical = info.canonicalFilePath();
    const QFileInfo target(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
    return target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() +
                                         QStringLiteral(".lock"));
}

QList<DocumentLock::Holder> DocumentLock::holdersOf(const QString &lockPath)
{
    const int descriptor = openLock(lockPath, O_RDONLY);
    if (descriptor < 0)
        return {};
    const Holders holders = flockSoon(descriptor, LOCK_SH) ? parse(readAll(descriptor)) : Holders();
    ::close(descriptor);
    return holders;
}

DocumentLock::Holder DocumentLock::acquire(const QString &document, bool *refused)
{
    release();
    if (refused)
        *refused = false;
    const QString path = lockPathOf(document);
    Held &held = heldLocks()[keyOf(path, m_self)];
    if (held.windows > 0) {
        ++held.windows;
        m_path = path;
        Holders holders = holdersOf(path); // every window is told of the other programs
        dropSelfAndStale(holders, m_self);
        return holders.value(0);
    }
    heldLocks().remove(keyOf(path, m_self));
    Holder other;
    bool locked = false;
    for (int attempt = 0; attempt < 10 && !locked; ++attempt) {
        switch (change(path, [&](Holders &holders) {
            dropSelfAndStale(holders, m_self);
            other = holders.value(0);
            holders.append(m_self);
        })) {
        case Access::Changed:
            locked = true;
            break;
        case Access::Absent:
            locked = place(path, m_self, document, false);
            if (!locked && errno != EEXIST)
                return {};
            break;
        case Access::Unwritable: {
            // Another user's lock: this program cannot add itself, only replace a stale one.
            Holders holders = holdersOf(path);
            dropSelfAndStale(holders, m_self);
            if (!holders.isEmpty())
                return holders.first();
            locked = place(path, m_self, document, true);
            if (!locked)
                return {};
            break;
        }
        case Access::NotAFile:
            if (refused)
                *refused = true;
            return {};
        case Access::Busy:
            return {};
        }
    }
    if (locked) {
        heldLocks().insert(keyOf(path, m_self), {path, m_self, 1});
        m_path = path;
    }
    return other;
}

void DocumentLock::release()
{
    if (m_path.isEmpty())
        return;
    const QString key = keyOf(m_path, m_self);
    if (--heldLocks()[key].windows <= 0) {
        heldLocks().remove(key);
        const Holder self = m_self;
        change(m_path, [&self](Holders &holders) { dropSelfAndStale(holders, self); });
    }
    m_path.clear();
}

void DocumentLock::releaseAll()
{
    // The table itself stays: the process ends next, and freeing it after a crash could wait for
    // ever on an allocator lock the crash left held.
    for (const Held &held : std::as_const(heldLocks())) {
        const Holder self = held.self;
        change(held.path, [&self](Holders &holders) { dropSelfAndStale(holders, self); });
    }
}
