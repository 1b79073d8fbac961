#include "records/commissioning_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <filesystem>
#include <variant>

#include "records/record_columns.h"

namespace kvr::records {
namespace {

// The second version added the simulated column, and the application id that marks the
// log as ours before anything is done to a file.
constexpr int kSchemaVersion = 2;
constexpr int kApplicationId = 0x4B56524C; // "KVRL"
// Long enough to outlast another writer's entry, short enough that a stuck log never holds
// up a panel operation noticeably.
constexpr int kBusyTimeoutMs = 3000;
const QByteArray kSqliteHeader("SQLite format 3\0", 16);
// Offsets of two big-endian numbers in an SQLite file's header.
constexpr int kUserVersionOffset = 60;
constexpr int kApplicationIdOffset = 68;
constexpr int kHeaderSize = 100;

// What the first version's entries did not say about their panel: kvr-panel named its
// simulated panels, and a pseudo-terminal used by the window may have been its built-in
// panel (unknown); every other entry was a port named by the user.
const char* const kFirstVersionSimulated =
    "CASE WHEN device LIKE 'SIMULATED PANEL %' THEN 1 "
    "WHEN program = 'kvr-config' AND device LIKE '/dev/pts/%' THEN NULL ELSE 0 END";

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

// history --panel, which matches without regard to case; new with the second version.
const char* const kPanelAnyCaseIndex =
    "CREATE INDEX entries_by_panel_any_case ON entries (panel_name COLLATE NOCASE, time_utc)";

// Every filter and the newest-first order use one of these.
const char* const kIndexes[] = {
    "CREATE INDEX entries_by_time ON entries (time_utc)",
    "CREATE INDEX entries_by_panel ON entries (panel_name, time_utc)",
    kPanelAnyCaseIndex,
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
        if (!names.contains(QLatin1String(column.name)) &&
            QLatin1String(column.name) != QLatin1String("simulated"))
            return false;
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
    return run(database, {QStringLiteral("PRAGMA journal_mode = WAL"),
                          QStringLiteral("PRAGMA synchronous = FULL")});
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
    QStringList statements;
    switch (std::get<int>(version)) {
    case 0:
        statements << create_table_statement();
        for (const char* index : kIndexes)
            statements << QString::fromLatin1(index);
        break;
    case 1:
        statements << QStringLiteral("ALTER TABLE entries ADD COLUMN simulated INTEGER")
                   << QStringLiteral("UPDATE entries SET simulated = %1")
                          .arg(QLatin1String(kFirstVersionSimulated))
                   << QString::fromLatin1(kPanelAnyCaseIndex);
        break;
    default:
        break;
    }
    if (!statements.isEmpty()) {
        statements << QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId)
                   << QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion);
        if (const auto failure = run(database, statements)) return give_up(*failure);
    }
    if (!query.exec(QStringLiteral("COMMIT"))) return give_up(failure_of(query));
    version_ = kSchemaVersion;
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
    if (const std::optional<QString> failure = open(Access::write))
        return {false, warning(*failure)};
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

QString CommissioningLog::unreadable(const QString& reason) const {
    return QStringLiteral("commissioning log %1 cannot be read: %2")
        .arg(QDir::toNativeSeparators(path_.value_or(QString())), reason);
}

History CommissioningLog::query(const QString& where, const QVariantList& values, int limit,
                                const std::function<bool(const Record&)>& keep) {
    // Reading never makes a log that is not there.
    if (!path_) return {};
    if (!QFileInfo::exists(*path_)) {
        std::error_code error;
        [[maybe_unused]] const auto status =
            std::filesystem::status(std::filesystem::path(path_->toStdU16String()), error);
        if (!error || error == std::errc::no_such_file_or_directory) return {};
        // A link that leads round in a loop, a folder that may not be searched: a log may be
        // there, and it cannot be read.
        return {{}, unreadable(QString::fromStdString(error.message()).toLower())};
    }
    if (const std::optional<QString> failure = open(Access::read))
        return {{}, unreadable(*failure)};
    // A log with nothing in it yet has no table to ask.
    if (version_ == 0) return {};
    QStringList names{QStringLiteral("id")};
    for (const Column& column : record_columns())
        names << (version_ == 1 && QLatin1String(column.name) == QLatin1String("simulated")
                      ? QLatin1String(kFirstVersionSimulated)
                      : QLatin1String(column.name));
    QString statement = QStringLiteral("SELECT %1 FROM entries").arg(names.join(u','));
    if (!where.isEmpty()) statement += QStringLiteral(" WHERE ") + where;
    statement += QStringLiteral(" ORDER BY time_utc DESC, id DESC");
    if (limit > 0 && !keep) statement += QStringLiteral(" LIMIT %1").arg(limit);

    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!query.prepare(statement)) return {{}, unreadable(failure_of(query))};
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) return {{}, unreadable(failure_of(query))};
    History history;
    while (query.next()) {
        Record entry;
        entry.id = query.value(0).toLongLong();
        int field = 1;
        for (const Column& column : record_columns())
            column.set(entry, query.value(field++));
        if (keep && !keep(entry)) continue;
        history.entries.push_back(std::move(entry));
        if (limit > 0 && int(history.entries.size()) == limit) break;
    }
    if (query.lastError().isValid()) return {{}, unreadable(failure_of(query))};
    return history;
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

History CommissioningLog::with_digest(const QString& digest, int limit,
                                      const std::function<bool(const Record&)>& keep) {
    return query(QStringLiteral("values_digest = ?"), {digest}, limit, keep);
}

} // namespace kvr::records
