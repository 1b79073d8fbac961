#include "panel/panel_conversation.h"

#include <QSerialPort>
#include <QTimer>

#include "panel/line_trace.h"
#include "panel/protocol.h"
#include "panel/serial_ports.h"

namespace kvr {

const QString StatusTexts::starting_read =
    QStringLiteral("STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION");
const QString StatusTexts::starting_write =
    QStringLiteral("STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION");
const QString StatusTexts::no_response =
    QStringLiteral("COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND");
const QString StatusTexts::bad_data =
    QStringLiteral("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");
const QString StatusTexts::read_done = QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL");
const QString StatusTexts::programmed = QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED");
const QString StatusTexts::mismatch = QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
const QString StatusTexts::communications_ok = QStringLiteral("COMMUNICATIONS OK");
const QString StatusTexts::failed_to_verify = QStringLiteral("DATA FAILED TO VERIFY");
const QString StatusTexts::corrupted = QStringLiteral("COMMUNICATIONS CORRUPTED");
const QString StatusTexts::out_of_range = QStringLiteral("ERROR - DATA OUT OF RANGE");
const QString StatusTexts::switches_incomplete =
    QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA");
const QString StatusTexts::leds_incomplete = QStringLiteral(
    "DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA");

QString StatusTexts::answered_late(std::chrono::milliseconds late, std::chrono::milliseconds wait) {
    return QStringLiteral("THE SWITCH PANEL ANSWERED LATE (%1 MS; THE WAIT IS %2 MS)")
        .arg(late.count())
        .arg(wait.count());
}

QString ConversationResult::why() const {
    if (problem.isEmpty() || lateness.isEmpty()) return problem + lateness;
    return problem + QLatin1String(" - ") + lateness;
}

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string_view as_view(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

int configuration_location_count() {
    return static_cast<int>(configuration_locations().size());
}

} // namespace

PanelConversation::PanelConversation(QString device, QObject* parent)
    : QObject(parent), device_(std::move(device)), MSComm1(new QSerialPort(this)),
      Timer1(new QTimer(this)) {
    qRegisterMetaType<kvr::StatusColour>();
    qRegisterMetaType<kvr::Outcome>();
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &PanelConversation::Timer1_Timer);
    connect(MSComm1, &QSerialPort::readyRead, this, &PanelConversation::take_received);
    // Queued, because a port reports some errors from inside write() or close(), in the
    // middle of a step. A hung-up line keeps reporting until the port is closed.
    connect(
        MSComm1, &QSerialPort::errorOccurred, this,
        [this](QSerialPort::SerialPortError error) {
            // A look at the line that finds nothing there is no fault of the line.
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError &&
                MSComm1->isOpen())
                line_failed();
        },
        Qt::QueuedConnection);
}

PanelConversation::~PanelConversation() = default;

// ---- Operations ----

void PanelConversation::start_read() {
    if (running()) return;
    begin(Operation::read);
    if (open_panel_port()) wake_panel();
}

void PanelConversation::start_write(ValueSource values) {
    if (running()) return;
    values_ = std::move(values);
    begin(Operation::write);
    if (open_panel_port()) wake_panel();
}

void PanelConversation::start_identify() {
    if (running()) return;
    begin(Operation::identify);
    if (open_panel_port()) wake_panel();
}

void PanelConversation::refuse_write(const QString& refusal) {
    if (running()) return;
    begin(Operation::write);
    if (open_panel_port()) fail(Outcome::refused, refusal);
}

void PanelConversation::cancel() {
    line_failed();
}

void PanelConversation::stop_at_boundary() {
    if (running()) stop_requested_ = true;
}

// Called where one transaction has ended and the next has not begun. True when the
// operation ended here.
bool PanelConversation::stopped_at_boundary() {
    if (!stop_requested_) return false;
    const bool write = operation_ == Operation::write;
    QString text;
    if (location_index_ == 0)
        text = write ? QStringLiteral("INTERRUPTED BEFORE PROGRAMMING - THE PANEL IS UNCHANGED")
                     : QStringLiteral("INTERRUPTED BEFORE READING - NOTHING WAS READ");
    else
        text = QStringLiteral("INTERRUPTED AT LOCATION %1 - %2")
                   .arg(configuration_locations()[location_index_].number)
                   .arg(write ? QStringLiteral("THE PANEL IS PARTLY PROGRAMMED")
                              : QStringLiteral("THE PANEL WAS PARTLY READ"));
    fail(Outcome::interrupted, text);
    return true;
}

void PanelConversation::begin(Operation operation) {
    operation_ = operation;
    line_failed_ = false;
    stop_requested_ = false;
    location_index_ = 0;
    extra_acknowledgements_ = 0;
    late_by_.reset();
    result_ = {};
    result_.operation = operation;
    emit status(operation == Operation::write ? StatusTexts::starting_write
                                              : StatusTexts::starting_read,
                StatusColour::yellow);
}

bool PanelConversation::open_panel_port() {
    MSComm1->setPortName(device_);
    MSComm1->setBaudRate(baud_rate);
    MSComm1->setDataBits(QSerialPort::Data8);
    MSComm1->setParity(QSerialPort::NoParity);
    MSComm1->setStopBits(QSerialPort::OneStop);
    MSComm1->setFlowControl(QSerialPort::NoFlowControl);
    if (!MSComm1->open(QIODevice::ReadWrite)) {
        const OpenFailure failure = open_failure(*MSComm1, device_);
        result_.port_in_use = failure.in_use;
        fail(Outcome::port_failed, failure.text);
        return false;
    }
    return true;
}

void PanelConversation::close_panel_port() {
    Timer1->stop();
    waiting_for_reply_ = false;
    MSComm1->close();
}

void PanelConversation::fail(Outcome outcome, const QString& text) {
    if (late_by_ && (outcome == Outcome::bad_data || outcome == Outcome::no_response)) {
        result_.lateness = StatusTexts::answered_late(*late_by_, reply_wait_);
        if (trace_) trace_->note(device_, result_.lateness);
        emit answered_late(result_.lateness);
    }
    result_.final_text = text;
    result_.outcome = outcome;
    result_.stopped_at = stopping_location();
    emit status(text, StatusColour::red);
    finish(outcome);
}

void PanelConversation::complain(const QString& text) {
    result_.problem = text;
    emit status(text, StatusColour::unchanged);
}

// A transaction that failed stopped at its own location: the model code's until the panel is
// identified. An interruption stopped at the location it did not begin, once any was done.
const Location* PanelConversation::stopping_location() const {
    const auto locations = configuration_locations();
    const bool inside = location_index_ < locations.size();
    if (result_.outcome == Outcome::bad_data)
        return !result_.identified ? find_location(model_code_location)
                                   : &locations[inside ? location_index_ : locations.size() - 1];
    if (result_.outcome == Outcome::interrupted && location_index_ > 0 && inside)
        return &locations[location_index_];
    return nullptr;
}

void PanelConversation::finish(Outcome outcome) {
    close_panel_port();
    step_ = Step::idle;
    values_ = nullptr;
    result_.outcome = outcome;
    emit finished(outcome);
}

// ---- The link ----

void PanelConversation::pause_one_tick(Step step) {
    step_ = step;
    waiting_for_reply_ = false;
    arm_tick(tick);
}

void PanelConversation::await_reply(Step step) {
    step_ = step;
    waiting_for_reply_ = true;
    arm_tick(reply_wait_);
}

void PanelConversation::arm_tick(milliseconds interval) {
    // The deadline is taken before the timer starts, so a tick delivered on time is never
    // before it. A lost line ends every wait at once: the step that follows finds no reply.
    tick_due_ = Clock::now() + interval;
    timer_flag = 0;
    Timer1->start(line_failed_ ? milliseconds(0) : interval);
}

void PanelConversation::Timer1_Timer() {
    // Pacing must never be short, even if a platform's timer fires a little early.
    const auto early = tick_due_ - Clock::now();
    if (early > Clock::duration::zero() && !line_failed_) {
        Timer1->start(std::chrono::ceil<milliseconds>(early));
        return;
    }
    timer_flag = 1;
    wait_ended();
}

void PanelConversation::take_received() {
    const QByteArray bytes = MSComm1->readAll();
    if (trace_) trace_->record(device_, LineTrace::Direction::received, bytes);
    received_ += bytes;
    if (step_ == Step::identity_reply) drop_extra_acknowledgements();
    if (waiting_for_reply_ && reply_complete()) {
        Timer1->stop();
        wait_ended();
    }
}

// Every wait, the handshake's included, ends early once as many characters as a reply has
// have arrived.
bool PanelConversation::reply_complete() const {
    return received_.size() >= static_cast<qsizetype>(reply_wait_chars);
}

void PanelConversation::line_failed() {
    if (!running() || line_failed_) return;
    line_failed_ = true;
    // A wait in progress ends now; one armed later ends as soon as it starts.
    if (Timer1->isActive()) Timer1->start(0);
}

void PanelConversation::send_to_panel(const std::string& bytes, bool keep_received) {
    // Whatever waits on the line before a command is not an answer to it: the tail of a
    // late reply, padding, a panel that keeps talking.
    if (!keep_received) received_.clear();
    if (line_failed_) return;
    if (!keep_received) MSComm1->clear(QSerialPort::Input);
    const QByteArray command(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (trace_) trace_->record(device_, LineTrace::Direction::sent, command);
    MSComm1->write(command);
    MSComm1->flush();
    sent_at_ = Clock::now();
}

QByteArray PanelConversation::take_reply() {
    QByteArray reply;
    reply.swap(received_);
    return reply;
}

void PanelConversation::wait_ended() {
    const bool reply_wait = waiting_for_reply_;
    waiting_for_reply_ = false;
    late_by_.reset();
    if (reply_wait && timer_flag == 1 && received_.isEmpty()) take_late_start();
    step_ended(step_);
}

// A reply wait that ended on its tick with nothing received ends with what has reached the
// port by the time the tick is handled, taken without waiting. A reply that began there
// began after its wait, and a failure it causes says so. Nothing later is looked for: a
// failure is reported at the end of its wait, and the port closed. An attention character
// before the last is followed by another, whose wait takes what comes.
void PanelConversation::take_late_start() {
    if (line_failed_ || (step_ == Step::attention && attempt_ < attention_attempts_)) return;
    MSComm1->waitForReadyRead(0); // a timeout at once when nothing is there: no wait
    MSComm1->clearError();
    if (!received_.isEmpty()) late_by_ = std::chrono::ceil<milliseconds>(Clock::now() - sent_at_);
}

void PanelConversation::step_ended(Step step) {
    switch (step) {
    case Step::idle:
        return;
    case Step::attention:
        return attention_answered();
    case Step::identity_pause:
        if (stopped_at_boundary()) return;
        address_l = model_code_location;
        return read_panel_value(Step::identity_reply);
    case Step::identity_reply:
        read_reply_received();
        return identity_answered();
    case Step::location_pause:
        if (stopped_at_boundary()) return;
        return transfer_location();
    case Step::location_reply:
        read_reply_received();
        return location_read();
    case Step::write_ack:
        return acknowledgement_received();
    case Step::read_back:
        return read_back_received();
    case Step::final_pause:
        return succeed();
    }
}

// ---- The steps ----

void PanelConversation::wake_panel() {
    attempt_ = 0;
    send_attention();
}

// What arrives over all the attention attempts is one reply: an acknowledgement may
// straddle two attempts, and only the line before the first "A" is discarded.
void PanelConversation::send_attention() {
    ++attempt_;
    send_to_panel(std::string(1, attention), attempt_ > 1);
    await_reply(Step::attention);
}

// Another "A" goes only while fewer characters than a reply has have arrived. Then all that
// arrived must be exactly the acknowledgement, within the last wait: stray characters
// before it, or after it, are no acknowledgement.
void PanelConversation::attention_answered() {
    const bool enough = received_.size() >= static_cast<qsizetype>(reply_wait_chars);
    if (!enough && attempt_ < attention_attempts_ && !line_failed_) {
        if (stopped_at_boundary()) return;
        send_attention();
        return;
    }
    const bool answered = timer_flag != 1 && as_view(take_reply()) == acknowledgement;
    if (!answered) {
        fail(Outcome::no_response, StatusTexts::no_response);
        return;
    }
    // A slow panel acknowledges the extra attention characters too, after this one. Those
    // that come during the pause go with the line before the model code is asked for, those
    // that come as it is asked are taken off its reply; none is waited for.
    extra_acknowledgements_ = attempt_ - 1;
    pause_one_tick(Step::identity_pause);
}

// A value reply begins with its number, never with the acknowledgement.
void PanelConversation::drop_extra_acknowledgements() {
    while (extra_acknowledgements_ > 0 && as_view(received_).starts_with(acknowledgement)) {
        received_.remove(0, static_cast<qsizetype>(acknowledgement.size()));
        --extra_acknowledgements_;
    }
}

// Only a reply that holds a value is a model code. A failed read is a failed transaction,
// not a wrong panel: the cable is more likely at fault than the panel.
void PanelConversation::identity_answered() {
    if (!value_in_A_) {
        fail(Outcome::bad_data, StatusTexts::bad_data);
        return;
    }
    result_.model_code = A;
    emit model_code_read(A);
    if (!is_accepted_model(A)) {
        emit model_mismatch(A);
        fail(Outcome::mismatch, StatusTexts::mismatch);
        return;
    }
    result_.identified = true;
    emit panel_identified();
    if (operation_ == Operation::identify) {
        result_.final_text = QStringLiteral("SWITCH PANEL ANSWERED - MODEL CODE %1").arg(A);
        emit status(result_.final_text, StatusColour::green);
        finish(Outcome::succeeded);
        return;
    }
    pause_one_tick(Step::location_pause);
}

void PanelConversation::transfer_location() {
    const Location& location = configuration_locations()[location_index_];
    address_l = location.number;
    if (operation_ == Operation::read) {
        read_panel_value(Step::location_reply);
        return;
    }
    data_l = values_(location);
    write_panel_value();
}

// A location that failed is not reported: its value was not read.
void PanelConversation::location_read() {
    if (error_flag != 0) {
        fail(Outcome::bad_data, StatusTexts::bad_data);
        return;
    }
    result_.values[location_index_] = A;
    emit value_read(address_l, A);
    location_done();
}

void PanelConversation::location_done() {
    ++location_index_;
    result_.locations_done = static_cast<int>(location_index_);
    emit progress(static_cast<int>(location_index_), configuration_location_count());
    const bool last = static_cast<int>(location_index_) == configuration_location_count();
    pause_one_tick(last ? Step::final_pause : Step::location_pause);
}

void PanelConversation::succeed() {
    result_.final_text =
        operation_ == Operation::read ? StatusTexts::read_done : StatusTexts::programmed;
    emit status(result_.final_text, StatusColour::green);
    finish(Outcome::succeeded);
}

// ---- The transactions ----

void PanelConversation::read_panel_value(Step reply_step) {
    error_flag = 0;
    send_to_panel(read_command(static_cast<std::uint8_t>(address_l)));
    await_reply(reply_step);
}

void PanelConversation::read_reply_received() {
    value_in_A_ = fetch_value(StatusTexts::out_of_range);
    if (!value_in_A_) return;
    if (in_read_range(A)) {
        emit status(StatusTexts::communications_ok, StatusColour::unchanged);
    } else {
        error_flag = 1;
        complain(StatusTexts::out_of_range);
    }
}

void PanelConversation::write_panel_value() {
    error_flag = 0;
    send_to_panel(
        write_command(static_cast<std::uint8_t>(address_l), static_cast<std::uint8_t>(data_l)));
    await_reply(Step::write_ack);
}

void PanelConversation::acknowledgement_received() {
    if (as_view(take_reply()) != acknowledgement) {
        error_flag = 1;
        fail(Outcome::bad_data, StatusTexts::bad_data);
        return;
    }
    send_to_panel(read_command(static_cast<std::uint8_t>(address_l)));
    await_reply(Step::read_back);
}

void PanelConversation::read_back_received() {
    if (!fetch_value(StatusTexts::failed_to_verify)) {
        fail(Outcome::bad_data, StatusTexts::bad_data);
        return;
    }
    if (A != data_l) {
        error_flag = 1;
        complain(StatusTexts::failed_to_verify);
        fail(Outcome::bad_data, StatusTexts::bad_data);
        return;
    }
    result_.values[location_index_] = A;
    emit status(StatusTexts::communications_ok, StatusColour::yellow);
    location_done();
}

// Takes the reply to a read command. Its value is its leading number, whatever follows
// (the carriage return, a letter, a character that came late). A reply too short to hold
// a value, or one with no leading number, fails the transaction as corrupted; a value too
// large for 16 bits fails it with too_large_text. True when A now holds the reply's value;
// otherwise A is unchanged.
bool PanelConversation::fetch_value(const QString& too_large_text) {
    const QByteArray reply = take_reply();
    const LeadingNumber number = leading_number(as_view(reply));
    if (reply.size() < static_cast<qsizetype>(min_reply_chars) || !number.has_digits()) {
        error_flag = 1;
        complain(StatusTexts::corrupted);
        return false;
    }
    const std::optional<std::int16_t> value = reply_value(number);
    if (!value) {
        error_flag = 1;
        complain(too_large_text);
        return false;
    }
    A = *value;
    return true;
}

} // namespace kvr
