#pragma once

#include "storage/Outline.h"
#include "storage/SafeFile.h"

#include <QStringList>

#include <functional>
#include <optional>

class QFileDevice;
class QWidget;

// The exchange formats as files: their names on the command line, their file types in the
// dialogs, and reading and writing them the one safe way.
namespace OutlineFiles {

enum class Format { Opml, Markdown, Text, Pdf };

// "opml", "markdown", "text", "pdf"; nothing for another name.
std::optional<Format> formatNamed(const QString &name);
bool canImport(Format format); // all but PDF

// The dialogs' file types: the export types (PDF apart) and the import types, first selected.
QStringList exportTypes();
QStringList importTypes();
QString pdfType();
std::optional<Format> formatOfType(const QString &type);
// The name with the format's extension unless it already ends with one (in any case).
QString withExtension(const QString &name, Format format);

// Writes the outline into the open file; false when the file failed.
using Writer = std::function<bool(const OutlineNode &root, QFileDevice &file)>;

// The outline in the format, written through the safe save; a new file is no more open than
// `document`. A PDF needs the toolkit's fonts: its writer lives beside the windows
// (app/OutlinePrint.h), and `pdf` brings it.
[[nodiscard]] SafeFile::Result write(Format format, const OutlineNode &root, const QString &path,
                                     const QString &document, const Writer &pdf = {});
// Reads a file in the format. A file that cannot be read, or OPML that is not well-formed, is
// refused with "Cannot open file" naming the file (and the line of the fault) in a box.
[[nodiscard]] std::optional<OutlineNode> read(Format format, const QString &path, QWidget *parent);

} // namespace OutlineFiles
