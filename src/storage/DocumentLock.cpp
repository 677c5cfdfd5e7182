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
#include <unistd.h>

namespace {

// How many windows of this process hold each lock file.
QHash<QString, int> &holders()
{
    static QHash<QString, int> counts;
    return counts;
}

bool isAlive(const DocumentLock::Holder &holder)
{
    if (holder.host != DocumentLock::thisProgram().host)
        return true; // another machine's process cannot be asked
    return ::kill(pid_t(holder.pid), 0) == 0 || errno == EPERM;
}

QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

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

DocumentLock::Holder DocumentLock::holderOf(const QString &lockPath)
{
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> fields = file.read(512).trimmed().split(' ');
    bool number = false;
    const qint64 pid = fields.value(0).toLongLong(&number);
    if (!number || pid <= 0 || fields.size() != 2)
        return {}; // damaged: nobody holds it
    return {pid, QString::fromUtf8(fields[1])};
}

DocumentLock::Holder DocumentLock::acquire(const QString &document)
{
    release();
    const QString path = lockPathOf(document);
    if (holders().value(path) > 0) {
        ++holders()[path];
        m_path = path;
        return {};
    }
    // The whole content is written first and linked into place in one step, so nobody ever
    // reads a half-written lock, and two programs never both take a free one.
    const Holder self = thisProgram();
    QFile temporary(path + QLatin1Char('.') + QString::number(self.pid));
    QFile::remove(temporary.fileName());
    if (!PrivateFile::createNew(temporary, document))
        return {}; // a read-only folder
    const bool written = temporary.write(QString::number(self.pid).toUtf8() + ' ' +
                                         self.host.toUtf8() + '\n') > 0 &&
                         temporary.flush();
    temporary.close();
    bool locked = false;
    Holder other;
    if (written && ::link(local(temporary.fileName()), local(path)) == 0) {
        locked = true;
    } else if (written && errno == EEXIST) {
        other = holderOf(path);
        // A stale or damaged lock is replaced in one step.
        if (!other.isValid() || (other.pid == self.pid && other.host == self.host) ||
            !isAlive(other)) {
            locked = std::rename(local(temporary.fileName()), local(path)) == 0;
            other = {};
        }
    }
    temporary.remove();
    if (locked) {
        holders()[path] = 1;
        m_path = path;
    }
    return other;
}

void DocumentLock::release()
{
    if (m_path.isEmpty())
        return;
    if (--holders()[m_path] <= 0) {
        holders().remove(m_path);
        const Holder holder = holderOf(m_path);
        if (holder.pid == thisProgram().pid && holder.host == thisProgram().host)
            QFile::remove(m_path);
    }
    m_path.clear();
}

void DocumentLock::releaseAll()
{
    for (auto held = holders().cbegin(); held != holders().cend(); ++held)
        if (holderOf(held.key()).pid == thisProgram().pid)
            QFile::remove(held.key());
    holders().clear();
}
