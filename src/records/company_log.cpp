#include "records/company_log.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <atomic>

#include "records/record_columns.h"

namespace kvr::records {
namespace {

// What marks a database as a company log of ours, and the version of its schema.
const char* const kApplication = "kvr-config company log";
constexpr int kCompanySchemaVersion = 1;

QString unique_name() {
    static std::atomic<int> next{0};
    return QStringLiteral("kvr-company-log-%1").arg(next.fetch_add(1));
}

QString failure_of(const QSqlQuery& query) {
    return query.lastError().text().trimmed();
}

} // namespace

QString company_log_text(const QString& url) {
    return QUrl(url).toString(QUrl::RemovePassword);
}

QString company_columns() {
    QStringList names;
    for (const Column& column : record_columns())
        names << QLatin1String(column.name);
    return names.join(u',');
}

CompanyConnection::CompanyConnection() : name_(unique_name()) {}

CompanyConnection::~CompanyConnection() {
    if (!QSqlDatabase::contains(name_)) return;
    QSqlDatabase::database(name_, false).close();
    QSqlDatabase::removeDatabase(name_);
}

QSqlDatabase CompanyConnection::database() const {
    return QSqlDatabase::database(name_, false);
}

std::optional<QString> company_url_refusal(const QString& url) {
    const QUrl address(url);
    if (!address.isValid() || (address.scheme() != QLatin1String("postgresql") &&
                               address.scheme() != QLatin1String("postgres")))
        return QStringLiteral("%1 is no PostgreSQL URL (postgresql://[user@]host[:port]/dbname)")
            .arg(company_log_text(url));
    if (!address.password().isEmpty() ||
        QUrlQuery(address).hasQueryItem(QStringLiteral("password")))
        return QStringLiteral("a password in the URL is not taken; PostgreSQL's PGPASSWORD or "
                              "~/.pgpass gives it");
    return std::nullopt;
}

std::optional<QString> CompanyConnection::connect(const QString& url, int timeout_seconds) {
    if (const auto refusal = company_url_refusal(url)) return refusal;
    const QUrl address(url);
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
    if (!database.isValid())
        return QStringLiteral("the Qt PostgreSQL driver (libqt6sql6-psql) is not installed");
    QUrlQuery query(address);
    QString host = address.host();
    int port = address.port(5432);
    QStringList options{QStringLiteral("connect_timeout=%1").arg(timeout_seconds)};
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            host = value;
        else if (key == QLatin1String("port"))
            port = value.toInt();
        else
            options << key + u'=' + value;
    }
    database.setHostName(host);
    database.setPort(port);
    database.setDatabaseName(address.path().mid(1));
    if (!address.userName().isEmpty()) database.setUserName(address.userName());
    database.setConnectOptions(options.join(u';'));
    if (!database.open())
        return QStringLiteral("the company log %1 cannot be reached: %2")
            .arg(company_log_text(url), database.lastError().text().simplified());
    return std::nullopt;
}

std::optional<QString> CompanyConnection::ours() {
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT application, version FROM kvr_company_log")) ||
        !query.next() || query.value(0).toString() != QLatin1String(kApplication))
        return QStringLiteral("the database is no company log of kvr-config (kvr-panel log "
                              "init-company sets one up)");
    if (query.value(1).toInt() > kCompanySchemaVersion)
        return QStringLiteral("the company log was set up by a newer kvr-config");
    return std::nullopt;
}

std::optional<QString> init_company_log(const QString& url, const QString& station_role) {
    static const QRegularExpression role_name(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$"));
    if (!role_name.match(station_role).hasMatch())
        return QStringLiteral("the station role \"%1\" is no plain PostgreSQL name (small "
                              "letters, digits and _)")
            .arg(station_role);
    CompanyConnection connection;
    if (const auto failure = connection.connect(url, kCompanySyncTimeoutSeconds)) return failure;
    QSqlDatabase database = connection.database();
    QSqlQuery query(database);
    if (!database.transaction()) return database.lastError().text();
    const auto give_up = [&](const QString& reason) {
        database.rollback();
        return std::optional<QString>(reason);
    };
    if (!query.exec(QStringLiteral("SELECT count(*) FROM pg_class c JOIN pg_namespace n ON "
                                   "n.oid = c.relnamespace WHERE n.nspname NOT IN "
                                   "('pg_catalog', 'information_schema', 'pg_toast')")) ||
        !query.next())
        return give_up(failure_of(query));
    const bool empty = query.value(0).toLongLong() == 0;
    if (!empty && connection.ours())
        return give_up(QStringLiteral("the database holds another program's data; it is left "
                                      "as it is"));
    QStringList statements;
    if (empty) {
        QStringList columns{QStringLiteral("number BIGSERIAL PRIMARY KEY")};
        for (const Column& column : record_columns()) {
            const bool integer =
                column.kind == ColumnKind::integer || column.kind == ColumnKind::flag;
            const QString name = QLatin1String(column.name);
            const bool required = name == QLatin1String("uuid") ||
                                  name == QLatin1String("station") ||
                                  name == QLatin1String("sequence");
            columns << name + (integer ? QStringLiteral(" BIGINT") : QStringLiteral(" TEXT")) +
                           (required ? QStringLiteral(" NOT NULL") : QString());
        }
        columns << QStringLiteral("UNIQUE (uuid)") << QStringLiteral("UNIQUE (station, sequence)");
        statements << QStringLiteral("CREATE TABLE kvr_company_log (application TEXT NOT NULL, "
                                     "version INTEGER NOT NULL)")
                   << QStringLiteral("INSERT INTO kvr_company_log VALUES ('%1', %2)")
                          .arg(QLatin1String(kApplication))
                          .arg(kCompanySchemaVersion)
                   << QStringLiteral("CREATE TABLE kvr_entries (%1)").arg(columns.join(u','))
                   << QStringLiteral("REVOKE ALL ON kvr_entries, kvr_company_log FROM PUBLIC");
    }
    // The station role: insert and select, nothing else; made when it is not there yet.
    statements
        << QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE "
                          "rolname = '%1') THEN CREATE ROLE %1 LOGIN; END IF; END $$")
               .arg(station_role)
        << QStringLiteral("GRANT CONNECT ON DATABASE \"%1\" TO %2")
               .arg(database.databaseName(), station_role)
        << QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(station_role)
        << QStringLiteral("REVOKE UPDATE, DELETE, TRUNCATE ON kvr_entries FROM %1")
               .arg(station_role)
        << QStringLiteral("GRANT SELECT, INSERT ON kvr_entries TO %1").arg(station_role)
        << QStringLiteral("GRANT SELECT ON kvr_company_log TO %1").arg(station_role)
        << QStringLiteral("GRANT USAGE ON SEQUENCE kvr_entries_number_seq TO %1").arg(station_role);
    for (const QString& statement : statements)
        if (!query.exec(statement)) return give_up(failure_of(query));
    if (!database.commit()) return give_up(database.lastError().text());
    return std::nullopt;
}

} // namespace kvr::records
