// The company log on a real PostgreSQL server (./test.sh starts one and names it in
// KVR_TEST_POSTGRES): two stations on one site, one of them offline and syncing later, a
// sync interrupted and resumed, the station role refused an update and a delete, a foreign
// database refused, and a handover pack made on one laptop proving both stations' panels,
// from a sync or from the pull every command makes first.
// This test program works in a database of its own, so it runs beside the others.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <unistd.h>

#include "company_test_database.h"
#include "kvr_panel_process.h"
#include "records/commissioning_log.h"
#include "simulator/pty_host.h"

namespace {

using kvr::sim::PtyHost;
using Run = KvrPanelRun;

QString save(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? path
                                                                                      : QString();
}

QByteArray named(const char* name) {
    QFile file(QStringLiteral(KVR_EXAMPLE));
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return bytes.replace("\"LOBBY\"", QByteArray("\"") + name + '"');
}

QJsonObject json_of(const Run& run) {
    return QJsonDocument::fromJson(run.bytes).object();
}

} // namespace

class TestCompanyLog : public QObject {
    Q_OBJECT

    QString server_;
    QString admin_; // the test's own database, as an administrator
    QString station_;

  private slots:
    void initTestCase() {
        server_ = qEnvironmentVariable("KVR_TEST_POSTGRES");
        if (server_.isEmpty())
            QSKIP("no PostgreSQL server was started for this test: ./test.sh starts one and "
                  "names it in KVR_TEST_POSTGRES");
        const QString database = QStringLiteral("kvr_company_test_%1").arg(::getpid());
        admin_ = new_database(server_, database);
        QVERIFY(!admin_.isEmpty());
        station_ = url_of(server_, database, "kvr_station");
        QCOMPARE(kvr_panel({"log", "init-company", admin_}).exit_code, 0);
        QCOMPARE(kvr_panel({"log", "init-company", admin_}).exit_code, 0);
    }

    // Two laptops on one site: one pushes as it goes, the other is offline and syncs later;
    // a pack made on the first proves both stations' panels. The station role may not change
    // or remove an entry, and an entry changed in a laptop's copy is altered.
    void twoStationsOneSite() {
        QTemporaryDir dir;
        const QString site = dir.filePath("site");
        QVERIFY(QDir().mkpath(site));
        const QString lobby = save(site + "/LOBBY.kcf", named("LOBBY"));
        const QString hall = save(site + "/HALL.kcf", named("HALL"));
        const QString a = dir.filePath("a.sqlite"), b = dir.filePath("b.sqlite");
        PtyHost panel;
        const QString port = QString::fromStdString(panel.slave_path());
        const Run pushed = kvr_panel(
            {"write", lobby, "--port", port, "--log", a, "--company-log", station_, "--json"});
        QCOMPARE(pushed.exit_code, 0);
        QVERIFY2(pushed.bytes.contains("\"state\": \"pushed\""), pushed.bytes);
        const QString offline = url_of(server_, "nowhere");
        const Run waiting =
            kvr_panel({"write", hall, "--port", port, "--log", b, "--company-log",
                       QString(offline).replace("host=", "host=/nonexistent"), "--json"});
        QCOMPARE(waiting.exit_code, 0);
        QVERIFY2(waiting.bytes.contains("\"state\": \"waiting\""), waiting.bytes);
        QCOMPARE(kvr_panel({"status", site, "--log", a}).exit_code, 1);

        const Run later =
            kvr_panel({"log", "sync", "--log", b, "--company-log", station_, "--json"});
        QCOMPARE(later.exit_code, 0);
        QCOMPARE(json_of(later)["pushed"].toInt(), 1);
        QCOMPARE(json_of(later)["pulled"].toInt(), 1);
        const Run first =
            kvr_panel({"log", "sync", "--log", a, "--company-log", station_, "--json"});
        QCOMPARE(json_of(first)["pulled"].toInt(), 1);
        QCOMPARE(json_of(first)["pushed"].toInt(), 0);
        const Run pack = kvr_panel(
            {"handover", site, "-o", dir.filePath("pack.pdf"), "--log", a, "--require-verified"});
        QVERIFY2(pack.exit_code == 0, qPrintable(pack.out + pack.err));

        QVERIFY(!run_sql(station_, "UPDATE kvr_entries SET device = 'x'").isEmpty());
        QVERIFY(!run_sql(station_, "DELETE FROM kvr_entries").isEmpty());
        QVERIFY(run_sql(station_, "SELECT count(*) FROM kvr_entries").isEmpty());

        // The first laptop's copy of the other station's entry changed, its chain and all:
        // the company log says it is altered.
        {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "editor");
            database.setDatabaseName(a);
            QVERIFY(database.open());
            QVERIFY(QSqlQuery(database).exec("UPDATE entries SET device = '/dev/ttyUSB7' "
                                             "WHERE panel_name = 'HALL'"));
        }
        QSqlDatabase::removeDatabase("editor");
        const Run witnessed =
            kvr_panel({"log", "sync", "--log", a, "--company-log", station_, "--json"});
        QCOMPARE(witnessed.exit_code, 1);
        QCOMPARE(json_of(witnessed)["altered"].toArray().size(), 1);
        const Run status = kvr_panel({"status", hall, "--log", a, "--json"});
        QVERIFY2(status.bytes.contains("AN ENTRY OF THE LOG WAS ALTERED"), status.bytes);
    }

    // A new laptop's pack after a pull first proves both stations' panels and says when the
    // company log was read; unreached, the pack is made from its copy and says since when.
    void packPulledFirst() {
        QTemporaryDir dir;
        const QString site = dir.filePath("site");
        QVERIFY(QDir().mkpath(site));
        save(site + "/OFFICE.kcf", named("OFFICE"));
        save(site + "/DESK.kcf", named("DESK"));
        PtyHost panel;
        const QString port = QString::fromStdString(panel.slave_path());
        for (const char* name : {"OFFICE", "DESK"})
            QCOMPARE(kvr_panel({"write", site + "/" + name + ".kcf", "--port", port, "--log",
                                dir.filePath(QString(name) + ".sqlite"), "--company-log", station_})
                         .exit_code,
                     0);
        const QString laptop = dir.filePath("new.sqlite");
        const auto pack_of = [&](const QString& company) {
            const Run run =
                kvr_panel({"handover", site, "-o", dir.filePath("pack.pdf"), "--log", laptop,
                           "--company-log", company, "--require-verified", "--json"});
            QProcess text;
            text.start("pdftotext", {dir.filePath("pack.pdf"), "-"});
            text.waitForFinished(30000);
            return std::pair(run, QString::fromUtf8(text.readAllStandardOutput()));
        };
        const auto [read, read_pack] = pack_of(station_);
        QVERIFY2(read.exit_code == 0, qPrintable(read.err));
        const QJsonObject company = json_of(read)["company_log"].toObject();
        QVERIFY(company["reached"].toBool());
        const QString line = company["line"].toString();
        QVERIFY2(line.startsWith("COMPANY LOG READ 20") && line.endsWith(" UTC"), qPrintable(line));
        QVERIFY(read_pack.contains(line));
        QSet<QString> stations;
        for (const QJsonValue entry :
             json_of(kvr_panel({"history", "--log", laptop, "--json"}))["entries"].toArray())
            if (entry["panel_name"] == "OFFICE" || entry["panel_name"] == "DESK")
                stations << entry["station"].toString();
        QCOMPARE(stations.size(), 2);

        const QString database = QUrl(station_).path().mid(1);
        QCOMPARE(run_sql(server_, "ALTER DATABASE " + database + " ALLOW_CONNECTIONS false"),
                 QString());
        const auto [unreached, unreached_pack] = pack_of(station_);
        QCOMPARE(run_sql(server_, "ALTER DATABASE " + database + " ALLOW_CONNECTIONS true"),
                 QString());
        QVERIFY2(unreached.exit_code == 0, qPrintable(unreached.err));
        QVERIFY(unreached.err.contains("company log not reached"));
        const QString last = line.mid(QString("COMPANY LOG READ ").size());
        QVERIFY2(unreached_pack.contains("COMPANY LOG NOT REACHED: LAST READ " + last),
                 qPrintable(unreached_pack));
        const Run never =
            kvr_panel({"status", site, "--log", dir.filePath("other.sqlite"), "--company-log",
                       QString(station_).replace("host=", "host=/nonexistent")});
        QCOMPARE(never.exit_code, 1);
        QVERIFY2(never.err.contains("never read before"), qPrintable(never.err));
    }

    // A sync killed at any moment: the second run finishes the work, nothing lost or twice.
    void syncInterruptedAndResumed() {
        QTemporaryDir dir;
        const QString log = dir.filePath("log.sqlite");
        {
            kvr::records::CommissioningLog local(log);
            std::vector<kvr::records::Record> entries(20000);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                entries[i].panel_name = QStringLiteral("P%1").arg(i % 100);
                entries[i].device = QStringLiteral("/dev/ttyUSB0");
            }
            QVERIFY(local.record_all(entries).logged);
        }
        const std::unique_ptr<QProcess> sync =
            start_kvr_panel({"log", "sync", "--log", log, "--company-log", station_});
        QTest::qWait(400);
        ::kill(pid_t(sync->processId()), SIGKILL);
        finish_kvr_panel(*sync);
        const Run resumed =
            kvr_panel({"log", "sync", "--log", log, "--company-log", station_, "--json"});
        QCOMPARE(resumed.exit_code, 0);
        const Run again =
            kvr_panel({"log", "sync", "--log", log, "--company-log", station_, "--json"});
        QCOMPARE(json_of(again)["pushed"].toInt(), 0);
        QCOMPARE(json_of(again)["pulled"].toInt(), 0);
        QSqlDatabase::addDatabase("QSQLITE", "count").setDatabaseName(log);
        qint64 local_entries = 0;
        {
            QSqlDatabase database = QSqlDatabase::database("count");
            QSqlQuery query(database);
            QVERIFY(query.exec("SELECT count(*) FROM entries") && query.next());
            local_entries = query.value(0).toLongLong();
        }
        QSqlDatabase::removeDatabase("count");
        QCOMPARE(local_entries, qint64(20000 + 4)); // and the sites' four above
    }

    void foreignDatabaseRefused() {
        const QString foreign =
            new_database(server_, QStringLiteral("kvr_foreign_test_%1").arg(::getpid()));
        QVERIFY(!foreign.isEmpty());
        QCOMPARE(run_sql(foreign, "CREATE TABLE invoices (number INTEGER)"), QString());
        QCOMPARE(kvr_panel({"log", "init-company", foreign}).exit_code, 3);
        QVERIFY(!run_sql(foreign, "SELECT 1 FROM kvr_company_log").isEmpty());
        QTemporaryDir dir;
        QCOMPARE(
            kvr_panel({"log", "sync", "--log", dir.filePath("l.sqlite"), "--company-log", foreign})
                .exit_code,
            3);
    }
};

QTEST_GUILESS_MAIN(TestCompanyLog)
#include "test_company_log.moc"
