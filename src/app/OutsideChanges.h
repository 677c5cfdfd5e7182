#pragma once

#include <QFileSystemWatcher>
#include <QObject>

#include <sys/stat.h>

// Notices when a document's file is changed on disk by another hand: written, replaced by a
// rename, deleted or moved away. The window tells it when it last read or wrote the file itself,
// so its own saves are never taken for outside changes. The toolkit's watcher reports the
// changes: nothing is polled.
class OutsideChanges : public QObject
{
    Q_OBJECT
public:
    explicit OutsideChanges(QObject *parent);

    // The file as the window just read or wrote it; an empty path follows nothing.
    void follow(const QString &path);
    // True when the file on disk is not the one the window last read or wrote (gone, too).
    bool changedOnDisk() const;
    // Set while the window writes the file itself: what the watcher sees then is no outside
    // change (the window follows the file again once written).
    void setOwnWrite(bool writing) { m_ownWrite = writing; }

Q_SIGNALS:
    // Once per new state of the file on disk.
    void changed();

private:
    struct Stamp
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const Stamp &other) const;
    };
    static Stamp stampOf(const QString &path);
    void check();

    QFileSystemWatcher m_watcher;
    QString m_path;
    Stamp m_known;    // as the window last read or wrote it
    Stamp m_reported; // the last outside state told
    bool m_ownWrite = false;
};
