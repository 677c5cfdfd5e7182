#pragma once

#include "storage/FileStamp.h"

#include <QFileSystemWatcher>
#include <QObject>

// Notices when a document's file is changed on disk by another hand: written, replaced by a
// rename, deleted or moved away. The window tells it when it last read or wrote the file itself,
// so its own saves are never taken for outside changes. The toolkit's watcher reports the
// changes: nothing is polled.
class OutsideChanges : public QObject
{
    Q_OBJECT
public:
    explicit OutsideChanges(QObject *parent);

    // The file as the window just read or wrote it, `stamp` taken from the file read or written
    // (not from the name afterwards, which may lead to another program's file by then); an
    // empty path follows nothing. A file no longer in that state is told as changed at once.
    void follow(const QString &path, const FileStamp &stamp);
    // True when the file on disk is not the one the window last read or wrote (gone, too).
    bool changedOnDisk() const;
    // Set while the window writes the file itself: what the watcher sees then is no outside
    // change (the window follows the file again once written).
    void setOwnWrite(bool writing) { m_ownWrite = writing; }
    // Looks at the file: a state neither known nor told yet is told.
    void check();

Q_SIGNALS:
    // Once per new state of the file on disk.
    void changed();

private:
    QFileSystemWatcher m_watcher;
    QString m_path;
    FileStamp m_known;    // as the window last read or wrote it
    FileStamp m_reported; // the last outside state told
    bool m_ownWrite = false;
};
