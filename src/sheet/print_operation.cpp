// Saving the commissioning sheet of what the window shows. The lists are read as they
// stand, without collecting them into write values: an incomplete selection is named on the
// sheet instead of stopping it, and nothing on the window changes.

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>

#include "files/configuration_file_io.h"
#include "form1.h"
#include "panel/panel_conversation.h"
#include "sheet/sheet.h"

using namespace kvr;

namespace {

const QString kPrintTitle = QStringLiteral("PRINT COMMISSIONING SHEET");
const QString kSheetFilter = QStringLiteral("PDF DOCUMENTS (*.pdf)|*.pdf");
// The file name proposed for a panel without a name: a bare ".pdf" would be a hidden file.
const QString kUnnamedSheet = QStringLiteral("COMMISSIONING SHEET");

} // namespace

void Form1::connect_sheet_printing() {
    const auto print = [this] { run_exclusively(&Form1::print_commissioning_sheet); };
    connect(new QShortcut(QKeySequence::Print, this), &QShortcut::activated, this, print);
    auto* picture = control<QLabel>("Image1");
    auto* action = new QAction(kPrintTitle + QStringLiteral("..."), picture);
    picture->addAction(action);
    picture->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(action, &QAction::triggered, this, print);

    // The operations set the source of what they load; only the operator's own changes
    // make the window differ from it. A panel holds no names, so naming what was read from
    // one changes nothing of it.
    const auto changed = [this](bool text) {
        if (!operation_running_ && (!text || source_holds_texts_)) changed_since_source_ = true;
    };
    for (QListWidget* list : findChildren<QListWidget*>())
        connect(list, &QListWidget::currentRowChanged, this, [changed] { changed(false); });
    for (QLineEdit* box : findChildren<QLineEdit*>())
        connect(box, &QLineEdit::textEdited, this, [changed] { changed(true); });

    const auto panel_source = [this] { return QStringLiteral("PANEL ON ") + panel_port(); };
    // From here on a read fills the window, so a read that then fails has left part of it.
    connect(conversation_, &PanelConversation::panel_identified, this, [this, panel_source] {
        if (conversation_->operation() == Operation::read)
            set_shown_source(panel_source() + QStringLiteral(" (READ NOT COMPLETED)"), false);
    });
    // A panel read in full, or programmed and verified, holds what the window shows.
    connect(conversation_, &PanelConversation::finished, this,
            [this, panel_source](Outcome outcome) {
                if (outcome == Outcome::succeeded) set_shown_source(panel_source(), false);
            });
}

void Form1::set_shown_source(const QString& source, bool holds_texts) {
    shown_source_ = source;
    source_holds_texts_ = holds_texts;
    changed_since_source_ = false;
}

QString Form1::shown_source() const {
    if (shown_source_.isEmpty()) return QStringLiteral("WINDOW (NOT SAVED)");
    if (changed_since_source_) return QStringLiteral("WINDOW, CHANGED SINCE ") + shown_source_;
    return shown_source_;
}

SheetContent Form1::sheet_from_window() {
    SheetContent content;
    content.panel_name = Text2->text();
    content.source = shown_source();
    content.drawn = QDateTime::currentDateTime();
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

void Form1::print_commissioning_sheet() {
    const QString name = Text2->text();
    const QString proposed = proposed_file_name(name.isEmpty() ? kUnnamedSheet : name, u".pdf");
    // The next sheet is proposed in the folder of the last one.
    sheet_dialog_.file_name = sheet_dialog_.file_name.isEmpty()
                                  ? proposed
                                  : QFileInfo(sheet_dialog_.file_name).dir().filePath(proposed);
    sheet_dialog_.filter = kSheetFilter;
    sheet_dialog_.title = kPrintTitle;
    if (!dialogs_.show_save(this, sheet_dialog_)) return;
    QString reason;
    if (write_sheet(sheet_from_window(), sheet_dialog_.file_name, &reason)) return;
    dialogs_.message_box(this,
                         QStringLiteral("THE COMMISSIONING SHEET WAS NOT SAVED:\n") +
                             QDir::toNativeSeparators(sheet_dialog_.file_name) + u'\n' + reason,
                         QStringLiteral("SHEET NOT SAVED"));
}
