#pragma once

#include <QFile>
#include <QString>

// Files made from a document's contents (its error-save and autosave copies, the temporary files
// of its saves, branches and exports written from it, its lock file) are never open to anyone the
// document itself keeps out.
namespace PrivateFile {

// The permissions of a new file made from `document`: the owner reads and writes it, group and
// others get at most the read and write bits they have on the document, and the umask narrows
// them further. With no document, or none on disk, the owner's bits only.
QFile::Permissions permissionsFor(const QString &document);

// Creates the file's name as a new file with those permissions, opened with `mode`. An existing
// name, a symbolic link included, is never opened.
bool createNew(QFile &file, const QString &document,
               QIODevice::OpenMode mode = QIODevice::WriteOnly);

} // namespace PrivateFile
