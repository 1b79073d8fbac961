#include "cli/fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "cli/interruption.h"
#include "cli/output.h"
#include "cli/progress_board.h"

namespace kvr::cli {

namespace {

using std::chrono::milliseconds;

// The fixture calls a port no more often than this.
constexpr milliseconds kCallInterval{500};
// A panel counts as taken out once this many calls in a row went unanswered.
constexpr int kMissesRemoved = 2;

// One port of the fixture: calling for a panel, programming it, following it until it is
// gone. The caller's conversations only look for a panel; the programmer runs the job.
class FixturePort : public QObject {
  public:
    enum class State { waiting, programming, done, failed, stopped };

    FixturePort(PanelGang& gang, ProgressBoard& board, qsizetype index)
        : gang_(gang), board_(board), index_(index), call_timer_(new QTimer(this)),
          caller_(new PanelConversation(gang.devices()[index], this)),
          programmer_(new PanelConversation(gang.devices()[index], this)) {
        tally_.device = gang.names()[index];
        for (PanelConversation* conversation : {caller_, programmer_}) {
            conversation->set_trace(gang.trace());
            conversation->set_reply_wait(gang.reply_wait());
        }
        caller_->set_attention_attempts(1);
        call_timer_->setSingleShot(true);
        call_timer_->setTimerType(Qt::PreciseTimer);
        connect(call_timer_, &QTimer::timeout, this, &FixturePort::call);
        connect(caller_, &PanelConversation::finished, this, &FixturePort::called);
        connect(programmer_, &PanelConversation::finished, this, &FixturePort::programmed);
        connect(programmer_, &PanelConversation::progress, this,
                [this](int done, int total) { board_.progress(std::size_t(index_), done, total); });
    }

    // Runs the job on each panel that answers, and says when one is done.
    void begin(const records::PanelJob& job, const PanelGang::Finished& finished) {
        job_ = &job;
        finished_ = finished;
        enter(State::waiting);
        call();
    }

    // Ends calling at once, or the panel being programmed at its next boundary.
    void stop() {
        stopping_ = true;
        if (programmer_->running())
            programmer_->stop_at_boundary();
        else if (caller_->running())
            caller_->cancel();
        else
            end();
    }

    State state() const { return state_; }
    const FixtureTally& tally() const { return tally_; }
    bool stopped_mid_write() const { return stopped_mid_write_; }
    std::function<void()> on_stopped;

  private:
    void enter(State state) {
        state_ = state;
        misses_ = 0;
        const QString counts =
            QStringLiteral(" (%1 programmed, %2 failed)").arg(tally_.programmed).arg(tally_.failed);
        switch (state) {
        case State::waiting:
            return show(QStringLiteral("WAITING FOR PANEL") + counts);
        case State::done:
            return show(QStringLiteral("DONE - REMOVE PANEL") + counts);
        case State::failed:
            return show(QStringLiteral("FAILED - REMOVE PANEL") + counts);
        case State::programming:
            return show(QStringLiteral("PROGRAMMING"));
        case State::stopped:
            return;
        }
    }

    void show(const QString& text) {
        board_.finish(std::size_t(index_), tally_.device + ": " + text);
    }

    // One call: the panel programmed is read whole, to tell whether it is still the one in
    // the fixture; otherwise the handshake and the model code tell whether one is there.
    void call() {
        call_clock_.start();
        if (state_ == State::done)
            caller_->start_read();
        else
            caller_->start_identify();
    }

    // Who answered a call: no panel (or a call that broke off, as one does when the adapter
    // is pulled in the middle of it), the panel last programmed or failed, or a panel to
    // program. Only a panel that told its model code has answered; one that was programmed
    // is the same panel only while a whole read finds what it was programmed with.
    enum class Answer { none, same_panel, new_panel };
    Answer answer(const ConversationResult& call) const {
        const bool mismatch = call.outcome == Outcome::mismatch;
        if (state_ == State::done) {
            if (call.operation != Operation::read || (!call.succeeded() && !mismatch))
                return Answer::none;
            return !mismatch && call.values == programmed_values_ ? Answer::same_panel
                                                                  : Answer::new_panel;
        }
        if (!call.identified && !mismatch) return Answer::none;
        return state_ == State::waiting ? Answer::new_panel : Answer::same_panel;
    }

    void called() {
        if (stopping_) return end();
        switch (answer(caller_->result())) {
        case Answer::new_panel:
            return program();
        case Answer::same_panel:
            misses_ = 0;
            break;
        case Answer::none:
            if (++misses_ >= kMissesRemoved && state_ != State::waiting) enter(State::waiting);
            break;
        }
        call_timer_->start(
            std::max(kCallInterval - milliseconds(call_clock_.elapsed()), milliseconds(0)));
    }

    void program() {
        result_ = {};
        records::note_line(result_, tally_.device, programmer_->device(),
                           gang_.simulated_inside(index_));
        enter(State::programming);
        clock_.start();
        job_->start(*programmer_);
    }

    void programmed() {
        result_.take(programmer_->result());
        result_.duration = milliseconds(clock_.elapsed());
        gang_.commit(*job_, result_);
        finished_(result_);
        const bool partly = result_.outcome == Outcome::interrupted && result_.locations_done > 0;
        if (result_.succeeded())
            ++tally_.programmed;
        else if (result_.outcome != Outcome::interrupted || partly)
            ++tally_.failed;
        stopped_mid_write_ = stopped_mid_write_ || partly;
        programmed_values_ = result_.values;
        if (stopping_) return end();
        enter(result_.succeeded() ? State::done : State::failed);
        call();
    }

    void end() {
        call_timer_->stop();
        state_ = State::stopped;
        if (on_stopped) on_stopped();
    }

    PanelGang& gang_;
    ProgressBoard& board_;
    qsizetype index_;
    QTimer* call_timer_;
    PanelConversation* caller_;
    PanelConversation* programmer_;
    const records::PanelJob* job_ = nullptr;
    PanelGang::Finished finished_;
    State state_ = State::waiting;
    int misses_ = 0;
    bool stopping_ = false;
    bool stopped_mid_write_ = false;
    PortResult result_;
    PanelValues programmed_values_{}; // as the last write read them back
    QElapsedTimer clock_;
    QElapsedTimer call_clock_;
    FixtureTally tally_;
};

} // namespace

ExitCode FixtureRun::exit_code() const {
    ExitCode code = done;
    for (const FixtureTally& port : ports)
        if (port.failed > 0) code = panel_failed;
    if (!trace_failure.isEmpty()) code = outranking(code, output_failed);
    if (stopped_mid_write && signal != 0) code = ExitCode(interrupted_base + signal);
    return code;
}

FixtureRun run_fixture(PanelGang& gang, const records::PanelJob& job,
                       const PanelGang::Finished& finished) {
    ProgressBoard board(stderr, gang.names(), QStringLiteral("writing"));
    std::vector<std::unique_ptr<FixturePort>> ports;
    qsizetype running = gang.devices().size();
    for (qsizetype i = 0; i < gang.devices().size(); ++i) {
        ports.push_back(std::make_unique<FixturePort>(gang, board, i));
        ports.back()->on_stopped = [&running] {
            if (--running == 0) QCoreApplication::exit(0);
        };
    }
    const SignalTarget interruption([&ports](int) {
        for (const auto& port : ports)
            if (port->state() != FixturePort::State::stopped) port->stop();
    });
    const PanelGang::Finished above = [&board, &finished](PortResult& result) {
        board.above([&] { finished(result); });
    };
    for (const auto& port : ports)
        port->begin(job, above);
    QCoreApplication::exec();
    board.close();

    FixtureRun run;
    for (const auto& port : ports) {
        run.ports.push_back(port->tally());
        run.stopped_mid_write = run.stopped_mid_write || port->stopped_mid_write();
    }
    run.signal = interruption.signal();
    if (gang.trace()) run.trace_failure = gang.trace()->failure();
    return run;
}

} // namespace kvr::cli
