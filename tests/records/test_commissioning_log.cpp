// The log on real files in a temporary folder: what an entry holds, writers at once, and
// logs that cannot take an entry.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <map>
#include <set>
#include <unistd.h>

#include "records/commissioning_log.h"
#include "records/log_location.h"
#include "records/verdict.h"

using namespace kvr;
using namespace kvr::records;

namespace {

const char* const kWriterOption = "--record-entries";
constexpr int kEntriesPerWriter = 40;

Configuration sample_configuration() {
    Configuration configuration;
    configuration.codes.fill(160);
    configuration.codes[5] = 23;
    configuration.intensities[Intensity::Backlighting] = 5;
    return configuration;
}

Record sample_record(RecordOutcome outcome, QString panel) {
    Record entry;
    entry.program = QStringLiteral("kvr-panel");
    entry.version = QStringLiteral("1.0");
    entry.device = QStringLiteral("/dev/ttyUSB0");
    entry.adapter = {QStringLiteral("FT232R USB UART"), 0x0403, 0x6001, QStringLiteral("A9X1")};
    entry.panel_name = std::move(panel);
    entry.source_path = QStringLiteral("/site/LOBBY.kcf");
    entry.source_sha256 = QString(64, u'a');
    entry.values_digest = values_digest(programmed_values(sample_configuration()));
    entry.outcome = outcome;
    entry.duration_ms = 2875;
    return entry;
}

// Records kEntriesPerWriter entries tagged with the writer's name, one transaction each.
bool record_entries(const QString& path, const QString& writer) {
    CommissioningLog log(path);
    for (int i = 0; i < kEntriesPerWriter; ++i) {
        Record entry = sample_record(RecordOutcome::programmed_and_verified, writer);
        entry.device = QString::number(i);
        if (const LogResult result = log.record(entry); !result.logged) {
            qWarning("%s: %s", qPrintable(writer), qPrintable(result.warning));
            return false;
        }
    }
    return true;
}

QByteArray bytes_of(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs statements on an SQLite file as another program would.
void run_sql(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        database.setDatabaseName(path);
        QVERIFY(database.open());
        QSqlQuery query(database);
        for (const QString& statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase(path);
}

} // namespace

class TestCommissioningLog : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    QString fresh_path(const QString& name) const { return folder_.filePath(name); }

  private slots:
    void entry_fields_of_a_write_a_failure_and_an_interruption() {
        const QString path = fresh_path(QStringLiteral("fields.sqlite"));
        CommissioningLog log(path);
        Record written = sample_record(RecordOutcome::programmed_and_verified, "LOBBY");
        written.read_back = QList<std::int16_t>(25, 160);
        Record failed = sample_record(RecordOutcome::failed, "LOBBY");
        failed.failure = failure_at(5, QStringLiteral("COMMUNICATIONS FAILURE, \"BAD\" DATA"));
        failed.read_back = {160, 160, 160, 160, 160};
        Record interrupted = sample_record(RecordOutcome::interrupted, "LOBBY");
        interrupted.source_path.clear();
        for (Record* entry : {&written, &failed, &interrupted}) {
            const LogResult result = log.record(*entry);
            QVERIFY2(result.logged, qPrintable(result.warning));
            QVERIFY(entry->id > 0 && entry->time.isValid());
        }

        HistoryFilter lobby;
        lobby.panel_name = QStringLiteral("LOBBY");
        const History history = CommissioningLog(path).entries(lobby);
        QCOMPARE(history.entries.size(), 3u);
        const Record& last = history.entries[0];
        QCOMPARE(last.id, interrupted.id);
        QCOMPARE(last.outcome, RecordOutcome::interrupted);
        QCOMPARE(last.source_text(), QStringLiteral("window"));
        const Record& failure = history.entries[1];
        QCOMPARE(failure.failure.location, std::optional<int>(5));
        QCOMPARE(failure.failure.function, QStringLiteral("SW6 assignment"));
        QCOMPARE(failure.failure.reason, failed.failure.reason);
        QCOMPARE(failure.read_back, failed.read_back);
        const Record& first = history.entries[2];
        QCOMPARE(first.time, written.time);
        QCOMPARE(first.adapter.vid_pid(), QStringLiteral("0403:6001"));
        QCOMPARE(first.adapter.serial_number, QStringLiteral("A9X1"));
        QCOMPARE(first.source_path, QStringLiteral("/site/LOBBY.kcf"));
        QCOMPARE(first.values_digest, written.values_digest);
        QCOMPARE(first.read_back, written.read_back);
        QCOMPARE(first.duration_ms, 2875);
        QVERIFY(!first.failure.location);
    }

    // Two processes and four threads, each entry its own transaction: none is lost.
    void writers_at_once_lose_nothing() {
        const QString path = fresh_path(QStringLiteral("gang.sqlite"));
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kWriterOption), path, QStringLiteral("process")});
        QVERIFY(other.waitForStarted());
        std::vector<QThread*> threads;
        std::atomic<int> failures{0};
        for (int t = 0; t < 4; ++t)
            threads.push_back(QThread::create([&, t] {
                if (!record_entries(path, QStringLiteral("thread %1").arg(t))) ++failures;
            }));
        for (QThread* thread : threads)
            thread->start();
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        QVERIFY(other.waitForFinished(60000));
        QCOMPARE(other.exitCode(), 0);
        QCOMPARE(failures.load(), 0);

        const History history = CommissioningLog(path).entries({});
        QCOMPARE(history.entries.size(), 5u * kEntriesPerWriter);
        std::set<std::pair<QString, QString>> distinct;
        for (const Record& entry : history.entries)
            distinct.emplace(entry.panel_name, entry.device);
        QCOMPARE(distinct.size(), history.entries.size());
        // One chain through every writer's entries, newest first by sequence.
        const ChainCheck chain = CommissioningLog(path).check_chain();
        QVERIFY(chain.holds() && chain.entries == 5 * kEntriesPerWriter);
        QCOMPARE(history.entries.front().sequence, 5 * kEntriesPerWriter);
    }

    void file_that_is_no_database_is_left_alone() {
        const QString path = fresh_path(QStringLiteral("notes.txt"));
        const QByteArray text = "Site notes: LOBBY panel behind the door\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        Record entry = sample_record(RecordOutcome::programmed_and_verified, "LOBBY");
        const LogResult result = CommissioningLog(path).record(entry);
        QVERIFY(!result.logged);
        QVERIFY2(result.warning.contains(QStringLiteral("not an SQLite database")),
                 qPrintable(result.warning));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), text);
        QVERIFY(!CommissioningLog(path).entries({}).warning.isEmpty());
    }

    void log_that_cannot_be_written_warns() {
        QFile blocker(fresh_path(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QStringList unwritable{blocker.fileName() + QStringLiteral("/log.sqlite"), folder_.path()};
        // Root writes a read-only file regardless.
        if (geteuid() != 0) {
            const QString read_only = fresh_path(QStringLiteral("read-only.sqlite"));
            Record first = sample_record(RecordOutcome::read, "LOBBY");
            QVERIFY(CommissioningLog(read_only).record(first).logged);
            QVERIFY(QFile::setPermissions(read_only, QFile::ReadOwner));
            unwritable << read_only;
        }
        for (const QString& path : unwritable) {
            Record entry = sample_record(RecordOutcome::programmed_and_verified, "LOBBY");
            const LogResult result = CommissioningLog(path).record(entry);
            QVERIFY2(!result.logged && result.warning.contains(QStringLiteral("not logged")),
                     qPrintable(path));
        }
        Record entry = sample_record(RecordOutcome::read, "LOBBY");
        const LogResult off = CommissioningLog(std::nullopt).record(entry);
        QVERIFY(!off.logged && off.warning.isEmpty());
    }

    // Histories of the LOBBY panel, each folded to its verdict; then a correct write after
    // each brings the proof back.
    void the_newest_evidence_decides() {
        Configuration lobby = sample_configuration();
        lobby.panel_name = "LOBBY";
        const PanelValues file_values = programmed_values(lobby);
        QList<std::int16_t> three_differ(file_values.begin(), file_values.end());
        for (int location : {0, 1, 2})
            three_differ[location] = 7;
        const QString other = values_digest({});
        const QDateTime start(QDate(2026, 12, 9), QTime(13, 39), Qt::UTC);
        struct Step {
            RecordOperation operation = RecordOperation::write;
            RecordOutcome outcome = RecordOutcome::programmed_and_verified;
            bool other_values = false;
            std::optional<int> stopped_at{};
            QString run{};
            std::optional<bool> simulated = false;
            int minutes = 0;           // after the start: the clock may go back
            const char* sql = nullptr; // an edit by hand instead of an entry
            const char* panel_name = "LOBBY";
        };
        const Step write, verify_differs{RecordOperation::verify, RecordOutcome::differs},
            other_write{.other_values = true, .minutes = 1};
        struct Case {
            const char* what;
            std::vector<Step> history;
            VerdictStatus status;
            QString reason;
        };
        const QString proven_reason =
            "PROGRAMMED AND VERIFIED (2026-12-09 13:39 UTC, /dev/ttyUSB0) FROM LOBBY.kcf";
        const std::vector<Case> cases = {
            {"a verified write", {write}, VerdictStatus::proven, proven_reason},
            {"nothing", {}, VerdictStatus::not_proven, "NEVER PROGRAMMED"},
            {"the name in another case",
             {{.panel_name = "Lobby"}},
             VerdictStatus::not_proven,
             "NEVER PROGRAMMED"},
            {"a later write of other values",
             {write, other_write},
             VerdictStatus::not_proven,
             "WRITTEN WITH OTHER VALUES SINCE (2026-12-09 13:40 UTC, /dev/ttyUSB0)"},
            {"a differing verify",
             {write, verify_differs},
             VerdictStatus::not_proven,
             "THE LAST COMPARISON FOUND 3 DIFFERENCES"},
            {"a write that stopped part-way",
             {write, {.outcome = RecordOutcome::failed, .other_values = true, .stopped_at = 5}},
             VerdictStatus::unknown,
             "THE LAST WRITE STOPPED AT LOCATION 5: PARTLY PROGRAMMED"},
            {"an interruption part-way",
             {write, {.outcome = RecordOutcome::interrupted, .stopped_at = 3}},
             VerdictStatus::unknown,
             "THE LAST WRITE STOPPED AT LOCATION 3: PARTLY PROGRAMMED"},
            {"a write refused before its first value",
             {write, {.outcome = RecordOutcome::failed, .other_values = true, .stopped_at = 63}},
             VerdictStatus::proven,
             proven_reason},
            {"a verify that failed",
             {write, {RecordOperation::verify, RecordOutcome::failed}},
             VerdictStatus::proven,
             proven_reason},
            {"a gang with a failed panel",
             {{.run = "R1"}, {.outcome = RecordOutcome::failed, .stopped_at = 5, .run = "R1"}},
             VerdictStatus::not_proven,
             "1 OF 2 PANELS OF THE LAST WRITE FAILED"},
            {"only a simulated panel",
             {{.simulated = true}},
             VerdictStatus::not_proven,
             "ONLY EVER WRITTEN TO A SIMULATED PANEL"},
            {"a simulated panel since",
             {write, {.other_values = true, .simulated = true}},
             VerdictStatus::proven,
             proven_reason},
            {"a panel not known to be real",
             {{.simulated = std::nullopt}},
             VerdictStatus::unknown,
             "THE LOG DOES NOT SAY WHETHER THE PANEL WAS SIMULATED"},
            {"the clock moved back",
             {write, {.other_values = true, .minutes = -30 * 24 * 60}},
             VerdictStatus::not_proven,
             "WRITTEN WITH OTHER VALUES SINCE (2026-11-09 13:39 UTC, /dev/ttyUSB0)"},
            {"a simulated write made real by hand",
             {{.simulated = true},
              {.sql = "UPDATE entries SET simulated = 0, line = 'usb adapter'"}},
             VerdictStatus::unknown,
             "AN ENTRY OF THE LOG WAS ALTERED"},
            {"the contradiction removed by hand",
             {write, other_write, {.sql = "DELETE FROM entries WHERE sequence = 2"}},
             VerdictStatus::unknown,
             "AN ENTRY OF THE LOG WAS ALTERED"},
        };
        int number = 0;
        for (const Case& c : cases) {
            CommissioningLog log(fresh_path(QStringLiteral("history-%1.sqlite").arg(number++)));
            const QString path = *log.path();
            const auto record = [&](const Step& step) {
                if (step.sql) {
                    run_sql(path, {QString::fromLatin1(step.sql)});
                    return;
                }
                Record entry = sample_record(step.outcome, QString::fromLatin1(step.panel_name));
                entry.operation = step.operation;
                entry.time = start.addSecs(60LL * step.minutes);
                if (step.other_values) entry.values_digest = other;
                if (step.stopped_at) entry.failure = failure_at(step.stopped_at, "STOPPED");
                if (step.outcome == RecordOutcome::differs) entry.read_back = three_differ;
                entry.run = step.run;
                entry.simulated = step.simulated;
                QVERIFY(log.record(entry).logged);
            };
            for (const Step& step : c.history)
                record(step);
            const auto verdict = [&] {
                CommissioningLog reader(path);
                return verdicts_of(reader, {{"LOBBY.kcf", &lobby, {}, QString(64, u'a')}})
                    .of.front();
            };
            const Verdict found = verdict();
            QVERIFY2(found.status == c.status, c.what);
            QVERIFY2(found.reason == c.reason,
                     qPrintable(QStringLiteral("%1: %2").arg(c.what, found.reason)));
            record({.minutes = 2});
            const Verdict after = verdict();
            QVERIFY2(after.proven() &&
                         after.reason.startsWith("PROGRAMMED AND VERIFIED (2026-12-09 13:41"),
                     qPrintable(
                         QStringLiteral("%1, then a correct write: %2").arg(c.what, after.reason)));
        }
        // The file's bytes changed since the proving write: proven, and the labels said to be.
        CommissioningLog log(fresh_path(QStringLiteral("labels.sqlite")));
        Record written = sample_record(RecordOutcome::programmed_and_verified, "LOBBY");
        QVERIFY(log.record(written).logged);
        const Verdict changed =
            verdicts_of(log, {{"LOBBY.kcf", &lobby, {}, QString(64, u'b')}}).of.front();
        QVERIFY(changed.proven() && changed.labels_changed_since);
        QVERIFY(changed.reason.endsWith(" - LABELS CHANGED SINCE"));
    }

    // Another program's database is never changed, not even by a look at it; a log of the
    // first version is read as it is, and brought up to date only by a write.
    void only_our_log_is_touched_and_reading_changes_nothing() {
        const QString foreign = fresh_path(QStringLiteral("photos.db"));
        run_sql(foreign, {"PRAGMA journal_mode = DELETE",
                          "CREATE TABLE photos (id INTEGER PRIMARY KEY, name TEXT)",
                          "INSERT INTO photos (name) VALUES ('door')"});
        const QByteArray before = bytes_of(foreign);
        Record entry = sample_record(RecordOutcome::programmed_and_verified, "LOBBY");
        QVERIFY(!CommissioningLog(foreign).record(entry).logged);
        QVERIFY(!CommissioningLog(foreign).entries({}).warning.isEmpty());
        QCOMPARE(bytes_of(foreign), before);
        QCOMPARE(QDir(folder_.path()).entryList({QStringLiteral("photos.db*")}).size(), 1);

        const QString old = fresh_path(QStringLiteral("first-version.sqlite"));
        QStringList first_version{
            "CREATE TABLE entries (id INTEGER PRIMARY KEY, time_utc TEXT, program TEXT, "
            "version TEXT, operation TEXT, device TEXT, adapter TEXT, vid_pid TEXT, "
            "serial_number TEXT, panel_name TEXT, source TEXT, source_sha256 TEXT, "
            "values_digest TEXT, outcome TEXT, failure_location INTEGER, failure_function TEXT, "
            "failure_reason TEXT, read_back TEXT, duration_ms INTEGER)",
            "PRAGMA user_version = 1"};
        for (const char* device : {"/dev/ttyUSB0", "/dev/pts/2", "SIMULATED PANEL 1"})
            first_version << QStringLiteral("INSERT INTO entries (time_utc, program, device, "
                                            "outcome) VALUES ('2024-05-31T10:00:00.000Z', "
                                            "'kvr-config', '%1', 'read')")
                                 .arg(QLatin1String(device));
        run_sql(old, first_version);
        const QByteArray old_bytes = bytes_of(old);
        const History read = CommissioningLog(old).entries({});
        QCOMPARE(bytes_of(old), old_bytes);
        QCOMPARE(read.entries.size(), 3U);
        std::map<QString, std::optional<bool>> simulated;
        for (const Record& e : read.entries)
            simulated[e.device] = e.simulated;
        QCOMPARE(simulated["/dev/ttyUSB0"], std::optional<bool>(false));
        QCOMPARE(simulated["/dev/pts/2"], std::nullopt);
        QCOMPARE(simulated["SIMULATED PANEL 1"], std::optional<bool>(true));
        QVERIFY(CommissioningLog(old).record(entry).logged);
        const History updated = CommissioningLog(old).entries({});
        QCOMPARE(updated.entries.size(), 4U);
        // Chained once, in the order the entries were made.
        QVERIFY(CommissioningLog(old).check_chain().holds());
        QCOMPARE(updated.entries.front().sequence, 4);
        QCOMPARE(updated.entries.back().sequence, 1);
        for (const Record& e : updated.entries)
            if (e.device != entry.device || e.program != entry.program)
                QCOMPARE(e.simulated, simulated[e.device]);
    }

    void log_location_from_options_and_environment() {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/ann"));
        const QString standard =
            QStringLiteral("/home/ann/.local/share/kvr-config/commissioning.sqlite");
        QCOMPARE(log_path(std::nullopt, false, environment), standard);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("relative"));
        QCOMPARE(log_path(std::nullopt, false, environment), standard);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/data"));
        QCOMPARE(log_path(std::nullopt, false, environment),
                 QStringLiteral("/data/kvr-config/commissioning.sqlite"));
        environment.insert(QStringLiteral("KVR_LOG"), QString());
        QCOMPARE(log_path(std::nullopt, false, environment), std::nullopt);
        QCOMPARE(log_path(QStringLiteral("a.sqlite"), false, environment),
                 QStringLiteral("a.sqlite"));
        QCOMPARE(log_path(QStringLiteral("a.sqlite"), true, environment), std::nullopt);
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], kWriterOption) == 0) {
        QCoreApplication application(argc, argv);
        return record_entries(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0
                                                                                                : 1;
    }
    QCoreApplication application(argc, argv);
    TestCommissioningLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_commissioning_log.moc"
