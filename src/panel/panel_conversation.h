#pragma once
// One read or one write of one panel on one serial port: the handshake, the identity
// check, the walk over the memory map with its pauses, and every transaction with its
// status texts and failure rules. Qt Core and Qt Serial Port only, so that the window,
// the command line and the tests drive the same conversation.
//
// The conversation is a state machine driven by the port's signals and one single-shot
// tick. Nothing in it waits in a nested event loop: each wait is a state, and the
// thread's own event loop moves it on when bytes arrive or the tick falls due. So any
// number of conversations share one thread, each on its own port, none holding up
// another, and the process sleeps in the event loop while every panel is quiet. A slot
// connected to value_read or model_mismatch may itself wait (a message box): no wait of
// the conversation is armed while it runs, so the line stays quiet until it returns.

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "panel/memory_map.h"
#include "panel/protocol.h"

class QSerialPort;
class QTimer;

namespace kvr {

class LineTrace;

enum class StatusColour : std::uint8_t {
    unchanged, // the text changes, the background stays
    yellow,    // running
    red,       // failed
    green,     // done and verified
};

enum class Outcome : std::uint8_t {
    succeeded,   // every location read, or written and read back
    port_failed, // the port could not be opened
    refused,     // the caller refused the write; nothing sent
    no_response, // no acknowledgement of the attention character
    mismatch,    // the panel's model code is not one this program knows
    bad_data,    // a transaction failed, or the line was lost or cancelled
    interrupted, // stopped between two transactions when asked to
};

// identify: the handshake and the model code only, as ports --probe asks.
enum class Operation : std::uint8_t { read, write, identify };

// The texts the conversation reports, for callers and tests that look for one.
struct StatusTexts {
    static const QString starting_read;
    static const QString starting_write;
    static const QString no_response;
    static const QString bad_data;
    static const QString read_done;
    static const QString programmed;
    static const QString mismatch;
    static const QString communications_ok;
    static const QString failed_to_verify;
    static const QString corrupted;
    static const QString out_of_range;
    // Why a write is refused before anything is sent.
    static const QString switches_incomplete;
    static const QString leds_incomplete;
    // Said after a failure's own text when the reply began only after its wait had ended:
    // "THE SWITCH PANEL ANSWERED LATE (130 MS; THE WAIT IS 100 MS)".
    static QString answered_late(std::chrono::milliseconds late, std::chrono::milliseconds wait);
};

// What one operation came to, as the conversation itself knows it. Whoever shows, prints or
// logs an operation reads it here, never from a status text or colour.
struct ConversationResult {
    Operation operation = Operation::read;
    Outcome outcome = Outcome::bad_data;
    QString final_text;          // the last status, the one shown in red or green
    QString problem;             // the transaction's complaint before a bad-data end
    QString lateness;            // StatusTexts::answered_late when lateness caused the end
    bool identified = false;     // the panel answered and its model code was accepted
    bool port_in_use = false;    // the port could not be opened: another program holds it
    int locations_done = 0;      // of the 25 configuration locations
    std::int16_t model_code = 0; // the model code read (a refused panel's says why)
    // The first locations_done values, in location order: as read, or as written and read
    // back equal.
    PanelValues values{};
    // Where a failed or interrupted operation stopped, or nullptr: the model code's location
    // when the panel was never identified.
    const Location* stopped_at = nullptr;

    bool succeeded() const { return outcome == Outcome::succeeded; }
    // The complaint and the lateness behind a failure, "COMMUNICATIONS CORRUPTED - THE
    // SWITCH PANEL ANSWERED LATE (...)", or empty.
    QString why() const;
};

class PanelConversation : public QObject {
    Q_OBJECT

  public:
    // The value to write at a configuration location, asked for just before it is sent.
    using ValueSource = std::function<std::int16_t(const Location& location)>;

    explicit PanelConversation(QString device, QObject* parent = nullptr);
    ~PanelConversation() override;

    const QString& device() const { return device_; }
    void set_device(const QString& device) { device_ = device; }
    // Every byte sent and received is recorded there, if set. Not owned.
    void set_trace(LineTrace* trace) { trace_ = trace; }
    // How long each reply is waited for (is_reply_wait); the pauses stay one tick.
    void set_reply_wait(std::chrono::milliseconds wait) { reply_wait_ = wait; }
    std::chrono::milliseconds reply_wait() const { return reply_wait_; }
    // How many attention characters the handshake sends before it gives up: the protocol's
    // six, or one for a caller that calls again and again for a panel not yet there.
    void set_attention_attempts(int attempts) { attention_attempts_ = std::max(attempts, 1); }

    // Starts an operation; its end is reported by finished(). One at a time: a start while
    // one runs is ignored.
    void start_read();
    void start_write(ValueSource values);
    // The handshake and the model code, nothing written: succeeded for a model this
    // program knows, mismatch for another (model_code_read says which).
    void start_identify();
    // A write the caller refused before anything is sent (an incomplete selection): the
    // port is opened and closed, and the refusal shown in red.
    void refuse_write(const QString& refusal);
    // Ends the running operation at its next step, as a lost line would.
    void cancel();
    // Ends the running operation before its next transaction begins: the command on the
    // line is answered and checked first, so a location is never left half done. Reported
    // as interrupted, with the location where it stopped.
    void stop_at_boundary();
    bool running() const { return step_ != Step::idle; }
    Operation operation() const { return operation_; }
    // The last operation's result, whole once finished() is emitted.
    const ConversationResult& result() const { return result_; }

  signals:
    void status(const QString& text, kvr::StatusColour colour);
    // The panel answered and was identified: the read is about to fill the window.
    void panel_identified();
    // A configuration location was read successfully. A failed one is never reported.
    void value_read(int location, std::int16_t value);
    // Location 63 holds a code this program does not accept.
    void model_mismatch(std::int16_t code);
    // The model code as read, accepted or not.
    void model_code_read(std::int16_t code);
    // The failure that follows was caused by lateness: text is StatusTexts::answered_late.
    void answered_late(const QString& text);
    // Locations done so far of the 25 configuration locations.
    void progress(int done, int total);
    void finished(kvr::Outcome outcome);

  private:
    enum class Step : std::uint8_t {
        idle,
        attention,      // waiting for the answer to "A"
        identity_pause, // the pause before the read of the model code
        identity_reply, // waiting for the model code
        location_pause, // the pause before the current location's transaction
        location_reply, // waiting for the value of the current location
        write_ack,      // waiting for the acknowledgement of a write
        read_back,      // waiting for the read-back of a write
        final_pause,    // the pause before success is reported
    };

    void begin(Operation operation);
    bool open_panel_port();
    void close_panel_port();
    void fail(Outcome outcome, const QString& text);
    // A transaction's complaint, shown before the failure it leads to.
    void complain(const QString& text);
    const Location* stopping_location() const;
    void finish(Outcome outcome);

    // The link. A pause or a reply wait ends in wait_ended(), on the tick or as soon as
    // enough characters have arrived.
    void pause_one_tick(Step step);
    void await_reply(Step step);
    void arm_tick(std::chrono::milliseconds interval);
    void Timer1_Timer();
    void take_received();
    bool reply_complete() const;
    void line_failed();
    // Whatever waits on the line is discarded first, unless keep_received.
    void send_to_panel(const std::string& bytes, bool keep_received = false);
    QByteArray take_reply();
    void wait_ended();
    void take_late_start();
    void step_ended(Step step);

    // The steps, in the order an operation takes them.
    void wake_panel();
    void send_attention();
    void attention_answered();
    void drop_extra_acknowledgements();
    void identity_answered();
    void transfer_location();
    void location_read();
    void location_done();
    void succeed();
    bool stopped_at_boundary();

    // The transactions: address_l and data_l in; error_flag, A and status texts out.
    void read_panel_value(Step reply_step);
    void read_reply_received();
    void write_panel_value();
    void acknowledgement_received();
    void read_back_received();
    bool fetch_value(const QString& too_large_text);

    QString device_;
    QSerialPort* MSComm1 = nullptr;
    QTimer* Timer1 = nullptr;
    LineTrace* trace_ = nullptr;

    Step step_ = Step::idle;
    Operation operation_ = Operation::read;
    ValueSource values_;
    ConversationResult result_;
    bool waiting_for_reply_ = false;
    bool line_failed_ = false; // the port reported an error, or the caller cancelled
    bool stop_requested_ = false;
    bool value_in_A_ = false; // the last read's reply was a value, now in A
    int attempt_ = 0;
    std::size_t location_index_ = 0;
    QByteArray received_;
    std::chrono::milliseconds reply_wait_ = tick;
    int attention_attempts_ = attention_attempts;
    std::chrono::steady_clock::time_point tick_due_{};
    // When the command now answered was sent.
    std::chrono::steady_clock::time_point sent_at_{};
    // How late the reply now judged began, when it began only after its wait had ended.
    std::optional<std::chrono::milliseconds> late_by_;
    // Attention characters sent after the one the panel acknowledged, whose acknowledgements
    // may still come while the model code is asked for.
    int extra_acknowledgements_ = 0;

    std::int16_t timer_flag = 0;
    std::int16_t error_flag = 0;
    std::int16_t address_l = 0;
    std::int16_t data_l = 0;
    std::int16_t A = 0;
};

} // namespace kvr

Q_DECLARE_METATYPE(kvr::StatusColour)
Q_DECLARE_METATYPE(kvr::Outcome)
