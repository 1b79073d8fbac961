// A panel job over the simulated panel, one row per way an operation ends: the result the
// conversation hands back and the entry the log then holds say the same thing.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "records/panel_job.h"
#include "simulator/pty_host.h"

using namespace kvr;
using namespace kvr::records;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kvr::sim::PanelSettings)

class TestPanelJob : public QObject {
    Q_OBJECT
    QTemporaryDir folder_;

  private slots:
    void outcomes_data() {
        QTest::addColumn<int>("operation"); // RecordOperation
        QTest::addColumn<sim::PanelSettings>("settings");
        QTest::addColumn<int>("stop_after"); // locations done before a stop is asked; -1 never
        QTest::addColumn<int>("outcome");    // Outcome
        QTest::addColumn<int>("stopped_at"); // location; -1 none
        QTest::addColumn<QString>("why");    // what the result and the entry give as the cause
        QTest::addColumn<int>("logged");     // RecordOutcome
        const auto write = int(RecordOperation::write);
        const auto verify = int(RecordOperation::verify);
        const auto read = int(RecordOperation::read);
        sim::PanelSettings healthy;
        QTest::newRow("written") << write << healthy << -1 << int(Outcome::succeeded) << -1
                                 << QString() << int(RecordOutcome::programmed_and_verified);
        sim::PanelSettings silent;
        silent.faults.silent = true;
        QTest::newRow("no answer") << write << silent << -1 << int(Outcome::no_response) << -1
                                   << QString() << int(RecordOutcome::failed);
        sim::PanelSettings late;
        late.faults.reply_delay = 150ms;
        // Every reply after its wait: the handshake's characters pile up, and what follows
        // is no model code.
        QTest::newRow("slow") << read << late << -1 << int(Outcome::bad_data) << 63
                              << StatusTexts::corrupted << int(RecordOutcome::failed);
        sim::PanelSettings bad_reply;
        bad_reply.faults.raw_read[7] = "????\r";
        QTest::newRow("bad reply") << read << bad_reply << -1 << int(Outcome::bad_data) << 7
                                   << StatusTexts::corrupted << int(RecordOutcome::failed);
        sim::PanelSettings not_verified;
        not_verified.faults.read_differs = {7};
        QTest::newRow("read back otherwise")
            << write << not_verified << -1 << int(Outcome::bad_data) << 7
            << StatusTexts::failed_to_verify << int(RecordOutcome::failed);
        sim::PanelSettings other_model;
        other_model.model_code = 12;
        QTest::newRow("model code") << write << other_model << -1 << int(Outcome::mismatch) << -1
                                    << StatusTexts::mismatch << int(RecordOutcome::failed);
        sim::PanelSettings hang_up;
        hang_up.faults.hang_up_after = 12; // the handshake, the model code, five locations
        QTest::newRow("hang-up") << write << hang_up << -1 << int(Outcome::bad_data) << 5
                                 << QString() << int(RecordOutcome::failed);
        QTest::newRow("interrupted")
            << write << healthy << 3 << int(Outcome::interrupted) << 3
            << QStringLiteral("INTERRUPTED AT LOCATION 3") << int(RecordOutcome::interrupted);
        sim::PanelSettings differs;
        differs.initial_values = {{4, 3}, {23, 0}};
        QTest::newRow("differs") << verify << differs << -1 << int(Outcome::succeeded) << -1
                                 << QString() << int(RecordOutcome::differs);
        QTest::newRow("matches") << verify << healthy << -1 << int(Outcome::succeeded) << -1
                                 << QString() << int(RecordOutcome::matches);
    }

    void outcomes() {
        QFETCH(int, operation);
        QFETCH(sim::PanelSettings, settings);
        QFETCH(int, stop_after);
        QFETCH(int, outcome);
        QFETCH(int, stopped_at);
        QFETCH(QString, why);
        QFETCH(int, logged);
        sim::PtyHost panel(settings);
        // What the healthy panel holds: a verify of it matches, one of "differs" does not.
        Configuration held;
        held.codes.fill(160);
        held.intensities = {10, 10, 10};
        PanelJob job{{RecordOperation(operation), QStringLiteral("HALL"), {}, {}, {}},
                     [](const Location&) { return std::int16_t(160); },
                     RecordOperation(operation) == RecordOperation::verify
                         ? std::optional<Configuration>(held)
                         : std::nullopt};
        const QString device = QString::fromStdString(panel.slave_path());
        PanelConversation conversation(device);
        QSignalSpy finished(&conversation, &PanelConversation::finished);
        QObject::connect(&conversation, &PanelConversation::progress, [&](int done, int) {
            if (done == stop_after) conversation.stop_at_boundary();
        });
        job.start(conversation);
        QVERIFY(finished.wait(20000));

        ConversationEnd end;
        note_line(end, device, device, true);
        end.take(conversation.result());
        QCOMPARE(int(end.outcome), outcome);
        QCOMPARE(end.stopped_at ? int(end.stopped_at->number) : -1, stopped_at);
        const QString reason = end.final_text + u' ' + end.why();
        QVERIFY2(reason.contains(why), qPrintable(reason));
        QCOMPARE(end.identified, settings.model_code == 70 && !settings.faults.silent &&
                                     settings.faults.reply_delay == 0ms);
        const bool answered = !settings.faults.silent && settings.faults.reply_delay == 0ms;
        QCOMPARE(end.model_code, answered ? std::int16_t(settings.model_code) : std::int16_t(0));
        // The values handed back are the locations done, as read or read back.
        if (end.succeeded()) QCOMPARE(end.locations_done, 25);
        const std::vector<int> differing =
            logged == int(RecordOutcome::differs) ? std::vector<int>{4, 23} : std::vector<int>{};
        QCOMPARE(job.differing(end), differing);

        const QString log =
            folder_.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".sqlite");
        const ConversationEnd* const ends[] = {&end};
        QVERIFY(job.commit(log, ends).logged);
        CommissioningLog opened(log);
        const History history = opened.entries({});
        QCOMPARE(history.entries.size(), std::size_t(1));
        const Record& entry = history.entries.front();
        QCOMPARE(int(entry.outcome), logged);
        QCOMPARE(entry.failure.location,
                 stopped_at < 0 ? std::nullopt : std::optional<int>(stopped_at));
        QVERIFY2(entry.failure.reason.contains(why), qPrintable(entry.failure.reason));
        QCOMPARE(entry.failure.reason.isEmpty(), end.succeeded());
        QCOMPARE(entry.read_back.size(), qsizetype(end.locations_done));
        if (end.outcome == Outcome::mismatch)
            QVERIFY(entry.failure.reason.endsWith(QStringLiteral("(model code 12)")));
        QVERIFY(entry.simulated);
    }
};

QTEST_GUILESS_MAIN(TestPanelJob)
#include "test_panel_job.moc"
