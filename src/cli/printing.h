#pragma once
// kvr-panel's --print and --printer: the document sent to a printer after any file is
// written, the job the print service accepted in the result, a refusal an exit code.

#include <QJsonValue>
#include <optional>

#include "cli/invocation.h"
#include "sheet/sheet_printing.h"

namespace kvr::cli {

struct Printing {
    std::optional<PrintJob> job; // nullopt: nothing printed
    ExitCode code = done;        // output_failed once the reason is printed
};

// Prints the document when the invocation asks for it; what is named what was not printed.
Printing print_if_asked(const Invocation& invocation, const Document& document,
                        const QString& what);

// "THE SHEET PRINTED ON kvr-pdf (JOB kvr-pdf-12)\n", or nothing when nothing was printed.
QString printed_line(const std::optional<PrintJob>& job, const QString& what);
// {"printer", "job"}, or null.
QJsonValue printed_json(const std::optional<PrintJob>& job);

} // namespace kvr::cli
