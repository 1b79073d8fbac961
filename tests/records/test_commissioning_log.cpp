// The log on real files in a temporary folder: what an entry holds, writers at once, and
// logs that cannot take an entry.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <set>
#include <unistd.h>

#include "records/commissioning_log.h"
#include "records/history_export.h"
#include "records/log_location.h"

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
        if (!log.record(entry).logged) return false;
    }
    return true;
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

        // The stamp finds the verified write, not the newer failure of the same values.
        const auto verified = log.latest_with_digest(written.values_digest, true);
        QVERIFY(verified);
        QCOMPARE(verified->id, written.id);
        QCOMPARE(log.latest_with_digest(written.values_digest, false)->id, interrupted.id);
        QVERIFY(!log.latest_with_digest(values_digest({}), false));

        const QString csv = history_csv(history.entries);
        QVERIFY(csv.contains(QStringLiteral(",\"COMMUNICATIONS FAILURE, \"\"BAD\"\" DATA\",")));
        QCOMPARE(csv.count(QStringLiteral("\r\n")), 4);
        const QJsonObject json = QJsonDocument::fromJson(history_json(history.entries)).object();
        const QJsonObject entry = json[QStringLiteral("entries")][1].toObject();
        QCOMPARE(entry[QStringLiteral("failure_location")].toInt(), 5);
        QCOMPARE(entry[QStringLiteral("read_back")].toArray().size(), 5);
        QVERIFY(json[QStringLiteral("entries")][0][QStringLiteral("failure_location")].isNull());
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
