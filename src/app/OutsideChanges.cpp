#include "app/OutsideChanges.h"

#include "common/Assertions.h"

#include <QFileInfo>

OutsideChanges::OutsideChanges(QObject *parent)
    : QObject(parent)
{
    CONNECT_ASSERT(
            connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &OutsideChanges::check));
    // A file replaced by a rename, or deleted, drops out of the file list; its folder still
    // tells when a file of that name comes back.
    CONNECT_ASSERT(connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
                           &OutsideChanges::check));
}

bool OutsideChanges::Stamp::operator==(const Stamp &other) const
{
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

OutsideChanges::Stamp OutsideChanges::stampOf(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true, status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

void OutsideChanges::follow(const QString &path)
{
    const QString folder = path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    if (path != m_path) {
        if (!m_watcher.files().isEmpty())
            m_watcher.removePaths(m_watcher.files());
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        if (!path.isEmpty())
            m_watcher.addPaths({path, folder});
        m_path = path;
    } else if (!path.isEmpty() && !m_watcher.files().contains(path)) {
        m_watcher.addPath(path); // written anew after a rename or a deletion
    }
    m_known = m_reported = stampOf(path);
}

bool OutsideChanges::changedOnDisk() const
{
    return !m_path.isEmpty() && !(stampOf(m_path) == m_known);
}

void OutsideChanges::check()
{
    if (m_path.isEmpty() || m_ownWrite)
        return;
    const Stamp now = stampOf(m_path);
    if (now.exists && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
    if (now == m_known || now == m_reported)
        return;
    m_reported = now;
    Q_EMIT changed();
}
