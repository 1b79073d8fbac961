// The page: heading, panel face, table and notes in their places, and the PDF file.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QSaveFile>

#include "configuration/texts.h"
#include "files/configuration_file_io.h"
#include "sheet_drawing.h"

namespace kvr {
namespace sheet {
namespace {

// Millimetres from the paper's corner.
constexpr double kHeadingTop = 11;
constexpr double kRuleY = 33;
constexpr double kDetailsTop = 35;
constexpr double kDetailsHeight = 13;
constexpr double kStampWidth = 64;
constexpr double kFaceTop = 52;
constexpr double kFaceHeight = 98;
constexpr double kTableTop = 154;
constexpr double kTableBottom = 244;
constexpr double kNotesTop = 245.5;
constexpr double kNotesBottom = 254.5;
constexpr double kBoxesTop = 256.5;
constexpr double kBoxesBottom = 285;

constexpr int kSheetResolution = 1200;
const QString kPartNumber = QStringLiteral("07-04412");

// A path shows as its file's name: the folder it sat in on a laptop means nothing on site.
QString shown_source(const QString& source) {
    return QDir::isAbsolutePath(source) ? QFileInfo(source).fileName() : source;
}

void draw_heading(Page& page, const SheetContent& content) {
    constexpr double kDetailsWidth = 64;
    constexpr double kNameWidth = kContentWidth - kDetailsWidth - 4;
    draw_text(page, {kMargin, kHeadingTop, kNameWidth, 4}, QStringLiteral("COMMISSIONING SHEET"),
              sheet_font(7.5, true), 6, kMutedInk, Qt::AlignLeft);
    const bool named = !content.panel_name.isEmpty();
    draw_text(page, {kMargin, kHeadingTop + 4, kNameWidth, 10},
              named ? content.panel_name : QStringLiteral("(no panel name)"), sheet_font(22, true),
              11, named ? kTextInk : kMutedInk, Qt::AlignLeft);
    // The file's tag says which panels the file suits: a note on the file, not another part.
    QString source = QStringLiteral("From ") + shown_source(content.source);
    if (!content.file_tag.isEmpty())
        source += QStringLiteral(" (file compatibility: %1)").arg(content.file_tag);
    if (!content.source.isEmpty())
        draw_text(page, {kMargin, kHeadingTop + 15, kNameWidth, 6}, source, sheet_font(8), 5.5,
                  kTextInk, Qt::AlignLeft);

    QStringList details = {
        QStringLiteral("KVR 10-button dimmable switch panel"),
        QStringLiteral("Part number ") + kPartNumber,
    };
    if (content.drawn.isValid())
        details << QStringLiteral("Drawn ") +
                       content.drawn.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    constexpr double kDetailHeight = 4.8;
    for (int line = 0; line < details.size(); ++line)
        draw_text(page,
                  {kMargin + kContentWidth - kDetailsWidth, kHeadingTop + line * kDetailHeight,
                   kDetailsWidth, kDetailHeight},
                  details[line], sheet_font(8, line == 0), 5.5, line == 0 ? kTextInk : kMutedInk,
                  Qt::AlignRight);

    page.painter.setPen(page.pen(kTextInk, 0.4));
    page.painter.drawLine(page.at(kMargin, kRuleY), page.at(kMargin + kContentWidth, kRuleY));
}

// Names what the sheet cannot show as a module and channel or as an intensity.
void draw_notes(Page& page, const SheetContent& content) {
    struct Note {
        QString heading;
        QStringList items;
    };
    Note not_chosen{QStringLiteral("Incomplete selection, module or channel not chosen: "), {}};
    Note no_assignment{QStringLiteral("Codes that name no module and channel: "), {}};
    Note no_intensity{QStringLiteral("Codes that name no intensity: "), {}};
    for (int f = 0; f < kFunctionCount; ++f) {
        const SheetFunction& function = content.functions[f];
        const QString label = QString::fromLatin1(kFunctions[f].label);
        if (!function.code)
            not_chosen.items << label;
        else if (!assignment_text(function).problem.isEmpty())
            no_assignment.items << QStringLiteral("%1 (code %2)").arg(label).arg(*function.code);
    }
    for (const IntensityRow& row : kIntensityRows) {
        const std::int16_t code = content.intensity_codes[static_cast<int>(row.intensity)];
        if (!intensity_percent(code))
            no_intensity.items
                << QStringLiteral("%1 (code %2)").arg(QString::fromLatin1(row.caption)).arg(code);
    }

    QStringList lines;
    for (const Note* note : {&not_chosen, &no_assignment, &no_intensity})
        if (!note->items.isEmpty())
            lines << note->heading + note->items.join(QStringLiteral(", ")) + u'.';
    // One block, so that a long note wraps into the room the others leave.
    page.painter.setPen(kWarningInk);
    draw_fitted_text(
        page.painter, page.rect({kMargin, kNotesTop, kContentWidth, kNotesBottom - kNotesTop}),
        lines.join(QChar::LineSeparator), sheet_font(8.5, true), 5.5, Qt::AlignLeft | Qt::AlignTop);
}

} // namespace

void draw_text(Page& page, const QRectF& box, const QString& text, const QFont& font,
               double smallest_points, const QColor& ink, Qt::Alignment alignment) {
    page.painter.setPen(ink);
    draw_fitted_text(page.painter, page.rect(box), text, font, smallest_points,
                     alignment | Qt::AlignVCenter);
}

void draw_page_number(Page& page, int number, int count) {
    draw_text(page, {kMargin, kBoxesBottom + 2, kContentWidth, 5},
              QStringLiteral("Page %1 of %2").arg(number).arg(count), sheet_font(7.5), 6, kMutedInk,
              Qt::AlignRight);
}

Page::Page(QPainter& painter)
    : painter(painter), units_per_mm_(painter.device()->logicalDpiX() / 25.4) {}

QRectF Page::rect(const QRectF& millimetres) const {
    return {at(millimetres.left(), millimetres.top()),
            QSizeF(mm(millimetres.width()), mm(millimetres.height()))};
}

QPen Page::pen(const QColor& colour, double width) const {
    return QPen(colour, mm(width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QFont sheet_font(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace sheet

void paint_sheet(QPainter& painter, const SheetContent& content) {
    using namespace sheet;
    SheetContent shown = content;
    for (int f = 0; f < kBacklighting; ++f)
        if (shown.functions[f].designation == QLatin1String(kDesignationStartText))
            shown.functions[f].designation.clear();
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    Page page(painter);
    draw_heading(page, shown);
    constexpr double kSiteWidth = kContentWidth - kStampWidth - 4;
    draw_site(page, shown.site, {kMargin, kDetailsTop, kSiteWidth, kDetailsHeight});
    draw_stamp(page, shown,
               {kMargin + kContentWidth - kStampWidth, kDetailsTop, kStampWidth, kDetailsHeight});
    draw_panel_face(page, shown, {kMargin, kFaceTop, kContentWidth, kFaceHeight});
    draw_function_table(page, shown, {kMargin, kTableTop, kContentWidth, kTableBottom - kTableTop});
    draw_notes(page, shown);
    draw_handwriting_boxes(page, {kMargin, kBoxesTop, kContentWidth, kBoxesBottom - kBoxesTop});
    painter.restore();
}

bool write_pdf(const QString& pdf_path, const QString& title, int page_count,
               const std::function<void(QPainter& painter, int page)>& paint_page, QString* error) {
    const auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    // Fonts come from the GUI platform; without it Qt would abort rather than fail.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return fail(QStringLiteral("drawing a sheet needs a QGuiApplication"));
    if (const std::optional<QString> refusal = refusal_to_replace(pdf_path)) return fail(*refusal);
    QSaveFile file(pdf_path);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF());
        writer.setResolution(sheet::kSheetResolution);
        writer.setCreator(QStringLiteral("kvr-config"));
        writer.setTitle(title);
        if (const std::optional<QString> failure =
                paint_document(writer, {title, page_count, paint_page}))
            return fail(*failure);
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

std::optional<QString> paint_document(QPagedPaintDevice& device, const Document& document) {
    QPainter painter;
    if (!painter.begin(&device)) return QStringLiteral("the document could not be started");
    for (int page = 0; page < document.page_count; ++page) {
        if (page > 0 && !device.newPage()) return QStringLiteral("a page could not be added");
        document.paint_page(painter, page);
    }
    if (!painter.end()) return QStringLiteral("the document could not be finished");
    return std::nullopt;
}

Document sheet_document(const SheetContent& content) {
    return {QStringLiteral("Commissioning sheet ") + content.panel_name, 1,
            [content](QPainter& painter, int) { paint_sheet(painter, content); }};
}

bool write_sheet(const SheetContent& content, const QString& pdf_path, QString* error) {
    const Document sheet = sheet_document(content);
    return write_pdf(pdf_path, sheet.title, sheet.page_count, sheet.paint_page, error);
}

} // namespace kvr
