#pragma once
// A database of its own on the PostgreSQL server ./test.sh starts (KVR_TEST_POSTGRES), and
// statements run on it straight through Qt SQL, as an administrator or a station.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

// The server's URL with another database and user.
inline QString url_of(const QString& server, const QString& database, const QString& user = {}) {
    QUrl url(server);
    url.setPath(u'/' + database);
    if (!user.isEmpty()) url.setUserName(user);
    return url.toString();
}

// Runs the statement; its failure's text, or nothing.
inline QString run_sql(const QString& url, const QString& statement) {
    const QUrl address(url);
    const QUrlQuery query(address);
    QString failure;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase("QPSQL", "test");
        database.setHostName(query.queryItemValue("host"));
        database.setPort(query.queryItemValue("port").toInt());
        database.setDatabaseName(address.path().mid(1));
        database.setUserName(address.userName());
        if (!database.open()) return database.lastError().text();
        QSqlQuery sql(database);
        if (!sql.exec(statement)) failure = sql.lastError().text();
    }
    QSqlDatabase::removeDatabase("test");
    return failure;
}

// A new, empty database named name on the server; its URL for an administrator, or
// nothing when it could not be made.
inline QString new_database(const QString& server, const QString& name) {
    run_sql(server, "DROP DATABASE IF EXISTS " + name);
    return run_sql(server, "CREATE DATABASE " + name).isEmpty() ? url_of(server, name) : QString();
}
