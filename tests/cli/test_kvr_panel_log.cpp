// kvr-panel and the commissioning log: the entries a gang write leaves, history's formats
// and filters, a log that cannot be written, the sheet's stamp and the handover pack.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>
#include <set>
#include <sys/stat.h>

#include "kvr_panel_process.h"
#include "records/commissioning_log.h"
#include "simulator/pty_host.h"

namespace {

using kvr::sim::PanelSettings;
using kvr::sim::PtyHost;

using Run = KvrPanelRun;

QJsonArray array_of(const Run& run, const char* key) {
    return QJsonDocument::fromJson(run.bytes).object()[key].toArray();
}

QString pdf_text(const QString& pdf) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", pdf, "-"});
    pdftotext.waitForFinished(10000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The shipped example, and what a panel holds at locations 0..24 once it is written.
QByteArray lobby_file() {
    QFile file(QStringLiteral(KVR_EXAMPLE));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
const QList<int> kLobbyValues = {20, 21, 22, 23, 24, 25, 26, 27, 28,  29, 20, 21, 22,
                                 23, 24, 25, 26, 27, 28, 29, 31, 160, 5,  10, 2};

QString save(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? path
                                                                                      : QString();
}

QString hex_sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

class TestKvrPanelLog : public QObject {
    Q_OBJECT
  private slots:
    // A gang of three, one hanging up mid-write: one entry each, committed before the
    // results, with what was programmed, where the failure stopped and what was read back.
    void gangWriteEntriesAndHistory() {
        QTemporaryDir dir;
        const QString file = save(dir.filePath("LOBBY.kcf"), lobby_file());
        const QString log = dir.filePath("log.sqlite");
        PanelSettings hangs_up;
        hangs_up.faults.hang_up_after = 10; // answers up to the read-back of location 3
        std::vector<std::unique_ptr<PtyHost>> panels;
        QStringList arguments{"write", file, "--log", log, "--json"};
        for (const PanelSettings& settings : {PanelSettings(), PanelSettings(), hangs_up}) {
            panels.push_back(std::make_unique<PtyHost>(settings));
            arguments << "--port" << QString::fromStdString(panels.back()->slave_path());
        }
        const Run write = kvr_panel(arguments);
        QCOMPARE(write.exit_code, 2);
        for (const QJsonValue port : array_of(write, "ports"))
            QVERIFY(port.toObject()["logged"].toBool());

        const Run history = kvr_panel({"history", "--log", log, "--json"});
        QCOMPARE(history.exit_code, 0);
        const QJsonArray entries = array_of(history, "entries");
        QCOMPARE(entries.size(), 3);
        QStringList digest_text;
        for (const int value : kLobbyValues)
            digest_text << QString::number(value);
        const QString digest = hex_sha256(digest_text.join(',').toLatin1());
        for (int i = 0; i < 3; ++i) {
            const QString device = QString::fromStdString(panels[std::size_t(i)]->slave_path());
            const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
                return e.toObject()["device"].toString() == device;
            });
            QVERIFY(found != entries.end());
            const QJsonObject entry = found->toObject();
            QVERIFY(entry["program"] == "kvr-panel" && entry["operation"] == "write");
            QCOMPARE(entry["panel_name"].toString(), "LOBBY");
            QCOMPARE(entry["source"].toString(), QFileInfo(file).absoluteFilePath());
            QCOMPARE(entry["source_sha256"].toString(), hex_sha256(lobby_file()));
            QCOMPARE(entry["values_digest"].toString(), digest);
            // One run: the three prove the file together or not at all.
            QCOMPARE(entry["line"].toString(), "pseudo-terminal");
            QVERIFY(!entry["run"].toString().isEmpty() &&
                    entry["run"] == entries[0].toObject()["run"]);
            QList<int> read_back;
            for (const QJsonValue value : entry["read_back"].toArray())
                read_back << value.toInt();
            if (i < 2) {
                QCOMPARE(entry["outcome"].toString(), "programmed and verified");
                QCOMPARE(read_back, kLobbyValues);
                QVERIFY(entry["failure_location"].isNull());
            } else {
                QCOMPARE(entry["outcome"].toString(), "failed");
                QCOMPARE(read_back, kLobbyValues.mid(0, 4));
                QVERIFY(entry["failure_location"] == 4 &&
                        entry["failure_function"] == "SW5 assignment");
                QVERIFY(entry["failure_reason"].toString().contains("BAD SWITCH PANEL DATA"));
            }
        }

        const Run csv = kvr_panel({"history", "--log", log, "--csv"});
        QVERIFY(csv.bytes.startsWith("id,time_utc,program,version,operation,device,adapter,"
                                     "vid_pid,serial_number,panel_name,source,source_sha256,"
                                     "values_digest,outcome,failure_location,failure_function,"
                                     "failure_reason,read_back,duration_ms,simulated,line,run,"
                                     "sequence,previous_digest,digest,uuid,station,station_host,"
                                     "station_user\r\n"));
        QCOMPARE(csv.bytes.count("\r\n"), 4);
        const Run one = kvr_panel(
            {"history", "--log", log, "--device", QString::fromStdString(panels[2]->slave_path())});
        QVERIFY(one.bytes.count('\n') == 2 && one.bytes.contains("SW5 assignment"));
        const Run later = kvr_panel({"history", "--log", log, "--since", "2999-01-01", "--json"});
        QVERIFY(array_of(later, "entries").isEmpty());
        QCOMPARE(kvr_panel({"history", "--log", log, "--since", "31/05/2024"}).exit_code, 3);
    }

    // Entries as history's CSV and JSON give them: fields quoted where they need it, a text
    // a spreadsheet would run as a formula made harmless (numbers are not), nulls in JSON.
    void historyCsvAndJson() {
        QTemporaryDir dir;
        const QString log = dir.filePath("log.sqlite");
        kvr::records::CommissioningLog commissioning(log);
        kvr::records::Record plain;
        plain.program = "kvr-panel";
        plain.device = "/dev/ttyUSB0";
        plain.panel_name = "LOBBY";
        plain.outcome = kvr::records::RecordOutcome::programmed_and_verified;
        kvr::records::Record formulas = plain;
        formulas.outcome = kvr::records::RecordOutcome::failed;
        formulas.panel_name = "=HYPERLINK(\"x\")";
        formulas.device = "@SUM(A1)";
        formulas.failure = kvr::records::failure_at(5, "COMMUNICATIONS FAILURE, \"BAD\" DATA");
        formulas.read_back = {-1, 160};
        kvr::records::Record tab = plain;
        tab.failure.reason = "\tTAB";
        for (kvr::records::Record* entry : {&plain, &formulas, &tab})
            QVERIFY(commissioning.record(*entry).logged);

        const Run csv = kvr_panel({"history", "--log", log, "--csv"});
        QCOMPARE(csv.exit_code, 0);
        QCOMPARE(csv.bytes.count("\r\n"), 4);
        for (const char* field : {",'@SUM(A1),", ",\"'=HYPERLINK(\"\"x\"\")\",", ",'\tTAB,",
                                  ",\"-1,160\",", ",\"COMMUNICATIONS FAILURE, \"\"BAD\"\" DATA\","})
            QVERIFY2(csv.bytes.contains(field), field);
        const QJsonArray entries =
            array_of(kvr_panel({"history", "--log", log, "--json"}), "entries");
        QCOMPARE(entries[1]["failure_location"].toInt(), 5);
        QCOMPARE(entries[1]["read_back"].toArray(), (QJsonArray{-1, 160}));
        QVERIFY(entries[2]["failure_location"].isNull());
    }

    // A log that cannot be written never fails the operation; an output never replaces it.
    void unwritableLogAndProtectedLog() {
        QTemporaryDir dir;
        const QString file = save(dir.filePath("LOBBY.kcf"), lobby_file());
        const Run write = kvr_panel({"write", file, "--simulate", "--log", dir.path(), "--json"});
        QCOMPARE(write.exit_code, 0);
        QVERIFY(!array_of(write, "ports")[0].toObject()["logged"].toBool());
        QCOMPARE(write.err.count('\n'), 1);
        QVERIFY2(write.err.contains("commissioning log"), qPrintable(write.err));

        const QString log = save(dir.filePath("log.sqlite"), QByteArray());
        const Run sheet = kvr_panel({"sheet", file, "--log", log, "-o", log});
        QCOMPARE(sheet.exit_code, 3);
        QCOMPARE(QFileInfo(log).size(), 0);
    }

    // The pack of a folder with a verified panel, its copy under another name, a panel
    // name given twice, and entries that are no files: only the panel the log names is
    // proven, each refusal says why, and --require-verified says the site is not done.
    void handoverAndSheetStamp() {
        QTemporaryDir dir;
        QDir site(dir.filePath("site"));
        QVERIFY(site.mkpath("."));
        const QString file = save(site.filePath("LOBBY.kcf"), lobby_file());
        QByteArray hall = lobby_file();
        hall.replace("\"LOBBY\"", "\"HALL\"");
        const QString hall_file = save(site.filePath("HALL.kcf"), hall);
        save(site.filePath("BROKEN.KCF"), "07-04412");
        const QString log = dir.filePath("log.sqlite");
        PtyHost panel;
        const QString port = QString::fromStdString(panel.slave_path());
        QCOMPARE(kvr_panel({"write", file, "--port", port, "--log", log}).exit_code, 0);
        QCOMPARE(kvr_panel({"write", hall_file, "--simulate", "--log", log}).exit_code, 0);
        QVERIFY(site.mkdir("folder.kcf"));
        QVERIFY(QFile::link(site.filePath("gone"), site.filePath("dangling.kcf")));
        QVERIFY(QFile::link(site.filePath("loop.kcf"), site.filePath("loop.kcf")));
        QCOMPARE(::mkfifo(qPrintable(site.filePath("fifo.kcf")), 0600), 0);

        const QString pack = dir.filePath("pack.pdf");
        const QStringList handover{"handover", site.path(), "-o",     pack,
                                   "--log",    log,         "--site", "HARBOUR HOUSE"};
        const Run strict = kvr_panel(handover + QStringList{"--require-verified"});
        QCOMPARE(strict.exit_code, 1);
        QVERIFY2(strict.bytes.contains("LOBBY.kcf: PROVEN - PROGRAMMED AND VERIFIED (") &&
                     strict.bytes.contains(" (PSEUDO-TERMINAL)) FROM LOBBY.kcf"),
                 strict.bytes);
        QVERIFY(
            strict.bytes.contains("HALL.kcf: NOT PROVEN - ONLY EVER WRITTEN TO A SIMULATED PANEL"));
        for (const char* refused :
             {"BROKEN.KCF: NOT PROVEN - REFUSED",
              "folder.kcf: NOT PROVEN - REFUSED: it is a folder",
              "dangling.kcf: NOT PROVEN - REFUSED: it is a link", "loop.kcf: NOT PROVEN - REFUSED",
              "fifo.kcf: NOT PROVEN - REFUSED: it is a FIFO"})
            QVERIFY2(strict.bytes.contains(refused), refused);
        const QString index = pdf_text(pack);
        QVERIFY2(index.contains("1 programmed and verified, 1 not verified, 5 files refused"),
                 qPrintable(index));
        QVERIFY(index.contains("HARBOUR HOUSE"));
        QCOMPARE(kvr_panel(handover).exit_code, 0);

        // A second file with the same name cannot be told from the first by the log: the
        // pack, --require-verified, status and the sheet of either file all say so.
        const QString copy = save(site.filePath("LOBBY COPY.kcf"), lobby_file());
        const Run shared = kvr_panel(handover + QStringList{"--require-verified", "--json"});
        QCOMPARE(shared.exit_code, 1);
        const QString because = "PANEL NAME ALSO IN LOBBY COPY.kcf";
        const auto lobby_of = [](const Run& run) {
            for (const QJsonValue value : array_of(run, "panels"))
                if (value.toObject()["file"].toString().endsWith("/LOBBY.kcf") ||
                    value.toObject()["file"] == "LOBBY.kcf")
                    return value.toObject();
            return QJsonObject();
        };
        QCOMPARE(lobby_of(shared)["status"].toString(), "not_proven");
        QCOMPARE(lobby_of(shared)["reason"].toString(), because);
        QVERIFY(!lobby_of(shared)["verified"].toBool());
        QVERIFY(pdf_text(pack).contains(because));
        const Run status = kvr_panel({"status", site.path(), "--log", log, "--json"});
        QCOMPARE(status.exit_code, 1);
        QCOMPARE(lobby_of(status)["reason"].toString(), because);
        const Run one = kvr_panel({"status", file, "--log", log});
        QCOMPARE(one.exit_code, 1);
        QVERIFY2(one.bytes.contains("LOBBY.kcf: NOT PROVEN - " + because.toLatin1()), one.bytes);
        const QString shared_sheet = dir.filePath("shared.pdf");
        QCOMPARE(kvr_panel({"sheet", file, "-o", shared_sheet, "--log", log}).exit_code, 0);
        const QString shared_text = pdf_text(shared_sheet);
        QVERIFY(shared_text.contains("NOT YET PROGRAMMED AND VERIFIED") &&
                shared_text.contains(because));
        QVERIFY(QFile::remove(copy));
        QCOMPARE(kvr_panel({"status", file, "--log", log}).exit_code, 0);

        // A folder with nothing in it is not a site that is done.
        QVERIFY(QDir(dir.path()).mkdir("empty"));
        QCOMPARE(kvr_panel({"handover", dir.filePath("empty"), "-o", pack, "--log", log,
                            "--require-verified"})
                     .exit_code,
                 1);

        const QString sheet = dir.filePath("sheet.pdf");
        QCOMPARE(kvr_panel({"sheet", file, "-o", sheet, "--log", log, "--installer", "J. SMITH"})
                     .exit_code,
                 0);
        const QString stamped = pdf_text(sheet);
        QVERIFY(stamped.contains("PROGRAMMED AND VERIFIED") && stamped.contains("J. SMITH"));
        QVERIFY(!stamped.contains("CHANGED SINCE"));
        QCOMPARE(kvr_panel({"sheet", hall_file, "-o", sheet, "--log", log}).exit_code, 0);
        QVERIFY(pdf_text(sheet).contains("NOT YET PROGRAMMED AND VERIFIED"));
        // A designation edited after the write: the panel holds the same, the labels do not.
        QByteArray edited = lobby_file();
        edited.replace("\"ENTRY\"", "\"FOYER\"");
        save(file, edited);
        QCOMPARE(kvr_panel({"sheet", file, "-o", sheet, "--log", log}).exit_code, 0);
        QVERIFY(pdf_text(sheet).contains("CHANGED SINCE"));
    }

    // A log that cannot be read is said to be so: never "not verified", never exit 0 for
    // --require-verified.
    void unreadableLogIsUnknownNotUnverified() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("site"));
        const QString file = save(dir.filePath("site/LOBBY.kcf"), lobby_file());
        const QString log = save(dir.filePath("log.sqlite"), "SQLite format 3");
        const QString sheet = dir.filePath("sheet.pdf");
        const Run drawn = kvr_panel({"sheet", file, "-o", sheet, "--log", log});
        QCOMPARE(drawn.exit_code, 0);
        QVERIFY(drawn.err.contains("cannot be read"));
        QVERIFY(pdf_text(sheet).contains("COMMISSIONING LOG COULD NOT BE READ"));
        const Run strict =
            kvr_panel({"handover", dir.filePath("site"), "-o", dir.filePath("pack.pdf"), "--log",
                       log, "--require-verified"});
        QCOMPARE(strict.exit_code, 3);
        QVERIFY(strict.err.contains("unknown"));
    }

    // Edits made with SQLite itself: log check names each entry altered, removed or
    // inserted, and a verdict resting on them is unknown; a correct write after them proves.
    void logCheckFindsEditsByHand() {
        QTemporaryDir dir;
        const QString site = dir.filePath("site");
        QVERIFY(QDir().mkpath(site));
        const QString file = save(site + "/LOBBY.kcf", lobby_file());
        const QString log = dir.filePath("log.sqlite");
        PtyHost panel;
        const QString port = QString::fromStdString(panel.slave_path());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(kvr_panel({"write", file, "--port", port, "--log", log}).exit_code, 0);
        QCOMPARE(kvr_panel({"log", "check", "--log", log}).exit_code, 0);
        QCOMPARE(kvr_panel({"status", site, "--log", log}).exit_code, 0);
        {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "editor");
            database.setDatabaseName(log);
            QVERIFY(database.open());
            QSqlQuery query(database);
            for (const char* edit :
                 {"UPDATE entries SET device = '/dev/ttyUSB0' WHERE sequence = 4",
                  "DELETE FROM entries WHERE sequence = 2",
                  "INSERT INTO entries (time_utc, operation, panel_name, outcome) "
                  "VALUES ('2026-12-09T10:00:00.000Z', 'write', 'LOBBY', 'programmed and "
                  "verified')"})
                QVERIFY2(query.exec(edit), edit);
        }
        QSqlDatabase::removeDatabase("editor");
        const Run check = kvr_panel({"log", "check", "--log", log, "--json"});
        QCOMPARE(check.exit_code, 1);
        QStringList found;
        for (const QJsonValue value : array_of(check, "breaks"))
            found << value.toObject()["fault"].toString() + ' ' +
                         value.toObject()["sequence"].toVariant().toString();
        QCOMPARE(found, QStringList({"inserted ", "removed 2", "altered 4"}));
        const Run text = kvr_panel({"log", "check", "--log", log});
        QVERIFY2(text.bytes.contains("(sequence 4, ") && text.bytes.contains("altered by hand") &&
                     text.bytes.contains("sequence 2: the entry was removed") &&
                     text.bytes.contains("no sequence"),
                 text.bytes);
        const Run unknown = kvr_panel({"status", file, "--log", log, "--json"});
        QCOMPARE(unknown.exit_code, 1);
        const QJsonObject verdict = array_of(unknown, "panels")[0].toObject();
        QCOMPARE(verdict["status"].toString(), "unknown");
        QCOMPARE(verdict["reason"].toString(), "AN ENTRY OF THE LOG WAS ALTERED");
        // A correct write after the edits rests on nothing edited; the edits stay found.
        QCOMPARE(kvr_panel({"write", file, "--port", port, "--log", log}).exit_code, 0);
        QCOMPARE(kvr_panel({"status", file, "--log", log}).exit_code, 0);
        QCOMPARE(kvr_panel({"log", "check", "--log", log}).exit_code, 1);
    }

    // Two laptops on one site, their logs merged by file: each entry keeps its station and
    // sequence, a second import adds nothing, the newest evidence of either station decides,
    // an entry of the other station edited in this copy is found, and a file that is not our
    // log is refused and left as it was.
    void colleaguesLogImported() {
        QTemporaryDir dir;
        const QString site = dir.filePath("site");
        QVERIFY(QDir().mkpath(site));
        const QString lobby = save(site + "/LOBBY.kcf", lobby_file());
        QByteArray hall_bytes = lobby_file();
        hall_bytes.replace("\"LOBBY\"", "\"HALL\"");
        const QString hall = save(site + "/HALL.kcf", hall_bytes);
        const QString mine = dir.filePath("mine.sqlite"), theirs = dir.filePath("theirs.sqlite");
        PtyHost panel;
        const QString port = QString::fromStdString(panel.slave_path());
        QCOMPARE(kvr_panel({"write", lobby, "--port", port, "--log", mine}).exit_code, 0);
        QCOMPARE(kvr_panel({"write", hall, "--port", port, "--log", theirs}).exit_code, 0);
        QCOMPARE(kvr_panel({"status", site, "--log", mine}).exit_code, 1);

        const QByteArray their_bytes = [&] {
            QFile file(theirs);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        const Run first = kvr_panel({"log", "import", theirs, "--log", mine, "--json"});
        QCOMPARE(first.exit_code, 0);
        QCOMPARE(QJsonDocument::fromJson(first.bytes).object()["added"].toInt(), 1);
        const Run again = kvr_panel({"log", "import", theirs, "--log", mine, "--json"});
        QCOMPARE(QJsonDocument::fromJson(again.bytes).object()["added"].toInt(), 0);
        QCOMPARE(QJsonDocument::fromJson(again.bytes).object()["held"].toInt(), 1);
        QCOMPARE(kvr_panel({"status", site, "--log", mine}).exit_code, 0);
        QCOMPARE(kvr_panel({"log", "check", "--log", mine}).exit_code, 0);
        const Run history = kvr_panel({"history", "--log", mine, "--json"});
        std::set<QString> stations;
        for (const QJsonValue entry : array_of(history, "entries")) {
            QCOMPARE(entry.toObject()["sequence"].toInt(), 1);
            stations.insert(entry.toObject()["station"].toString());
        }
        QCOMPARE(stations.size(), std::size_t(2));
        QVERIFY(kvr_panel({"history", "--log", mine}).bytes.contains("STATION"));

        // The colleague later finds another panel under the name HALL: that newer evidence,
        // made on the other station, decides here once merged.
        PtyHost blank;
        QCOMPARE(kvr_panel({"verify", hall, "--port", QString::fromStdString(blank.slave_path()),
                            "--log", theirs})
                     .exit_code,
                 1);
        QCOMPARE(kvr_panel({"log", "import", theirs, "--log", mine}).exit_code, 0);
        QCOMPARE(kvr_panel({"status", hall, "--log", mine}).exit_code, 1);
        QCOMPARE(kvr_panel({"status", lobby, "--log", mine}).exit_code, 0);
        {
            QFile file(theirs);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll() != their_bytes); // the verify was logged there
        }

        // The colleague's first entry edited in this copy: the chain of that station breaks.
        {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "editor");
            database.setDatabaseName(mine);
            QVERIFY(database.open());
            QSqlQuery query(database);
            QVERIFY(query.exec("UPDATE entries SET outcome = 'matches', operation = 'verify' "
                               "WHERE panel_name = 'HALL' AND sequence = 2"));
        }
        QSqlDatabase::removeDatabase("editor");
        const Run check = kvr_panel({"log", "check", "--log", mine, "--json"});
        QCOMPARE(check.exit_code, 1);
        QCOMPARE(array_of(check, "breaks")[0].toObject()["fault"].toString(), "altered");
        const Run altered = kvr_panel({"status", hall, "--log", mine, "--json"});
        QCOMPARE(array_of(altered, "panels")[0].toObject()["reason"].toString(),
                 "AN ENTRY OF THE LOG WAS ALTERED");
        // Imported again, the edited entry is named and kept as this log has it.
        const Run differently = kvr_panel({"log", "import", theirs, "--log", mine, "--json"});
        QCOMPARE(differently.exit_code, 1);
        QCOMPARE(array_of(differently, "held_differently").size(), 1);

        const QString foreign = dir.filePath("foreign.sqlite");
        {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "foreign");
            database.setDatabaseName(foreign);
            QVERIFY(database.open());
            QVERIFY(QSqlQuery(database).exec("CREATE TABLE entries (id INTEGER)"));
        }
        QSqlDatabase::removeDatabase("foreign");
        const QByteArray foreign_bytes = [&] {
            QFile file(foreign);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        const Run refused = kvr_panel({"log", "import", foreign, "--log", mine});
        QCOMPARE(refused.exit_code, 3);
        QFile file(foreign);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), foreign_bytes);
    }

    // --since is the instant given: one second either side of an entry, named in UTC, with
    // an offset and in local time.
    void historySinceIsExact() {
        QTemporaryDir dir;
        const QString log = dir.filePath("log.sqlite");
        kvr::records::Record entry;
        entry.time = QDateTime(QDate(2024, 5, 31), QTime(12, 0), Qt::UTC);
        entry.device = "/dev/ttyUSB0";
        entry.panel_name = "Lobby";
        QVERIFY(kvr::records::CommissioningLog(log).record(entry).logged);
        const auto found = [&log](const QString& since) {
            const Run run = kvr_panel({"history", "--log", log, "--since", since, "--json"});
            return run.exit_code == 0 ? array_of(run, "entries").size() : -1;
        };
        qputenv("TZ", "XYZ-2"); // two hours ahead of UTC, without a zone database
        const std::pair<const char*, int> cases[] = {
            {"2024-05-31T11:59:59Z", 1},
            {"2024-05-31T12:00:01Z", 0},
            {"2024-05-31T13:59:59+02:00", 1},
            {"2024-05-31T14:00:01+02:00", 0},
            {"2024-05-31T13:59:59", 1},
            {"2024-05-31T14:00:01", 0},
            {"2024-05-31", 1},
            {"2024-06-01", 0},
            {"2024-05-31T25:00", -1},
            {"2024-05-31T12:00+99:00", -1},
            {"", -1},
        };
        for (const auto& [since, expected] : cases)
            QVERIFY2(found(QString::fromLatin1(since)) == expected, since);
        qunsetenv("TZ");
        const Run any_case = kvr_panel({"history", "--log", log, "--panel", "LOBBY", "--json"});
        QCOMPARE(array_of(any_case, "entries").size(), 1);
        QCOMPARE(kvr_panel({"history", "--log", log, "--device", ""}).exit_code, 3);
    }

    // A signal after the last port finished, while another process holds the log: the
    // result is still printed and logged, and the exit code is the result's own.
    void signalAfterTheLastPortChangesNothing() {
        QTemporaryDir dir;
        const QString log = dir.filePath("log.sqlite");
        QCOMPARE(kvr_panel({"read", "--simulate", "--log", log}).exit_code, 0);
        QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
        holder.setDatabaseName(log);
        QVERIFY(holder.open());
        QVERIFY(QSqlQuery(holder).exec("BEGIN IMMEDIATE"));

        const QString trace = dir.filePath("trace.txt");
        const QString saved = dir.filePath("READ.kcf");
        auto process = start_kvr_panel(
            {"read", "--simulate", "-o", saved, "--log", log, "--trace", trace, "--name", "LOBBY"});
        // The last transaction reads location 24 (V, 0, 24, '0', '0', V); once its reply is
        // in, the read is done and the entry waits on the held log.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&trace] {
                QFile file(trace);
                if (!file.open(QIODevice::ReadOnly)) return false;
                const QByteArray text = file.readAll();
                const qsizetype last = text.indexOf("tx 56 00 18 30 30 56");
                return last >= 0 && text.indexOf(" rx ", last) >= 0;
            }(),
            20000);
        QTest::qWait(300);
        ::kill(pid_t(process->processId()), SIGINT);
        QTest::qWait(300);
        QVERIFY(QSqlQuery(holder).exec("COMMIT"));
        const Run run = finish_kvr_panel(*process);
        QCOMPARE(run.exit_code, 0);
        QVERIFY2(run.out.contains("PANEL NAME  LOBBY"), qPrintable(run.out));
        QVERIFY(QFileInfo::exists(saved));
        holder.close();
        const Run history = kvr_panel({"history", "--log", log, "--json"});
        QCOMPARE(array_of(history, "entries").size(), 2);
        QCOMPARE(array_of(history, "entries")[0].toObject()["panel_name"].toString(), "LOBBY");
        QVERIFY(array_of(history, "entries")[0].toObject()["simulated"].toBool());
    }
};

QTEST_GUILESS_MAIN(TestKvrPanelLog)
#include "test_kvr_panel_log.moc"
