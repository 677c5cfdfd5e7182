#pragma once

#include <QString>

// A lock file beside a document says which running program has it open, so that a second
// program opening it can warn. It holds "pid host". A lock of this host whose process is gone is
// stale and taken over; several windows of one process share one lock.
class DocumentLock
{
public:
    struct Holder
    {
        qint64 pid = 0;
        QString host;
        bool isValid() const { return pid > 0; }
    };

    DocumentLock() = default;
    ~DocumentLock() { release(); }
    DocumentLock(const DocumentLock &) = delete;
    DocumentLock &operator=(const DocumentLock &) = delete;

    // Locks the document for this process, releasing any earlier lock. Returns the other live
    // program that holds it (no lock is taken then); a folder that takes no lock file is
    // skipped quietly (no holder either).
    Holder acquire(const QString &document);
    void release();
    // Removes every lock of this process: the process is ending after an emergency save.
    static void releaseAll();

    static QString lockPathOf(const QString &document);
    static Holder holderOf(const QString &lockPath);
    static Holder thisProgram();

private:
    QString m_path;
};
