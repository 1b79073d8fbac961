#include "records/commissioning_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <atomic>

#include "records/record_columns.h"

namespace kvr::records {
namespace {

constexpr int kSchemaVersion = 1;
// Long enough to outlast another writer's entry, short enough that a stuck log never holds
// up a panel operation noticeably.
constexpr int kBusyTimeoutMs = 3000;
const QByteArray kSqliteHeader("SQLite format 3\0", 16);

QString unique_connection_name() {
    static std::atomic<int> next{0};
    return QStringLiteral("kvr-commissioning-log-%1-%2")
        .arg(next.fetch_add(1))
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

// Why an existing file is no place for the log, or nullopt when it is one (or is absent).
std::optional<QString> refusal_of_file(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    if (!info.isFile()) return QStringLiteral("it is not a file");
    if (info.size() == 0) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    if (file.read(kSqliteHeader.size()) != kSqliteHeader)
        return QStringLiteral("it is not an SQLite database; it is left as it is");
    return std::nullopt;
}

QString create_table_statement() {
    QStringList columns{QStringLiteral("id INTEGER PRIMARY KEY")};
    for (const Column& column : record_columns())
        columns << QString::fromLatin1(column.name) + (column.kind == ColumnKind::integer
                                                           ? QStringLiteral(" INTEGER")
                                                           : QStringLiteral(" TEXT"));
    return QStringLiteral("CREATE TABLE entries (%1)").arg(columns.join(QStringLiteral(", ")));
}

QString insert_statement() {
    QStringList names, places;
    for (const Column& column : record_columns()) {
        names << QString::fromLatin1(column.name);
        places << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO entries (%1) VALUES (%2)")
        .arg(names.join(QStringLiteral(", ")), places.join(QStringLiteral(", ")));
}

// Every filter and the newest-first order use one of these.
const char* const kIndexes[] = {
    "CREATE INDEX entries_by_time ON entries (time_utc)",
    "CREATE INDEX entries_by_panel ON entries (panel_name, time_utc)",
    "CREATE INDEX entries_by_device ON entries (device, time_utc)",
    "CREATE INDEX entries_by_digest ON entries (values_digest, time_utc)",
};

QString failure_of(const QSqlQuery& query) {
    return query.lastError().text();
}

// Runs statements in order; the first failure's text, or nullopt.
std::optional<QString> run(QSqlDatabase& database, const QStringList& statements) {
    QSqlQuery query(database);
    for (const QString& statement : statements)
        if (!query.exec(statement)) return failure_of(query);
    return std::nullopt;
}

} // namespace

CommissioningLog::CommissioningLog(std::optional<QString> path)
    : path_(std::move(path)), connection_(unique_connection_name()) {}

CommissioningLog::~CommissioningLog() {
    if (!QSqlDatabase::contains(connection_)) return;
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

QString CommissioningLog::warning(const QString& reason) const {
    return QStringLiteral("commissioning log %1: %2; not logged")
        .arg(QDir::toNativeSeparators(path_.value_or(QString())), reason);
}

std::optional<QString> CommissioningLog::open() {
    if (open_) return std::nullopt;
    if (const std::optional<QString> refusal = refusal_of_file(*path_)) return refusal;
    const QFileInfo info(*path_);
    if (!QDir().mkpath(info.absolutePath()))
        return QStringLiteral("its folder %1 cannot be made")
            .arg(QDir::toNativeSeparators(info.absolutePath()));
    if (!QSqlDatabase::contains(connection_)) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        if (!database.isValid())
            return QStringLiteral("the Qt SQLite driver (libqt6sql6-sqlite) is not installed");
    }
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    database.setDatabaseName(*path_);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!database.open()) return database.lastError().text();
    // A committed entry survives a power cut: full sync on every commit of the WAL.
    if (const auto failure = run(database, {QStringLiteral("PRAGMA journal_mode = WAL"),
                                            QStringLiteral("PRAGMA synchronous = FULL")})) {
        database.close();
        return failure;
    }
    if (const auto failure = prepare_schema()) {
        database.close();
        return failure;
    }
    open_ = true;
    return std::nullopt;
}

std::optional<QString> CommissioningLog::prepare_schema() {
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    QSqlQuery query(database);
    // Immediate: two processes starting on a new log do not both create the table.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return failure_of(query);
    const auto give_up = [&database](const QString& reason) {
        QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        return std::optional<QString>(reason);
    };
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return give_up(failure_of(query));
    const int version = query.value(0).toInt();
    if (version > kSchemaVersion)
        return give_up(QStringLiteral("it was made by a newer kvr-config"));
    if (version == 0) {
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
            return give_up(failure_of(query));
        if (query.value(0).toInt() != 0)
            return give_up(QStringLiteral("it holds another program's data; it is left as it is"));
        QStringList statements{create_table_statement()};
        for (const char* index : kIndexes)
            statements << QString::fromLatin1(index);
        statements << QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion);
        if (const auto failure = run(database, statements)) return give_up(*failure);
    }
    if (!query.exec(QStringLiteral("COMMIT"))) return give_up(failure_of(query));
    return std::nullopt;
}

LogResult CommissioningLog::record(Record& entry) {
    std::vector<Record> one{entry};
    const LogResult result = record_all(one);
    if (result.logged) entry = one.front();
    return result;
}

LogResult CommissioningLog::record_all(std::vector<Record>& entries) {
    if (!path_) return {};
    if (const std::optional<QString> failure = open()) return {false, warning(*failure)};
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    QSqlQuery query(database);
    const auto give_up = [&](const QString& reason) {
        QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        return LogResult{false, warning(reason)};
    };
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return {false, warning(failure_of(query))};
    if (!query.prepare(insert_statement())) return give_up(failure_of(query));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::vector<std::int64_t> ids;
    for (Record& entry : entries) {
        Record stored = entry;
        if (!stored.time.isValid()) stored.time = now;
        for (const Column& column : record_columns())
            query.addBindValue(column.get(stored));
        if (!query.exec()) return give_up(failure_of(query));
        ids.push_back(query.lastInsertId().toLongLong());
    }
    if (!query.exec(QStringLiteral("COMMIT"))) return give_up(failure_of(query));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].id = ids[i];
        if (!entries[i].time.isValid()) entries[i].time = now;
    }
    return {true, {}};
}

History CommissioningLog::query(const QString& where, const QVariantList& values, int limit) {
    // Reading never makes a log that is not there.
    if (!path_ || !QFileInfo::exists(*path_)) return {};
    if (const std::optional<QString> failure = open())
        return {{},
                QStringLiteral("commissioning log %1 cannot be read: %2")
                    .arg(QDir::toNativeSeparators(*path_), *failure)};
    QStringList names{QStringLiteral("id")};
    for (const Column& column : record_columns())
        names << QString::fromLatin1(column.name);
    QString statement = QStringLiteral("SELECT %1 FROM entries").arg(names.join(u','));
    if (!where.isEmpty()) statement += QStringLiteral(" WHERE ") + where;
    statement += QStringLiteral(" ORDER BY time_utc DESC, id DESC");
    if (limit > 0) statement += QStringLiteral(" LIMIT %1").arg(limit);

    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!query.prepare(statement)) return {{}, failure_of(query)};
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) return {{}, failure_of(query)};
    History history;
    while (query.next()) {
        Record entry;
        entry.id = query.value(0).toLongLong();
        int field = 1;
        for (const Column& column : record_columns())
            column.set(entry, query.value(field++));
        history.entries.push_back(std::move(entry));
    }
    return history;
}

History CommissioningLog::entries(const HistoryFilter& filter) {
    QStringList conditions;
    QVariantList values;
    const auto require = [&](const char* condition, const QVariant& value) {
        conditions << QString::fromLatin1(condition);
        values << value;
    };
    if (!filter.panel_name.isEmpty()) require("panel_name = ?", filter.panel_name);
    if (!filter.device.isEmpty()) require("device = ?", filter.device);
    if (filter.since.isValid()) require("time_utc >= ?", stored_time(filter.since));
    return query(conditions.join(QStringLiteral(" AND ")), values, filter.limit);
}

std::optional<Record> CommissioningLog::latest_with_digest(const QString& digest,
                                                           bool verified_only, QString* warning) {
    QString where = QStringLiteral("values_digest = ?");
    QVariantList values{digest};
    if (verified_only) {
        QStringList places;
        for (const RecordOutcome outcome : kVerifyingOutcomes) {
            places << QStringLiteral("?");
            values << outcome_text(outcome);
        }
        where += QStringLiteral(" AND outcome IN (%1)").arg(places.join(u','));
    }
    History history = query(where, values, 1);
    if (warning) *warning = history.warning;
    if (history.entries.empty()) return std::nullopt;
    return std::move(history.entries.front());
}

} // namespace kvr::records
