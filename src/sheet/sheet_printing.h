#pragma once
// Sending a document to one of the system's printers. On Linux through CUPS: the document
// is drawn as a PDF and handed to the print service, whose job number proves that the job
// was accepted. On Windows through Qt's printer, to the system's spooler.

#include <QString>
#include <variant>

#include "sheet/sheet.h"

namespace kvr {

// A job the print service accepted.
struct PrintJob {
    QString printer;
    QString job;     // "kvr-pdf-12", as the print service names it; empty where it names none
    QString warning; // what may keep it from coming out (a printer stopped), or empty
};

// Prints the document on printer, or on the system's default printer when printer is
// empty. A printer that is missing or that refuses the job, no default printer, or a print
// service that cannot be reached give why instead. Needs a QGuiApplication.
std::variant<PrintJob, QString> print_document(const Document& document, const QString& printer);

} // namespace kvr
