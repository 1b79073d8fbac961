#pragma once
// The commissioning sheet: one A4 page that an installer leaves with a panel, showing the
// panel face with what each switch and LED does, every function's module and channel, and
// the intensities. Drawn with Qt GUI's painter alone, so a QGuiApplication suffices, and
// QT_QPA_PLATFORM=offscreen where there is no display.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include <QDateTime>
#include <QString>

#include "configuration/configuration.h"
#include "files/configuration_file.h"

class QPainter;
class QPagedPaintDevice;

namespace kvr {

struct SheetFunction {
    // What the sheet names the function by: a switch's or LED's designation; for the
    // backlighting and the dimming input, a description of it.
    QString designation;
    // The assignment code; nullopt when the window had no module or channel chosen, which
    // the sheet names as an incomplete selection.
    std::optional<std::int16_t> code;
};

// Where and by whom the panel was commissioned: the caller fills it (the window's dialog,
// kvr-panel's options); an empty field is left blank to be written in by hand.
struct SheetSite {
    QString site;
    QString room; // room or location
    QString job;  // job number
    QString installer;
    QString company;
};

// The proof that a panel held this configuration, from the commissioning log: the caller
// looks it up, so the sheet stays free of the log.
struct SheetStamp {
    QDateTime when;         // converted to UTC on the sheet
    QString device;         // with "(PSEUDO-TERMINAL)" after it when it was one
    QString adapter;        // the adapter's description, when the system gave one
    QString source_file;    // the name of the file the values came from; empty: no file
    bool programmed = true; // written and read back; false: a verify found it matching
    // The file's bytes changed after the entry (designations are not on the panel).
    bool labels_changed_since = false;
};

// What the commissioning log says of the panel, as the caller was told it; the sheet only
// draws it.
struct SheetVerdict {
    enum class Status : std::uint8_t { proven, not_proven, unknown };
    Status status = Status::not_proven;
    QString reason;                  // one line that says why, in capitals
    std::optional<SheetStamp> stamp; // the entry a proof rests on
};

struct SheetContent {
    QString panel_name;
    // Where the configuration came from: a file path (shown by the file's name alone), or a
    // text like "PANEL ON /dev/ttyUSB0".
    QString source;
    // The model tag of the file it came from, shown with the source as the file's
    // compatibility note; empty when it came from no file (a panel).
    QString file_tag = QString::fromLatin1(kvr::model_tag.data(), kvr::model_tag.size());
    QDateTime drawn;
    // In the order of kFunctions: SW1..SW10, LED1..LED10, BACKLIGHT, DIMMING.
    std::array<SheetFunction, kFunctionCount> functions;
    // Intensity codes, indexed by Intensity (backlighting, indicator, dimmed).
    std::array<std::int16_t, 3> intensity_codes{};
    SheetSite site;
    SheetVerdict verdict;
};

// What the sheet names the backlighting (kBacklighting) and the dimming input (kDimming)
// by: they have no designation of their own.
QString lighting_designation(int function);

// The sheet of a configuration, its texts decoded from Windows-1252.
SheetContent sheet_content(const Configuration& configuration, const QString& source,
                           const QDateTime& drawn);

// Paints the sheet on the painter's current page, which must be A4 portrait measured from
// the paper's corner (no margins: a QPrinter needs setFullPage(true)). A designation still
// at its start text is left blank.
void paint_sheet(QPainter& painter, const SheetContent& content);

// Writes the sheet as a one-page PDF. The file at pdf_path is replaced only once the new
// one is complete; on failure it is left as it was, and error (when given) says why. A
// target that is not a regular file, or that is read-only, is refused.
// Needs a QGuiApplication.
bool write_sheet(const SheetContent& content, const QString& pdf_path, QString* error);

// Writes a PDF of A4 portrait pages, each painted by paint_page (numbered from 0), with
// write_sheet's care for the file at pdf_path. Needs a QGuiApplication.
bool write_pdf(const QString& pdf_path, const QString& title, int page_count,
               const std::function<void(QPainter& painter, int page)>& paint_page, QString* error);

// A document of A4 portrait pages measured from the paper's corner, as the sheet and the
// pack are: what a PDF is written from and a printer is sent.
struct Document {
    QString title;
    int page_count = 0;
    std::function<void(QPainter& painter, int page)> paint_page; // pages numbered from 0
};

// The one page of a sheet.
Document sheet_document(const SheetContent& content);

// Paints every page of the document on device (a PDF writer, a printer set up for A4 with
// no margins). Why it could not, or nothing.
std::optional<QString> paint_document(QPagedPaintDevice& device, const Document& document);

} // namespace kvr
