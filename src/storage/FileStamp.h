#pragma once

#include <QString>

#include <sys/stat.h>

// What tells one state of a file from another: the device and inode (a rename over the name
// brings another file), the size, and the modification and change times. Tools that copy or
// sync files set the modification time back; nobody can set the change time back, so a rewrite
// that keeps the size and the old modification time still shows.
struct FileStamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileStamp of(const struct stat &status);
    // The file the name leads to now (a symbolic link is followed); none when there is no file.
    static FileStamp ofPath(const QString &path);
    // The file open on the descriptor, whatever name it has now.
    static FileStamp ofDescriptor(int descriptor);

    // The same file, whatever its state.
    bool sameFile(const FileStamp &other) const
    {
        return exists && other.exists && device == other.device && inode == other.inode;
    }
    bool operator==(const FileStamp &other) const;
};
