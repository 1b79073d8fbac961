#include "records/history_export.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "records/record_columns.h"

namespace kvr::records {
namespace {

// A text a spreadsheet would take for a formula (=, +, -, @, or a tab or carriage return
// before one) gets a leading apostrophe, so opening the export never runs what a device or
// panel name holds. Numbers are left as they are.
QString csv_field(const Column& column, const Record& entry) {
    QString text = column.get(entry).toString();
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (column.kind == ColumnKind::text && !text.isEmpty() && kFormulaStarts.contains(text[0]))
        text.prepend(u'\'');
    static const QString kNeedsQuotes = QStringLiteral(",\"\r\n");
    if (std::ranges::none_of(text, [](QChar c) { return kNeedsQuotes.contains(c); })) return text;
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QJsonValue json_value(const Column& column, const Record& entry) {
    const QVariant value = column.get(entry);
    if (column.kind == ColumnKind::values) {
        QJsonArray values;
        for (const std::int16_t number : entry.read_back)
            values.append(number);
        return values;
    }
    if (value.isNull()) return QJsonValue::Null;
    if (column.kind == ColumnKind::integer) return value.toLongLong();
    if (column.kind == ColumnKind::flag) return value.toInt() != 0;
    return value.toString();
}

} // namespace

QString history_csv(const std::vector<Record>& entries) {
    QStringList header{QStringLiteral("id")};
    for (const Column& column : record_columns())
        header << QString::fromLatin1(column.name);
    QStringList lines{header.join(u',')};
    for (const Record& entry : entries) {
        QStringList fields{QString::number(entry.id)};
        for (const Column& column : record_columns())
            fields << csv_field(column, entry);
        lines << fields.join(u',');
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QByteArray history_json(const std::vector<Record>& entries) {
    QJsonArray list;
    for (const Record& entry : entries) {
        QJsonObject object{{QStringLiteral("id"), static_cast<qint64>(entry.id)}};
        for (const Column& column : record_columns())
            object.insert(QString::fromLatin1(column.name), json_value(column, entry));
        list.append(object);
    }
    return QJsonDocument(
               QJsonObject{{QStringLiteral("version"), 1}, {QStringLiteral("entries"), list}})
        .toJson(QJsonDocument::Indented);
}

} // namespace kvr::records
