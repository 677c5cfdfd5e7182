#include "app/Printing.h"

#include "app/OutlinePrint.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {

Printing::Responder &responder()
{
    static Printing::Responder installed;
    return installed;
}

} // namespace

namespace Printing {

void setResponder(Responder installed)
{
    responder() = std::move(installed);
}

bool print(QWidget *parent, const OutlineNode &root)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(root.name);
    if (responder()) {
        if (!responder()(printer))
            return false;
    } else {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    OutlinePrint::print(root, printer);
    return true;
}

} // namespace Printing
