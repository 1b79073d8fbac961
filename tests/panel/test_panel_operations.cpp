// Reading and programming a simulated panel through the window's buttons: the bytes on
// the line, what reaches the panel or the lists, and every way an operation can fail.

#include <QLineEdit>
#include <QRadioButton>

#include "panel/memory_map.h"
#include "panel_fixture.h"

using namespace std::chrono_literals;
using kvr::read_command;
using kvr::write_command;
using kvr::sim::PanelSettings;

namespace {

// One assignment code per function, with "N/A" (160), the corners 0 and 159, LED3 at
// module P channel 2 and the backlighting at module B channel 3 among them.
constexpr std::array<int16_t, kvr::kFunctionCount> kCodes{
    23, 0, 160, 159, 37, 41, 52, 68, 79, 80, 95, 104, 151, 113, 126, 132, 149, 5, 18, 160, 12, 99};
// Intensity codes of locations 22..24 and the rows that show them: 50 %, 60 %, 30 %.
constexpr std::array<int16_t, 3> kIntensityCodes{3, 4, 1};
constexpr std::array<int, 3> kIntensityRows{5, 4, 7};
constexpr std::array<int, 3> kIntensityLists{45, 49, 46};

constexpr bool not_assigned(int16_t code) {
    return code >= kvr::kNotAssigned;
}

std::string reply_for(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d\r", value * 10);
    return text;
}

const QString kProgrammed = QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED");
const QString kMismatchTitle = QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
constexpr int kDiscardChanges = 1; // the unsaved-work question's DISCARD

} // namespace

class TestPanelOperations : public QObject, PanelFixture {
    Q_OBJECT

    void select_configuration() {
        for (int f = 0; f < kvr::kFunctionCount; ++f) {
            if (not_assigned(kCodes[f])) {
                list(2 * f + 1)->setCurrentRow(0);
                continue;
            }
            list(2 * f + 1)->setCurrentRow(kCodes[f] / 10 + 1);
            list(2 * f + 2)->setCurrentRow(kCodes[f] % 10);
        }
        for (int i = 0; i < 3; ++i)
            list(kIntensityLists[i])->setCurrentRow(kIntensityRows[i]);
    }
    std::array<int16_t, 25> configuration_values() const {
        std::array<int16_t, 25> values{};
        std::copy(kCodes.begin(), kCodes.end(), values.begin());
        std::copy(kIntensityCodes.begin(), kIntensityCodes.end(), values.begin() + 22);
        return values;
    }
    // Every list of functions 0..21 as (module row, channel row).
    std::vector<std::pair<int, int>> assignment_rows() const {
        std::vector<std::pair<int, int>> rows;
        for (int f = 0; f < kvr::kFunctionCount; ++f)
            rows.emplace_back(list(2 * f + 1)->currentRow(), list(2 * f + 2)->currentRow());
        return rows;
    }
    void verify_failed(const QString& text) {
        QCOMPARE(status(), text);
        QCOMPARE(status_colour(), kStatusRed);
        QVERIFY(!port_open());
    }

    void verify_mismatch_status() {
        QCOMPARE(status(), QStringLiteral("COMMUNICATIONS OK"));
        QCOMPARE(status_colour(), kStatusYellow);
        QVERIFY(!port_open());
    }

  private slots:
    void init() { new_window(); }

    void full_write_programs_and_verifies_every_location() {
        PanelSettings settings;
        settings.model_code = 79;
        connect_panel(settings);
        select_configuration();
        member("blpercent") = 7; // the intensities go from the lists, not from the model
        click("WRITE_CONFIG");

        const auto values = configuration_values();
        std::vector<std::string> commands{"A", read_command(63)};
        std::vector<std::string> replies{"D000D", reply_for(79)};
        for (uint8_t n = 0; n < 25; ++n) {
            commands.insert(commands.end(),
                            {write_command(n, uint8_t(values[n])), read_command(n)});
            replies.insert(replies.end(), {"D000D", reply_for(values[n])});
        }
        QCOMPARE(received(), commands);
        QCOMPARE(traffic(kvr::sim::Direction::sent), replies);
        for (int n = 0; n < 25; ++n)
            QCOMPARE(int(panel->location(n)), int(values[n]));
        QVERIFY(shortest_pause() >= kvr::tick);
        QCOMPARE(status(), kProgrammed);
        QCOMPARE(status_colour(), kStatusGreen);
        QVERIFY(!port_open());
        QVERIFY(dialogs.messages.empty());
    }

    void full_read_fills_the_window() {
        PanelSettings settings;
        for (int n = 0; n < 25; ++n)
            settings.initial_values[n] = uint8_t(configuration_values()[n]);
        connect_panel(settings);
        form->findChild<QLineEdit*>("Text2")->setText(QStringLiteral("LOBBY"));
        list(4)->setCurrentRow(2); // SW2's channel, so that its designation box shows
        form->findChild<QLineEdit*>("Text4")->setText(QStringLiteral("DOOR"));
        QTest::mouseClick(form->findChild<QRadioButton*>("Option2"), Qt::LeftButton);
        dialogs.answers = {kDiscardChanges};
        click("READ_CONFIG");

        std::vector<std::string> commands{"A", read_command(63)};
        for (uint8_t n = 0; n < 25; ++n)
            commands.push_back(read_command(n));
        QCOMPARE(received(), commands);
        QVERIFY(shortest_pause() >= kvr::tick);

        for (int f = 0; f < kvr::kFunctionCount; ++f) {
            const auto [module_row, channel_row] = assignment_rows()[f];
            // A function that is not assigned keeps the channel of the one split before it.
            const int16_t channel_code = not_assigned(kCodes[f]) ? kCodes[f - 1] : kCodes[f];
            QCOMPARE(module_row, not_assigned(kCodes[f]) ? 0 : kCodes[f] / 10 + 1);
            QCOMPARE(channel_row, channel_code % 10);
        }
        QCOMPARE(list(25)->currentItem()->text(), QStringLiteral("P"));
        QCOMPARE(list(26)->currentItem()->text(), QStringLiteral("2"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(list(kIntensityLists[i])->currentRow(), kIntensityRows[i]);
        QCOMPARE(member("blpercent"), 3);
        QCOMPARE(member("indpercent"), 4);
        QCOMPARE(member("dindpercent"), 1);

        for (int n = 2; n <= 22; ++n) {
            const auto* box = form->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n));
            QVERIFY(box->text().isEmpty());
            if (n >= 3) QVERIFY(box->isHidden());
        }
        QVERIFY(form->findChild<QRadioButton*>("Option1")->isChecked());
        QCOMPARE(member("config_flag"), 0);
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
        QCOMPARE(status_colour(), kStatusGreen);
        QVERIFY(!port_open());
        QVERIFY(dialogs.messages.empty()); // backlighting 50 % read under an indicator at 100 %
    }

    // The rule is checked once the panel's three codes are in place: a panel whose own
    // values keep it reads back unchanged, one whose values break it gets the message.
    void intensity_rule_applies_to_the_values_read() {
        list(45)->setCurrentRow(5); // backlighting 50 %
        list(49)->setCurrentRow(5); // indicator 50 %
        PanelSettings keeps_rule;
        keeps_rule.initial_values = {{22, 6}, {23, 10}};
        connect_panel(keeps_rule);
        dialogs.answers = {kDiscardChanges};
        click("READ_CONFIG");
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(list(45)->currentItem()->text(), QStringLiteral("80"));
        QCOMPARE(list(49)->currentItem()->text(), QStringLiteral("100"));
        QCOMPARE(member("blpercent"), 6);
        QCOMPARE(status_colour(), kStatusGreen);

        PanelSettings breaks_rule;
        breaks_rule.initial_values = {{22, 10}, {23, 7}};
        connect_panel(breaks_rule);
        std::string command_at_message;
        connect(list(49), &QListWidget::currentRowChanged, this, [&] {
            if (dialogs.messages.size() == 1 && command_at_message.empty())
                command_at_message = received().back();
        });
        click("READ_CONFIG");
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QVERIFY(dialogs.messages[0].text.startsWith(QStringLiteral("NORMAL INDICATOR INTENSITY")));
        QCOMPARE(command_at_message, read_command(24));
        QCOMPARE(list(45)->currentItem()->text(), QStringLiteral("90"));
        QCOMPARE(list(49)->currentItem()->text(), QStringLiteral("90"));
        QCOMPARE(member("blpercent"), 7);
        QCOMPARE(status_colour(), kStatusGreen);
    }

    void no_answer_sends_six_attention_characters() {
        for (const char* button : {"READ_CONFIG", "WRITE_CONFIG"}) {
            new_window();
            PanelSettings settings;
            settings.faults.silent = true;
            connect_panel(settings);
            for (int n = 1; n <= 43; n += 2)
                list(n)->setCurrentRow(0);
            form->findChild<QLineEdit*>("Text2")->setText(QStringLiteral("LOBBY"));
            // The click starts before the first "A" and returns after the wait that follows
            // the sixth, so six full ticks is an exact floor. The panel stamps what it
            // receives late by its own scheduling, so its gaps only show that every "A" has
            // a wait of its own instead of leaving in a burst.
            dialogs.answers = {kDiscardChanges}; // asked before a read only
            const auto clicked = std::chrono::steady_clock::now();
            click(button);
            QVERIFY(std::chrono::steady_clock::now() - clicked >=
                    kvr::attention_attempts * kvr::tick);
            QCOMPARE(received(), std::vector<std::string>(6, "A"));
            const auto t = panel->transcript();
            for (std::size_t i = 1; i < t.size(); ++i)
                QVERIFY(t[i].time - t[i - 1].time >= kvr::tick / 2);
            verify_failed(kNoResponse);
            // No panel answered, so the name typed stays.
            QCOMPARE(form->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("LOBBY"));
        }
    }

    void handshake_needs_exactly_the_acknowledgement() {
        PanelSettings late; // answers the fourth "A" only; the read then goes on
        late.faults.answer_attention_only = 4;
        late.model_code = 71;
        connect_panel(late);
        click("READ_CONFIG");
        QCOMPARE(received(), (std::vector<std::string>{"A", "A", "A", "A", read_command(63)}));
        // After the mismatch box the status box stays as the identity read left it; nothing
        // is applied.
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].title, kMismatchTitle);
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("READ DATA FROM")));
        verify_mismatch_status();
        QCOMPARE(list(1)->currentRow(), -1);

        PanelSettings noisy; // stray characters before "D000D": no acknowledgement
        noisy.faults.attention_noise.assign(1, 'x'); // GCC 12 mistakes = "x" for an overlap
        connect_panel(noisy);
        click("READ_CONFIG");
        QCOMPARE(received(), std::vector<std::string>{"A"});
        verify_failed(kNoResponse);
    }

    void write_refuses_unknown_models_and_unreadable_ones() {
        select_configuration();
        PanelSettings model_78;
        model_78.model_code = 78;
        connect_panel(model_78);
        click("WRITE_CONFIG");
        QCOMPARE(received(), (std::vector<std::string>{"A", read_command(63)}));
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].title, kMismatchTitle);
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("WRITE DATA TO")));
        verify_mismatch_status();

        // A write that fails at its first location leaves the model code 70 behind, which
        // must not pass for the identity of a panel whose reply is cut short.
        PanelSettings no_ack;
        no_ack.faults.no_write_ack = {0};
        connect_panel(no_ack);
        click("WRITE_CONFIG");
        verify_failed(kBadData);
        for (const char* button : {"WRITE_CONFIG", "READ_CONFIG"}) {
            PanelSettings short_identity;
            short_identity.faults.short_read = {kvr::model_code_location};
            connect_panel(short_identity);
            dialogs.answers = {kDiscardChanges}; // asked before a read only
            click(button);
            QCOMPARE(received(), (std::vector<std::string>{"A", read_command(63)}));
            verify_failed(kBadData);
            QCOMPARE(dialogs.messages.size(), std::size_t{1});
        }
    }

    void read_failure_keeps_the_failing_location_data() {
        QTest::addColumn<int>("location");
        QTest::addColumn<QString>("fault");
        QTest::newRow("short reply") << 3 << "short";
        QTest::newRow("161") << 0 << "1610\r";
        QTest::newRow("170 at SW6") << 5 << "1700\r";
        QTest::newRow("negative") << 1 << "-050\r";
        QTest::newRow("beyond 16 bits") << 2 << "999999\r";
        QTest::newRow("no number") << 5 << "????";
        QTest::newRow("line lost after the identity read") << 0 << "hang-up";
    }
    // Locations read before the failure are applied; the failing one keeps what it showed,
    // whatever an earlier transaction left behind.
    void read_failure_keeps_the_failing_location() {
        constexpr int kReadCodes[] = {23, 0, 37, 42, 56, 71};
        QFETCH(int, location);
        QFETCH(QString, fault);
        PanelSettings settings;
        for (int n = 0; n < 6; ++n)
            settings.initial_values[n] = uint8_t(kReadCodes[n]);
        if (fault == "short")
            settings.faults.short_read = {location};
        else if (fault == "hang-up")
            settings.faults.hang_up_after = 2;
        else
            settings.faults.raw_read[location] = fault.toStdString();
        connect_panel(settings);
        list(2 * location + 1)->setCurrentRow(4);
        list(2 * location + 2)->setCurrentRow(9);
        dialogs.answers = {kDiscardChanges};
        click("READ_CONFIG");

        std::vector<std::string> commands{"A", read_command(63)};
        for (int n = 0; n <= location && fault != "hang-up"; ++n)
            commands.push_back(read_command(uint8_t(n)));
        QCOMPARE(received(), commands);
        verify_failed(kBadData);
        const auto rows = assignment_rows();
        for (int f = 0; f < location; ++f)
            QCOMPARE(rows[f], std::make_pair(kReadCodes[f] / 10 + 1, kReadCodes[f] % 10));
        QCOMPARE(rows[location], std::make_pair(4, 9));
        QCOMPARE(rows[location + 1], std::make_pair(-1, -1));
    }

    // Each transaction reads its own reply: a reply whose last character arrives after
    // the tick, or one followed by junk, leaves nothing behind for the next location.
    void reply_split_or_padded_stays_with_its_location() {
        PanelSettings settings;
        settings.initial_values = {{3, 89}, {4, 101}, {5, 23}};
        // "0890" 20 ms before the tick and its carriage return 20 ms after it.
        settings.faults.reply_delay = 80ms;
        settings.faults.split_delay = 40ms;
        settings.faults.split_at = {3};
        settings.faults.pad_read[4] = 2000;
        connect_panel(settings);
        click("READ_CONFIG");
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
        QCOMPARE(assignment_rows()[3], std::make_pair(9, 9));  // I 10
        QCOMPARE(assignment_rows()[4], std::make_pair(11, 1)); // K 2
        QCOMPARE(assignment_rows()[5], std::make_pair(3, 3));  // C 4
    }

    void write_failure_keeps_what_was_written_data() {
        QTest::addColumn<int>("location");
        QTest::addColumn<QString>("fault");
        QTest::newRow("not acknowledged") << 0 << "no ack";
        QTest::newRow("acknowledged with an extra character") << 1 << "extra";
        QTest::newRow("read-back too short") << 2 << "short";
        QTest::newRow("read-back differs at LED1") << 10 << "differs";
        QTest::newRow("line hangs up after the write of SW2") << 1 << "hang-up";
    }
    void write_failure_keeps_what_was_written() {
        QFETCH(int, location);
        QFETCH(QString, fault);
        PanelSettings settings;
        kvr::sim::Faults& faults = settings.faults;
        if (fault == "no ack") faults.no_write_ack = {location};
        if (fault == "extra") faults.ack_extra_char = {location};
        if (fault == "short") faults.short_read = {location};
        if (fault == "differs") faults.read_differs = {location};
        if (fault == "hang-up") faults.hang_up_after = 2 + 2 * location + 1;
        connect_panel(settings);
        select_configuration();
        click("WRITE_CONFIG");

        verify_failed(kBadData);
        const auto values = configuration_values();
        const auto commands = received();
        // No command for a later location, and no read-back after a failed acknowledgement.
        const bool read_back_sent = fault == "short" || fault == "differs";
        QCOMPARE(commands.back(),
                 read_back_sent ? read_command(uint8_t(location))
                                : write_command(uint8_t(location), uint8_t(values[location])));
        // The panel keeps the failing location's value unless it never took the write.
        for (int n = 0; n < 25; ++n) {
            const bool written = n < location || (n == location && fault != "no ack");
            QCOMPARE(int(panel->location(n)), written ? values[n] : n < 22 ? 160 : 10);
        }
    }

    void incomplete_selection_sends_nothing() {
        connect_panel();
        for (int n = 1; n <= 43; n += 2)
            list(n)->setCurrentRow(0);
        list(29)->setCurrentRow(-1); // LED5 without a module
        click("WRITE_CONFIG");
        verify_failed(QStringLiteral(
            "DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA"));
        list(5)->setCurrentRow(3); // SW3 with a module and no channel
        click("WRITE_CONFIG");
        verify_failed(
            QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"));
        QVERIFY(panel->transcript().empty());
    }
};

QTEST_MAIN(TestPanelOperations)
#include "test_panel_operations.moc"
