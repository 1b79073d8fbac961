// The handover pack's index pages, and the pack's pages in order.

#include "sheet/handover.h"

#include <algorithm>
#include <tuple>

#include "files/configuration_file_io.h"
#include "sheet_drawing.h"
#include "site_pages.h"

namespace kvr {
namespace sheet {
namespace {

// Millimetres from the paper's corner.
constexpr double kTitleTop = 12;
constexpr double kTableTop = 44;
constexpr double kTableBottom = 284;
constexpr double kRowHeight = 5.6;
constexpr int kRowsPerPage = static_cast<int>((kTableBottom - kTableTop) / kRowHeight) - 1;

const QColor kVerifiedInk{0, 128, 0};

struct IndexColumn {
    const char* heading;
    double width; // 0: what the others leave
};
const IndexColumn kIndexColumns[] = {
    {"PANEL", 36},    {"FILE", 38},          {"LAST ENTRY IN THE LOG", 58},
    {"VERIFIED", 18}, {"PORT / PROBLEM", 0},
};
constexpr int kColumnCount = std::size(kIndexColumns);

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

Row index_row(const HandoverPanel& panel) {
    if (!panel.configuration)
        return {{{QStringLiteral("refused"), kWarningInk},
                 {panel.file_name},
                 {panel.refusal, kWarningInk, 3},
                 {},
                 {}}};
    const QString name = from_file_text(panel.configuration->panel_name);
    Row row{{{name.isEmpty() ? QStringLiteral("(no name)") : name, kTextInk},
             {panel.file_name},
             {QStringLiteral("none"), kMutedInk},
             {QStringLiteral("no"), kWarningInk},
             {QStringLiteral("–"), kMutedInk}}};
    if (panel.last) {
        row[2] = {panel.last->outcome + QStringLiteral(", ") + utc_text(panel.last->when)};
        row[4] = {panel.last->device};
    }
    const SheetVerdict& verdict = panel.verdict;
    if (verdict.status == SheetVerdict::Status::unknown)
        row[3] = {QStringLiteral("unknown"), kWarningInk};
    if (verdict.status == SheetVerdict::Status::proven && verdict.stamp) {
        row[3] = {QStringLiteral("yes"), kVerifiedInk};
        row[4] = {verdict.stamp->device};
    } else {
        row[4] = {verdict.reason, kWarningInk};
    }
    return row;
}

double column_width(int column) {
    double fixed = 0;
    for (const IndexColumn& c : kIndexColumns)
        fixed += c.width;
    return kIndexColumns[column].width > 0 ? kIndexColumns[column].width : kContentWidth - fixed;
}

void draw_row(Page& page, double top, const Row& row, const QFont& font) {
    double left = kMargin;
    for (int column = 0; column < kColumnCount;) {
        const Cell& cell = row[column];
        double width = 0;
        for (const int end = column + cell.span; column < end; ++column)
            width += column_width(column);
        if (!cell.text.isEmpty())
            draw_text(page, {left + 1, top, width - 2, kRowHeight}, cell.text, font, 5, cell.ink,
                      Qt::AlignLeft);
        left += width;
    }
}

void draw_index_heading(Page& page, const SheetSite& site, const QDateTime& drawn, int panels,
                        int verified, int refused) {
    draw_text(page, {kMargin, kTitleTop, 120, 4}, QStringLiteral("HANDOVER PACK"),
              sheet_font(7.5, true), 6, kMutedInk, Qt::AlignLeft);
    draw_text(page, {kMargin, kTitleTop + 4, 120, 10},
              site.site.isEmpty() ? QStringLiteral("(no site named)") : site.site,
              sheet_font(20, true), 11, kTextInk, Qt::AlignLeft);
    draw_text(page, {kMargin, kTitleTop + 15, 120, 6},
              QStringLiteral("%1 panels: %2 programmed and verified, %3 not verified, %4 files "
                             "refused")
                  .arg(panels)
                  .arg(verified)
                  .arg(panels - verified - refused)
                  .arg(refused),
              sheet_font(8.5), 6, kTextInk, Qt::AlignLeft);
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
    const int verified =
        std::ranges::count_if(panels, [](const HandoverPanel& p) { return p.verified(); });
    const int refused = std::ranges::count_if(
        panels, [](const HandoverPanel& p) { return !p.configuration.has_value(); });
    draw_index_heading(page, site, drawn, static_cast<int>(panels.size()), verified, refused);
    if (!findings.isEmpty())
        draw_text(page, {kMargin, kTitleTop + 21, 120, 5},
                  QStringLiteral("%1 across the site: see FINDINGS ACROSS THE SITE after the index")
                      .arg(findings.size() == 1
                               ? QStringLiteral("1 finding")
                               : QStringLiteral("%1 findings").arg(findings.size())),
                  sheet_font(8.5), 6, kWarningInk, Qt::AlignLeft);
    // Up to when the entries of the other stations are known.
    if (!company_read.isEmpty())
        draw_text(page, {kMargin, kTitleTop + 26, 120, 5}, company_read, sheet_font(8.5, true), 6,
                  kTextInk, Qt::AlignLeft);

    Row heading;
    for (int column = 0; column < kColumnCount; ++column)
        heading[column] = {QString::fromLatin1(kIndexColumns[column].heading), kMutedInk};
    draw_row(page, kTableTop, heading, sheet_font(7, true));
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
        draw_row(page, top, index_row(panels[i]), sheet_font(8));
    }
}

} // namespace
} // namespace sheet

bool write_handover_pack(std::vector<HandoverPanel> panels, const SheetSite& site,
                         const QDateTime& drawn, const QString& pdf_path, QString* error,
                         const QStringList& findings, const QString& company_read) {
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
    std::vector<SheetContent> sheets;
    for (const HandoverPanel& panel : panels) {
        if (!panel.configuration) continue;
        SheetContent content = sheet_content(*panel.configuration, panel.file_name, drawn);
        content.site = site;
        if (!panel.room.isEmpty()) content.site.room = panel.room;
        content.verdict = panel.verdict;
        sheets.push_back(std::move(content));
    }
    const int index_pages =
        std::max<int>(1, (static_cast<int>(panels.size()) + kRowsPerPage - 1) / kRowsPerPage);
    const SitePages site_pages(panels, findings);
    const int first_sheet = index_pages + site_pages.page_count();
    const int page_count = first_sheet + static_cast<int>(sheets.size());
    return write_pdf(
        pdf_path, QStringLiteral("Handover pack ") + site.site, page_count,
        [&](QPainter& painter, int number) {
            if (number < first_sheet) {
                painter.save();
                painter.setRenderHints(QPainter::Antialiasing);
                Page page(painter);
                if (number < index_pages)
                    draw_index_page(page, panels, number, site, drawn, findings, company_read);
                else
                    site_pages.paint(page, number - index_pages);
                draw_page_number(page, number + 1, page_count);
                painter.restore();
                return;
            }
            paint_sheet(painter, sheets[number - first_sheet]);
            Page page(painter);
            draw_page_number(page, number + 1, page_count);
        },
        error);
}

} // namespace kvr
