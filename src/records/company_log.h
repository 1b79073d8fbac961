#pragma once
// The company log: every station's entries on the company's PostgreSQL server (Qt SQL's
// QPSQL driver), named by a URL in PostgreSQL's own form. The local log stays the first
// place an entry goes; the company log receives it after, and is the witness of what each
// station recorded: its station role may insert and select entries, never change or
// remove one.
//
// Passwords come only from where PostgreSQL's client library takes them (PGPASSWORD,
// ~/.pgpass); a URL that carries one is refused, so it never reaches a setting or the log.

#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <variant>

namespace kvr::records {

// How long a connection to the company log may take before the entry is left waiting.
inline constexpr int kCompanyPushTimeoutSeconds = 2;
inline constexpr int kCompanySyncTimeoutSeconds = 10;

// A connection to the company log, closed when it goes.
class CompanyConnection {
  public:
    CompanyConnection();
    ~CompanyConnection();
    CompanyConnection(const CompanyConnection&) = delete;
    CompanyConnection& operator=(const CompanyConnection&) = delete;

    // Connects to the server the URL names; nullopt, or why it cannot be reached.
    std::optional<QString> connect(const QString& url, int timeout_seconds);
    // Whether the database is a company log of ours: nullopt, or why not.
    std::optional<QString> ours();
    QSqlDatabase database() const;

  private:
    QString name_;
};

// Sets the database up as a company log (the schema, the mark that it is ours, and a role
// that may only insert and select entries); running it again changes nothing. A database
// holding anything else is refused and left untouched. nullopt, or why not.
std::optional<QString> init_company_log(const QString& url, const QString& station_role);

// Why the text is no URL of a company log (postgresql://[user@]host[:port]/dbname, and no
// password in it), or nullopt.
std::optional<QString> company_url_refusal(const QString& url);

// The URL as the texts show it (it carries no password).
QString company_log_text(const QString& url);

// The columns of the company log's table of entries, in record_columns() order.
QString company_columns();

} // namespace kvr::records
