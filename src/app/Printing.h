#pragma once

#include <functional>

class QPrinter;
class QWidget;
struct OutlineNode;

// The one road to the printer: the print dialog where the platform has one, then the outline on
// the chosen printer. Tests install a responder that sets the printer up in place of the dialog.
namespace Printing {

// Returns true to print with the printer as it has set it up, false to cancel.
using Responder = std::function<bool(QPrinter &printer)>;
// An empty responder restores the real dialog.
void setResponder(Responder responder);

// False when the user cancelled.
bool print(QWidget *parent, const OutlineNode &root);

} // namespace Printing
