#pragma once

#include <QList>
#include <QString>

// A lock file beside a document names every running program that has it open, one "pid host"
// line each, so that another program opening it can warn, and the lock goes only with the last
// of them. A holder of this host whose process is gone is stale and dropped; several windows of
// one process share one line. The lock is changed in place under an exclusive flock (readers
// take a shared one), so nobody reads it half written; a FIFO, a device or a link at its name
// is never opened.
class DocumentLock
{
public:
    struct Holder
    {
        qint64 pid = 0;
        QString host;
        bool isValid() const { return pid > 0; }
        bool operator==(const Holder &other) const = default;
    };

    // `self` is the program the lock names: this one (another one only in tests).
    explicit DocumentLock(const Holder &self = thisProgram());
    ~DocumentLock() { release(); }
    DocumentLock(const DocumentLock &) = delete;
    DocumentLock &operator=(const DocumentLock &) = delete;

    // Adds this program to the document's lock, releasing any earlier lock. Returns the first
    // other live program the lock names (invalid when there is none). A lock that only another
    // user may change and that names a live program is left alone. A folder that takes no lock
    // file is skipped quietly; a name that is no regular file is left alone and sets `refused`.
    Holder acquire(const QString &document, bool *refused = nullptr);
    void release();
    // Removes this process from every lock it holds: it is ending after an emergency save.
    static void releaseAll();

    static QString lockPathOf(const QString &document);
    static QList<Holder> holdersOf(const QString &lockPath);
    static Holder thisProgram();

private:
    Holder m_self;
    QString m_path;
};
