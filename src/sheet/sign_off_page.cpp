#include "sign_off_page.h"

#include <algorithm>

namespace kvr::sheet {
namespace {

// Millimetres from the paper's corner.
constexpr double kTitleTop = 12;
constexpr double kFieldsTop = 30;
constexpr double kFieldHeight = 11;
constexpr double kCountTop = 60;
constexpr double kStatementTop = 84;
constexpr double kBoxesTop = 104;
constexpr double kBoxHeight = 78;
constexpr double kBoxGap = 8;
constexpr double kPadding = 3;

struct SiteField {
    const char* caption;
    QString value;
    double share; // of the row's width
};

void draw_fields(Page& page, double top, const std::vector<SiteField>& fields) {
    constexpr double kGap = 3;
    double left = kMargin;
    for (const SiteField& field : fields) {
        const double width = kContentWidth * field.share;
        draw_field(page, {left, top, width - kGap, kFieldHeight}, field.caption, field.value);
        left += width;
    }
}

// "12 PANELS PROVEN, 3 NOT PROVEN", and what the ones not proven are.
void draw_counts(Page& page, const std::vector<HandoverPanel>& panels) {
    const auto count = [&panels](auto&& which) {
        return static_cast<int>(std::ranges::count_if(panels, which));
    };
    const int proven = count(&HandoverPanel::verified);
    const int not_proven = static_cast<int>(panels.size()) - proven;
    const int unknown = count(
        [](const HandoverPanel& p) { return p.verdict.status == SheetVerdict::Status::unknown; });
    const int refused = count([](const HandoverPanel& p) { return !p.configuration; });
    draw_text(page, {kMargin, kCountTop, kContentWidth, 10},
              QStringLiteral("%1 OF %2 PANELS PROVEN, %3 NOT PROVEN")
                  .arg(proven)
                  .arg(panels.size())
                  .arg(not_proven),
              sheet_font(14, true), 9, not_proven == 0 && proven > 0 ? kVerifiedInk : kWarningInk,
              Qt::AlignLeft);
    QStringList kinds;
    if (unknown > 0) kinds << QStringLiteral("%1 unknown, as the log cannot tell").arg(unknown);
    if (refused > 0) kinds << QStringLiteral("%1 whose file was refused").arg(refused);
    QString detail =
        QStringLiteral("Proven: the commissioning log shows the panel holding its file's values.");
    if (not_proven > 0)
        detail += QStringLiteral(" Not proven%1: the index says why, panel by panel.")
                      .arg(kinds.isEmpty()
                               ? QString()
                               : QStringLiteral(" (") + kinds.join(QStringLiteral(", ")) + u')');
    draw_text(page, {kMargin, kCountTop + 11, kContentWidth, 10}, detail, sheet_font(9), 6,
              kTextInk, Qt::AlignLeft);
}

// A box to sign in: whose, the name printed, the signature, the date.
void draw_signature_box(Page& page, const QRectF& box, const char* whose, const QString& name) {
    page.painter.setPen(page.pen(kTextInk, 0.35));
    page.painter.setBrush(Qt::NoBrush);
    page.painter.drawRect(page.rect(box));
    const QRectF inside = box.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    draw_text(page, {inside.left(), inside.top(), inside.width(), 6}, QString::fromLatin1(whose),
              sheet_font(10, true), 7, kTextInk, Qt::AlignLeft);
    const double field_width = inside.width();
    draw_field(page, {inside.left(), inside.top() + 9, field_width, kFieldHeight}, "NAME", name);
    draw_field(page, {inside.left(), inside.top() + 24, field_width, 30}, "SIGNATURE", {});
    draw_field(page, {inside.left(), inside.bottom() - kFieldHeight, field_width, kFieldHeight},
               "DATE", {});
}

} // namespace

void draw_sign_off_page(Page& page, const std::vector<HandoverPanel>& panels, const SheetSite& site,
                        const QDateTime& drawn) {
    draw_text(page, {kMargin, kTitleTop, kContentWidth, 10},
              QStringLiteral("HANDOVER AND SIGN-OFF"), sheet_font(16, true), 10, kTextInk,
              Qt::AlignLeft);
    draw_fields(page, kFieldsTop, {{"SITE", site.site, 0.6}, {"JOB NUMBER", site.job, 0.4}});
    draw_fields(page, kFieldsTop + kFieldHeight + 3,
                {{"COMPANY", site.company, 0.4},
                 {"INSTALLER", site.installer, 0.35},
                 {"PACK DRAWN", drawn.toString(QStringLiteral("yyyy-MM-dd")), 0.25}});
    draw_counts(page, panels);
    draw_text(page, {kMargin, kStatementTop, kContentWidth, 14},
              QStringLiteral("The installer hands over the panels of this site as this pack "
                             "lists them; the customer takes them over. Each signs below and "
                             "prints their name."),
              sheet_font(9), 6, kTextInk, Qt::AlignLeft);
    const double width = (kContentWidth - kBoxGap) / 2;
    draw_signature_box(page, {kMargin, kBoxesTop, width, kBoxHeight}, "INSTALLER", site.installer);
    draw_signature_box(page, {kMargin + width + kBoxGap, kBoxesTop, width, kBoxHeight}, "CUSTOMER",
                       {});
}

} // namespace kvr::sheet
