#include "site_window.h"

#include "company_log_link.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <numeric>

#include "files/configuration_file_io.h"
#include "form1.h"
#include "records/commissioning_log.h"
#include "records/sheet_records.h"

using namespace kvr;

namespace {

const char* const kHeadings[] = {"PANEL", "FILE",   "ROOM",    "LAST OUTCOME",
                                 "TIME",  "PROVEN", "FINDINGS"};

// A save replaces a file in several steps; the table is read once they are over.
constexpr int kSettleMs = 150;

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

// The panels in the schedule's order: those the site file lists first, as it lists them,
// then the others by file name as the folder gives them.
std::vector<std::size_t> schedule_order(const std::vector<HandoverPanel>& panels,
                                        const QStringList& order) {
    std::vector<std::size_t> indices(panels.size());
    std::iota(indices.begin(), indices.end(), std::size_t(0));
    const auto place = [&](std::size_t i) {
        const qsizetype at = order.indexOf(panels[i].file_name);
        return at < 0 ? order.size() : at;
    };
    std::ranges::stable_sort(indices, {}, place);
    return indices;
}

// The menu of the main window that holds its panel operations.
QMenu* panel_menu(const Form1& form) {
    for (QAction* entry : form.menu_bar()->actions())
        if (entry->menu() && entry->text().remove(u'&') == QLatin1String("PANEL"))
            return entry->menu();
    return nullptr;
}

} // namespace

SiteWindow::SiteWindow(const QString& folder, Form1& form, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder), form_(form),
      table_(new QTableWidget(0, column_count, this)), summary_(new QLabel(this)),
      identified_(new QLabel(this)),
      next_(new QPushButton(QStringLiteral("NEXT PANEL TO DO"), this)),
      watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)) {
    setObjectName(QStringLiteral("SITE_WINDOW"));
    setWindowTitle(QStringLiteral("SITE - ") + QDir(folder).dirName());
    table_->setObjectName(QStringLiteral("SITE_TABLE"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->verticalHeader()->hide();
    QHeaderView* header = table_->horizontalHeader();
    header->setStretchLastSection(true);
    // No column sorts at first: the schedule's order. A third click on a heading gives it back.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorClearable(true);
    table_->setSortingEnabled(true);
    identified_->setObjectName(QStringLiteral("IDENTIFIED"));
    identified_->setWordWrap(true);
    identified_->hide();
    next_->setObjectName(QStringLiteral("NEXT_PANEL"));
    auto* identify = new QPushButton(QStringLiteral("IDENTIFY PANEL"), this);
    identify->setObjectName(QStringLiteral("IDENTIFY_PANEL"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(identify);
    buttons->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_);
    layout->addWidget(identified_);
    layout->addLayout(buttons);

    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(settle_, &QTimer::timeout, this, &SiteWindow::refresh);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, settle_, qOverload<>(&QTimer::start));
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this](int section) {
        if (section < 0) refresh();
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row) { open_row(row); });
    connect(table_, &QWidget::customContextMenuRequested, this, &SiteWindow::show_row_menu);
    connect(next_, &QPushButton::clicked, this, [this] { open_next_panel(); });
    connect(identify, &QPushButton::clicked, this, &SiteWindow::identify_panel);
    connect(&form_, &Form1::panel_operation_logged, this, &SiteWindow::refresh);
    // Every station's entries: the company log is read in the background, and the panels are
    // shown again once it has been.
    connect(&form_.company_log(), &CompanyLogLink::read_done, this,
            [this](const records::CompanyRead& read) {
                company_read_ = records::company_read_line(read);
                summary_->setToolTip(read.failure);
                refresh();
            });
    if (form_.company_log().url() && form_.commissioning_log()) {
        company_read_ = QStringLiteral("READING THE COMPANY LOG...");
        form_.company_log().read();
    }
    auto* refresh_keys = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh_keys, &QShortcut::activated, this, &SiteWindow::refresh);
    add_identify_entry();
    refresh();
}

void SiteWindow::add_identify_entry() {
    QMenu* menu = panel_menu(form_);
    if (!menu) return;
    // Owned by this window, so that it leaves the menu when the site is closed.
    identify_action_ = new QAction(
        QStringLiteral("&IDENTIFY THE PANEL IN SITE %1").arg(QDir(folder_).dirName()), this);
    identify_action_->setObjectName(QStringLiteral("IDENTIFY_ACTION"));
    connect(identify_action_, &QAction::triggered, this, &SiteWindow::identify_panel);
    menu->addAction(identify_action_);
}

void SiteWindow::refresh() {
    QString site_error;
    const site::SiteFile site_file = site::read_site_file(folder_, &site_error);
    records::CommissioningLog log(form_.commissioning_log());
    std::vector<records::Verdict> verdicts;
    const std::vector<HandoverPanel> panels =
        records::handover_panels(folder_, log, nullptr, &verdicts);
    const std::vector<site::SitePanel> site_panels = site::site_panels(panels, site_file);
    const std::vector<site::Finding> findings = site::check_site(site_panels);
    const std::vector<std::size_t> order = schedule_order(panels, site_file.order);

    const std::optional<std::size_t> selected = panel_of_row(table_->currentRow());
    const QString selected_file = selected ? panels_[*selected].file_name : QString();
    extra_columns_ = site_file.extra_columns;
    panels_.clear();
    proven_.clear();
    table_->setSortingEnabled(false);
    table_->clearContents();
    table_->setRowCount(int(order.size()));
    table_->setColumnCount(column_count + int(extra_columns_.size()));
    QStringList headings;
    for (const char* heading : kHeadings)
        headings.append(QString::fromLatin1(heading));
    for (const QString& column : std::as_const(extra_columns_))
        headings.append(column.toUpper());
    table_->setHorizontalHeaderLabels(headings);
    for (int e = 0; e < int(extra_columns_.size()); ++e) {
        QHeaderView* header = table_->horizontalHeader();
        header->moveSection(header->visualIndex(column_count + e), room_column + 1 + e);
    }
    for (int row = 0; row < int(order.size()); ++row) {
        const std::size_t i = order[row];
        const site::SitePanel& panel = site_panels[i];
        const records::Verdict& verdict = verdicts[i];
        const std::optional<HandoverLogEntry>& last = panels[i].last;
        panels_.push_back(panel);
        proven_.push_back(verdict.proven());
        QStringList cells = {
            panel.configuration ? from_file_text(panel.configuration->panel_name) : QString(),
            panel.file_name,
            panel.room,
            last ? last->outcome : QString(),
            last ? last->when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                 : QString(),
            records::status_words(verdict.status),
            findings_of(findings, panel.file_name)};
        for (const QString& column : std::as_const(extra_columns_))
            cells.append(site::column_text(site_file, panel.file_name, column));
        fill_row(row, panels_.size() - 1, cells, verdict.reason);
    }
    table_->setSortingEnabled(true);
    if (!selected_file.isEmpty())
        for (std::size_t i = 0; i < panels_.size(); ++i)
            if (panels_[i].file_name == selected_file) table_->selectRow(row_of_panel(i));
    table_->resizeColumnsToContents();
    watch_folder();
    const auto proven = std::ranges::count(proven_, true);
    // Nothing is left to do once every panel that can be programmed is proven.
    next_->setEnabled(next_panel().has_value());
    summary_->setText(
        QStringLiteral("%1 panels, %2 proven by the log, %3 findings%4%5")
            .arg(panels_.size())
            .arg(proven)
            .arg(findings.size())
            .arg(site_error.isEmpty() ? QString() : QStringLiteral("; ") + site_error)
            .arg(company_read_.isEmpty() ? QString() : QStringLiteral("\n") + company_read_));
}

void SiteWindow::fill_row(int row, std::size_t panel, const QStringList& cells,
                          const QString& reason) {
    for (int column = 0; column < int(cells.size()); ++column) {
        QTableWidgetItem* item =
            cell(cells[column], column == proven_column ? reason : cells[column]);
        if (column == 0) item->setData(Qt::UserRole, qulonglong(panel));
        table_->setItem(row, column, item);
    }
}

// The folder for files added, removed or replaced; each file for a change in place.
void SiteWindow::watch_folder() {
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    if (!watcher_->directories().contains(folder_)) watcher_->addPath(folder_);
    QStringList files;
    for (const site::SitePanel& panel : panels_)
        files.append(QDir(folder_).filePath(panel.file_name));
    const QString site_file = QDir(folder_).filePath(site::kSiteFileName);
    if (QFileInfo::exists(site_file)) files.append(site_file);
    if (!files.isEmpty()) watcher_->addPaths(files);
}

std::optional<std::size_t> SiteWindow::panel_of_row(int row) const {
    const QTableWidgetItem* item = row >= 0 ? table_->item(row, 0) : nullptr;
    if (!item) return std::nullopt;
    const std::size_t panel = item->data(Qt::UserRole).toULongLong();
    if (panel >= panels_.size()) return std::nullopt;
    return panel;
}

int SiteWindow::row_of_panel(std::size_t panel) const {
    for (int row = 0; row < table_->rowCount(); ++row)
        if (panel_of_row(row) == panel) return row;
    return -1;
}

bool SiteWindow::open_row(int row) {
    const std::optional<std::size_t> panel = panel_of_row(row);
    if (!panel) return false;
    table_->selectRow(row);
    return form_.open_file_asking(QDir(folder_).filePath(panels_[*panel].file_name));
}

void SiteWindow::run_on_row(int row, void (Form1::*operation)()) {
    if (open_row(row)) form_.run_exclusively(operation);
}

void SiteWindow::show_row_menu(const QPoint& at) {
    const int row = table_->rowAt(at.y());
    const std::optional<std::size_t> panel = panel_of_row(row);
    if (!panel) return;
    const bool readable = panels_[*panel].configuration.has_value();
    struct Entry {
        const char* text;
        void (Form1::*operation)(); // none: only open it
    };
    const Entry entries[] = {
        {"OPEN", nullptr},
        {"WRITE TO SWITCH PANEL", &Form1::WRITE_CONFIG_Click},
        {"COMPARE WITH SWITCH PANEL", &Form1::compare_with_panel},
        {"PRINT COMMISSIONING SHEET...", &Form1::print_commissioning_sheet},
    };
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("SITE_ROW_MENU"));
    for (const Entry& entry : entries) {
        QAction* action = menu.addAction(QString::fromLatin1(entry.text));
        action->setEnabled(readable && !form_.operation_running());
        const auto operation = entry.operation;
        connect(action, &QAction::triggered, this, [this, row, operation] {
            if (operation)
                run_on_row(row, operation);
            else
                open_row(row);
        });
    }
    menu.exec(table_->viewport()->mapToGlobal(at));
}

std::optional<std::size_t> SiteWindow::next_panel() const {
    for (std::size_t i = 0; i < panels_.size(); ++i)
        if (panels_[i].configuration && !proven_[i]) return i;
    return std::nullopt;
}

bool SiteWindow::open_next_panel() {
    const std::optional<std::size_t> panel = next_panel();
    return panel && open_row(row_of_panel(*panel));
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
