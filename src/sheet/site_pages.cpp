#include "site_pages.h"

#include <algorithm>
#include <array>

#include "configuration/texts.h"
#include "files/configuration_file_io.h"

namespace kvr {

std::vector<ChannelUse> channel_schedule(const std::vector<HandoverPanel>& panels) {
    std::array<std::vector<ChannelUse>, kLastAssignment + 1> by_code;
    for (const HandoverPanel& panel : panels) {
        if (!panel.configuration) continue;
        const Configuration& configuration = *panel.configuration;
        for (int f = 0; f < kFunctionCount; ++f) {
            const std::int16_t code = configuration.codes[f];
            if (!drives_channel(code)) continue;
            QString designation = f < kBacklighting ? from_file_text(configuration.designations[f])
                                                    : lighting_designation(f);
            if (designation == QLatin1String(kDesignationStartText)) designation.clear();
            by_code[code].push_back(
                {code, from_file_text(configuration.panel_name), panel.room, f, designation});
        }
    }
    std::vector<ChannelUse> uses;
    for (std::vector<ChannelUse>& channel : by_code)
        std::ranges::move(channel, std::back_inserter(uses));
    return uses;
}

namespace sheet {
namespace {

constexpr double kTitleTop = 12;
constexpr double kTableTop = 30;
constexpr double kTableBottom = 284;
constexpr double kRowHeight = 5.6;
constexpr int kRowsPerPage = static_cast<int>((kTableBottom - kTableTop) / kRowHeight) - 1;
// A finding names several files and functions: two lines each.
constexpr int kFindingRows = 2;
constexpr int kFindingsPerPage = kRowsPerPage / kFindingRows;

struct Column {
    const char* heading;
    double width; // 0: what the others leave
};
const Column kScheduleColumns[] = {
    {"CHANNEL", 20}, {"PANEL", 34}, {"ROOM", 42}, {"FUNCTION", 22}, {"DESIGNATION", 0},
};
constexpr int kColumnCount = std::size(kScheduleColumns);

int pages_for(std::size_t rows, int per_page) {
    return static_cast<int>((rows + per_page - 1) / per_page);
}

double column_width(int column) {
    double fixed = 0;
    for (const Column& c : kScheduleColumns)
        fixed += c.width;
    return kScheduleColumns[column].width > 0 ? kScheduleColumns[column].width
                                              : kContentWidth - fixed;
}

void draw_title(Page& page, const QString& title) {
    draw_text(page, {kMargin, kTitleTop, kContentWidth, 10}, title, sheet_font(16, true), 10,
              kTextInk, Qt::AlignLeft);
}

void draw_rule(Page& page, double top) {
    page.painter.setPen(page.pen(kTextInk, 0.35));
    page.painter.drawLine(page.at(kMargin, top), page.at(kMargin + kContentWidth, top));
}

void draw_schedule_row(Page& page, double top, const std::array<QString, kColumnCount>& cells,
                       const QFont& font, const QColor& ink, const QColor& function_ink) {
    double left = kMargin;
    for (int column = 0; column < kColumnCount; ++column) {
        const double width = column_width(column);
        draw_text(page, {left + 1, top, width - 2, kRowHeight}, cells[column], font, 5,
                  column == 3 ? function_ink : ink, Qt::AlignLeft);
        left += width;
    }
}

} // namespace

SitePages::SitePages(const std::vector<HandoverPanel>& panels, const QStringList& findings)
    : findings_(findings), uses_(channel_schedule(panels)) {}

int SitePages::page_count() const {
    return pages_for(findings_.size(), kFindingsPerPage) +
           std::max(1, pages_for(uses_.size(), kRowsPerPage));
}

void SitePages::paint(Page& page, int number) const {
    const int finding_pages = pages_for(findings_.size(), kFindingsPerPage);
    if (number < finding_pages) {
        draw_title(page, QStringLiteral("FINDINGS ACROSS THE SITE"));
        const qsizetype first = qsizetype(number) * kFindingsPerPage;
        const qsizetype end = std::min<qsizetype>(findings_.size(), first + kFindingsPerPage);
        for (qsizetype i = first; i < end; ++i) {
            const double top = kTableTop + double(i - first) * kFindingRows * kRowHeight;
            if ((i - first) % 2)
                page.painter.fillRect(
                    page.rect({kMargin, top, kContentWidth, kFindingRows * kRowHeight}), kStripe);
            page.painter.setPen(kWarningInk);
            draw_fitted_text(
                page.painter,
                page.rect({kMargin + 1, top, kContentWidth - 2, kFindingRows * kRowHeight}),
                findings_[i], sheet_font(8), 5, Qt::AlignLeft | Qt::AlignVCenter);
        }
        return;
    }
    const int schedule_page = number - finding_pages;
    draw_title(page, QStringLiteral("CHANNEL SCHEDULE"));
    std::array<QString, kColumnCount> heading;
    for (int column = 0; column < kColumnCount; ++column)
        heading[column] = QString::fromLatin1(kScheduleColumns[column].heading);
    draw_schedule_row(page, kTableTop, heading, sheet_font(7, true), kMutedInk, kMutedInk);
    draw_rule(page, kTableTop + kRowHeight);
    if (uses_.empty()) {
        draw_text(page, {kMargin + 1, kTableTop + kRowHeight, kContentWidth, kRowHeight},
                  QStringLiteral("No panel drives a module and channel."), sheet_font(8), 5,
                  kMutedInk, Qt::AlignLeft);
        return;
    }
    const std::size_t first = std::size_t(schedule_page) * kRowsPerPage;
    const std::size_t end = std::min(uses_.size(), first + kRowsPerPage);
    for (std::size_t i = first; i < end; ++i) {
        const ChannelUse& use = uses_[i];
        const double top = kTableTop + double(i - first + 1) * kRowHeight;
        // Each channel begins with a rule and its name, and a page names the one it goes on with.
        const bool starts = i == first || uses_[i - 1].code != use.code;
        if (starts && i != first) {
            page.painter.setPen(page.pen(kRuleInk, 0.3));
            page.painter.drawLine(page.at(kMargin, top), page.at(kMargin + kContentWidth, top));
        }
        draw_schedule_row(
            page, top,
            {starts ? QString::fromStdString(kvr::assignment_text(use.code)) : QString(), use.panel,
             use.room, QString::fromLatin1(kFunctions[use.function].label), use.designation},
            sheet_font(8), kTextInk, function_ink(use.function));
    }
}

} // namespace sheet
} // namespace kvr
