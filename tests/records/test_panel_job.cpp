// A panel job over the simulated panel, one row per way an operation ends: the result the
// conversation hands back and the entry the log then holds say the same thing.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "records/panel_job.h"
#include "simulator/pty_host.h"

using namespace kvr;
using namespace kvr::records;

struct Case {
    RecordOperation operation;
    sim::PanelSettings settings;
    Outcome outcome;
    int stopped_at = -1;        // the location; -1: none
    QString why;                // in the result's texts and the entry's reason
    RecordOutcome logged;       // the entry's outcome
    int stop_after = -1;        // locations done when a stop is asked; -1: never
    std::vector<int> differing; // a verify's
};
Q_DECLARE_METATYPE(Case)

class TestPanelJob : public QObject {
    Q_OBJECT
    QTemporaryDir folder_;

  private slots:
    void outcomes_data() {
        using enum RecordOperation;
        QTest::addColumn<Case>("test");
        sim::PanelSettings healthy, silent, slow, bad, otherwise, model, hang_up, differs;
        silent.faults.silent = true;
        slow.faults.reply_delay = std::chrono::milliseconds(150); // every reply after its wait
        bad.faults.raw_read[7] = "????\r";
        otherwise.faults.read_differs = {7};
        model.model_code = 12;
        hang_up.faults.hang_up_after = 12; // the handshake, the model code, five locations
        differs.initial_values = {{4, 3}, {23, 0}};
        const auto failed = RecordOutcome::failed;
        QTest::newRow("written") << Case{write, healthy, Outcome::succeeded,
                                         -1,    {},      RecordOutcome::programmed_and_verified};
        QTest::newRow("no answer")
            << Case{write, silent, Outcome::no_response, -1, StatusTexts::no_response, failed};
        QTest::newRow("slow") << Case{read,  slow, Outcome::bad_data, 63, StatusTexts::corrupted,
                                      failed};
        QTest::newRow("bad reply")
            << Case{read, bad, Outcome::bad_data, 7, StatusTexts::corrupted, failed};
        QTest::newRow("read back otherwise")
            << Case{write, otherwise, Outcome::bad_data, 7, StatusTexts::failed_to_verify, failed};
        QTest::newRow("model code")
            << Case{write, model, Outcome::mismatch, -1, QStringLiteral("(model code 12)"), failed};
        QTest::newRow("hang-up") << Case{write, hang_up, Outcome::bad_data, 5, {}, failed};
        QTest::newRow("interrupted") << Case{write,
                                             healthy,
                                             Outcome::interrupted,
                                             3,
                                             QStringLiteral("INTERRUPTED AT LOCATION 3"),
                                             RecordOutcome::interrupted,
                                             3};
        QTest::newRow("differs") << Case{
            verify, differs, Outcome::succeeded, -1, {}, RecordOutcome::differs, -1, {4, 23}};
        QTest::newRow("matches") << Case{verify, healthy, Outcome::succeeded,
                                         -1,     {},      RecordOutcome::matches};
    }

    void outcomes() {
        QFETCH(Case, test);
        sim::PtyHost panel(test.settings);
        Configuration held; // what the healthy panel holds
        held.codes.fill(160);
        held.intensities = {10, 10, 10};
        const PanelJob job{{test.operation, QStringLiteral("HALL"), {}, {}, {}},
                           [](const Location&) { return std::int16_t(160); },
                           test.operation == RecordOperation::verify ? std::optional(held)
                                                                     : std::nullopt};
        const QString device = QString::fromStdString(panel.slave_path());
        PanelConversation conversation(device);
        QSignalSpy finished(&conversation, &PanelConversation::finished);
        QObject::connect(&conversation, &PanelConversation::progress, [&](int done, int) {
            if (done == test.stop_after) conversation.stop_at_boundary();
        });
        job.start(conversation);
        QVERIFY(finished.wait(20000));

        ConversationEnd end;
        note_line(end, device, device, true);
        end.take(conversation.result());
        QCOMPARE(end.outcome, test.outcome);
        QCOMPARE(end.stopped_at ? int(end.stopped_at->number) : -1, test.stopped_at);
        QVERIFY((end.final_text + u' ' + end.why()).contains(test.why) ||
                test.outcome == Outcome::mismatch);
        QCOMPARE(end.model_code, test.settings.faults.silent || test.stopped_at == 63
                                     ? 0
                                     : test.settings.model_code);
        QCOMPARE(job.differing(end), test.differing);

        const QString log = folder_.filePath(QTest::currentDataTag() + QStringLiteral(".sqlite"));
        const ConversationEnd* const ends[] = {&end};
        QVERIFY(job.commit(log, std::nullopt, ends).logged);
        const History history = CommissioningLog(log).entries({});
        QCOMPARE(history.entries.size(), std::size_t(1));
        const Record& entry = history.entries.front();
        QCOMPARE(entry.outcome, test.logged);
        QCOMPARE(entry.failure.location.value_or(-1), test.stopped_at);
        QVERIFY2(entry.failure.reason.contains(test.why), qPrintable(entry.failure.reason));
        QCOMPARE(entry.failure.reason.isEmpty(), end.succeeded());
        QCOMPARE(entry.read_back.size(), qsizetype(end.locations_done));
    }
};

QTEST_GUILESS_MAIN(TestPanelJob)
#include "test_panel_job.moc"
