#include "cli/printing.h"

#include <QJsonObject>

#include "cli/output.h"

namespace kvr::cli {

Printing print_if_asked(const Invocation& invocation, const Document& document,
                        const QString& what) {
    if (!invocation.print) return {};
    const auto printed = print_document(document, invocation.printer);
    if (const QString* failure = std::get_if<QString>(&printed)) {
        print_error(QStringLiteral("%1 was not printed: %2").arg(what, *failure));
        return {std::nullopt, output_failed};
    }
    const PrintJob& job = std::get<PrintJob>(printed);
    if (!job.warning.isEmpty()) print_error(job.warning);
    return {job, done};
}

QString printed_line(const std::optional<PrintJob>& job, const QString& what) {
    if (!job) return {};
    const QString number =
        job->job.isEmpty() ? QString() : QStringLiteral(" (JOB %1)").arg(job->job);
    return QStringLiteral("%1 PRINTED ON %2%3\n").arg(what.toUpper(), job->printer, number);
}

QJsonValue printed_json(const std::optional<PrintJob>& job) {
    if (!job) return QJsonValue();
    return QJsonObject{{"printer", job->printer}, {"job", job->job}};
}

} // namespace kvr::cli
