// The handover pack's index pages, and the pack's pages in order.

#include "sheet/handover.h"

#include <algorithm>
#include <memory>
#include <tuple>

#include "files/configuration_file_io.h"
#include "sheet_drawing.h"
#include "sign_off_page.h"
#include "site_pages.h"

namespace kvr {
namespace sheet {
namespace {

// Millimetres from the paper's corner.
constexpr double kTitleTop = 12;
constexpr double kHeadingLinesTop = kTitleTop + 15;
constexpr double kHeadingLineHeight = 5.3;
constexpr double kTableTop = 44; // room for three heading lines
constexpr double kTableBottom = 284;
constexpr double kRowHeight = 7; // two lines where a cell needs them
constexpr int kRowsPerPage = static_cast<int>((kTableBottom - kTableTop) / kRowHeight) - 1;

enum IndexColumn { panel_column, room, floor, file, last_entry, verified, port, kColumnCount };
struct IndexColumnRow {
    const char* heading;
    double width; // 0: what the others leave
};
// The customer looks a panel up by its room: it comes before the file and the port.
const IndexColumnRow kIndexColumns[kColumnCount] = {
    {"PANEL", 24},
    {"ROOM", 26},
    {"FLOOR", 12},
    {"FILE", 24},
    {"LAST ENTRY IN THE LOG", 40},
    {"VERIFIED", 26},
    {"PORT / PROBLEM", 0},
};

QString utc_text(const QDateTime& when) {
    return when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

// The cells of one row: text and ink for each column.
struct Cell {
    QString text;
    QColor ink = kTextInk;
    int span = 1; // columns it runs over
};
using Row = std::array<Cell, kColumnCount>;

// The verdict as the sheet's stamp gives it, in a word or two.
Cell verified_cell(const SheetVerdict& verdict) {
    if (verdict.status == SheetVerdict::Status::unknown)
        return {QStringLiteral("unknown"), kWarningInk};
    if (verdict.status != SheetVerdict::Status::proven || !verdict.stamp)
        return {QStringLiteral("no"), kWarningInk};
    if (verdict.stamp->labels_changed_since)
        return {QStringLiteral("yes - ") + kLabelsChangedSince, kWarningInk};
    return {QStringLiteral("yes"), kVerifiedInk};
}

Row index_row(const HandoverPanel& panel) {
    Row row;
    row[room] = {panel.room};
    row[floor] = {panel.floor};
    row[file] = {panel.file_name};
    if (!panel.configuration) {
        row[panel_column] = {QStringLiteral("refused"), kWarningInk};
        row[last_entry] = {panel.refusal, kWarningInk, 3};
        return row;
    }
    const QString name = from_file_text(panel.configuration->panel_name);
    row[panel_column] = {name.isEmpty() ? QStringLiteral("(no name)") : name};
    row[last_entry] = {QStringLiteral("none"), kMutedInk};
    if (panel.last)
        row[last_entry] = {panel.last->outcome + QStringLiteral(", ") + utc_text(panel.last->when)};
    const SheetVerdict& verdict = panel.verdict;
    row[verified] = verified_cell(verdict);
    row[port] = verdict.status == SheetVerdict::Status::proven && verdict.stamp
                    ? Cell{verdict.stamp->device}
                    : Cell{verdict.reason, kWarningInk};
    return row;
}

// The index's columns: the floor only where the site file gives one.
class IndexTable {
  public:
    explicit IndexTable(const std::vector<HandoverPanel>& panels)
        : shows_floor_(std::ranges::any_of(
              panels, [](const HandoverPanel& p) { return !p.floor.isEmpty(); })) {}

    void draw_row(Page& page, double top, const Row& row, const QFont& font) const {
        double left = kMargin;
        for (int column = 0; column < kColumnCount;) {
            const Cell& cell = row[column];
            double width = 0;
            for (const int end = column + cell.span; column < end; ++column)
                width += width_of(column);
            if (!cell.text.isEmpty() && width > 0)
                draw_text(page, {left + 1, top, width - 2, kRowHeight}, cell.text, font, 5,
                          cell.ink, Qt::AlignLeft);
            left += width;
        }
    }

  private:
    bool shown(int column) const { return column != floor || shows_floor_; }
    double width_of(int column) const {
        if (!shown(column)) return 0;
        if (kIndexColumns[column].width > 0) return kIndexColumns[column].width;
        double fixed = 0;
        for (int c = 0; c < kColumnCount; ++c)
            if (shown(c)) fixed += kIndexColumns[c].width;
        return kContentWidth - fixed;
    }

    bool shows_floor_;
};

struct HeadingLine {
    QString text;
    QColor ink;
};

// The lines under the site's name, in order: what the index sums up.
std::vector<HeadingLine> heading_lines(const std::vector<HandoverPanel>& panels,
                                       const QStringList& findings, const QString& company_read) {
    const int verified =
        std::ranges::count_if(panels, [](const HandoverPanel& p) { return p.verified(); });
    const int refused = std::ranges::count_if(
        panels, [](const HandoverPanel& p) { return !p.configuration.has_value(); });
    const int count = static_cast<int>(panels.size());
    std::vector<HeadingLine> lines = {
        {QStringLiteral("%1 panels: %2 programmed and verified, %3 not verified, %4 files refused")
             .arg(count)
             .arg(verified)
             .arg(count - verified - refused)
             .arg(refused),
         kTextInk},
    };
    if (!findings.isEmpty())
        lines.push_back(
            {QStringLiteral("%1 across the site: see FINDINGS ACROSS THE SITE after the index")
                 .arg(findings.size() == 1 ? QStringLiteral("1 finding")
                                           : QStringLiteral("%1 findings").arg(findings.size())),
             kWarningInk});
    // Up to when the entries of the other stations are known.
    if (!company_read.isEmpty()) lines.push_back({company_read, kTextInk});
    return lines;
}

void draw_index_heading(Page& page, const SheetSite& site, const QDateTime& drawn,
                        const std::vector<HeadingLine>& lines) {
    draw_text(page, {kMargin, kTitleTop, 120, 4}, QStringLiteral("HANDOVER PACK"),
              sheet_font(7.5, true), 6, kMutedInk, Qt::AlignLeft);
    draw_text(page, {kMargin, kTitleTop + 4, 120, 10},
              site.site.isEmpty() ? QStringLiteral("(no site named)") : site.site,
              sheet_font(20, true), 11, kTextInk, Qt::AlignLeft);
    for (std::size_t line = 0; line < lines.size(); ++line)
        draw_text(page,
                  {kMargin, kHeadingLinesTop + double(line) * kHeadingLineHeight, 120,
                   kHeadingLineHeight},
                  lines[line].text, sheet_font(8.5), 6, lines[line].ink, Qt::AlignLeft);
    const QStringList details = {
        QStringLiteral("Job number ") + site.job,
        QStringLiteral("Company ") + site.company,
        QStringLiteral("Installer ") + site.installer,
        QStringLiteral("Drawn ") + drawn.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
    };
    constexpr double kDetailsWidth = 60;
    for (int line = 0; line < details.size(); ++line)
        draw_text(
            page,
            {kMargin + kContentWidth - kDetailsWidth, kTitleTop + line * 4.8, kDetailsWidth, 4.8},
            details[line], sheet_font(8), 5.5, kMutedInk, Qt::AlignRight);
}

void draw_index_page(Page& page, const std::vector<HandoverPanel>& panels, int index_page,
                     const SheetSite& site, const QDateTime& drawn, const QStringList& findings,
                     const QString& company_read) {
    draw_index_heading(page, site, drawn, heading_lines(panels, findings, company_read));
    const IndexTable table(panels);
    Row heading;
    for (int column = 0; column < kColumnCount; ++column)
        heading[column] = {QString::fromLatin1(kIndexColumns[column].heading), kMutedInk};
    table.draw_row(page, kTableTop, heading, sheet_font(7, true));
    page.painter.setPen(page.pen(kTextInk, 0.35));
    page.painter.drawLine(page.at(kMargin, kTableTop + kRowHeight),
                          page.at(kMargin + kContentWidth, kTableTop + kRowHeight));

    if (panels.empty())
        draw_text(page, {kMargin + 1, kTableTop + kRowHeight, kContentWidth - 2, kRowHeight},
                  QStringLiteral("NO PANEL IN THIS FOLDER: it holds no .kcf file"),
                  sheet_font(8, true), 5, kWarningInk, Qt::AlignLeft);
    const std::size_t first = static_cast<std::size_t>(index_page) * kRowsPerPage;
    const std::size_t end = std::min(panels.size(), first + kRowsPerPage);
    for (std::size_t i = first; i < end; ++i) {
        const double top = kTableTop + (i - first + 1) * kRowHeight;
        if ((i - first) % 2)
            page.painter.fillRect(page.rect({kMargin, top, kContentWidth, kRowHeight}), kStripe);
        table.draw_row(page, top, index_row(panels[i]), sheet_font(8));
    }
}

// Everything the pack's pages are painted from, kept for as long as its document is.
struct Pack {
    std::vector<HandoverPanel> panels;
    SheetSite site;
    QDateTime drawn;
    QStringList findings;
    QString company_read;
    std::vector<SheetContent> sheets;
    int index_pages;
    SitePages site_pages;

    int first_sheet() const { return index_pages + site_pages.page_count(); }
    int sign_off_page() const { return first_sheet() + static_cast<int>(sheets.size()); }
    int page_count() const { return sign_off_page() + 1; }

    void paint(QPainter& painter, int number) const {
        if (number >= first_sheet() && number < sign_off_page()) {
            paint_sheet(painter, sheets[number - first_sheet()]);
            Page page(painter);
            draw_page_number(page, number + 1, page_count());
            return;
        }
        painter.save();
        painter.setRenderHints(QPainter::Antialiasing);
        Page page(painter);
        if (number < index_pages)
            draw_index_page(page, panels, number, site, drawn, findings, company_read);
        else if (number < first_sheet())
            site_pages.paint(page, number - index_pages);
        else
            draw_sign_off_page(page, panels, site, drawn);
        draw_page_number(page, number + 1, page_count());
        painter.restore();
    }
};

std::vector<SheetContent> sheets_of(const std::vector<HandoverPanel>& panels, const SheetSite& site,
                                    const QDateTime& drawn) {
    std::vector<SheetContent> sheets;
    for (const HandoverPanel& panel : panels) {
        if (!panel.configuration) continue;
        SheetContent content = sheet_content(*panel.configuration, panel.file_name, drawn);
        content.site = site;
        if (!panel.room.isEmpty()) content.site.room = panel.room;
        content.verdict = panel.verdict;
        sheets.push_back(std::move(content));
    }
    return sheets;
}

} // namespace
} // namespace sheet

Document handover_pack(std::vector<HandoverPanel> panels, const SheetSite& site,
                       const QDateTime& drawn, const QStringList& findings,
                       const QString& company_read) {
    using namespace sheet;
    // Named panels by name, then file; refused files after them, by file.
    const auto key = [](const HandoverPanel& p) {
        return std::tuple(!p.configuration,
                          p.configuration ? from_file_text(p.configuration->panel_name).toLower()
                                          : QString(),
                          p.file_name.toLower());
    };
    std::ranges::sort(
        panels, [&key](const HandoverPanel& a, const HandoverPanel& b) { return key(a) < key(b); });
    const int index_pages =
        std::max<int>(1, (static_cast<int>(panels.size()) + kRowsPerPage - 1) / kRowsPerPage);
    auto pack = std::make_shared<const Pack>(Pack{panels, site, drawn, findings, company_read,
                                                  sheets_of(panels, site, drawn), index_pages,
                                                  SitePages(panels, findings)});
    return {QStringLiteral("Handover pack ") + site.site, pack->page_count(),
            [pack](QPainter& painter, int number) { pack->paint(painter, number); }};
}

bool write_handover_pack(std::vector<HandoverPanel> panels, const SheetSite& site,
                         const QDateTime& drawn, const QString& pdf_path, QString* error,
                         const QStringList& findings, const QString& company_read) {
    const Document pack = handover_pack(std::move(panels), site, drawn, findings, company_read);
    return write_pdf(pdf_path, pack.title, pack.page_count, pack.paint_page, error);
}

} // namespace kvr
