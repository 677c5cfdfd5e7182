#pragma once

#include "storage/Outline.h"

class QIODevice;
class QPagedPaintDevice;
class QTextDocument;

// A document or branch on paper: the root's name as the title, then every theme as a heading
// numbered by its place ("2.1.3. Plans") with its description below it.
namespace OutlinePrint {

// The outline laid out for printing; the caller owns the document.
QTextDocument *layOut(const OutlineNode &root);
// Prints on a printer or a PDF writer.
void print(const OutlineNode &root, QPagedPaintDevice &device);
// A PDF file of the outline, written into the open device; false when the device failed.
[[nodiscard]] bool writePdf(const OutlineNode &root, QIODevice &device);

} // namespace OutlinePrint
