#include "site/csv.h"

#include <QStringDecoder>
#include <algorithm>

#include "configuration/windows1252.h"

namespace kvr::site {
namespace {

const QByteArray kUtf8ByteOrderMark("\xEF\xBB\xBF");
constexpr QChar kTextMark = u'\'';

// A spreadsheet writes its empty rows as separators alone.
bool blank(const QStringList& fields) {
    return std::ranges::all_of(fields, &QString::isEmpty);
}

// Whether a field needs the apostrophe to come back from a spreadsheet as text, as written.
bool needs_text_mark(QStringView field) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (field.isEmpty()) return false;
    if (kFormulaStarts.contains(field[0])) return true;
    return field[0] == kTextMark && field.size() > 1 &&
           (kFormulaStarts.contains(field[1]) || field[1] == kTextMark);
}

QString without_text_mark(QString field) {
    if (field.startsWith(kTextMark) && needs_text_mark(QStringView(field).mid(1)))
        field.remove(0, 1);
    return field;
}

} // namespace

CsvText decode_csv(const QByteArray& bytes) {
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        const bool little = encoding == QStringConverter::Utf16LE;
        if (bytes.startsWith(little ? "\xFF\xFE" : "\xFE\xFF")) {
            QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
            return {decoder(bytes.mid(2)), QStringLiteral("UTF-16")};
        }
    }
    const QByteArray body =
        bytes.startsWith(kUtf8ByteOrderMark) ? bytes.mid(kUtf8ByteOrderMark.size()) : bytes;
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(body);
    if (!utf8.hasError()) return {text, QStringLiteral("UTF-8")};
    return {QString::fromStdU16String(
                from_windows1252(std::string_view(body.constData(), std::size_t(body.size())))),
            QStringLiteral("Windows-1252")};
}

CsvTable read_csv(QStringView text, QChar separator, int last_line) {
    CsvTable table;
    CsvRow row{1, {QString()}};
    int line = 1;
    bool quoted = false;
    const auto end_row = [&] {
        if (!blank(row.fields)) {
            for (QString& field : row.fields)
                field = without_text_mark(std::move(field));
            table.rows.push_back(std::move(row));
        }
        row = CsvRow{line, {QString()}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (last_line > 0 && row.line > last_line) return table;
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                row.fields.back() += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n') ++line;
                row.fields.back() += c;
            }
        } else if (c == u'"' && row.fields.back().isEmpty()) {
            quoted = true;
        } else if (c == separator) {
            row.fields.append(QString());
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            ++line;
            end_row();
        } else {
            row.fields.back() += c;
        }
    }
    if (quoted && last_line == 0) {
        table.error = QStringLiteral("a quote is opened and never closed");
        table.error_line = row.line;
        return table;
    }
    end_row();
    return table;
}

QByteArray write_csv(const std::vector<QStringList>& rows, const CsvLayout& layout) {
    QByteArray bytes = layout.byte_order_mark ? kUtf8ByteOrderMark : QByteArray();
    for (const QStringList& row : rows) {
        QStringList fields;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const QString& written = row[column];
            const bool number =
                std::size_t(column) < layout.numbers.size() && layout.numbers[std::size_t(column)];
            const QString field =
                !number && needs_text_mark(written) ? kTextMark + written : written;
            const bool quote = field.contains(u',') || field.contains(u';') ||
                               field.contains(u'"') || field.contains(u'\n') ||
                               field.contains(u'\r') || field != field.trimmed();
            fields.append(quote ? u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"'
                                : field);
        }
        bytes += fields.join(u',').toUtf8() + "\r\n";
    }
    return bytes;
}

} // namespace kvr::site
