// The simulated panel's protocol engine, fed bytes and times directly.
#include "panel/protocol.h"
#include "simulator/panel_engine.h"

#include <QTest>

#include <string>

using namespace std::chrono_literals;
using namespace std::string_literals;
using kvr::sim::Direction;
using kvr::sim::PanelEngine;
using kvr::sim::PanelSettings;
using kvr::sim::Timestamp;
using kvr::sim::TranscriptEntry;

namespace {

const Timestamp t0 = Timestamp{} + 1h;

// Feeds bytes at `now` and returns everything due then, concatenated.
std::string talk(PanelEngine& engine, const std::string& bytes, Timestamp now = t0) {
    engine.receive(bytes, now);
    std::string out;
    for (const auto& o : engine.take_due(now))
        out += o.bytes;
    return out;
}

std::string write_cmd(int loc, int value) {
    return kvr::write_command(static_cast<std::uint8_t>(loc), static_cast<std::uint8_t>(value));
}
std::string read_cmd(int loc) {
    return kvr::read_command(static_cast<std::uint8_t>(loc));
}

// Lets the clock run from due time to due time while there is anything left to send.
using Sent = std::vector<std::pair<Timestamp, std::string>>;
Sent sent(PanelEngine& engine) {
    Sent out;
    while (const auto due = engine.next_due())
        for (const auto& o : engine.take_due(*due))
            out.emplace_back(*due, o.bytes);
    return out;
}

PanelSettings with_faults(auto set) {
    PanelSettings s;
    set(s.faults);
    return s;
}

} // namespace

class TestPanelEngine : public QObject {
    Q_OBJECT
  private slots:
    void startValues() {
        PanelEngine healthy;
        for (int n = 0; n < kvr::sim::location_count; ++n) {
            const int expected = n <= 21 ? 160 : n <= 24 ? 10 : n == 63 ? 70 : 0;
            QCOMPARE(int(healthy.location(n)), expected);
        }
        PanelSettings s;
        s.model_code = 79;
        s.assignment_value = 5;
        s.intensity_value = 7;
        s.initial_values = {{5, 37}, {63, 71}, {40, 9}};
        PanelEngine told(s);
        QCOMPARE(int(told.location(0)), 5);
        QCOMPARE(int(told.location(5)), 37);
        QCOMPARE(int(told.location(22)), 7);
        QCOMPARE(int(told.location(40)), 9);
        QCOMPARE(int(told.location(63)), 71);
    }

    void healthyExchange() {
        PanelEngine panel;
        QCOMPARE(talk(panel, "A"), "D000D"s);
        QCOMPARE(talk(panel, read_cmd(63), t0 + 100ms), "0700\r"s);
        QCOMPARE(talk(panel, write_cmd(5, 37), t0 + 200ms), "D000D"s);
        QCOMPARE(int(panel.location(5)), 37);
        QCOMPARE(talk(panel, read_cmd(5), t0 + 210ms), "0370\r"s);
        QCOMPARE(talk(panel, write_cmd(6, 255)), "D000D"s);
        QCOMPARE(talk(panel, read_cmd(6)), "2550\r"s);
        QCOMPARE(talk(panel, write_cmd(7, 0)), "D000D"s);
        QCOMPARE(talk(panel, read_cmd(7)), "0000\r"s);
        QCOMPARE(panel.commands_received(), std::size_t{8});

        const auto& t = panel.transcript();
        QCOMPARE(t.size(), std::size_t{16});
        QCOMPARE(t[0], (TranscriptEntry{t0, Direction::received, "A"}));
        QCOMPARE(t[1], (TranscriptEntry{t0, Direction::sent, "D000D"}));
        QCOMPARE(t[2], (TranscriptEntry{t0 + 100ms, Direction::received, "V\0?00V"s}));
        QCOMPARE(t[3], (TranscriptEntry{t0 + 100ms, Direction::sent, "0700\r"}));
        QCOMPARE(t[4], (TranscriptEntry{t0 + 200ms, Direction::received, "S\0\x05\0%D"s}));
        QCOMPARE(t[6].time - t[4].time, Timestamp::duration(10ms));
    }

    void framing() {
        PanelEngine panel;
        // A command arriving byte by byte is answered once it is complete.
        const std::string w = write_cmd(3, 12);
        for (std::size_t i = 0; i + 1 < w.size(); ++i)
            QCOMPARE(talk(panel, w.substr(i, 1)), ""s);
        QCOMPARE(talk(panel, w.substr(5)), "D000D"s);
        // Several commands in one chunk are answered in order.
        QCOMPARE(talk(panel, "A" + read_cmd(3) + "A"), "D000D0120\rD000D"s);
        // Bytes that frame nothing are skipped, and recorded as skipped.
        QCOMPARE(talk(panel, "xyz" + read_cmd(3)), "0120\r"s);
        const auto& t = panel.transcript();
        QCOMPARE(t[t.size() - 3], (TranscriptEntry{t0, Direction::skipped, "xyz"}));
        // A broken frame gives up only its first byte: "S" then a good command.
        QCOMPARE(talk(panel, "S" + write_cmd(4, 1)), "D000D"s);
        QCOMPARE(int(panel.location(4)), 1);
        // A frame with a wrong byte 2, 4 or 6, or a location past 63, is no command.
        QCOMPARE(talk(panel, "S\x01\x04\0\x09D"s), ""s);
        QCOMPARE(talk(panel, "S\0\x04\x01\x09D"s), ""s);
        QCOMPARE(talk(panel, "S\0\x04\0\x09X"s), ""s);
        QCOMPARE(talk(panel, "V\0\x40"
                             "00V"s),
                 ""s);
        QCOMPARE(talk(panel, "V\0\x04"
                             "01V"s),
                 ""s);
        QCOMPARE(int(panel.location(4)), 1);
        // ...and the line recovers at the next command. A value byte "A" is no attention.
        QCOMPARE(talk(panel, write_cmd(4, 'A')), "D000D"s);
        QCOMPARE(talk(panel, read_cmd(4)), "0650\r"s);
        // A partial command waits for its rest.
        QCOMPARE(talk(panel, "V\0"s), ""s);
        QCOMPARE(talk(panel, "\x04"
                             "00V"s),
                 "0650\r"s);
    }

    void silent() {
        PanelEngine panel(with_faults([](auto& f) { f.silent = true; }));
        QCOMPARE(talk(panel, "AAAAAA"), ""s);
        QCOMPARE(talk(panel, write_cmd(1, 1) + read_cmd(1)), ""s);
        QCOMPARE(int(panel.location(1)), 160);
        QCOMPARE(panel.transcript().size(), std::size_t{8}); // commands recorded, no reply
        QVERIFY(!panel.next_due());
    }

    void answersOnlyKthAttention() {
        PanelEngine panel(with_faults([](auto& f) { f.answer_attention_only = 4; }));
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(talk(panel, "A", t0 + i * 100ms), i == 4 ? "D000D"s : ""s);
        QCOMPARE(talk(panel, read_cmd(63)), "0700\r"s);
        // Another command ends the handshake: the next one is answered at its own fourth.
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(talk(panel, "A", t0 + i * 100ms), i == 4 ? "D000D"s : ""s);
    }

    void writeFaults() {
        PanelEngine panel(with_faults([](auto& f) {
            f.no_write_ack = {3};
            f.ack_extra_char = {2};
        }));
        QCOMPARE(talk(panel, write_cmd(3, 9)), ""s);
        QCOMPARE(int(panel.location(3)), 160);
        QCOMPARE(talk(panel, write_cmd(2, 9)), "D000D\r"s);
        QCOMPARE(int(panel.location(2)), 9);
        QCOMPARE(talk(panel, write_cmd(1, 9)), "D000D"s);
        QCOMPARE(talk(panel, "A"), "D000D"s); // attention is not a write
    }

    void readFaults() {
        PanelEngine panel(with_faults([](auto& f) {
            f.short_read = {4};
            f.read_differs = {10};
            f.raw_read = {{5, "-0010"}, {6, "327680\r"}, {7, "XYZW"}};
            f.pad_read = {{7, 2}, {9, 3}, {4, 2}};
        }));
        QCOMPARE(talk(panel, read_cmd(4)), "160"s);
        QCOMPARE(talk(panel, write_cmd(10, 37)), "D000D"s);
        QCOMPARE(talk(panel, read_cmd(10)), "0380\r"s);
        QCOMPARE(int(panel.location(10)), 37);
        QCOMPARE(talk(panel, read_cmd(5)), "-0010"s);
        QCOMPARE(talk(panel, read_cmd(6)), "327680\r"s);
        QCOMPARE(talk(panel, read_cmd(7)), "XYZW"s);
        QCOMPARE(talk(panel, read_cmd(8)), "1600\r"s);
        QCOMPARE(talk(panel, read_cmd(9)), "1600\rXXX"s);
        QCOMPARE(talk(panel, write_cmd(9, 1)), "D000D"s); // writes are not padded
    }

    void splitReplies() {
        // Location 3's reply leaves at 95 ms, inside the 100 ms tick, its last character later;
        // the replies behind it wait for it. Only location 3 is split.
        PanelEngine panel(with_faults([](auto& f) {
            f.reply_delay = 95ms;
            f.split_delay = 8ms;
            f.split_at = {3};
        }));
        panel.receive(read_cmd(3) + "A" + read_cmd(4), t0);
        QCOMPARE(sent(panel), (Sent{{t0 + 95ms, "1600"},
                                    {t0 + 103ms, "\r"},
                                    {t0 + 103ms, "D000D"},
                                    {t0 + 103ms, "1600\r"}}));
        QCOMPARE(panel.transcript()[4], (TranscriptEntry{t0 + 103ms, Direction::sent, "\r"}));
        // With no locations every reply is split, attention replies too.
        PanelEngine every(with_faults([](auto& f) {
            f.split_delay = 8ms;
            f.split_tail = 3;
        }));
        every.receive("A", t0);
        QCOMPARE(sent(every), (Sent{{t0, "D0"}, {t0 + 8ms, "00D"}}));
        // A slow wake-up: attention replies alone are late, and split.
        PanelEngine waking(with_faults([](auto& f) {
            f.attention_delay = 20ms;
            f.split_attention = true;
            f.split_delay = 8ms;
            f.split_tail = 3;
        }));
        waking.receive("A" + read_cmd(4), t0);
        QCOMPARE(sent(waking),
                 (Sent{{t0 + 20ms, "D0"}, {t0 + 28ms, "00D"}, {t0 + 28ms, "1600\r"}}));
    }

    // Taken out of its fixture after every second command, and another panel put in.
    void unpluggedAndReplaced() {
        PanelEngine panel(with_faults([](auto& f) {
            f.unplug_after = 2;
            f.unplugged_for = 50ms;
        }));
        QCOMPARE(talk(panel, write_cmd(5, 1)), "D000D"s);
        QCOMPARE(talk(panel, "A"), "D000D"s);
        QCOMPARE(talk(panel, "A", t0 + 49ms), ""s);
        QCOMPARE(talk(panel, read_cmd(5), t0 + 50ms), "1600\r"s);
        QCOMPARE(panel.commands_received(), std::size_t{4});
    }

    void lateReplies() {
        PanelEngine panel(with_faults([](auto& f) { f.reply_delay = 30ms; }));
        panel.receive("A" + read_cmd(0), t0);
        QCOMPARE(panel.next_due(), std::optional<Timestamp>(t0 + 30ms));
        QVERIFY(panel.take_due(t0 + 29ms).empty());
        const auto out = panel.take_due(t0 + 31ms);
        QCOMPARE(out.size(), std::size_t{2});
        QCOMPARE(out[0].bytes, "D000D"s);
        QCOMPARE(out[1].bytes, "1600\r"s);
        QVERIFY(!panel.next_due());
        // Replies are recorded when they are handed out, not when they were queued.
        QCOMPARE(panel.transcript()[2], (TranscriptEntry{t0 + 31ms, Direction::sent, "D000D"}));

        // A reply still goes out after the next command has come, which is framed as usual.
        panel.receive("A", t0 + 100ms);
        panel.receive(read_cmd(5).substr(0, 3), t0 + 110ms);
        panel.receive(read_cmd(5).substr(3), t0 + 135ms);
        QCOMPARE(sent(panel), (Sent{{t0 + 130ms, "D000D"}, {t0 + 165ms, "1600\r"}}));
    }

    void chatter() {
        PanelEngine panel(with_faults([](auto& f) { f.chatter_interval = 10ms; }), t0);
        QCOMPARE(talk(panel, read_cmd(5).substr(0, 2), t0 + 10ms), "X"s);
        // Called late, it does not catch up: one "X", in its place before the reply.
        QCOMPARE(talk(panel, read_cmd(5).substr(2), t0 + 45ms), "X1600\r"s);
        QCOMPARE(panel.next_due(), std::optional<Timestamp>(t0 + 55ms));
        QCOMPARE(talk(panel, "A" + write_cmd(5, 1), t0 + 50ms), "D000DD000D"s);
        QCOMPARE(panel.commands_received(), std::size_t{3});
    }

    void hangUpAfterCommands() {
        PanelEngine panel(with_faults([](auto& f) { f.hang_up_after = 3; }));
        QCOMPARE(talk(panel, "A"), "D000D"s);
        panel.receive(write_cmd(0, 1) + read_cmd(0) + "A", t0);
        const auto out = panel.take_due(t0);
        QCOMPARE(out.size(), std::size_t{3});
        QCOMPARE(out[1].bytes, "0010\r"s);
        QVERIFY(!out[1].hang_up);
        QVERIFY(out[2].hang_up); // after the third command's reply
        QVERIFY(panel.hung_up());
        QCOMPARE(panel.commands_received(), std::size_t{3});
        QCOMPARE(talk(panel, "A"), ""s);
        QCOMPARE(panel.commands_received(), std::size_t{3});
    }

    void noiseAndCombinations() {
        PanelEngine panel(with_faults([](auto& f) {
            f.attention_noise = "\x7f?";
            f.answer_attention_only = 2;
            f.reply_delay = 5ms;
        }));
        QCOMPARE(talk(panel, "A"), ""s);
        panel.receive("A", t0);
        QVERIFY(panel.take_due(t0).empty());
        const auto out = panel.take_due(t0 + 5ms);
        QCOMPARE(out.size(), std::size_t{1});
        QCOMPARE(out[0].bytes, "\x7f?D000D"s);
    }

    // A panel left running keeps only its latest entries, and still counts them all.
    void transcriptIsBounded() {
        constexpr std::size_t limit = kvr::sim::transcript_limit;
        PanelEngine panel;
        for (std::size_t n = 0; n <= limit; ++n) // two entries each
            talk(panel, "A", t0 + std::chrono::milliseconds(n));
        QCOMPARE(panel.transcript_count(), 2 * limit + 2);
        QCOMPARE(panel.transcript().size(), limit);
        QCOMPARE(panel.transcript().front().time, t0 + std::chrono::milliseconds(limit / 2 + 1));
        QCOMPARE(panel.transcript().back().time, t0 + std::chrono::milliseconds(limit));
    }

    void transcriptText() {
        QCOMPARE(kvr::sim::printable("V\0\x05"
                                     "00V\r<"s),
                 "V<00><05>00V<0d><3c>"s);
        const TranscriptEntry e{t0 + 1500ms + 12us, Direction::received, "A"};
        QCOMPARE(kvr::sim::to_text(e, t0), "1.500012 rx A"s);
        QCOMPARE(kvr::sim::to_text({t0, Direction::sent, "D000D"}, t0), "0.000000 tx D000D"s);
        QCOMPARE(kvr::sim::to_text({t0, Direction::skipped, "\xff"}, t0), "0.000000 skip <ff>"s);
    }
};

QTEST_APPLESS_MAIN(TestPanelEngine)
#include "test_panel_engine.moc"
