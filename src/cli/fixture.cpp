#include "cli/fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "cli/interruption.h"
#include "cli/output.h"
#include "cli/progress_board.h"
#include "panel/line_trace.h"
#include "panel/protocol.h"

namespace kvr::cli {

namespace {

using std::chrono::milliseconds;

// The fixture calls a port no more often than this.
constexpr milliseconds kCallInterval{500};
// A panel counts as taken out once this many calls in a row went unanswered.
constexpr int kMissesRemoved = 2;

// One port of the fixture: calling for a panel, programming it, calling until it is gone.
class FixturePort : public QObject {
  public:
    enum class State { waiting, programming, remove, stopped };

    FixturePort(const QString& device, const QString& name, PanelGang& gang, ProgressBoard& board,
                std::size_t index)
        : device_(device), board_(board), index_(index), probe_(new QSerialPort(this)),
          call_timer_(new QTimer(this)), conversation_(new PanelConversation(device, this)),
          trace_(gang.trace()), reply_wait_(gang.reply_wait()),
          simulated_inside_(gang.simulated_inside(qsizetype(index))) {
        tally_.device = name;
        conversation_->set_trace(trace_);
        conversation_->set_reply_wait(reply_wait_);
        call_timer_->setSingleShot(true);
        call_timer_->setTimerType(Qt::PreciseTimer);
        connect(call_timer_, &QTimer::timeout, this, &FixturePort::call);
        connect(probe_, &QSerialPort::readyRead, this, [this] {
            const QByteArray bytes = probe_->readAll();
            if (trace_) trace_->record(device_, LineTrace::Direction::received, bytes);
            answer_ += bytes;
        });
        connect(conversation_, &PanelConversation::progress, this,
                [this](int done, int total) { board_.progress(index_, done, total); });
    }

    // Runs the conversation the fixture starts, and says when a panel is done.
    void begin(const PanelGang::Start& start, const PanelGang::Finished& finished) {
        start_ = start;
        connect(conversation_, &PanelConversation::finished, this, [this, finished](Outcome) {
            result_.take(conversation_->result());
            result_.duration = milliseconds(clock_.elapsed());
            finished(result_);
            const bool partly =
                result_.outcome == Outcome::interrupted && result_.locations_done > 0;
            if (result_.succeeded())
                ++tally_.programmed;
            else if (result_.outcome != Outcome::interrupted || partly)
                ++tally_.failed;
            stopped_mid_write_ = stopped_mid_write_ || partly;
            if (stopping_) return end();
            enter(State::remove);
            call();
        });
        enter(State::waiting);
        call();
    }

    // Ends calling at once, or the panel being programmed at its next boundary.
    void stop() {
        stopping_ = true;
        if (state_ == State::programming)
            conversation_->stop_at_boundary();
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
        case State::remove:
            return show((result_.succeeded() ? QStringLiteral("DONE - REMOVE PANEL")
                                             : QStringLiteral("FAILED - REMOVE PANEL")) +
                        counts);
        case State::programming:
            return show(QStringLiteral("PROGRAMMING"));
        case State::stopped:
            return;
        }
    }

    void show(const QString& text) { board_.finish(index_, tally_.device + ": " + text); }

    // One call: "A", then a reply wait for the acknowledgement.
    void call() {
        if (!probe_->isOpen()) {
            probe_->setPortName(device_);
            probe_->setBaudRate(baud_rate);
            probe_->setDataBits(QSerialPort::Data8);
            probe_->setParity(QSerialPort::NoParity);
            probe_->setStopBits(QSerialPort::OneStop);
            probe_->setFlowControl(QSerialPort::NoFlowControl);
            if (!probe_->open(QIODevice::ReadWrite)) return called(false); // as no answer
        }
        probe_->clear(QSerialPort::Input);
        answer_.clear();
        const QByteArray call(1, attention);
        if (trace_) trace_->record(device_, LineTrace::Direction::sent, call);
        probe_->write(call);
        probe_->flush();
        QTimer::singleShot(reply_wait_, Qt::PreciseTimer, this, [this] {
            if (state_ == State::waiting || state_ == State::remove)
                called(std::string_view(answer_.constData(), std::size_t(answer_.size()))
                           .ends_with(acknowledgement));
        });
    }

    void called(bool answered) {
        if (state_ == State::waiting && answered) {
            probe_->close();
            result_ = {};
            records::note_line(result_, tally_.device, device_, simulated_inside_);
            enter(State::programming);
            clock_.start();
            start_(*conversation_);
            return;
        }
        if (state_ == State::remove && answered) misses_ = 0;
        if (state_ == State::remove && !answered && ++misses_ >= kMissesRemoved)
            enter(State::waiting);
        call_timer_->start(std::max(kCallInterval, reply_wait_) - reply_wait_);
    }

    void end() {
        call_timer_->stop();
        probe_->close();
        state_ = State::stopped;
        if (on_stopped) on_stopped();
    }

    QString device_;
    ProgressBoard& board_;
    std::size_t index_;
    QSerialPort* probe_;
    QTimer* call_timer_;
    PanelConversation* conversation_;
    LineTrace* trace_;
    milliseconds reply_wait_;
    bool simulated_inside_; // a panel simulated by the program itself
    PanelGang::Start start_;
    State state_ = State::waiting;
    QByteArray answer_;
    int misses_ = 0;
    bool stopping_ = false;
    bool stopped_mid_write_ = false;
    PortResult result_;
    QElapsedTimer clock_;
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

FixtureRun run_fixture(PanelGang& gang, const PanelGang::Start& start,
                       const PanelGang::Finished& finished) {
    ProgressBoard board(stderr, gang.names(), QStringLiteral("writing"));
    std::vector<std::unique_ptr<FixturePort>> ports;
    qsizetype running = gang.devices().size();
    for (qsizetype i = 0; i < gang.devices().size(); ++i) {
        ports.push_back(std::make_unique<FixturePort>(gang.devices()[i], gang.names()[i], gang,
                                                      board, std::size_t(i)));
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
        port->begin(start, above);
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
