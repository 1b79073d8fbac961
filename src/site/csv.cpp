#include "site/csv.h"

#include <algorithm>

namespace kvr::site {
namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

QChar separator_of(QStringView text) {
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted && c == u',')
            ++commas;
        else if (!quoted && c == u';')
            ++semicolons;
    }
    return semicolons > commas ? u';' : u',';
}

// A spreadsheet writes its empty rows as separators alone.
bool blank(const QStringList& fields) {
    return std::ranges::all_of(fields, &QString::isEmpty);
}

} // namespace

CsvTable read_csv(const QByteArray& bytes) {
    CsvTable table;
    const QString text = QString::fromUtf8(
        bytes.startsWith(kByteOrderMark) ? bytes.mid(kByteOrderMark.size()) : bytes);
    const QChar separator = separator_of(text);
    CsvRow row{1, {QString()}};
    int line = 1;
    bool quoted = false;
    const auto end_row = [&] {
        if (!blank(row.fields)) table.rows.push_back(std::move(row));
        row = CsvRow{line, {QString()}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
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
    if (quoted) {
        table.error = QStringLiteral("a quote is opened and never closed");
        table.error_line = row.line;
        return table;
    }
    end_row();
    return table;
}

QByteArray write_csv(const std::vector<QStringList>& rows) {
    QByteArray bytes = kByteOrderMark;
    for (const QStringList& row : rows) {
        QStringList fields;
        for (const QString& field : row) {
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
