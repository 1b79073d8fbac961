#include "as_found_list.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "files/configuration_file_io.h"
#include "form1.h"

using namespace kvr;

namespace {

const QString kReportTitle = QStringLiteral("SAVE AS-FOUND REPORT");
const QString kReportFilter = QStringLiteral("PDF DOCUMENTS (*.pdf)|*.pdf");
const char* const kHeadings[] = {"FUNCTION", "DESIGNATION", "FILE", "PANEL", "AS LEFT"};
constexpr QString AsFoundRow::*kCells[] = {&AsFoundRow::function, &AsFoundRow::designation,
                                           &AsFoundRow::file_value, &AsFoundRow::found_value,
                                           &AsFoundRow::left_value};

QString heading_text(const AsFoundReport& report) {
    const std::size_t count = report.differences.size();
    const QString found = count == 0   ? QStringLiteral("SWITCH PANEL MATCHES")
                          : count == 1 ? QStringLiteral("SWITCH PANEL DIFFERS IN 1 PLACE")
                                       : QStringLiteral("SWITCH PANEL DIFFERS IN %1 PLACES").arg(count);
    return QStringLiteral("%1\n%2 ON %3").arg(found, report.file, report.port);
}

} // namespace

AsFoundList::AsFoundList(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Tool), dialogs_(dialogs), heading_(new QLabel(this)),
      table_(new QTableWidget(0, int(std::size(kHeadings)), this)), as_left_(new QLabel(this)),
      save_(new QPushButton(QStringLiteral("AS-FOUND REPORT..."), this)) {
    setObjectName(QStringLiteral("AS_FOUND_LIST"));
    setWindowTitle(QStringLiteral("AS FOUND"));
    table_->setObjectName(QStringLiteral("AS_FOUND_TABLE"));
    QStringList headings;
    for (const char* heading : kHeadings)
        headings.append(QString::fromLatin1(heading));
    table_->setHorizontalHeaderLabels(headings);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    heading_->setObjectName(QStringLiteral("AS_FOUND_HEADING"));
    as_left_->setObjectName(QStringLiteral("AS_LEFT"));
    as_left_->setWordWrap(true);
    save_->setObjectName(QStringLiteral("AS_FOUND_REPORT"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(table_);
    layout->addWidget(as_left_);
    layout->addWidget(save_, 0, Qt::AlignRight);
    connect(save_, &QPushButton::clicked, this, &AsFoundList::save_report);
}

void AsFoundList::show_comparison(const AsFoundReport& report, const Configuration& shown) {
    report_ = report;
    shown_ = shown;
    show_rows();
    if (isHidden()) {
        // Under the main window, where the site window (beside it) is not; beside it, at its
        // foot, only when the screen has no room below.
        const QRect main = parentWidget()->frameGeometry();
        resize(560, 300);
        const QRect screen = parentWidget()->screen()->availableGeometry();
        if (main.bottom() + 8 + height() <= screen.bottom())
            move(main.left(), main.bottom() + 8);
        else
            move(main.right() + 8, main.bottom() - height());
        show();
    }
}

void AsFoundList::show_as_left(const AsLeft& as_left, const std::optional<PanelValues>& left,
                               const Configuration& shown) {
    if (!report_) return;
    set_as_left(*report_, as_left, left);
    shown_ = shown;
    show_rows();
}

void AsFoundList::window_changed(const Configuration& shown) {
    if (report_ && shown != shown_) forget();
}

void AsFoundList::forget() {
    report_.reset();
    table_->setRowCount(0);
    hide();
}

void AsFoundList::show_rows() {
    heading_->setText(heading_text(*report_));
    table_->setRowCount(int(report_->differences.size()));
    for (int row = 0; row < table_->rowCount(); ++row)
        for (int column = 0; column < table_->columnCount(); ++column)
            table_->setItem(row, column,
                            new QTableWidgetItem(report_->differences[std::size_t(row)].*kCells[column]));
    table_->resizeColumnsToContents();
    as_left_->setText(as_left_text(report_->as_left));
}

void AsFoundList::save_report() {
    if (!report_) return;
    const QString name = report_->panel_name.isEmpty() ? QStringLiteral("AS FOUND")
                                                       : report_->panel_name + QStringLiteral(" AS FOUND");
    const QString folder = QFileInfo(dialog_.file_name).path();
    dialog_.file_name = dialog_.file_name.isEmpty()
                            ? proposed_file_name(name, u".pdf")
                            : QDir(folder).filePath(proposed_file_name(name, u".pdf"));
    dialog_.filter = kReportFilter;
    dialog_.title = kReportTitle;
    if (!dialogs_.show_save(this, dialog_)) return;
    QString reason;
    // The report is an output: it never takes the place of a configuration file.
    if (dialog_.file_name.endsWith(QLatin1String(".kcf"), Qt::CaseInsensitive))
        reason = QStringLiteral("A CONFIGURATION FILE (.kcf) IS NOT REPLACED BY A REPORT");
    else if (write_as_found_report(*report_, dialog_.file_name, &reason))
        return;
    dialogs_.message_box(this,
                         QStringLiteral("THE AS-FOUND REPORT WAS NOT SAVED:\n") +
                             QDir::toNativeSeparators(dialog_.file_name) + u'\n' + reason,
                         QStringLiteral("REPORT NOT SAVED"));
}

// ---- The main window's side ----

void Form1::as_found_event(AsFoundEvent event) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (event == AsFoundEvent::compared && panel_values_ && job_.compared) {
        if (!as_found_) as_found_ = new AsFoundList(dialogs_, this);
        AsFoundReport report = as_found_report(*job_.compared, *panel_values_, differing_);
        // As the log names the values compared: the file's while the window shows them.
        report.file = source_.holds_texts && !source_.name.isEmpty() && !changed_since_source()
                          ? QDir::toNativeSeparators(source_.name)
                          : QStringLiteral("THE WINDOW'S VALUES");
        records::ConversationEnd line; // the port as the log names it
        note_panel_line(line);
        report.port = line.device;
        report.compared = now;
        as_found_->show_comparison(report, configuration_shown());
        return;
    }
    if (!as_found_ || !as_found_->report()) return;
    const ConversationResult& result = conversation_->result();
    switch (event) {
    case AsFoundEvent::compared: // a comparison that read nothing
    case AsFoundEvent::read:
        as_found_->forget();
        break;
    case AsFoundEvent::taken:
        as_found_->show_as_left({AsLeft::How::values_taken, now, {}}, panel_values_,
                                configuration_shown());
        break;
    case AsFoundEvent::written:
        // A write refused before the panel was identified changed nothing.
        if (result.succeeded())
            as_found_->show_as_left({AsLeft::How::written, now, {}}, result.values,
                                    configuration_shown());
        else if (result.identified)
            as_found_->show_as_left({AsLeft::How::write_failed, now,
                                     result.final_text + (result.why().isEmpty()
                                                              ? QString()
                                                              : QStringLiteral(" - ") + result.why())},
                                    std::nullopt, configuration_shown());
        break;
    case AsFoundEvent::changed:
        as_found_->window_changed(configuration_shown());
        break;
    }
}
