#pragma once

#include "storage/TreeFile.h"

#include <memory>

// A tree file read whole on a thread of its own from the moment this is made, so that the bytes
// arrive while a window is still being built. The bytes taken are those of the file as it is
// when they are taken: a file changed after the read is read again then.
class TreeFileRead
{
public:
    explicit TreeFileRead(const QString &fileName);
    ~TreeFileRead(); // waits for the read
    TreeFileRead(const TreeFileRead &) = delete;
    TreeFileRead &operator=(const TreeFileRead &) = delete;

    const QString &fileName() const { return m_fileName; }
    // What readTreeFileChunks gives, boxes included; once.
    std::optional<TreeChunks> take(QWidget *parent, qint64 *size, FileStamp *stamp);

private:
    struct Reading;
    QString m_fileName;
    std::unique_ptr<Reading> m_reading;
};
