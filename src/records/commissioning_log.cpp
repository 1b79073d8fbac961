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
// log as ours before anything is done to a file; the third the line, the run, the sequence
// and the chain, and orders entries by their sequence.
constexpr int kSchemaVersion = 3;
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

// Every filter and the newest-first order use one of these; history --panel matches
// without regard to case.
const char* const kIndexes[] = {
    "CREATE UNIQUE INDEX entries_by_sequence ON entries (sequence)",
    "CREATE INDEX entries_by_panel ON entries (panel_name, sequence)",
    "CREATE INDEX entries_by_panel_any_case ON entries (panel_name COLLATE NOCASE, sequence)",
    "CREATE INDEX entries_by_device ON entries (device, sequence)",
    "CREATE INDEX entries_by_run ON entries (run)",
};
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
    const int found = std::get<int>(version);
    QStringList statements;
    if (found == 0) {
        statements << create_table_statement() << QString::fromLatin1(kChainHeadTable)
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
    if (found > 0 && found < kSchemaVersion) {
        statements << QString::fromLatin1(kChainHeadTable) << QString::fromLatin1(kTimeIndex);
        for (const char* index : kTimeOrderedIndexes)
            statements << QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(index));
    }
    if (!statements.isEmpty()) {
        statements << QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId)
                   << QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion);
        if (const auto failure = run(database, statements)) return give_up(*failure);
    }
    if (found > 0 && found < kSchemaVersion) {
        if (const auto failure = chain_existing_entries()) return give_up(*failure);
        QStringList indexes;
        for (const char* index : kIndexes)
            indexes << QString::fromLatin1(index);
        if (const auto failure = run(database, indexes)) return give_up(*failure);
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
    return {true, {}};
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
    const std::optional<QString> failure = select(
        where, values, sequence_column() + QStringLiteral(" DESC"), [&](const QSqlQuery& row) {
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
    return select(QStringLiteral("panel_name = ?"), {panel_name},
                  sequence_column() + QStringLiteral(" DESC"),
                  [&visit](const QSqlQuery& row) { return visit(record_of(row)); });
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

ChainBreak removed(std::int64_t first, std::int64_t last) {
    return {ChainFault::removed, first, 0,
            first == last ? QStringLiteral("sequence %1: the entry was removed").arg(first)
                          : QStringLiteral("sequence %1 to %2: %3 entries were removed")
                                .arg(first)
                                .arg(last)
                                .arg(last - first + 1)};
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
    QSqlQuery head(QSqlDatabase::database(connection_, false));
    if (!head.exec(QStringLiteral("SELECT sequence, digest FROM chain_head"))) {
        check.unreadable = unreadable(failure_of(head));
        return check;
    }
    const std::int64_t head_sequence = head.next() ? head.value(0).toLongLong() : 0;
    const QString head_digest = head.value(1).toString();

    const auto fail = [&check](ChainFault fault, const Record& entry, const QString& what) {
        check.breaks.push_back({fault, entry.sequence, entry.id, described(entry) + what});
    };
    std::optional<QString> failure = select(
        QStringLiteral("sequence IS NULL"), {}, QStringLiteral("id"), [&](const QSqlQuery& row) {
            fail(ChainFault::inserted, record_of(row),
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
    std::optional<Link> last;
    std::optional<Record> newest_entry; // only for a newest entry that is not the head's
    const std::int64_t first = std::max<std::int64_t>(from, 1);
    if (!failure)
        failure = select(
            QStringLiteral("sequence >= ?"), {qlonglong(first - 1)}, QStringLiteral("sequence"),
            [&](const QSqlQuery& row) {
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
                    check.breaks.push_back(removed(expected, link.sequence - 1));
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
    if (failure) {
        check.unreadable = *failure;
        return check;
    }
    const std::int64_t newest = last ? last->sequence : first - 1;
    if (newest < head_sequence && head_sequence >= first)
        check.breaks.push_back(removed(std::max(newest + 1, first), head_sequence));
    else if (newest_entry && newest == head_sequence && !check.broken_from(newest))
        fail(ChainFault::altered, *newest_entry, QStringLiteral(": replaced by hand"));
    std::ranges::sort(check.breaks, {}, &ChainBreak::sequence);
    return check;
}

} // namespace kvr::records
