// kvr-panel history: the commissioning log's entries, newest first, as a table, JSON or CSV.

#include <QDate>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

#include "cli/output.h"
#include "cli/subcommands.h"
#include "records/commissioning_log.h"
#include "records/history_export.h"

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
};
// clang-format on

class HistoryResult : public Result {
  public:
    HistoryResult(const std::vector<Record>& entries, bool csv) : entries_(entries), csv_(csv) {}
    QString text() const override {
        if (csv_) return records::history_csv(entries_);
        if (entries_.empty()) return QStringLiteral("no entries\n");
        std::vector<QStringList> rows(1);
        for (const HistoryColumn& column : kColumns)
            rows[0] << QLatin1String(column.title);
        for (const Record& entry : entries_) {
            rows.emplace_back();
            for (const HistoryColumn& column : kColumns)
                rows.back() << column.text(entry);
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
        QJsonObject document = QJsonDocument::fromJson(records::history_json(entries_)).object();
        document.insert(QStringLiteral("command"), QStringLiteral("history"));
        return document;
    }

  private:
    const std::vector<Record>& entries_;
    bool csv_;
};

// A date (from its start, local time) or a date-time (local, or with Z or an offset).
QDateTime since_of(const QString& text) {
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid()) return date.startOfDay();
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

} // namespace

ExitCode list_history(const Invocation& invocation) {
    records::HistoryFilter filter{invocation.panel_filter, invocation.device_filter, {}, 0};
    if (!invocation.since.isEmpty()) {
        filter.since = since_of(invocation.since);
        if (!filter.since.isValid()) {
            print_error(QStringLiteral("--since %1: not a date (2024-05-31) or a date and time "
                                       "(2024-05-31T14:00, 2024-05-31T14:00Z)")
                            .arg(invocation.since));
            return bad_input;
        }
    }
    records::CommissioningLog log(invocation.log);
    const records::History history = log.entries(filter);
    if (!history.warning.isEmpty()) {
        print_error(history.warning);
        return bad_input;
    }
    return print_result(HistoryResult(history.entries, invocation.csv), invocation.json);
}

} // namespace kvr::cli
