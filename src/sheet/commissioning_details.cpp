// What makes the sheet a record of the commissioning: where and by whom, the log's stamp,
// and the boxes the installer writes in by hand.

#include "sheet_drawing.h"

namespace kvr::sheet {
namespace {

constexpr double kCaptionPart = 2.6; // millimetres of a field taken by its caption
constexpr double kBoxPadding = 1.5;

struct SiteField {
    const char* caption;
    QString SheetSite::*value;
    int row;
    double share; // of the row's width
};

const SiteField kSiteFields[] = {
    {"SITE", &SheetSite::site, 0, 0.6},       {"ROOM / LOCATION", &SheetSite::room, 0, 0.4},
    {"JOB NUMBER", &SheetSite::job, 1, 0.25}, {"INSTALLER", &SheetSite::installer, 1, 0.35},
    {"COMPANY", &SheetSite::company, 1, 0.4},
};

void draw_caption(Page& page, const QRectF& area, const char* caption) {
    draw_text(page, {area.left(), area.top(), area.width(), kCaptionPart},
              QString::fromLatin1(caption), sheet_font(5.5, true), 4.5, kMutedInk, Qt::AlignLeft);
}

} // namespace

void draw_site(Page& page, const SheetSite& site, const QRectF& area) {
    constexpr double kGap = 3;
    const double row_height = area.height() / 2;
    double left = area.left();
    int row = 0;
    for (const SiteField& field : kSiteFields) {
        if (field.row != row) {
            row = field.row;
            left = area.left();
        }
        const double width = area.width() * field.share;
        draw_field(page, {left, area.top() + row * row_height, width - kGap, row_height},
                   field.caption, site.*field.value);
        left += width;
    }
}

void draw_field(Page& page, const QRectF& cell, const char* caption, const QString& value) {
    draw_caption(page, cell, caption);
    draw_text(page, cell.adjusted(0, kCaptionPart, 0, -0.3), value, sheet_font(9, true), 6,
              kTextInk, Qt::AlignLeft);
    // A line to write on where the field was left blank.
    page.painter.setPen(page.pen(kRuleInk, 0.25));
    page.painter.drawLine(page.at(cell.left(), cell.bottom()),
                          page.at(cell.right(), cell.bottom()));
}

void draw_stamp(Page& page, const SheetContent& shown, const QRectF& area) {
    const SheetVerdict& verdict = shown.verdict;
    const std::optional<SheetStamp>& stamp = verdict.stamp;
    const bool proven = verdict.status == SheetVerdict::Status::proven && stamp;
    const QColor ink = proven ? kVerifiedInk : kWarningInk;
    page.painter.setPen(page.pen(ink, 0.5));
    page.painter.setBrush(Qt::NoBrush);
    page.painter.drawRoundedRect(page.rect(area), page.mm(1.5), page.mm(1.5));
    const QRectF inside = area.adjusted(kBoxPadding, 0.8, -kBoxPadding, -0.8);
    const QRectF first(inside.left(), inside.top(), inside.width(), inside.height() / 2);
    const QRectF second = first.translated(0, first.height());
    const auto draw_lines = [&](const QString& headline, const QColor& headline_ink,
                                const QString& detail, const QColor& detail_ink) {
        draw_text(page, first, headline, sheet_font(9, true), 5, headline_ink, Qt::AlignHCenter);
        draw_text(page, second, detail, sheet_font(7.5), 4.5, detail_ink, Qt::AlignHCenter);
    };
    if (!proven) {
        // Unknown is no proof either way: the sheet says so, with the reason.
        draw_lines(verdict.status == SheetVerdict::Status::unknown
                       ? QStringLiteral("WHETHER THIS PANEL HOLDS THESE VALUES IS UNKNOWN")
                       : QStringLiteral("NOT YET PROGRAMMED AND VERIFIED"),
                   ink, verdict.reason, kTextInk);
        return;
    }
    QString headline = stamp->programmed ? QStringLiteral("PROGRAMMED AND VERIFIED")
                                         : QStringLiteral("VERIFIED: THE PANEL MATCHED");
    if (stamp->labels_changed_since) headline += QStringLiteral(" - ") + kLabelsChangedSince;
    QString detail =
        stamp->when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC on' ")) + stamp->device;
    if (!stamp->adapter.isEmpty()) detail += QStringLiteral(" (%1)").arg(stamp->adapter);
    if (!stamp->source_file.isEmpty()) detail += QStringLiteral(" from ") + stamp->source_file;
    draw_lines(headline, stamp->labels_changed_since ? kWarningInk : ink, detail, kTextInk);
}

void draw_handwriting_boxes(Page& page, const QRectF& area) {
    constexpr double kSignatureWidth = 64;
    constexpr double kGap = 4;
    const QRectF notes(area.left(), area.top(), area.width() - kSignatureWidth - kGap,
                       area.height());
    const QRectF signature(area.right() - kSignatureWidth, area.top(), kSignatureWidth,
                           area.height());
    page.painter.setPen(page.pen(kRuleInk, 0.3));
    page.painter.setBrush(Qt::NoBrush);
    for (const QRectF& box : {notes, signature})
        page.painter.drawRect(page.rect(box));
    const auto inside = [](const QRectF& box) {
        return box.adjusted(kBoxPadding, kBoxPadding / 2, -kBoxPadding, 0);
    };
    draw_caption(page, inside(notes), "NOTES");
    draw_caption(page, inside(signature), "SIGNATURE");
    // The date under the signature, on a line of its own.
    constexpr double kDateHeight = 8;
    const double date_top = signature.bottom() - kDateHeight;
    page.painter.setPen(page.pen(kRuleInk, 0.3));
    page.painter.drawLine(page.at(signature.left(), date_top),
                          page.at(signature.right(), date_top));
    draw_caption(page, inside(QRectF(signature.left(), date_top, signature.width(), kDateHeight)),
                 "DATE");
}

} // namespace kvr::sheet
