// Reading a panel's configuration into the window and programming the window's
// configuration into a panel. The conversation does the talking; the window shows what
// it reports and applies each value as it is read.

#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTextEdit>

#include "failure_advice.h"
#include "form1.h"
#include "panel/panel_conversation.h"
#include "panel/protocol.h"
#include "panel/serial_ports.h"
#include "port_chooser.h"

using namespace kvr;

namespace {

const QString kMismatchTitle = QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
const QString kReadMismatch = QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO READ "
                                             "DATA FROM DOES NOT MATCH THIS CONFIGURATION PROGRAM");
const QString kWriteMismatch = QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO WRITE "
                                              "DATA TO DOES NOT MATCH THIS CONFIGURATION PROGRAM");

const QString kReplyWaitKey = QStringLiteral("line/reply_wait_ms");
// The reply waits offered by "Line timing", in milliseconds.
constexpr int kReplyWaitChoices[] = {100, 200, 500, 1000, 2000};

} // namespace

void Form1::set_up_panel_communication() {
    conversation_ = new PanelConversation(serial_port_1(), this);
    const std::chrono::milliseconds remembered(QSettings().value(kReplyWaitKey).toInt());
    if (is_reply_wait(remembered)) conversation_->set_reply_wait(remembered);
    // The end's red or green is shown from the result, once the operation is logged.
    connect(conversation_, &PanelConversation::status, this,
            [this](const QString& text, StatusColour colour) {
                if (colour == StatusColour::unchanged) {
                    set_status_text(text);
                    Text1->show();
                } else if (colour == StatusColour::yellow) {
                    show_status(text, kStatusYellow);
                }
            });
    // The name typed for another panel goes only once this one has answered.
    connect(conversation_, &PanelConversation::panel_identified, this, [this] {
        if (conversation_->operation() == Operation::read && !comparing()) Text2->clear();
    });
    connect(conversation_, &PanelConversation::value_read, this, &Form1::apply_panel_value);
    connect(conversation_, &PanelConversation::finished, this, &Form1::panel_operation_ended);
    connect(conversation_, &PanelConversation::model_mismatch, this, [this] {
        const bool reading = conversation_->operation() == Operation::read;
        dialogs_.message_box(this, reading ? kReadMismatch : kWriteMismatch, kMismatchTitle);
    });
    connect(READ_CONFIG, &QPushButton::clicked, this,
            [this] { run_exclusively(&Form1::READ_CONFIG_Click); });
    connect(WRITE_CONFIG, &QPushButton::clicked, this,
            [this] { run_exclusively(&Form1::WRITE_CONFIG_Click); });
}

void Form1::set_panel_port(const QString& device) {
    conversation_->set_device(device);
    SERIAL_PORT->show_in_use(device);
}

void Form1::set_reply_wait(std::chrono::milliseconds wait) {
    if (is_reply_wait(wait)) conversation_->set_reply_wait(wait);
}

std::chrono::milliseconds Form1::reply_wait() const {
    return conversation_->reply_wait();
}

void Form1::choose_line_timing() {
    Question question;
    question.title = QStringLiteral("LINE TIMING");
    question.text =
        QStringLiteral("HOW LONG TO WAIT FOR EACH REPLY FROM THE SWITCH PANEL.\n"
                       "THE STANDARD IS 100 MS; A SLOW PANEL OR USB ADAPTER MAY NEED MORE.\n"
                       "NOW: %1 MS")
            .arg(reply_wait().count());
    for (const int ms : kReplyWaitChoices) {
        question.answers.append(ms == shortest_reply_wait.count()
                                    ? QStringLiteral("%1 MS (STANDARD)").arg(ms)
                                    : QStringLiteral("%1 MS").arg(ms));
        if (ms == reply_wait().count()) question.default_answer = int(question.answers.size()) - 1;
    }
    question.answers.append(QStringLiteral("CANCEL"));
    question.escape_answer = int(question.answers.size()) - 1;
    const int chosen = dialogs_.ask(this, question);
    if (chosen < 0 || chosen >= int(std::size(kReplyWaitChoices))) return;
    const std::chrono::milliseconds wait(kReplyWaitChoices[chosen]);
    conversation_->set_reply_wait(wait);
    QSettings().setValue(kReplyWaitKey, int(wait.count()));
}

const QString& Form1::panel_port() const {
    return conversation_->device();
}

void Form1::set_line_trace(LineTrace* trace) {
    conversation_->set_trace(trace);
}

void Form1::READ_CONFIG_Click() {
    if (!unsaved_work_settled(QStringLiteral("READING THE SWITCH PANEL"))) return;
    forget_comparison();
    as_found_event(AsFoundEvent::read);
    const WindowSnapshot before = capture_window();
    {
        const Quiet quiet(*this);
        intensities_read_ = {};
        begin_logged_operation(records::RecordOperation::read);
        job_.start(*conversation_);
        wait_for_conversation();
        // A read that failed among the intensities still shows those it read.
        if (intensities_read_.any() && !intensities_read_.all()) select_intensities_read();
        config_flag = 1;
        show_switch_view();
        config_flag = 0;
    }
    // The panel now holds what the window shows, texts and all: none were read.
    if (conversation_->result().succeeded()) settle(true);
    if (conversation_->result().identified)
        source_.file.clear(); // Save no longer goes to the file unasked
    record_operation(before);
}

void Form1::WRITE_CONFIG_Click() {
    error_flag = 0;
    collect_selections();
    if (error_flag != 0) {
        begin_logged_operation(records::RecordOperation::write);
        conversation_->refuse_write(error_flag == 1 ? StatusTexts::switches_incomplete
                                                    : StatusTexts::leds_incomplete);
        wait_for_conversation();
        mark_incomplete_selections();
        return;
    }
    programming_stopped_ = false;
    forget_comparison();
    start_write();
    wait_for_conversation();
    as_found_event(AsFoundEvent::written);
    if (conversation_->result().succeeded()) settle(false);
    if (programming_stopped_)
        show_status(QStringLiteral("PROGRAMMING STOPPED - THE SWITCH PANEL IS PARTLY PROGRAMMED "
                                   "AND MUST BE WRITTEN AGAIN"),
                    kStatusRed);
}

// Success or failure shows only once the log has the operation, so the operator never
// unplugs a panel whose entry is still being written. After the mismatch box the status box
// keeps what the identity read left there.
void Form1::panel_operation_ended() {
    const ConversationResult& result = conversation_->result();
    commit_logged_operation(result);
    // A failure caused by lateness or another model says so beside the status, with the
    // log's warning.
    if (const QString advice = failure_advice(result, reply_wait()); !advice.isEmpty())
        Text1->setToolTip(Text1->toolTip().isEmpty() ? advice : advice + u'\n' + Text1->toolTip());
    if (comparing() && result.succeeded()) {
        show_comparison(result);
        port_failure_shown_ = !differing_.empty();
    } else if (result.outcome != Outcome::mismatch) {
        show_status(result.final_text, result.succeeded() ? kStatusGreen : kStatusRed);
        port_failure_shown_ = !result.succeeded() && result.outcome != Outcome::refused;
    }
    emit panel_operation_logged();
    if (!comparing()) follow_panel_source(result);
}

// The buttons' operations end before the click returns, as the file operations do; the
// conversation itself never waits, so this is the only loop that runs meanwhile.
void Form1::wait_for_conversation() {
    if (!conversation_->running()) return;
    QEventLoop loop;
    connect(conversation_, &PanelConversation::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

void Form1::apply_panel_value(int number, int16_t value) {
    if (comparing()) return; // a comparison leaves the window as it is
    const Location& location = *find_location(number);
    if (location.kind == LocationKind::assignment) {
        apply_assignment(location.function, value);
        // The panel holds no designations.
        if (QLineEdit* box = functions_[location.function].designation) {
            box->clear();
            box->hide();
        }
        return;
    }
    // The intensity rule is checked against the three codes the panel holds, so that a
    // panel whose own values keep the rule reads back unchanged: all three are in place
    // before any list is selected.
    intensity_code(location.intensity) = value;
    intensities_read_.set(static_cast<std::size_t>(location.intensity));
    if (intensities_read_.all()) select_intensities_read();
}

// The codes not read keep what the window showed.
void Form1::select_intensities_read() {
    select_intensities(intensity_codes());
}

void Form1::apply_assignment(int function, int16_t value) {
    const FunctionControls& controls = functions_[function];
    A = value;
    code_split();
    controls.module->setCurrentRow(m_index);
    controls.channel->setCurrentRow(c_index);
}

// The panel is programmed with what the window shows when the write starts; the
// intensities as the lists show them, a list without a selection first set to 100 %.
void Form1::start_write() {
    const Quiet quiet(*this);
    for (const Intensity which : {Intensity::Backlighting, Intensity::Indicator, Intensity::Dimmed})
        if (intensity_list(which)->currentRow() < 0) intensity_list(which)->setCurrentRow(0);
    const Configuration shown = configuration_shown();
    const Configuration programmed = as_programmed(shown).configuration;
    begin_logged_operation(records::RecordOperation::write,
                           records::values_digest(records::programmed_values(shown)));
    job_.values = [programmed](const Location& location) { return value_at(programmed, location); };
    job_.start(*conversation_);
}
