// Printing and saving the commissioning sheet of what the window shows. The lists are read
// as they stand, without collecting them into write values: an incomplete selection is
// named on the sheet instead of stopping it, and nothing on the window changes.

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QSettings>
#include <QTime>

#include "files/configuration_file_io.h"
#include "form1.h"
#include "panel/panel_conversation.h"
#include "records/sheet_records.h"
#include "sheet/sheet.h"
#include "site/site_file.h"

using namespace kvr;

namespace {

const QString kPrintTitle = QStringLiteral("PRINT COMMISSIONING SHEET");
const QString kSaveTitle = QStringLiteral("SAVE COMMISSIONING SHEET AS PDF");
const QString kSheetFilter = QStringLiteral("PDF DOCUMENTS (*.pdf)|*.pdf");
// The file name proposed for a panel without a name: a bare ".pdf" would be a hidden file.
const QString kUnnamedSheet = QStringLiteral("COMMISSIONING SHEET");
const QString kReadNotCompleted = QStringLiteral(" (READ NOT COMPLETED)");

QString panel_source(const QString& port) {
    return QStringLiteral("PANEL ON ") + port;
}
// The settings that carry who commissions from one sheet, and one run, to the next.
const QString kInstallerKey = QStringLiteral("sheet/installer");
const QString kCompanyKey = QStringLiteral("sheet/company");

} // namespace

void Form1::connect_sheet_printing() {
    auto* picture = control<QLabel>("Image1");
    picture->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const auto& [title, run] : {std::pair{kPrintTitle, &Form1::print_commissioning_sheet},
                                     {kSaveTitle, &Form1::save_commissioning_sheet}}) {
        auto* action = new QAction(title + QStringLiteral("..."), picture);
        picture->addAction(action);
        connect(action, &QAction::triggered, this, [this, run] { run_exclusively(run); });
    }

    // From here on a read fills the window, so a read that then fails has left part of it.
    // A comparison leaves the window and its source as they are.
    connect(conversation_, &PanelConversation::panel_identified, this, [this] {
        if (conversation_->operation() == Operation::read && !comparing())
            set_shown_source(panel_source(panel_port()) + kReadNotCompleted, false);
    });
}

// A panel read in full, or programmed and verified, holds what the window shows; one whose
// read stopped holds what the read left on it.
void Form1::follow_panel_source(const ConversationResult& result) {
    const bool read = result.operation == Operation::read;
    if (result.succeeded()) {
        set_shown_source(panel_source(panel_port()), false);
        if (!read) show_programmed_line();
    } else if (read && source_.name == panel_source(panel_port()) + kReadNotCompleted) {
        set_shown_source(source_.name, false);
    }
}

// The file the installer works on stays named after a write: "LOBBY.kcf, programmed on
// /dev/ttyUSB0 at 14:02"; none once a read has replaced what the window showed of it.
void Form1::show_programmed_line() {
    const QString file = source_.file.isEmpty()
                             ? QString()
                             : QFileInfo(source_.file).fileName() + QStringLiteral(", ");
    source_.line = file + QStringLiteral("programmed on %1 at %2")
                              .arg(panel_port(), QTime::currentTime().toString(u"HH:mm"));
    show_source_line();
}

void Form1::set_shown_source(const QString& source, bool holds_texts) {
    source_.name = source;
    source_.line =
        holds_texts ? QFileInfo(source).fileName() : QStringLiteral("panel on ") + panel_port();
    source_.holds_texts = holds_texts;
    // The bytes as they are now, just opened or saved: what a write from them is logged with.
    source_.sha256 = holds_texts ? records::file_sha256(source).value_or(QString()) : QString();
    source_.values = configuration_shown();
    show_source_line();
}

bool Form1::changed_since_source() const {
    if (!source_.values) return false;
    Configuration shown = configuration_shown();
    if (!source_.holds_texts) {
        shown.panel_name = source_.values->panel_name;
        shown.designations = source_.values->designations;
    }
    return shown != *source_.values;
}

QString Form1::shown_source() const {
    if (source_.name.isEmpty()) return QStringLiteral("WINDOW (NOT SAVED)");
    // A file by its name: the folder it sat in on this laptop means nothing on site.
    const QString name = source_.holds_texts ? QFileInfo(source_.name).fileName() : source_.name;
    if (changed_since_source()) return QStringLiteral("WINDOW, CHANGED SINCE ") + name;
    return name;
}

records::Verdict Form1::window_verdict() const {
    records::CommissioningLog log(log_path_);
    // Designations typed since the file are not what was there when the panel was proven.
    const QString file = source_.holds_texts ? source_.name : QString();
    return records::verdict_in_folder(log, configuration_shown(), file, source_.sha256, nullptr,
                                      changed_since_source());
}

SheetContent Form1::sheet_from_window() {
    SheetContent content;
    content.panel_name = Text2->text();
    content.source = shown_source();
    content.drawn = QDateTime::currentDateTime();
    content.site = sheet_site_;
    content.verdict = records::sheet_verdict(window_verdict());
    // The file's compatibility note, when what is shown came from a file.
    if (!source_.holds_texts || source_.name.isEmpty()) content.file_tag.clear();
    for (int f = 0; f < kFunctionCount; ++f) {
        const QLineEdit* box = functions_[f].designation;
        content.functions[f] = {box ? box->text() : lighting_designation(f), listed_code(f)};
    }
    for (const Intensity which :
         {Intensity::Backlighting, Intensity::Indicator, Intensity::Dimmed}) {
        const QListWidget* list = intensity_list(which);
        const int row = list->currentRow();
        content.intensity_codes[static_cast<std::size_t>(which)] =
            row < 0 ? intensity_code(which) : item_value(list, row);
    }
    return content;
}

// The site of this sheet: the last one's answers proposed, installer and company also from
// the last run; for a file in a site's folder, what its site.json says, and the answers go
// back into it. False when the operator cancels.
bool Form1::ask_sheet_site() {
    QSettings settings;
    if (sheet_site_.installer.isEmpty())
        sheet_site_.installer = settings.value(kInstallerKey).toString();
    if (sheet_site_.company.isEmpty()) sheet_site_.company = settings.value(kCompanyKey).toString();
    const QFileInfo file(source_.holds_texts ? source_.name : QString());
    const bool in_site = !source_.name.isEmpty() && source_.holds_texts &&
                         QFileInfo::exists(file.dir().filePath(site::kSiteFileName));
    QString error;
    const site::SiteFile site_file =
        in_site ? site::read_site_file(file.absolutePath(), &error) : site::SiteFile{};
    SheetSite site = sheet_site_;
    if (in_site && error.isEmpty()) {
        site = site::sheet_site(site_file, file.fileName());
        if (site.installer.isEmpty()) site.installer = sheet_site_.installer;
        if (site.company.isEmpty()) site.company = sheet_site_.company;
    }
    if (!dialogs_.ask_site(this, site)) return false;
    sheet_site_ = site;
    settings.setValue(kInstallerKey, site.installer);
    settings.setValue(kCompanyKey, site.company);
    if (in_site && error.isEmpty())
        error = site::write_site_file(file.absolutePath(),
                                      site::with_sheet_site(site_file, file.fileName(), site))
                    .value_or(QString());
    if (in_site && !error.isEmpty())
        dialogs_.message_box(this, QStringLiteral("THE SITE FILE WAS NOT READ OR SAVED:\n") + error,
                             QStringLiteral("SITE FILE"));
    return true;
}

void Form1::print_commissioning_sheet() {
    if (!ask_sheet_site()) return;
    const Document sheet = sheet_document(sheet_from_window());
    // The sheet is laid out on A4 from the paper's corner; the dialog proposes it so.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setDocName(sheet.title);
    if (!dialogs_.choose_printer(this, printer)) return;
    std::optional<QString> failure = paint_document(printer, sheet);
    if (!failure && printer.printerState() == QPrinter::Error)
        failure = QStringLiteral("the printer reported an error");
    if (!failure) return;
    const QString target = printer.outputFileName().isEmpty()
                               ? printer.printerName()
                               : QDir::toNativeSeparators(printer.outputFileName());
    dialogs_.message_box(this,
                         QStringLiteral("THE COMMISSIONING SHEET WAS NOT PRINTED:\n") + target +
                             u'\n' + *failure,
                         QStringLiteral("SHEET NOT PRINTED"));
}

void Form1::save_commissioning_sheet() {
    const QString name = Text2->text();
    const QString proposed = proposed_file_name(name.isEmpty() ? kUnnamedSheet : name, u".pdf");
    // In the folder of the file last opened or saved, else of the last sheet.
    sheet_dialog_.file_name = !last_file_.isEmpty() || sheet_dialog_.file_name.isEmpty()
                                  ? in_last_folder(proposed)
                                  : QFileInfo(sheet_dialog_.file_name).dir().filePath(proposed);
    sheet_dialog_.filter = kSheetFilter;
    sheet_dialog_.title = kSaveTitle;
    if (!ask_sheet_site() || !dialogs_.show_save(this, sheet_dialog_)) return;
    QString reason;
    if (write_sheet(sheet_from_window(), sheet_dialog_.file_name, &reason)) return;
    dialogs_.message_box(this,
                         QStringLiteral("THE COMMISSIONING SHEET WAS NOT SAVED:\n") +
                             QDir::toNativeSeparators(sheet_dialog_.file_name) + u'\n' + reason,
                         QStringLiteral("SHEET NOT SAVED"));
}
