// kvr-panel history: the commissioning log's entries, newest first, as a table, JSON or CSV.

#include <QDate>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

#include "cli/company_first.h"
#include "cli/output.h"
#include "cli/subcommands.h"
#include "records/commissioning_log.h"
#include "records/record_columns.h"

namespace kvr::cli {

namespace {

using records::Record;

struct HistoryColumn {
    const char* title;
    QString (*text)(const Record& entry);
};

// clang-format off
const HistoryColumn kColumns[] = {
    {"TIME (UTC)", [](const Record& e) { return e.time.toUTC().toString("yyyy-MM-dd HH:mm:ss"); }},
    {"OPERATION", [](const Record& e) { return records::operation_text(e.operation); }},
    {"OUTCOME", [](const Record& e) { return records::outcome_text(e.outcome); }},
    {"PANEL", [](const Record& e) { return e.panel_name; }},
    {"DEVICE", [](const Record& e) { return e.device; }},
    {"SOURCE", [](const Record& e) { return QFileInfo(e.source_text()).fileName(); }},
    {"STOPPED AT", [](const Record& e) { return e.failure.function; }},
    {"STATION", [](const Record& e) { return e.station_text(); }},
    {"SIMULATED", [](const Record& e) {
         return e.simulated ? (*e.simulated ? QStringLiteral("yes") : QStringLiteral("no"))
                            : QStringLiteral("unknown"); }},
};
// clang-format on

using records::Column;
using records::ColumnKind;

// A field as the JSON document has it: null where the entry lacks it, the read-back values an
// array of numbers.
QJsonValue json_value(const Column& column, const Record& entry) {
    if (column.kind == ColumnKind::values) {
        QJsonArray values;
        for (const std::int16_t number : entry.read_back)
            values.append(number);
        return values;
    }
    const QVariant value = column.get(entry);
    if (value.isNull()) return QJsonValue::Null;
    if (column.kind == ColumnKind::integer) return value.toLongLong();
    if (column.kind == ColumnKind::flag) return value.toInt() != 0;
    return value.toString();
}

// The table, or every field of each entry in the order of the log's columns, as JSON or as
// CSV (for the spreadsheet a site manager keeps).
class HistoryResult : public Result {
  public:
    explicit HistoryResult(const std::vector<Record>& entries) : entries_(entries) {}
    QString text() const override {
        if (entries_.empty()) return QStringLiteral("no entries\n");
        std::vector<QStringList> rows(1);
        for (const HistoryColumn& column : kColumns)
            rows[0] << QLatin1String(column.title);
        for (const Record& entry : entries_) {
            rows.emplace_back();
            for (const HistoryColumn& column : kColumns)
                rows.back() << shown_escaped(column.text(entry));
        }
        std::vector<qsizetype> widths(std::size(kColumns), 0);
        for (const QStringList& row : rows)
            for (std::size_t c = 0; c < widths.size(); ++c)
                widths[c] = std::max(widths[c], row[qsizetype(c)].size());
        QString text;
        for (const QStringList& row : rows) {
            QString line;
            for (std::size_t c = 0; c < widths.size(); ++c)
                line += row[qsizetype(c)].leftJustified(widths[c] + 2);
            text += line.trimmed() + u'\n';
        }
        return text;
    }
    QJsonObject data() const override {
        QJsonArray list;
        for (const Record& entry : entries_) {
            QJsonObject object{{QStringLiteral("id"), static_cast<qint64>(entry.id)}};
            for (const Column& column : records::record_columns())
                object.insert(QString::fromLatin1(column.name), json_value(column, entry));
            list.append(object);
        }
        return {{QStringLiteral("command"), QStringLiteral("history")},
                {QStringLiteral("entries"), list}};
    }
    // Read by a program as often as opened by a spreadsheet: no byte order mark. A text a
    // spreadsheet would take for a formula is written harmless; numbers as they are.
    CsvRows csv() const override {
        CsvRows csv{{{QStringLiteral("id")}}, {false, {true}}};
        for (const Column& column : records::record_columns()) {
            csv.rows[0] << QString::fromLatin1(column.name);
            csv.layout.numbers.push_back(column.kind != ColumnKind::text);
        }
        for (const Record& entry : entries_) {
            QStringList& fields = csv.rows.emplace_back(QStringList{QString::number(entry.id)});
            for (const Column& column : records::record_columns())
                fields << column.get(entry).toString();
        }
        return csv;
    }

  private:
    const std::vector<Record>& entries_;
};

// The instant --since gives: a date alone is the start of that local day; a date and time
// is local time, or the instant it names with Z or an offset. Invalid for anything else,
// an impossible time or offset included.
QDateTime since_of(const QString& text) {
    static const QRegularExpression kForm(QStringLiteral(
        R"(^(\d{4}-\d{2}-\d{2})(?:T(\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,3}))?)?(Z|[+-]\d{2}:?\d{2})?)?$)"));
    const QRegularExpressionMatch match = kForm.match(text);
    if (!match.hasMatch()) return {};
    const QDate date = QDate::fromString(match.captured(1), Qt::ISODate);
    if (!date.isValid()) return {};
    if (match.captured(2).isEmpty()) return date.startOfDay();
    const QTime time(match.captured(2).toInt(), match.captured(3).toInt(),
                     match.captured(4).toInt(), match.captured(5).leftJustified(3, u'0').toInt());
    if (!time.isValid()) return {};
    const QString zone = match.captured(6);
    if (zone.isEmpty()) return QDateTime(date, time);
    if (zone == QLatin1String("Z")) return QDateTime(date, time, Qt::UTC);
    const QString digits = zone.mid(1).remove(u':');
    const int hours = digits.left(2).toInt(), minutes = digits.mid(2).toInt();
    constexpr int kWidestOffsetHours = 14;
    if (minutes >= 60 || hours * 60 + minutes > kWidestOffsetHours * 60) return {};
    const int seconds = (zone[0] == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return QDateTime(date, time, Qt::OffsetFromUTC, seconds);
}

// A filter given empty would match nothing or everything; neither is what was meant.
std::optional<QString> empty_filter(const Invocation& invocation) {
    const std::pair<const char*, const std::optional<QString>*> filters[] = {
        {"--panel", &invocation.panel_filter},
        {"--device", &invocation.device_filter},
        {"--since", &invocation.since},
    };
    for (const auto& [option, value] : filters)
        if (*value && (*value)->isEmpty()) return QString::fromLatin1(option);
    return std::nullopt;
}

} // namespace

ExitCode list_history(const Invocation& invocation) {
    if (const std::optional<QString> option = empty_filter(invocation)) {
        print_error(QStringLiteral("%1 needs a value that is not empty").arg(*option));
        return bad_input;
    }
    records::HistoryFilter filter{invocation.panel_filter.value_or(QString()),
                                  invocation.device_filter.value_or(QString()),
                                  {},
                                  0};
    if (invocation.since) {
        filter.since = since_of(*invocation.since);
        if (!filter.since.isValid()) {
            print_error(QStringLiteral("--since %1: not a date (2024-05-31) or a date and time "
                                       "(2024-05-31T14:00, 2024-05-31T14:00Z, "
                                       "2024-05-31T14:00+02:00)")
                            .arg(*invocation.since));
            return bad_input;
        }
    }
    records::CommissioningLog log(invocation.log);
    pull_company_first(invocation, log);
    const records::History history = log.entries(filter);
    if (!history.warning.isEmpty()) {
        print_error(history.warning);
        return bad_input;
    }
    return print_result(HistoryResult(history.entries), format_of(invocation));
}

} // namespace kvr::cli
