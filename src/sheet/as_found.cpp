// The as-found report's page: what was compared, where and when, every place the panel
// differed, and what it was left holding.

#include "sheet/as_found.h"

#include <QFileInfo>
#include <QPainter>

#include "configuration/texts.h"
#include "files/configuration_file_io.h"
#include "sheet_drawing.h"

namespace kvr {
namespace {

using namespace sheet;

// Millimetres from the paper's corner.
constexpr double kHeadingTop = 11;
constexpr double kDetailsTop = 34;
constexpr double kDetailHeight = 5.5;
constexpr double kTableTop = 62;
constexpr double kRowHeight = 6.5;
constexpr double kLeftTop = 236;
constexpr double kBoxesTop = 256.5;
constexpr double kBoxesBottom = 285;

// The table's columns: their headings and shares of the width.
struct Column {
    const char* heading;
    QString AsFoundRow::*text;
    double share;
};
const Column kColumns[] = {
    {"FUNCTION", &AsFoundRow::function, 0.2},   {"DESIGNATION", &AsFoundRow::designation, 0.29},
    {"FILE", &AsFoundRow::file_value, 0.17},    {"AS FOUND", &AsFoundRow::found_value, 0.17},
    {"AS LEFT", &AsFoundRow::left_value, 0.17},
};

QString value_text(const Location& location, std::int16_t value) {
    return QString::fromStdString(location.kind == LocationKind::assignment ? assignment_text(value)
                                                                            : intensity_text(value));
}

QString time_text(const QDateTime& when) {
    return when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}

void draw_heading(Page& page, const AsFoundReport& report) {
    draw_text(page, {kMargin, kHeadingTop, kContentWidth, 4}, QStringLiteral("AS-FOUND REPORT"),
              sheet_font(7.5, true), 6, kMutedInk, Qt::AlignLeft);
    const bool named = !report.panel_name.isEmpty();
    draw_text(page, {kMargin, kHeadingTop + 4, kContentWidth, 10},
              named ? report.panel_name : QStringLiteral("(no panel name)"), sheet_font(22, true),
              11, named ? kTextInk : kMutedInk, Qt::AlignLeft);
    const QStringList details = {
        QStringLiteral("File: ") + report.file,
        QStringLiteral("Port: ") + report.port,
        QStringLiteral("Compared: ") + time_text(report.compared),
    };
    for (int line = 0; line < details.size(); ++line)
        draw_text(page, {kMargin, kDetailsTop + line * kDetailHeight, kContentWidth, kDetailHeight},
                  details[line], sheet_font(9), 6, kTextInk, Qt::AlignLeft);
    const std::size_t count = report.differences.size();
    const QString verdict = count == 0   ? QStringLiteral("THE PANEL HELD WHAT THE FILE PROGRAMS")
                            : count == 1 ? QStringLiteral("THE PANEL DIFFERED IN 1 PLACE")
                                         : QStringLiteral("THE PANEL DIFFERED IN %1 PLACES").arg(count);
    draw_text(page, {kMargin, kDetailsTop + 3.5 * kDetailHeight, kContentWidth, 7}, verdict,
              sheet_font(12, true), 8, count == 0 ? kSwitchInk : kLightingInk, Qt::AlignLeft);
}

void draw_row(Page& page, double top, const std::function<QString(const Column&)>& text,
              const QFont& font, const QColor& ink) {
    double left = kMargin;
    for (const Column& column : kColumns) {
        const double width = kContentWidth * column.share;
        draw_text(page, {left + 1, top, width - 2, kRowHeight}, text(column), font, 5, ink,
                  Qt::AlignLeft);
        left += width;
    }
}

void draw_differences(Page& page, const AsFoundReport& report) {
    draw_row(
        page, kTableTop, [](const Column& column) { return QString::fromLatin1(column.heading); },
        sheet_font(7, true), kMutedInk);
    page.painter.setPen(page.pen(kTextInk, 0.35));
    page.painter.drawLine(page.at(kMargin, kTableTop + kRowHeight),
                          page.at(kMargin + kContentWidth, kTableTop + kRowHeight));
    double top = kTableTop + kRowHeight;
    for (std::size_t i = 0; i < report.differences.size(); ++i, top += kRowHeight) {
        if (i % 2) page.painter.fillRect(page.rect({kMargin, top, kContentWidth, kRowHeight}), kStripe);
        const AsFoundRow& row = report.differences[i];
        draw_row(
            page, top, [&row](const Column& column) { return row.*column.text; }, sheet_font(8.5),
            kTextInk);
    }
}

void paint_as_found(QPainter& painter, const AsFoundReport& report) {
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing);
    Page page(painter);
    draw_heading(page, report);
    draw_differences(page, report);
    draw_text(page, {kMargin, kLeftTop, kContentWidth, 6}, QStringLiteral("AS LEFT"),
              sheet_font(7, true), 5, kMutedInk, Qt::AlignLeft);
    draw_text(page, {kMargin, kLeftTop + 6, kContentWidth, 12}, as_left_text(report.as_left),
              sheet_font(10, true), 6,
              report.as_left.how == AsLeft::How::write_failed ? kWarningInk : kTextInk,
              Qt::AlignLeft);
    draw_handwriting_boxes(page, {kMargin, kBoxesTop, kContentWidth, kBoxesBottom - kBoxesTop});
    painter.restore();
}

} // namespace

AsFoundReport as_found_report(const Configuration& programmed, const PanelValues& held,
                              const std::vector<int>& differing) {
    AsFoundReport report;
    report.panel_name = from_file_text(programmed.panel_name);
    for (const int number : differing) {
        const Location& location = *find_location(number);
        AsFoundRow row{number, {}, {}, value_text(location, value_at(programmed, location)),
                       value_text(location, held[std::size_t(number)]), {}};
        if (location.kind == LocationKind::assignment) {
            const int f = location.function;
            row.function = QString::fromLatin1(kFunctions[f].label);
            row.designation = f < kBacklighting ? from_file_text(programmed.designations[f])
                                                : lighting_designation(f);
            if (row.designation == QLatin1String(kDesignationStartText)) row.designation.clear();
        } else {
            row.function = QString::fromLatin1(intensity_caption(location.intensity));
            row.designation = QStringLiteral("Intensity");
        }
        report.differences.push_back(std::move(row));
    }
    return report;
}

void set_as_left(AsFoundReport& report, const AsLeft& as_left,
                 const std::optional<PanelValues>& left) {
    report.as_left = as_left;
    for (AsFoundRow& row : report.differences)
        row.left_value = left ? value_text(*find_location(row.location),
                                           (*left)[std::size_t(row.location)])
                              : QString();
}

QString as_left_text(const AsLeft& as_left) {
    switch (as_left.how) {
    case AsLeft::How::compared_only:
        return QStringLiteral("As found: the panel was only compared, nothing was written to it.");
    case AsLeft::How::values_taken:
        return QStringLiteral("As found: the panel's values were taken into the configuration at "
                              "%1; nothing was written to the panel.")
            .arg(time_text(as_left.when));
    case AsLeft::How::written:
        return QStringLiteral("Written and read back at %1: the panel holds what the AS LEFT "
                              "column shows.")
            .arg(time_text(as_left.when));
    case AsLeft::How::write_failed:
        return QStringLiteral("A write at %1 failed (%2): what the panel holds is unknown.")
            .arg(time_text(as_left.when), as_left.reason);
    }
    return {};
}

bool write_as_found_report(const AsFoundReport& report, const QString& pdf_path, QString* error) {
    return write_pdf(
        pdf_path, QStringLiteral("As-found report ") + report.panel_name, 1,
        [&report](QPainter& painter, int) { paint_as_found(painter, report); }, error);
}

} // namespace kvr
