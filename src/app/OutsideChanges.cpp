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

void OutsideChanges::follow(const QString &path, const FileStamp &stamp)
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
    m_known = m_reported = path.isEmpty() ? FileStamp() : stamp;
    // A change between the read or write and now came before the watcher looked.
    check();
}

bool OutsideChanges::changedOnDisk() const
{
    return !m_path.isEmpty() && !(FileStamp::ofPath(m_path) == m_known);
}

void OutsideChanges::check()
{
    if (m_path.isEmpty() || m_ownWrite)
        return;
    const FileStamp now = FileStamp::ofPath(m_path);
    if (now.exists && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
    if (now == m_known || now == m_reported)
        return;
    m_reported = now;
    Q_EMIT changed();
}
