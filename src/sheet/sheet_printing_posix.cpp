// Printing through CUPS: the document as a PDF file, handed to the print service, which
// gives the job a number once it has accepted it. Qt's own printer would hand CUPS the same
// PDF but keep to itself whether CUPS took it.
#include "sheet/sheet_printing.h"

#include <QStringList>
#include <QTemporaryDir>
#include <cups/cups.h>
#include <memory>

namespace kvr {
namespace {

constexpr int kConnectMilliseconds = 10000;

struct DestinationFree {
    void operator()(cups_dest_t* destination) const { cupsFreeDests(1, destination); }
};
using Destination = std::unique_ptr<cups_dest_t, DestinationFree>;

QString last_error() {
    return QString::fromUtf8(cupsLastErrorString());
}

// "kvr-pdf, office", or what says there are none.
QString printers_present() {
    cups_dest_t* destinations = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &destinations);
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QString::fromUtf8(destinations[i].name);
    cupsFreeDests(count, destinations);
    return names.isEmpty()
               ? QStringLiteral("the system has no printer set up")
               : QStringLiteral("the printers are: ") + names.join(QStringLiteral(", "));
}

// Why the printer named (none: the default) cannot be had. A print service that does not
// answer has every printer look missing: it is named first.
QString why_no_destination(const QString& printer) {
    http_t* connection = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                                      1, kConnectMilliseconds, nullptr);
    if (!connection)
        return QStringLiteral("the print service (CUPS at %1) cannot be reached: is it running?")
            .arg(QString::fromUtf8(cupsServer()));
    httpClose(connection);
    const ipp_status_t status = cupsLastError();
    if (status != IPP_STATUS_OK && status != IPP_STATUS_ERROR_NOT_FOUND)
        return QStringLiteral("the print service did not answer: ") + last_error();
    if (printer.isEmpty())
        return QStringLiteral("no printer named and no default printer set (--printer NAME "
                              "names one; %1)")
            .arg(printers_present());
    return QStringLiteral("there is no printer %1 (%2)").arg(printer, printers_present());
}

QString option(const cups_dest_t& destination, const char* name) {
    return QString::fromUtf8(cupsGetOption(name, destination.num_options, destination.options));
}

// A stopped printer accepts jobs and keeps them until it is started again.
QString stopped_warning(const cups_dest_t& destination) {
    if (option(destination, "printer-state").toInt() != IPP_PSTATE_STOPPED) return {};
    const QString message = option(destination, "printer-state-message");
    return QStringLiteral("printer %1 is stopped: the job waits in its queue until it is "
                          "started again%2")
        .arg(QString::fromUtf8(destination.name),
             message.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(message));
}

} // namespace

std::variant<PrintJob, QString> print_document(const Document& document, const QString& printer) {
    // "name/instance" names an instance of a printer, with options of its own.
    const QByteArray name = printer.section(u'/', 0, 0).toUtf8();
    const QByteArray instance = printer.section(u'/', 1).toUtf8();
    const Destination destination(
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.isEmpty() ? nullptr : name.constData(),
                         instance.isEmpty() ? nullptr : instance.constData()));
    if (!destination) return why_no_destination(printer);

    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("document.pdf"));
    QString error;
    if (!folder.isValid())
        return QStringLiteral("no temporary folder to draw the document in: ") +
               folder.errorString();
    if (!write_pdf(pdf, document.title, document.page_count, document.paint_page, &error))
        return QStringLiteral("the document was not drawn: ") + error;
    const int job = cupsPrintFile2(
        CUPS_HTTP_DEFAULT, destination->name, QFile::encodeName(pdf).constData(),
        document.title.toUtf8().constData(), destination->num_options, destination->options);
    const QString printer_name = QString::fromUtf8(destination->name);
    if (job == 0)
        return QStringLiteral("printer %1 did not accept the job: %2")
            .arg(printer_name, last_error());
    return PrintJob{printer_name, QStringLiteral("%1-%2").arg(printer_name).arg(job),
                    stopped_warning(*destination)};
}

} // namespace kvr
