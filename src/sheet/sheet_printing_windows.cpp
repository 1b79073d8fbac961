// Printing through Qt's printer to the Windows spooler, which takes the pages as they are
// painted and refuses them at the start when it cannot print.
#include "sheet/sheet_printing.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace kvr {

std::variant<PrintJob, QString> print_document(const Document& document, const QString& printer) {
    const QPrinterInfo info =
        printer.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printer);
    if (info.isNull())
        return printer.isEmpty()
                   ? QStringLiteral("no printer named and no default printer set (--printer "
                                    "NAME names one; the printers are: %1)")
                         .arg(QPrinterInfo::availablePrinterNames().join(QStringLiteral(", ")))
                   : QStringLiteral("there is no printer %1").arg(printer);
    QPrinter device(info, QPrinter::HighResolution);
    device.setFullPage(true);
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setDocName(document.title);
    if (const std::optional<QString> failure = paint_document(device, document))
        return QStringLiteral("printer %1 did not accept the job: %2")
            .arg(info.printerName(), *failure);
    return PrintJob{info.printerName(), {}, {}};
}

} // namespace kvr
