// The conversation with a panel, without any window: single transactions and what they
// report, the handshake and identity, ports that cannot be opened, several panels at once
// and the line trace.

#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "panel/line_trace.h"
#include "panel/panel_conversation.h"
#include "panel/protocol.h"
#include "simulator/pty_host.h"

using kvr::Outcome;
using kvr::PanelConversation;
using kvr::read_command;
using kvr::StatusColour;
using kvr::StatusTexts;
using kvr::write_command;
using kvr::sim::Direction;
using kvr::sim::PanelSettings;

Q_DECLARE_METATYPE(PanelSettings)

namespace {

// One conversation on one simulated panel, with everything it reported.
struct Run {
    std::unique_ptr<kvr::sim::PtyHost> panel;
    PanelConversation conversation{QString()};
    QStringList texts;
    std::vector<StatusColour> colours;
    std::vector<std::pair<int, int>> values;
    std::vector<int> mismatches;
    std::optional<Outcome> outcome;

    explicit Run(const PanelSettings& settings = {})
        : panel(std::make_unique<kvr::sim::PtyHost>(settings)) {
        conversation.set_device(QString::fromStdString(panel->slave_path()));
        QObject::connect(&conversation, &PanelConversation::status,
                         [this](const QString& text, StatusColour colour) {
                             texts << text;
                             colours.push_back(colour);
                         });
        QObject::connect(
            &conversation, &PanelConversation::value_read,
            [this](int location, int16_t value) { values.emplace_back(location, value); });
        QObject::connect(&conversation, &PanelConversation::model_mismatch,
                         [this](int16_t code) { mismatches.push_back(code); });
        QObject::connect(&conversation, &PanelConversation::finished,
                         [this](Outcome o) { outcome = o; });
    }
    bool finish() {
        return QTest::qWaitFor([this] { return outcome.has_value(); }, 15000);
    }
    std::vector<std::string> received() const {
        std::vector<std::string> commands;
        for (const auto& entry : panel->transcript())
            if (entry.direction == Direction::received) commands.push_back(entry.bytes);
        return commands;
    }
    bool port_open() const { return conversation.findChild<QSerialPort*>()->isOpen(); }
};

PanelConversation::ValueSource stored_values(std::array<int16_t, 25> values) {
    return [values](const kvr::Location& location) { return values[location.number]; };
}

std::vector<std::string> full_write(const std::array<int16_t, 25>& values) {
    std::vector<std::string> commands{"A", read_command(63)};
    for (uint8_t n = 0; n < 25; ++n)
        commands.insert(commands.end(), {write_command(n, uint8_t(values[n])), read_command(n)});
    return commands;
}

} // namespace

class TestPanelConversation : public QObject {
    Q_OBJECT

  private slots:
    // A reply's value is its leading number, blanks, tabs and line feeds ignored, and
    // nothing after the number counts, whether it came with the digits or 30 ms later. A
    // reply without a leading number fails the transaction without a value, and a failed
    // location is never reported as read.
    void transactions_data() {
        QTest::addColumn<bool>("write");       // a write of 12 at location 0, or a read
        QTest::addColumn<QByteArray>("reply"); // to the read or the read-back
        QTest::addColumn<int>("split");        // ms by which its last character is late
        QTest::addColumn<int>("value");        // reported as read; -1: none
        QTest::addColumn<QString>("text");     // the transaction's own text
        const auto row = [](bool write, const char* reply, int value, const QString& text,
                            int split = 0) {
            QTest::addRow("%s %s%s", write ? "write" : "read",
                          QByteArray(reply).toPercentEncoding("?").constData(),
                          split ? " last late" : "")
                << write << QByteArray(reply) << split << value << text;
        };
        const QString& ok = StatusTexts::communications_ok;
        for (int split : {0, 30}) {
            for (const char* reply :
                 {"0120", " 0120 \r\n", "\t01\n20\r", "01 20", "0120V", "0120\rX", "0120\r5"})
                row(false, reply, 12, ok, split);
            row(true, "0120\rX", 12, ok, split);
        }
        row(false, "1600\r", 160, ok);
        for (const char* junk : {"abcd", "????", "D000D", "X0120\r", "\r0120", "-.\r\r",
                                 "\r\r\r\r\r", "\r", "", "012"})
            row(false, junk, -1, StatusTexts::corrupted);
        row(false, "1610\r", -1, StatusTexts::out_of_range);
        row(false, "-050\r", -1, StatusTexts::out_of_range);
        row(false, "9999999\r", -1, StatusTexts::out_of_range);
        row(true, "0120\r", 12, ok);
        row(true, "0130\r", -1, StatusTexts::failed_to_verify);
        row(true, "????\r", -1, StatusTexts::corrupted);
        row(true, "9999999\r", -1, StatusTexts::failed_to_verify);
        row(true, "120", -1, StatusTexts::corrupted);
    }
    void transactions() {
        QFETCH(bool, write);
        QFETCH(QByteArray, reply);
        QFETCH(int, split);
        QFETCH(int, value);
        QFETCH(QString, text);
        PanelSettings settings;
        settings.faults.raw_read[0] = reply.toStdString();
        settings.faults.split_delay = std::chrono::milliseconds(split);
        settings.faults.split_at = {0};
        Run run(settings);
        // A good location 0 ends the run early: the rest is another test's business.
        QObject::connect(&run.conversation, &PanelConversation::progress,
                         [&run] { run.conversation.cancel(); });
        if (write) {
            run.conversation.start_write(stored_values({12}));
        } else {
            run.conversation.start_read();
        }
        QVERIFY(run.finish());

        const std::vector<std::string> location_0 =
            write ? std::vector<std::string>{write_command(0, 12), read_command(0)}
                  : std::vector<std::string>{read_command(0)};
        auto expected = std::vector<std::string>{"A", read_command(63)};
        expected.insert(expected.end(), location_0.begin(), location_0.end());
        QCOMPARE(run.received(), expected);
        QCOMPARE(run.texts.back(), StatusTexts::bad_data);
        QCOMPARE(run.colours.back(), StatusColour::red);
        QCOMPARE(*run.outcome, Outcome::bad_data);
        QCOMPARE(run.texts.at(2), text); // after the start and the identity read
        if (!write) {
            using Values = std::vector<std::pair<int, int>>;
            QCOMPARE(run.values, (value < 0 ? Values{} : Values{{0, value}}));
        }
        QVERIFY(!run.port_open());
    }

    // The model code: only a reply that was read can be a wrong panel.
    void identity_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("outcome");
        QTest::newRow("79 accepted") << 79 << "" << int(Outcome::succeeded);
        QTest::newRow("71 is another panel") << 71 << "" << int(Outcome::mismatch);
        QTest::newRow("200 is another panel") << 200 << "" << int(Outcome::mismatch);
        QTest::newRow("short reply") << 70 << "short" << int(Outcome::bad_data);
        QTest::newRow("meaningless reply") << 70 << "????\r" << int(Outcome::bad_data);
        QTest::newRow("70 with a trailing letter") << 71 << "00700V" << int(Outcome::succeeded);
        QTest::newRow("every reply 150 ms late") << 70 << "late" << int(Outcome::bad_data);
    }
    void identity() {
        QFETCH(int, model);
        QFETCH(QString, fault);
        QFETCH(int, outcome);
        PanelSettings settings;
        settings.model_code = uint8_t(model);
        if (fault == "short") settings.faults.short_read = {63};
        if (fault == "late") {
            settings.faults.reply_delay = std::chrono::milliseconds(150);
            settings.faults.answer_attention_only = 1; // the late "A" is answered in time
        } else if (fault != "short" && !fault.isEmpty()) {
            settings.faults.raw_read[63] = fault.toStdString();
        }
        Run run(settings);
        bool identified = false;
        QObject::connect(&run.conversation, &PanelConversation::panel_identified,
                         [&] { identified = true; });
        QObject::connect(&run.conversation, &PanelConversation::panel_identified, &run.conversation,
                         &PanelConversation::cancel);
        run.conversation.start_read();
        QVERIFY(run.finish());
        QCOMPARE(identified, outcome == int(Outcome::succeeded));
        if (identified) return;
        QCOMPARE(int(*run.outcome), outcome);
        const bool mismatch = outcome == int(Outcome::mismatch);
        QCOMPARE(run.mismatches, mismatch ? std::vector<int>{model} : std::vector<int>{});
        QCOMPARE(run.texts.back(), mismatch ? StatusTexts::mismatch : StatusTexts::bad_data);
        QCOMPARE(run.colours.back(), StatusColour::red);
        QVERIFY(run.values.empty());
    }

    // The handshake takes all that arrives over its attention characters as one reply, and
    // only exactly "D000D" is an answer; five characters end it. The model code is asked
    // for one pause after the acknowledgement, however many "A"s it took, and acknowledgements
    // of the extra ones are never taken for its reply. A failure is reported at the end of
    // its wait, with the port closed.
    void handshake_data() {
        QTest::addColumn<PanelSettings>("settings");
        QTest::addColumn<int>("wait");       // the reply wait, ms
        QTest::addColumn<int>("attentions"); // "A"s sent
        QTest::addColumn<int>("outcome");
        const auto with = [](auto set) {
            PanelSettings settings;
            set(settings.faults);
            return settings;
        };
        const int ok = int(Outcome::succeeded);
        const int no_response = int(Outcome::no_response);
        using namespace std::chrono_literals;
        QTest::newRow("exact") << PanelSettings() << 100 << 1 << ok;
        QTest::newRow("silent") << with([](auto& f) { f.silent = true; }) << 100 << 6
                                << no_response;
        QTest::newRow("noise first")
            << with([](auto& f) { f.attention_noise = "x"; }) << 100 << 1 << no_response;
        QTest::newRow("five junk characters")
            << with([](auto& f) { f.attention_noise = "XXXXX"; }) << 100 << 1 << no_response;
        QTest::newRow("fourth answered")
            << with([](auto& f) { f.answer_attention_only = 4; }) << 100 << 4 << ok;
        // "D0" in the first wait, "00D" in the second.
        QTest::newRow("split acknowledgement") << with([](auto& f) {
            f.answer_attention_only = 1;
            f.split_attention = true;
            f.split_tail = 3;
            f.split_delay = 150ms;
        }) << 100 << 2 << ok;
        // Each "A" answered 150 ms late: the second acknowledgement comes as the pause ends.
        QTest::newRow("late acknowledgement of the extra A")
            << with([](auto& f) { f.attention_delay = 150ms; }) << 100 << 2 << ok;
        QTest::newRow("30 ms late")
            << with([](auto& f) { f.reply_delay = 130ms; }) << 100 << 2 << int(Outcome::bad_data);
        QTest::newRow("30 ms late, --reply-wait 200")
            << with([](auto& f) { f.reply_delay = 130ms; }) << 200 << 1 << ok;
        QTest::newRow("answered after the sixth wait") << with([](auto& f) {
            f.answer_attention_only = 1;
            f.reply_delay = 640ms;
        }) << 100 << 6 << no_response;
    }
    void handshake() {
        QFETCH(PanelSettings, settings);
        QFETCH(int, wait);
        QFETCH(int, attentions);
        QFETCH(int, outcome);
        Run run(settings);
        std::chrono::steady_clock::time_point finished;
        bool open_at_finish = true;
        QObject::connect(&run.conversation, &PanelConversation::finished, [&] {
            finished = std::chrono::steady_clock::now();
            open_at_finish = run.port_open();
        });
        run.conversation.set_reply_wait(std::chrono::milliseconds(wait));
        run.conversation.start_identify();
        QVERIFY(run.finish());
        QCOMPARE(int(*run.outcome), outcome);
        std::vector<std::string> expected(std::size_t(attentions), "A");
        if (outcome != int(Outcome::no_response)) expected.push_back(read_command(63));
        QCOMPARE(run.received(), expected);
        QVERIFY(!open_at_finish);

        // The panel stamps a reply before it leaves and a command after it arrives, so what
        // is measured here is never shorter than what the program waited; the upper bounds
        // leave room for scheduling, but not for a second wait.
        using std::chrono::milliseconds;
        const auto transcript = run.panel->transcript();
        const auto last_command = std::find_if(transcript.rbegin(), transcript.rend(), [](auto& e) {
            return e.direction == Direction::received;
        });
        if (outcome != int(Outcome::succeeded)) {
            QVERIFY(finished - last_command->time < milliseconds(wait + 70));
            return;
        }
        // From the reply's fifth character to the read of the model code: one pause.
        std::size_t characters = 0;
        const auto fifth = std::find_if(transcript.begin(), transcript.end(), [&](auto& e) {
            if (e.direction == Direction::sent) characters += e.bytes.size();
            return characters >= kvr::reply_wait_chars;
        });
        const auto pause = last_command->time - fifth->time;
        QVERIFY2(pause >= kvr::tick && pause < milliseconds(170),
                 qPrintable(QString::number(
                     std::chrono::duration_cast<std::chrono::microseconds>(pause).count())));
    }

    void port_that_cannot_be_opened_is_named() {
        Run run;
        const QString missing = QStringLiteral("/dev/kvr-no-such-port");
        run.conversation.set_device(missing);
        run.conversation.start_read();
        QCOMPARE(*run.outcome, Outcome::port_failed);
        QVERIFY(run.texts.back().startsWith(
            QStringLiteral("CANNOT OPEN SERIAL PORT %1 - NO SUCH DEVICE").arg(missing)));

        const QString device = QString::fromStdString(run.panel->slave_path());
        run.conversation.set_device(device);
        QSerialPort other_program(device);
        QVERIFY(other_program.open(QIODevice::ReadWrite));
        run.conversation.start_read();
        QCOMPARE(*run.outcome, Outcome::port_failed);
        QVERIFY(run.texts.back().startsWith(
            QStringLiteral("CANNOT OPEN SERIAL PORT %1 - IN USE BY ").arg(device)));
        QVERIFY(run.panel->transcript().empty());
        QVERIFY(!run.port_open());
    }

    // A write refused by its caller opens and closes the port and sends nothing.
    void refused_write_sends_nothing() {
        Run run;
        run.conversation.refuse_write(QStringLiteral("REFUSED"));
        QCOMPARE(*run.outcome, Outcome::refused);
        QCOMPARE(run.texts, (QStringList{StatusTexts::starting_write, QStringLiteral("REFUSED")}));
        QVERIFY(run.panel->transcript().empty());
    }

    // Two panels at once on one thread, one silent: the good one is programmed while the
    // silent one is still being called, and the trace holds every byte of both in order.
    void panels_at_once_with_a_trace() {
        QTemporaryDir folder;
        kvr::LineTrace trace;
        QVERIFY(trace.open(folder.filePath("trace.txt")));
        PanelSettings silent;
        silent.faults.silent = true;
        Run good, quiet(silent);
        const std::array<int16_t, 25> values{0, 1, 2, 3, 159, 160, 12, 37};
        for (Run* run : {&good, &quiet}) {
            run->conversation.set_trace(&trace);
            run->conversation.start_write(stored_values(values));
        }
        QVERIFY(good.finish());
        QVERIFY(quiet.finish());
        QCOMPARE(*good.outcome, Outcome::succeeded);
        QCOMPARE(good.texts.back(), StatusTexts::programmed);
        QCOMPARE(good.colours.back(), StatusColour::green);
        QCOMPARE(*quiet.outcome, Outcome::no_response);
        QCOMPARE(good.received(), full_write(values));
        for (int n = 0; n < 25; ++n)
            QCOMPARE(int(good.panel->location(n)), int(values[n]));
        // The silent panel's last "A" left after the good panel's first write.
        const auto good_first_write = good.panel->transcript().at(4).time;
        QVERIFY(quiet.panel->transcript().back().time > good_first_write);

        // Every command of the good panel, in order, as hex on its "tx" lines.
        QFile file(folder.filePath("trace.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString good_device = good.conversation.device();
        std::vector<std::string> traced;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 4 || fields[1] != good_device.toUtf8() || fields[2] != "tx")
                continue;
            const QByteArray hex = line.mid(line.indexOf(" tx ") + 4).split('|').front();
            traced.push_back(QByteArray::fromHex(hex.simplified().replace(' ', "")).toStdString());
        }
        QCOMPARE(traced, full_write(values));
    }

    // Closing the program mid-operation: nothing more is sent and the port closes.
    void cancel_ends_the_operation_at_once() {
        Run run;
        int reads = 0;
        QObject::connect(&run.conversation, &PanelConversation::value_read, [&] {
            if (++reads == 3) run.conversation.cancel();
        });
        run.conversation.start_read();
        QVERIFY(run.finish());
        QCOMPARE(*run.outcome, Outcome::bad_data);
        QCOMPARE(run.received().size(), std::size_t{2 + 3});
        QCOMPARE(run.values.size(), std::size_t{3});
        QVERIFY(!run.port_open());
    }
};

QTEST_MAIN(TestPanelConversation)
#include "test_panel_conversation.moc"
