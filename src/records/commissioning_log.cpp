#include "records/commissioning_log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <QUuid>
#include <atomic>
#include <filesystem>
#include <map>
#include <tuple>
#include <variant>

#include "records/company_log.h"
#include "records/record_columns.h"

namespace kvr::records {
namespace {

// The second version added the simulated column, and the application id that marks the
// log as ours before anything is done to a file; the third the line, the run, the sequence
// and the chain, and orders entries by their sequence; the fourth gives every entry a uuid
// and its station, so entries of other stations' logs can be merged in (log import).
constexpr int kSchemaVersion = 4;
constexpr int kApplicationId = 0x4B56524C; // "KVRL"
// Long enough to outlast another writer's entry, short enough that a stuck log never holds
// up a panel operation noticeably.
constexpr int kBusyTimeoutMs = 3000;
const QByteArray kSqliteHeader("SQLite format 3\0", 16);
// Offsets of two big-endian numbers in an SQLite file's header.
constexpr int kUserVersionOffset = 60;
constexpr int kApplicationIdOffset = 68;
constexpr int kHeaderSize = 100;

QString unique_connection_name() {
    static std::atomic<int> next{0};
    return QStringLiteral("kvr-commissioning-log-%1-%2")
        .arg(next.fetch_add(1))
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

quint32 big_endian_at(const QByteArray& bytes, int offset) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

const QString kForeign = QStringLiteral("it holds another program's data; it is left as it is");

// Why an existing file is no place for the log, or nullopt when it is one (or is absent, or
// empty). Read from the file's header, before SQLite opens it: a file that is not ours is
// never touched, not even by a change of journal.
std::optional<QString> refusal_of_file(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    if (!info.isFile()) return QStringLiteral("it is not a file");
    if (info.size() == 0) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    const QByteArray header = file.read(kHeaderSize);
    if (!header.startsWith(kSqliteHeader) || header.size() < kHeaderSize)
        return QStringLiteral("it is not an SQLite database; it is left as it is");
    const quint32 application = big_endian_at(header, kApplicationIdOffset);
    if (application == quint32(kApplicationId)) return std::nullopt;
    // The first version had no application id: a log of it is known by its version, and
    // its table is looked at once open, before anything is written.
    if (application == 0 && big_endian_at(header, kUserVersionOffset) == 1) return std::nullopt;
    return kForeign;
}

QString create_table_statement() {
    QStringList columns{QStringLiteral("id INTEGER PRIMARY KEY")};
    for (const Column& column : record_columns())
        columns << QString::fromLatin1(column.name) +
                       (column.kind == ColumnKind::integer || column.kind == ColumnKind::flag
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

// The newest entry the log made: what the next one is chained to, and how an entry removed
// from the end is found.
const char* const kChainHeadTable =
    "CREATE TABLE chain_head (sequence INTEGER NOT NULL, digest TEXT NOT NULL)";

// The station this log's own entries are made on: one row, made with the log.
const char* const kStationTable = "CREATE TABLE station (id TEXT NOT NULL, host TEXT, user TEXT)";
// The newest entry of each other station as the log it was merged from had it: how an
// entry removed from the end of that station's entries is found.
const char* const kStationHeadsTable =
    "CREATE TABLE station_heads (station TEXT PRIMARY KEY, sequence INTEGER NOT NULL, "
    "digest TEXT NOT NULL)";

// Every filter and the newest-first order use one of these; history --panel matches
// without regard to case. An entry is held once: one uuid, one place in its station's order.
const char* const kIndexes[] = {
    "CREATE UNIQUE INDEX entries_by_station ON entries (station, sequence)",
    "CREATE UNIQUE INDEX entries_by_uuid ON entries (uuid)",
    "CREATE INDEX entries_by_panel ON entries (panel_name, sequence)",
    "CREATE INDEX entries_by_panel_any_case ON entries (panel_name COLLATE NOCASE, sequence)",
    "CREATE INDEX entries_by_device ON entries (device, sequence)",
    "CREATE INDEX entries_by_run ON entries (run)",
};
// The third version's index of the one station's order.
const char* const kThirdVersionIndexes[] = {"entries_by_sequence"};
// The older versions' indexes that ordered by time, and one by values no query asks now.
const char* const kTimeOrderedIndexes[] = {"entries_by_panel", "entries_by_panel_any_case",
                                           "entries_by_device", "entries_by_digest"};
const char* const kTimeIndex = "CREATE INDEX IF NOT EXISTS entries_by_time ON entries (time_utc)";

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

// Write-ahead mode, which the file keeps once set: only a new log is switched. The switch
// needs the log to itself and SQLite does not wait for that, so one that meets another
// writer (it may be switching a new log too) is tried again for as long as a writer waits.
std::optional<QString> use_write_ahead(QSqlDatabase& database, int wait_ms) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery query(database);
        const auto in_write_ahead = [&query] {
            return query.next() &&
                   query.value(0).toString().compare(u"wal", Qt::CaseInsensitive) == 0;
        };
        if (query.exec(QStringLiteral("PRAGMA journal_mode")) && in_write_ahead())
            return std::nullopt;
        if (query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && in_write_ahead())
            return std::nullopt;
        if (waited.elapsed() >= wait_ms) return failure_of(query);
        QThread::msleep(10);
    }
}

// One number from a pragma, or nullopt when it cannot be asked.
std::optional<int> pragma(QSqlDatabase& database, const char* name) {
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("PRAGMA %1").arg(QLatin1String(name))) || !query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

// Whether the database holds a table of the log's entries (the first version's columns).
bool holds_entries_table(QSqlDatabase& database) {
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT name FROM pragma_table_info('entries')"))) return false;
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    for (const Column& column : record_columns())
        if (column.since_version == 1 && !names.contains(QLatin1String(column.name))) return false;
    return true;
}

// The schema version of an open database that is ours, or why it is no log of ours.
std::variant<int, QString> log_version(QSqlDatabase& database) {
    const std::optional<int> application = pragma(database, "application_id");
    const std::optional<int> version = pragma(database, "user_version");
    if (!application || !version) return database.lastError().text();
    if (*application == kApplicationId) {
        if (*version > kSchemaVersion) return QStringLiteral("it was made by a newer kvr-config");
        return *version;
    }
    if (*application != 0) return kForeign;
    if (*version == 1 && holds_entries_table(database)) return 1;
    QSqlQuery query(database);
    if (*version == 0 && query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) &&
        query.next() && query.value(0).toInt() == 0)
        return 0; // a database with nothing in it yet
    return kForeign;
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

std::optional<QString> CommissioningLog::open(Access access) {
    if (open_ && (access == Access::read || access_ == Access::write)) return std::nullopt;
    close();
    if (const std::optional<QString> refusal = refusal_of_file(*path_)) return refusal;
    if (!QSqlDatabase::contains(connection_)) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        if (!database.isValid())
            return QStringLiteral("the Qt SQLite driver (libqt6sql6-sqlite) is not installed");
    }
    const std::optional<QString> failure =
        access == Access::read ? open_for_reading() : open_for_writing();
    if (failure) {
        close();
        return failure;
    }
    open_ = true;
    access_ = access;
    return std::nullopt;
}

void CommissioningLog::close() {
    open_ = false;
    if (QSqlDatabase::contains(connection_)) QSqlDatabase::database(connection_, false).close();
}

std::optional<QString> CommissioningLog::open_for_reading() {
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    const QString options =
        QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
    database.setDatabaseName(*path_);
    database.setConnectOptions(options);
    std::optional<QString> failure;
    if (database.open()) {
        const std::variant<int, QString> version = log_version(database);
        if (const int* number = std::get_if<int>(&version)) {
            version_ = *number;
            return std::nullopt;
        }
        failure = std::get<QString>(version);
        database.close();
    } else {
        failure = database.lastError().text();
    }
    // A log in write-ahead mode in a folder this user cannot write (or on a full disk) may
    // not be readable the usual way, which needs its shared-memory file; nobody can be
    // writing it then, so it is read as it lies.
    if (QFileInfo(QFileInfo(*path_).absolutePath()).isWritable()) return failure;
    database.setDatabaseName(QUrl::fromLocalFile(*path_).toString() +
                             QStringLiteral("?immutable=1"));
    database.setConnectOptions(options + QStringLiteral(";QSQLITE_OPEN_URI"));
    if (!database.open()) return failure;
    const std::variant<int, QString> version = log_version(database);
    if (const int* number = std::get_if<int>(&version)) {
        version_ = *number;
        return std::nullopt;
    }
    return std::get<QString>(version);
}

std::optional<QString> CommissioningLog::open_for_writing() {
    const QFileInfo info(*path_);
    if (!QDir().mkpath(info.absolutePath()))
        return QStringLiteral("its folder %1 cannot be made")
            .arg(QDir::toNativeSeparators(info.absolutePath()));
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    database.setDatabaseName(*path_);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!database.open()) return database.lastError().text();
    if (const auto failure = prepare_schema()) return failure;
    // Write-ahead mode once the log is known to be ours. A committed entry survives a power
    // cut: full sync on every commit of the WAL.
    if (const auto failure = use_write_ahead(database, kBusyTimeoutMs)) return failure;
    return run(database, {QStringLiteral("PRAGMA synchronous = FULL")});
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
    const std::variant<int, QString> version = log_version(database);
    if (const QString* refusal = std::get_if<QString>(&version)) return give_up(*refusal);
    const int found = std::get<int>(version);
    QStringList statements;
    if (found == 0) {
        statements << create_table_statement() << QString::fromLatin1(kChainHeadTable)
                   << QString::fromLatin1(kStationTable) << QString::fromLatin1(kStationHeadsTable)
                   << QString::fromLatin1(kTimeIndex);
        for (const char* index : kIndexes)
            statements << QString::fromLatin1(index);
    }
    // Each version's new columns, filled as the older entries stand.
    for (const Column& column : record_columns()) {
        if (found == 0 || column.since_version <= found) continue;
        statements << QStringLiteral("ALTER TABLE entries ADD COLUMN %1 %2")
                          .arg(QLatin1String(column.name),
                               column.kind == ColumnKind::integer || column.kind == ColumnKind::flag
                                   ? QStringLiteral("INTEGER")
                                   : QStringLiteral("TEXT"));
        if (column.before)
            statements << QStringLiteral("UPDATE entries SET %1 = %2")
                              .arg(QLatin1String(column.name), QLatin1String(column.before));
    }
    if (found > 0 && found < 3) {
        statements << QString::fromLatin1(kChainHeadTable) << QString::fromLatin1(kTimeIndex);
        for (const char* index : kTimeOrderedIndexes)
            statements << QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(index));
    }
    if (found > 0 && found < 4) {
        statements << QString::fromLatin1(kStationTable) << QString::fromLatin1(kStationHeadsTable);
        for (const char* index : kThirdVersionIndexes)
            statements << QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(index));
    }
    if (!statements.isEmpty()) {
        statements << QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId)
                   << QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion);
        if (const auto failure = run(database, statements)) return give_up(*failure);
    }
    if (found < 4)
        if (const auto failure = make_station()) return give_up(*failure);
    if (found > 0 && found < kSchemaVersion) {
        if (found < 3)
            if (const auto failure = chain_existing_entries()) return give_up(*failure);
        if (const auto failure = name_existing_entries()) return give_up(*failure);
        QStringList indexes;
        for (const char* index : kIndexes)
            indexes << QString::fromLatin1(index);
        if (const auto failure = run(database, indexes)) return give_up(*failure);
    }
    if (const auto failure = load_station()) return give_up(*failure);
    if (!query.exec(QStringLiteral("COMMIT"))) return give_up(failure_of(query));
    version_ = kSchemaVersion;
    return std::nullopt;
}

std::optional<QString> CommissioningLog::make_station() {
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.prepare(QStringLiteral("INSERT INTO station (id, host, user) VALUES (?, ?, ?)")))
        return failure_of(query);
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty()) user = QDir::home().dirName();
    query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    query.addBindValue(QSysInfo::machineHostName());
    query.addBindValue(user);
    if (!query.exec()) return failure_of(query);
    return std::nullopt;
}

std::optional<QString> CommissioningLog::load_station() {
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.exec(QStringLiteral("SELECT id, host, user FROM station")) || !query.next())
        return query.lastError().isValid() ? failure_of(query)
                                           : QStringLiteral("it names no station");
    station_ = {query.value(0).toString(), query.value(1).toString(), query.value(2).toString()};
    return std::nullopt;
}

// The entries made before the fourth version were made on this log's station: each is
// given its uuid and the station, which the digest does not cover.
std::optional<QString> CommissioningLog::name_existing_entries() {
    if (const auto failure = load_station()) return failure;
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    std::vector<qlonglong> ids;
    QSqlQuery select(database);
    if (!select.exec(QStringLiteral("SELECT id FROM entries WHERE uuid IS NULL")))
        return failure_of(select);
    while (select.next())
        ids.push_back(select.value(0).toLongLong());
    QSqlQuery update(database);
    if (!update.prepare(
            QStringLiteral("UPDATE entries SET uuid = ?, station = ?, station_host = ?, "
                           "station_user = ? WHERE id = ?")))
        return failure_of(update);
    for (const qlonglong id : ids) {
        update.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
        update.addBindValue(station_.id);
        update.addBindValue(station_.host);
        update.addBindValue(station_.user);
        update.addBindValue(id);
        if (!update.exec()) return failure_of(update);
    }
    return std::nullopt;
}

namespace {

LogResult not_logged(const QString& warning) {
    LogResult result;
    result.warning = warning;
    return result;
}

} // namespace

LogResult CommissioningLog::record(Record& entry) {
    std::vector<Record> one{entry};
    const LogResult result = record_all(one);
    if (result.logged) entry = one.front();
    return result;
}

LogResult CommissioningLog::record_all(std::vector<Record>& entries) {
    if (!path_) return {};
    if (const std::optional<QString> failure = open(Access::write))
        return not_logged(warning(*failure));
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    QSqlQuery query(database);
    const auto give_up = [&](const QString& reason) {
        QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        return not_logged(warning(reason));
    };
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return not_logged(warning(failure_of(query)));
    // Chained to the newest entry the log made, whatever the table holds now: an entry
    // removed from the end stays a gap.
    std::int64_t sequence = 0;
    QString previous;
    if (!query.exec(QStringLiteral("SELECT sequence, digest FROM chain_head")))
        return give_up(failure_of(query));
    if (query.next()) {
        sequence = query.value(0).toLongLong();
        previous = query.value(1).toString();
    }
    if (!query.prepare(insert_statement())) return give_up(failure_of(query));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::vector<Record> stored_entries;
    std::vector<std::int64_t> ids;
    for (const Record& entry : entries) {
        Record stored = entry;
        if (!stored.time.isValid()) stored.time = now;
        stored.sequence = ++sequence;
        stored.previous_digest = previous;
        stored.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        stored.station = station_.id;
        stored.station_host = station_.host;
        stored.station_user = station_.user;
        QVariantList values;
        for (const Column& column : record_columns())
            values << column.get(stored);
        stored.digest = previous = chain_digest(values);
        for (const Column& column : record_columns())
            query.addBindValue(column.get(stored));
        if (!query.exec()) return give_up(failure_of(query));
        ids.push_back(query.lastInsertId().toLongLong());
        stored_entries.push_back(std::move(stored));
    }
    QSqlQuery head(database);
    if (!head.exec(QStringLiteral("DELETE FROM chain_head")) ||
        !head.prepare(QStringLiteral("INSERT INTO chain_head (sequence, digest) VALUES (?, ?)")))
        return give_up(failure_of(head));
    head.addBindValue(qlonglong(sequence));
    head.addBindValue(previous);
    if (!head.exec()) return give_up(failure_of(head));
    if (!query.exec(QStringLiteral("COMMIT"))) return give_up(failure_of(query));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i] = std::move(stored_entries[i]);
        entries[i].id = ids[i];
    }
    LogResult result;
    result.logged = true;
    // Committed here first; the company log then gets it, or it waits.
    const CompanyPush push = push_company(kCompanyPushTimeoutSeconds);
    result.company = push.state;
    result.company_reason = push.reason;
    return result;
}

QString CommissioningLog::unreadable(const QString& reason) const {
    return QStringLiteral("commissioning log %1 cannot be read: %2")
        .arg(QDir::toNativeSeparators(path_.value_or(QString())), reason);
}

// The error of looking at the log's path: none, or no such file, when there is nothing to
// read; a link that leads round in a loop or a folder that may not be searched may hide a
// log, which then cannot be read.
static std::error_code path_error(const QString& path) {
    std::error_code error;
    [[maybe_unused]] const auto status =
        std::filesystem::status(std::filesystem::path(path.toStdU16String()), error);
    return error;
}

bool CommissioningLog::absent() const {
    if (!path_) return true;
    if (QFileInfo::exists(*path_)) return false;
    const std::error_code error = path_error(*path_);
    return !error || error == std::errc::no_such_file_or_directory;
}

std::optional<QString> CommissioningLog::open_to_read() {
    if (!QFileInfo::exists(*path_))
        return unreadable(QString::fromStdString(path_error(*path_).message()).toLower());
    if (const std::optional<QString> failure = open(Access::read)) return unreadable(*failure);
    return std::nullopt;
}

QString CommissioningLog::sequence_column() const {
    return version_ >= 3 ? QStringLiteral("sequence") : QStringLiteral("id");
}

std::optional<QString>
CommissioningLog::select(const QString& where, const QVariantList& values, const QString& order,
                         const std::function<bool(const QSqlQuery&)>& visit) {
    QStringList names{QStringLiteral("id")};
    for (const Column& column : record_columns())
        names << (column.since_version <= version_
                      ? QLatin1String(column.name)
                      : QLatin1String(column.before ? column.before : "NULL"));
    QString statement = QStringLiteral("SELECT %1 FROM entries").arg(names.join(u','));
    if (!where.isEmpty()) statement += QStringLiteral(" WHERE ") + where;
    if (!order.isEmpty()) statement += QStringLiteral(" ORDER BY ") + order;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!query.prepare(statement)) return unreadable(failure_of(query));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) return unreadable(failure_of(query));
    while (query.next())
        if (!visit(query)) return std::nullopt;
    if (query.lastError().isValid()) return unreadable(failure_of(query));
    return std::nullopt;
}

namespace {

Record record_of(const QSqlQuery& query) {
    Record entry;
    entry.id = query.value(0).toLongLong();
    int field = 1;
    for (const Column& column : record_columns())
        column.set(entry, query.value(field++));
    return entry;
}

} // namespace

History CommissioningLog::query(const QString& where, const QVariantList& values, int limit,
                                const std::function<bool(const Record&)>& keep) {
    // Reading never makes a log that is not there.
    if (absent()) return {};
    if (const std::optional<QString> failure = open_to_read()) return {{}, *failure};
    // A log with nothing in it yet has no table to ask.
    if (version_ == 0) return {};
    History history;
    const std::optional<QString> failure =
        select(where, values,
               several_stations() ? QStringLiteral("time_utc DESC, station, sequence DESC")
                                  : sequence_column() + QStringLiteral(" DESC"),
               [&](const QSqlQuery& row) {
                   Record entry = record_of(row);
                   if (keep && !keep(entry)) return true;
                   history.entries.push_back(std::move(entry));
                   return limit <= 0 || int(history.entries.size()) < limit;
               });
    if (failure) return {{}, *failure};
    return history;
}

std::optional<QString> CommissioningLog::newest_first(const QString& panel_name,
                                                      const Visit& visit) {
    if (absent()) return std::nullopt;
    if (const std::optional<QString> failure = open_to_read()) return failure;
    if (version_ == 0) return std::nullopt;
    // The log's own entries only: their sequence is their order.
    if (!several_stations())
        return select(QStringLiteral("panel_name = ?"), {panel_name},
                      sequence_column() + QStringLiteral(" DESC"),
                      [&visit](const QSqlQuery& row) { return visit(record_of(row)); });
    // Several stations: each one's entries in the order of its sequence, the stations'
    // merged by time (a clock set back on one station never reorders its own entries).
    std::map<QString, std::vector<Record>> stations;
    if (const auto failure =
            select(QStringLiteral("panel_name = ?"), {panel_name},
                   QStringLiteral("station, sequence DESC"), [&stations](const QSqlQuery& row) {
                       Record entry = record_of(row);
                       stations[entry.station].push_back(std::move(entry));
                       return true;
                   }))
        return failure;
    std::vector<std::pair<std::vector<Record>*, std::size_t>> heads;
    for (auto& [station, entries] : stations)
        heads.emplace_back(&entries, 0);
    for (;;) {
        std::pair<std::vector<Record>*, std::size_t>* newest = nullptr;
        for (auto& head : heads) {
            if (head.second >= head.first->size()) continue;
            if (!newest || (*head.first)[head.second].time > (*newest->first)[newest->second].time)
                newest = &head;
        }
        if (!newest) return std::nullopt;
        if (!visit((*newest->first)[newest->second++])) return std::nullopt;
    }
}

History CommissioningLog::run_entries(const QString& run, const QString& panel_name) {
    if (run.isEmpty() || version_ < 3) return {};
    return query(QStringLiteral("run = ? AND panel_name = ?"), {run, panel_name}, 0, {});
}

namespace {

// A LIKE pattern that finds every name equal to name without regard to ASCII case; the
// exact comparison follows on what it finds, so letters beyond ASCII match any one
// character here.
QString case_blind_pattern(const QString& name) {
    QString pattern;
    for (const QChar character : name) {
        if (character == u'%' || character == u'_' || character == u'\\') pattern += u'\\';
        pattern += character.unicode() < 0x80 ? character : QChar(u'_');
    }
    return pattern;
}

} // namespace

History CommissioningLog::entries(const HistoryFilter& filter) {
    QStringList conditions;
    QVariantList values;
    const auto require = [&](const char* condition, const QVariant& value) {
        conditions << QString::fromLatin1(condition);
        values << value;
    };
    std::function<bool(const Record&)> keep;
    if (!filter.panel_name.isEmpty()) {
        require("panel_name LIKE ? ESCAPE '\\'", case_blind_pattern(filter.panel_name));
        keep = [name = filter.panel_name](const Record& entry) {
            return entry.panel_name.compare(name, Qt::CaseInsensitive) == 0;
        };
    }
    if (!filter.device.isEmpty()) require("device = ?", filter.device);
    if (filter.since.isValid()) require("time_utc >= ?", stored_time(filter.since));
    return query(conditions.join(QStringLiteral(" AND ")), values, filter.limit, keep);
}

} // namespace kvr::records

namespace kvr::records {
namespace {

QVariantList stored_values(const QSqlQuery& row) {
    QVariantList values;
    for (int i = 1; i <= int(record_columns().size()); ++i)
        values << row.value(i);
    return values;
}

int column_index(const char* name) {
    return int(find_column(name) - record_columns().data());
}

// "entry 42 (sequence 40, 2026-12-09 13:39 UTC, write LOBBY on /dev/ttyUSB0)"
QString described(const Record& entry) {
    return QStringLiteral("entry %1 (%2, %3, %4 %5 on %6)")
        .arg(entry.id)
        .arg(entry.sequence > 0 ? QStringLiteral("sequence %1").arg(entry.sequence)
                                : QStringLiteral("no sequence"))
        .arg(entry.time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")),
             operation_text(entry.operation), entry.panel_name, entry.device);
}

// Of one station; the caller names it and the time after the gap.
ChainBreak removed(std::int64_t first, std::int64_t last) {
    return {ChainFault::removed,
            first,
            0,
            first == last ? QStringLiteral("sequence %1: the entry was removed").arg(first)
                          : QStringLiteral("sequence %1 to %2: %3 entries were removed")
                                .arg(first)
                                .arg(last)
                                .arg(last - first + 1),
            {},
            {}};
}

} // namespace

std::optional<QString> CommissioningLog::chain_existing_entries() {
    version_ = kSchemaVersion; // every column is there now
    std::vector<std::pair<qlonglong, QVariantList>> rows;
    if (const auto failure = select({}, {}, QStringLiteral("id"), [&rows](const QSqlQuery& row) {
            rows.emplace_back(row.value(0).toLongLong(), stored_values(row));
            return true;
        }))
        return failure;
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    QSqlQuery update(database);
    if (!update.prepare(QStringLiteral(
            "UPDATE entries SET sequence = ?, previous_digest = ?, digest = ? WHERE id = ?")))
        return failure_of(update);
    const int sequence_at = column_index("sequence");
    const int previous_at = column_index("previous_digest");
    qlonglong sequence = 0;
    QString previous;
    for (auto& [id, values] : rows) {
        values[sequence_at] = ++sequence;
        values[previous_at] = previous.isEmpty() ? QVariant() : QVariant(previous);
        const QString digest = chain_digest(values);
        update.addBindValue(sequence);
        update.addBindValue(values[previous_at]);
        update.addBindValue(digest);
        update.addBindValue(id);
        if (!update.exec()) return failure_of(update);
        previous = digest;
    }
    QSqlQuery head(database);
    if (!head.prepare(QStringLiteral("INSERT INTO chain_head (sequence, digest) VALUES (?, ?)")))
        return failure_of(head);
    head.addBindValue(sequence);
    head.addBindValue(previous);
    if (!head.exec()) return failure_of(head);
    return std::nullopt;
}

bool CommissioningLog::several_stations() {
    if (version_ < 4) return false;
    QSqlQuery count(QSqlDatabase::database(connection_, false));
    return count.exec(QStringLiteral("SELECT count(*) FROM station_heads")) && count.next() &&
           count.value(0).toLongLong() > 0;
}

ChainCheck CommissioningLog::check_chain(std::int64_t from) {
    ChainCheck check;
    check.chained = true;
    if (absent()) return check;
    if (const std::optional<QString> failure = open_to_read()) {
        check.unreadable = *failure;
        return check;
    }
    if (version_ == 0) return check;
    if (version_ < 3) {
        check.chained = false;
        return check;
    }
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    // Each station's chain and the newest entry it made: the log's own from chain_head, the
    // others' as the logs they were merged from had them. A station no log was merged from
    // has no entry the log made: every one of its entries was inserted by hand.
    struct Head {
        std::int64_t sequence = 0;
        QString digest;
    };
    std::map<QString, Head> heads;
    QSqlQuery head(database);
    if (!head.exec(QStringLiteral("SELECT sequence, digest FROM chain_head"))) {
        check.unreadable = unreadable(failure_of(head));
        return check;
    }
    Head own;
    if (head.next()) own = {head.value(0).toLongLong(), head.value(1).toString()};
    QString own_station;
    if (version_ >= 4) {
        QSqlQuery query(database);
        const bool asked = query.exec(QStringLiteral("SELECT id FROM station"));
        if (asked && query.next()) own_station = query.value(0).toString();
        if (!asked ||
            !query.exec(QStringLiteral("SELECT station, sequence, digest FROM station_heads"))) {
            check.unreadable = unreadable(failure_of(query));
            return check;
        }
        while (query.next())
            heads[query.value(0).toString()] = {query.value(1).toLongLong(),
                                                query.value(2).toString()};
        if (!query.exec(
                QStringLiteral("SELECT DISTINCT station FROM entries WHERE station IS NOT NULL"))) {
            check.unreadable = unreadable(failure_of(query));
            return check;
        }
        while (query.next())
            heads.try_emplace(query.value(0).toString());
    }
    heads[own_station] = own;
    // With entries of several stations, a verdict may rest on any of them: all are walked.
    if (heads.size() > 1) from = 1;

    const auto fail = [&check](ChainFault fault, const Record& entry, const QString& what) {
        check.breaks.push_back(
            {fault, entry.sequence, entry.id, described(entry) + what, entry.station, entry.time});
    };
    std::optional<QString> failure =
        select(version_ >= 4 ? QStringLiteral("sequence IS NULL OR station IS NULL")
                             : QStringLiteral("sequence IS NULL"),
               {}, QStringLiteral("id"), [&](const QSqlQuery& row) {
                   Record entry = record_of(row);
                   entry.station.clear();
                   fail(ChainFault::inserted, entry,
                        QStringLiteral(": inserted by hand, it has no place in the order"));
                   ++check.entries;
                   return true;
               });
    // What the walk keeps of each entry; the whole entry is read only to name a fault.
    struct Link {
        std::int64_t sequence;
        QString digest;
        QString previous;
    };
    static const int sequence_at = column_index("sequence") + 1;
    static const int digest_at = column_index("digest") + 1;
    static const int previous_at = column_index("previous_digest") + 1;
    static const int time_at = column_index("time_utc") + 1;
    const std::int64_t first = std::max<std::int64_t>(from, 1);
    for (const auto& [station, station_head] : heads) {
        if (failure) break;
        const std::int64_t head_sequence = station_head.sequence;
        const QString& head_digest = station_head.digest;
        std::optional<Link> last;
        std::optional<Record> newest_entry; // only for a newest entry that is not the head's
        const std::size_t breaks_before = check.breaks.size();
        const auto removed_before = [&](std::int64_t first_gone, std::int64_t last_gone,
                                        const QDateTime& next) {
            ChainBreak gap = removed(first_gone, last_gone);
            gap.station = station;
            gap.time = next;
            check.breaks.push_back(std::move(gap));
        };
        failure = select(
            version_ >= 4 ? QStringLiteral("station = ? AND sequence >= ?")
                          : QStringLiteral("sequence >= ?"),
            version_ >= 4 ? QVariantList{station, qlonglong(first - 1)}
                          : QVariantList{qlonglong(first - 1)},
            QStringLiteral("sequence"), [&](const QSqlQuery& row) {
                Link link{row.value(sequence_at).toLongLong(), row.value(digest_at).toString(),
                          row.value(previous_at).toString()};
                if (link.sequence < first) { // only what the first one looked at is chained to
                    last = std::move(link);
                    return true;
                }
                ++check.entries;
                const auto found = [&](ChainFault fault, const char* what) {
                    fail(fault, record_of(row), QLatin1String(what));
                };
                const std::int64_t expected = last ? last->sequence + 1 : first;
                if (last && link.sequence == last->sequence)
                    found(ChainFault::inserted,
                          ": inserted by hand, in the place of another entry");
                else if (link.sequence > expected)
                    removed_before(
                        expected, link.sequence - 1,
                        QDateTime::fromString(row.value(time_at).toString(), Qt::ISODateWithMs));
                if (link.sequence > head_sequence)
                    found(ChainFault::inserted,
                          ": inserted by hand, after the newest entry the log made");
                else if (chain_digest(stored_values(row)) != link.digest)
                    found(ChainFault::altered, ": altered by hand");
                else if ((last && link.sequence == last->sequence + 1 &&
                          link.previous != last->digest) ||
                         (link.sequence == 1 && !link.previous.isEmpty()))
                    found(ChainFault::unlinked, ": not chained to the entry before it, which "
                                                "was replaced by hand");
                if (link.sequence == head_sequence && link.digest != head_digest)
                    newest_entry = record_of(row);
                last = std::move(link);
                return true;
            });
        if (failure) break;
        const std::int64_t newest = last ? last->sequence : first - 1;
        const bool broken_at_newest =
            std::any_of(check.breaks.begin() + std::ptrdiff_t(breaks_before), check.breaks.end(),
                        [newest](const ChainBreak& b) { return b.sequence >= newest; });
        if (newest < head_sequence && head_sequence >= first)
            removed_before(std::max(newest + 1, first), head_sequence, {});
        else if (newest_entry && newest == head_sequence && !broken_at_newest)
            fail(ChainFault::altered, *newest_entry, QStringLiteral(": replaced by hand"));
    }
    // The company log's witness: an entry it holds otherwise is altered here.
    QSqlQuery witness(database);
    if (!failure &&
        witness.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = "
                                    "'company_witness'")) &&
        witness.next())
        failure = select(QStringLiteral("uuid IN (SELECT uuid FROM company_witness)"), {},
                         QStringLiteral("id"), [&](const QSqlQuery& row) {
                             fail(ChainFault::altered, record_of(row),
                                  QStringLiteral(": held otherwise by the company log"));
                             return true;
                         });
    if (failure) {
        check.unreadable = *failure;
        return check;
    }
    std::ranges::stable_sort(check.breaks, {}, &ChainBreak::sequence);
    return check;
}

Merge CommissioningLog::merge_from(const QString& other_path) {
    Merge merge;
    const QString shown = QDir::toNativeSeparators(other_path);
    const auto refused = [&](const QString& reason) {
        merge.refusal = QStringLiteral("%1 is not merged: %2").arg(shown, reason);
        return merge;
    };
    if (!QFileInfo(other_path).isFile()) return refused(QStringLiteral("there is no such file"));
    if (path_ && QFileInfo(other_path).canonicalFilePath() == QFileInfo(*path_).canonicalFilePath())
        return refused(QStringLiteral("it is this log"));
    CommissioningLog other(other_path);
    if (const std::optional<QString> failure = other.open(Access::read)) return refused(*failure);
    if (other.version_ == 0) return refused(QStringLiteral("it holds no entries"));
    if (other.version_ < 4)
        return refused(QStringLiteral("it was made by an older kvr-config, whose entries name no "
                                      "station; one entry recorded there with this version gives "
                                      "them their station"));
    // The file's entries and the newest entry of each station as the file knows it: its own
    // station's from its chain head, the others' as it merged them.
    std::vector<Record> entries;
    if (const auto failure = other.select({}, {}, QStringLiteral("station, sequence"),
                                          [&entries](const QSqlQuery& row) {
                                              entries.push_back(record_of(row));
                                              return true;
                                          }))
        return refused(*failure);
    std::vector<std::tuple<QString, qlonglong, QString>> heads;
    {
        QSqlQuery query(QSqlDatabase::database(other.connection_, false));
        if (!query.exec(QStringLiteral("SELECT (SELECT id FROM station), sequence, digest FROM "
                                       "chain_head UNION ALL SELECT station, sequence, digest "
                                       "FROM station_heads")))
            return refused(other.unreadable(failure_of(query)));
        while (query.next())
            heads.emplace_back(query.value(0).toString(), query.value(1).toLongLong(),
                               query.value(2).toString());
    }
    other.close();

    if (!path_) {
        merge.warning = QStringLiteral("the log is off: nothing was merged");
        return merge;
    }
    if (const std::optional<QString> failure = open(Access::write)) {
        merge.warning = warning(*failure);
        return merge;
    }
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    QSqlQuery query(database);
    const auto give_up = [&](const QString& reason) {
        QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        merge = {};
        merge.warning = warning(reason);
        return merge;
    };
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return give_up(failure_of(query));
    if (const auto failure = add_entries(entries, merge)) return give_up(*failure);
    // What the file knew of each other station's newest entry, unless this log knows of a
    // newer one; this station's own chain head is its own.
    QSqlQuery head(database);
    if (!head.prepare(QStringLiteral(
            "INSERT INTO station_heads (station, sequence, digest) VALUES (?, ?, ?) "
            "ON CONFLICT (station) DO UPDATE SET sequence = excluded.sequence, "
            "digest = excluded.digest WHERE excluded.sequence > station_heads.sequence")))
        return give_up(failure_of(head));
    for (const auto& [station, sequence, digest] : heads) {
        if (station == station_.id || station.isEmpty()) continue;
        head.addBindValue(station);
        head.addBindValue(sequence);
        head.addBindValue(digest);
        if (!head.exec()) return give_up(failure_of(head));
    }
    if (!query.exec(QStringLiteral("COMMIT"))) return give_up(failure_of(query));
    return merge;
}

std::optional<QString> CommissioningLog::add_entries(const std::vector<Record>& entries,
                                                     Merge& merge, bool witnessed) {
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    QSqlQuery query(database);
    // An entry is held as it is when every field is the file's: its digest alone would not
    // show a field edited without it.
    QStringList names;
    for (const Column& column : record_columns())
        names << QLatin1String(column.name);
    QSqlQuery held(database);
    if (!held.prepare(QStringLiteral("SELECT %1 FROM entries WHERE uuid = ? OR "
                                     "(station = ? AND sequence = ?)")
                          .arg(names.join(u','))))
        return failure_of(held);
    if (!query.prepare(insert_statement())) return failure_of(query);
    for (const Record& entry : entries) {
        held.addBindValue(entry.uuid);
        held.addBindValue(entry.station);
        held.addBindValue(qlonglong(entry.sequence));
        if (!held.exec()) return failure_of(held);
        if (held.next()) {
            bool same = true;
            int field = 0;
            for (const Column& column : record_columns())
                same = same && held.value(field++).toString() == column.get(entry).toString();
            if (same) {
                ++merge.held;
            } else {
                merge.held_differently << described(entry);
                if (witnessed) {
                    QSqlQuery witness(database);
                    witness.prepare(QStringLiteral(
                        "INSERT OR REPLACE INTO company_witness (uuid, station, sequence) "
                        "VALUES (?, ?, ?)"));
                    witness.addBindValue(entry.uuid);
                    witness.addBindValue(entry.station);
                    witness.addBindValue(qlonglong(entry.sequence));
                    if (!witness.exec()) return failure_of(witness);
                }
            }
            held.finish();
            continue;
        }
        held.finish();
        for (const Column& column : record_columns())
            query.addBindValue(column.get(entry));
        if (!query.exec()) return failure_of(query);
        ++merge.added;
    }
    return std::nullopt;
}

// What this log knows of a company log: up to which of its own ids every entry was pushed,
// and the entries the company log holds otherwise (its witness: they are altered here).
std::optional<QString> CommissioningLog::prepare_company_tables() {
    QSqlDatabase database = QSqlDatabase::database(connection_, false);
    return run(database,
               {QStringLiteral("CREATE TABLE IF NOT EXISTS company_sync (url TEXT PRIMARY KEY, "
                               "pushed_id INTEGER NOT NULL)"),
                QStringLiteral("CREATE TABLE IF NOT EXISTS company_witness (uuid TEXT PRIMARY KEY, "
                               "station TEXT, sequence INTEGER)"),
                QStringLiteral("CREATE TABLE IF NOT EXISTS company_read (url TEXT PRIMARY KEY, "
                               "read_utc TEXT NOT NULL)")});
}

std::optional<QString> CommissioningLog::push_waiting(CompanyConnection& connection,
                                                      std::int64_t& pushed) {
    if (const std::optional<QString> failure = open(Access::write)) return warning(*failure);
    if (const auto failure = prepare_company_tables()) return failure;
    const QString url = company_log_text(*company_);
    QSqlDatabase local = QSqlDatabase::database(connection_, false);
    QSqlQuery state(local);
    state.prepare(QStringLiteral("SELECT pushed_id FROM company_sync WHERE url = ?"));
    state.addBindValue(url);
    if (!state.exec()) return failure_of(state);
    const qlonglong pushed_id = state.next() ? state.value(0).toLongLong() : 0;
    state.finish();
    std::vector<QVariantList> rows;
    qlonglong newest = pushed_id;
    if (const auto failure =
            select(QStringLiteral("id > ? AND uuid IS NOT NULL AND station IS NOT NULL AND "
                                  "sequence IS NOT NULL"),
                   {pushed_id}, QStringLiteral("id"), [&](const QSqlQuery& row) {
                       newest = row.value(0).toLongLong();
                       QVariantList values;
                       for (int i = 1; i <= int(record_columns().size()); ++i)
                           values << row.value(i);
                       rows.push_back(std::move(values));
                       return true;
                   }))
        return failure;
    // An entry in no station's order (inserted by hand) is never pushed: log check names it.
    if (rows.empty()) return std::nullopt;
    // In batches, each one statement; an entry the company log holds already is left as it
    // is there (a push repeated after an interruption adds nothing).
    constexpr std::size_t kBatch = 500;
    const int width = int(record_columns().size());
    QStringList places;
    for (int i = 0; i < width; ++i)
        places << QStringLiteral("?");
    const QString row_places = u'(' + places.join(u',') + u')';
    QSqlDatabase company = connection.database();
    if (!company.transaction()) return company.lastError().text();
    QSqlQuery insert(company);
    for (std::size_t start = 0; start < rows.size(); start += kBatch) {
        const std::size_t end = std::min(rows.size(), start + kBatch);
        QStringList tuples;
        for (std::size_t i = start; i < end; ++i)
            tuples << row_places;
        if (!insert.prepare(
                QStringLiteral("INSERT INTO kvr_entries (%1) VALUES %2 ON CONFLICT DO NOTHING")
                    .arg(company_columns(), tuples.join(u','))))
            return company.rollback(), failure_of(insert);
        for (std::size_t i = start; i < end; ++i)
            for (const QVariant& value : rows[i])
                insert.addBindValue(value);
        if (!insert.exec()) {
            const QString failure = failure_of(insert);
            company.rollback();
            return QStringLiteral("the company log refused the entries: %1").arg(failure);
        }
        pushed += std::max(0, insert.numRowsAffected());
    }
    if (!company.commit()) return company.lastError().text();
    QSqlQuery update(local);
    update.prepare(
        QStringLiteral("INSERT INTO company_sync (url, pushed_id) VALUES (?, ?) "
                       "ON CONFLICT (url) DO UPDATE SET pushed_id = excluded.pushed_id"));
    update.addBindValue(url);
    update.addBindValue(newest);
    if (!update.exec()) return failure_of(update);
    return std::nullopt;
}

namespace {

// Stations and their sequences as two PostgreSQL arrays, for unnest().
std::pair<QString, QString> station_arrays(const StationHeads& heads) {
    QStringList stations, sequences;
    for (const auto& [station, head] : heads) {
        stations << u'"' + station + u'"'; // a UUID: nothing in it to escape
        sequences << QString::number(head.first);
    }
    return {u'{' + stations.join(u',') + u'}', u'{' + sequences.join(u',') + u'}'};
}

} // namespace

std::optional<QString> CommissioningLog::complete_heads(CompanyConnection& connection,
                                                        StationHeads& heads) {
    QSqlQuery local(QSqlDatabase::database(connection_, false));
    if (!local.exec(QStringLiteral(
            "SELECT e.station, e.sequence, e.digest FROM entries e JOIN (SELECT station, "
            "max(sequence) AS head FROM entries WHERE station IS NOT NULL AND sequence > 0 "
            "GROUP BY station HAVING count(DISTINCT sequence) = max(sequence)) h "
            "ON h.station = e.station AND h.head = e.sequence")))
        return warning(failure_of(local));
    while (local.next())
        heads[local.value(0).toString()] = {local.value(1).toLongLong(), local.value(2).toString()};
    if (heads.empty()) return std::nullopt;
    const auto [stations, sequences] = station_arrays(heads);
    QSqlQuery remote(connection.database());
    remote.prepare(QStringLiteral("SELECT e.station, e.digest FROM kvr_entries e JOIN "
                                  "unnest(?::text[], ?::bigint[]) AS k(station, head) "
                                  "ON e.station = k.station AND e.sequence = k.head"));
    remote.addBindValue(stations);
    remote.addBindValue(sequences);
    if (!remote.exec())
        return QStringLiteral("the company log cannot be read: %1").arg(failure_of(remote));
    StationHeads witnessed;
    while (remote.next()) {
        const auto head = heads.find(remote.value(0).toString());
        if (head != heads.end() && head->second.second == remote.value(1).toString())
            witnessed.insert(*head);
    }
    heads = std::move(witnessed);
    return std::nullopt;
}

std::optional<QString> CommissioningLog::pull(CompanyConnection& connection, CompanySync& sync,
                                              CompanyPull extent) {
    // The company log holds at least what it held when the reading started.
    const QDateTime read_started = QDateTime::currentDateTimeUtc();
    StationHeads known;
    if (extent == CompanyPull::new_entries)
        if (const auto failure = complete_heads(connection, known)) return failure;
    const auto [known_stations, known_sequences] = station_arrays(known);
    QSqlQuery remote(connection.database());
    remote.setForwardOnly(true);
    remote.prepare(QStringLiteral("SELECT %1 FROM kvr_entries e WHERE NOT EXISTS (SELECT 1 FROM "
                                  "unnest(?::text[], ?::bigint[]) AS k(station, head) WHERE "
                                  "k.station = e.station AND e.sequence <= k.head) "
                                  "ORDER BY station, sequence")
                       .arg(company_columns()));
    remote.addBindValue(known_stations);
    remote.addBindValue(known_sequences);
    if (!remote.exec())
        return QStringLiteral("the company log cannot be read: %1").arg(failure_of(remote));
    std::vector<Record> entries;
    StationHeads heads;
    while (remote.next()) {
        Record entry;
        int field = 0;
        for (const Column& column : record_columns())
            column.set(entry, remote.value(field++));
        if (entry.station != station_.id) heads[entry.station] = {entry.sequence, entry.digest};
        entries.push_back(std::move(entry));
    }
    QSqlDatabase local = QSqlDatabase::database(connection_, false);
    QSqlQuery query(local);
    const auto give_up = [&](const QString& reason) {
        QSqlQuery(local).exec(QStringLiteral("ROLLBACK"));
        return std::optional<QString>(warning(reason));
    };
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return warning(failure_of(query));
    // Entries pulled in need no push: when every entry was pushed before, they are too.
    const QString url = company_log_text(*company_);
    if (!query.exec(QStringLiteral("SELECT coalesce(max(id), 0) FROM entries")) || !query.next())
        return give_up(failure_of(query));
    const qlonglong newest_before = query.value(0).toLongLong();
    Merge merge;
    if (const auto failure = add_entries(entries, merge, true)) return give_up(*failure);
    QSqlQuery head(local);
    head.prepare(QStringLiteral(
        "INSERT INTO station_heads (station, sequence, digest) VALUES (?, ?, ?) "
        "ON CONFLICT (station) DO UPDATE SET sequence = excluded.sequence, "
        "digest = excluded.digest WHERE excluded.sequence > station_heads.sequence"));
    for (const auto& [station, newest] : heads) {
        head.addBindValue(station);
        head.addBindValue(newest.first);
        head.addBindValue(newest.second);
        if (!head.exec()) return give_up(failure_of(head));
    }
    QSqlQuery state(local);
    state.prepare(QStringLiteral("UPDATE company_sync SET pushed_id = (SELECT max(id) FROM "
                                 "entries) WHERE url = ? AND pushed_id = ?"));
    state.addBindValue(url);
    state.addBindValue(newest_before);
    if (!state.exec()) return give_up(failure_of(state));
    QSqlQuery read(local);
    read.prepare(QStringLiteral("INSERT INTO company_read (url, read_utc) VALUES (?, ?) "
                                "ON CONFLICT (url) DO UPDATE SET read_utc = excluded.read_utc"));
    read.addBindValue(url);
    read.addBindValue(read_started.toString(Qt::ISODateWithMs));
    if (!read.exec()) return give_up(failure_of(read));
    if (!query.exec(QStringLiteral("COMMIT"))) return give_up(failure_of(query));
    sync.pulled = merge.added;
    sync.altered = merge.held_differently;
    return std::nullopt;
}

CompanySync CommissioningLog::sync_company(int timeout_seconds, CompanyPull extent) {
    CompanySync sync;
    if (!company_) {
        sync.failure =
            QStringLiteral("no company log is named (--company-log URL or KVR_COMPANY_LOG)");
        return sync;
    }
    if (!path_) {
        sync.failure = QStringLiteral("the log is off: nothing to sync");
        return sync;
    }
    CompanyConnection company;
    std::optional<QString> failure = company.connect(*company_, timeout_seconds);
    if (!failure) failure = company.ours();
    if (!failure) failure = push_waiting(company, sync.pushed);
    if (!failure) failure = pull(company, sync, extent);
    if (failure) sync.failure = *failure;
    return sync;
}

CompanyPush CommissioningLog::push_company(int timeout_seconds) {
    if (!company_ || !path_) return {};
    CompanyConnection company;
    std::int64_t pushed = 0;
    std::optional<QString> failure = company.connect(*company_, timeout_seconds);
    if (!failure) failure = company.ours();
    if (!failure) failure = push_waiting(company, pushed);
    return {failure ? CompanyState::waiting : CompanyState::pushed, failure.value_or(QString())};
}

std::optional<QDateTime> CommissioningLog::company_read_at() {
    if (!company_ || absent() || open_to_read()) return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("SELECT read_utc FROM company_read WHERE url = ?"));
    query.addBindValue(company_log_text(*company_));
    // No such table: the company log was never read into this log.
    if (!query.exec() || !query.next()) return std::nullopt;
    QDateTime read = QDateTime::fromString(query.value(0).toString(), Qt::ISODateWithMs);
    if (!read.isValid()) return std::nullopt;
    return read.toUTC();
}

} // namespace kvr::records
