#include "site_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "files/configuration_file_io.h"
#include "form1.h"
#include "records/commissioning_log.h"
#include "records/sheet_records.h"

using namespace kvr;

namespace {

const char* const kHeadings[] = {"PANEL", "FILE",   "ROOM",    "LAST OUTCOME",
                                 "TIME",  "PROVEN", "FINDINGS"};

// The findings that concern a file, one line each.
QString findings_of(const std::vector<site::Finding>& findings, const QString& file_name) {
    QStringList lines;
    for (const site::Finding& finding : findings)
        if (std::ranges::any_of(finding.places, [&](const site::FindingPlace& place) {
                return place.file == file_name;
            }))
            lines.append(finding.text);
    return lines.join(u'\n');
}

QTableWidgetItem* cell(const QString& text, const QString& tooltip) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(tooltip);
    return item;
}

} // namespace

SiteWindow::SiteWindow(const QString& folder, Form1& form, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder), form_(form),
      table_(new QTableWidget(0, column_count, this)), summary_(new QLabel(this)),
      next_(new QPushButton(QStringLiteral("NEXT PANEL TO DO"), this)) {
    setObjectName(QStringLiteral("SITE_WINDOW"));
    setWindowTitle(QStringLiteral("SITE - ") + QDir(folder).dirName());
    table_->setObjectName(QStringLiteral("SITE_TABLE"));
    QStringList headings;
    for (const char* heading : kHeadings)
        headings.append(QString::fromLatin1(heading));
    table_->setHorizontalHeaderLabels(headings);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    next_->setObjectName(QStringLiteral("NEXT_PANEL"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_);
    layout->addWidget(next_, 0, Qt::AlignRight);

    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row) { open_row(row); });
    connect(next_, &QPushButton::clicked, this, [this] { open_next_panel(); });
    connect(&form_, &Form1::panel_operation_logged, this, &SiteWindow::refresh);
    // Every station's entries: the company log is read in the background, and the panels are
    // shown again once it has been.
    connect(&form_, &Form1::company_log_read, this, [this](const records::CompanyRead& read) {
        company_read_ = records::company_read_line(read);
        summary_->setToolTip(read.failure);
        refresh();
    });
    if (form_.company_log() && form_.commissioning_log()) {
        company_read_ = QStringLiteral("READING THE COMPANY LOG...");
        form_.read_company_log();
    }
    refresh();
}

void SiteWindow::refresh() {
    QString site_error;
    const site::SiteFile site_file = site::read_site_file(folder_, &site_error);
    records::CommissioningLog log(form_.commissioning_log());
    std::vector<records::Verdict> verdicts;
    const std::vector<HandoverPanel> panels =
        records::handover_panels(folder_, log, nullptr, &verdicts);
    panels_ = site::site_panels(panels, site_file);
    const std::vector<site::Finding> findings = site::check_site(panels_);
    proven_.assign(panels_.size(), false);
    table_->setRowCount(int(panels_.size()));
    for (int row = 0; row < int(panels_.size()); ++row) {
        const site::SitePanel& panel = panels_[row];
        const records::Verdict& verdict = verdicts[row];
        const std::optional<HandoverLogEntry>& last = panels[row].last;
        proven_[row] = verdict.proven();
        const QString name =
            panel.configuration ? from_file_text(panel.configuration->panel_name) : QString();
        const QString cells[column_count] = {
            name,
            panel.file_name,
            panel.room,
            last ? last->outcome : QString(),
            last ? last->when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                 : QString(),
            records::status_words(verdict.status),
            findings_of(findings, panel.file_name)};
        for (int column = 0; column < column_count; ++column)
            table_->setItem(
                row, column,
                cell(cells[column], column == proven_column ? verdict.reason : cells[column]));
    }
    table_->resizeColumnsToContents();
    const auto proven = std::ranges::count(proven_, true);
    // Nothing is left to do once every panel that can be programmed is proven.
    next_->setEnabled(next_row().has_value());
    summary_->setText(
        QStringLiteral("%1 panels, %2 proven by the log, %3 findings%4%5")
            .arg(panels_.size())
            .arg(proven)
            .arg(findings.size())
            .arg(site_error.isEmpty() ? QString() : QStringLiteral("; ") + site_error)
            .arg(company_read_.isEmpty() ? QString() : QStringLiteral("\n") + company_read_));
}

bool SiteWindow::open_row(int row) {
    if (row < 0 || row >= int(panels_.size())) return false;
    table_->selectRow(row);
    return form_.open_file_asking(QDir(folder_).filePath(panels_[row].file_name));
}

std::optional<int> SiteWindow::next_row() const {
    for (int row = 0; row < int(panels_.size()); ++row)
        if (panels_[row].configuration && !proven_[row]) return row;
    return std::nullopt;
}

bool SiteWindow::open_next_panel() {
    const std::optional<int> row = next_row();
    return row && open_row(*row);
}

SiteWindow* show_site_window(Form1& form, const QString& folder) {
    // A window of its own, owned by the main window so that it goes with it.
    auto* window = new SiteWindow(QFileInfo(folder).absoluteFilePath(), form, &form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Beside the main window, where the screen leaves room.
    const QRect main = form.frameGeometry();
    window->resize(720, main.height() > 0 ? main.height() : 600);
    window->move(main.right() + 8, main.top());
    window->show();
    return window;
}
