#include "cli/panel_gang.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <system_error>

#include "cli/interruption.h"
#include "cli/output.h"
#include "cli/port_records.h"
#include "cli/progress_board.h"
#include "simulator/pty_host.h"
#include "system/system.h"

namespace kvr::cli {

bool GangRun::stopped_by_signal() const {
    return signal != 0 && std::ranges::any_of(results, [](const PortResult& result) {
               return result.outcome == Outcome::interrupted;
           });
}

ExitCode GangRun::exit_code() const {
    ExitCode code = done;
    for (const PortResult& result : results)
        if (!result.succeeded()) code = panel_failed;
    if (!trace_failure.isEmpty()) code = outranking(code, output_failed);
    if (stopped_by_signal()) code = ExitCode(interrupted_base + signal);
    return code;
}

PanelGang::PanelGang() = default;
PanelGang::~PanelGang() = default;

std::optional<SetupFailure> PanelGang::prepare(const Invocation& invocation) {
    if (!invocation.trace.isEmpty()) {
        trace_ = std::make_unique<LineTrace>();
        if (!trace_->open(invocation.trace))
            return SetupFailure{bad_input, QStringLiteral("cannot write the trace %1: %2")
                                               .arg(invocation.trace, trace_->error())};
    }
    log_ = invocation.log;
    company_log_ = invocation.company_log;
    reply_wait_ = invocation.reply_wait;
    devices_ = invocation.ports;
    names_ = invocation.ports;
    try {
        for (int i = 0; i < invocation.simulated; ++i) {
            simulated_.push_back(std::make_unique<sim::PtyHost>());
            devices_.append(QString::fromStdString(simulated_.back()->slave_path()));
            names_.append(records::simulated_panel_name(i + 1));
        }
    } catch (const std::system_error& error) {
        return SetupFailure{panel_failed, QStringLiteral("cannot start a simulated panel: %1")
                                              .arg(QString::fromLocal8Bit(error.what()))};
    }
    return std::nullopt;
}

void PanelGang::commit(const records::PanelJob& job, std::vector<PortResult>& results) const {
    record_ports(log_, company_log_, job, results);
}

void PanelGang::commit(const records::PanelJob& job, PortResult& result) const {
    std::vector<PortResult> one{result};
    commit(job, one);
    result = std::move(one.front());
}

GangRun PanelGang::run(const records::PanelJob& job, ProgressBoard& board,
                       const Finished& finished) {
    GangRun run;
    run.results.resize(std::size_t(devices_.size()));
    std::vector<std::unique_ptr<PanelConversation>> conversations;
    qsizetype running = devices_.size();
    QElapsedTimer clock;
    clock.start();
    // The ports of one run prove a file together or not at all.
    const QString run_id = devices_.size() > 1 ? records::new_run_id() : QString();
    for (qsizetype i = 0; i < devices_.size(); ++i) {
        PortResult& result = run.results[std::size_t(i)];
        records::note_line(result, names_[i], devices_[i], simulated_inside(i));
        result.run = run_id;
        auto conversation = std::make_unique<PanelConversation>(devices_[i]);
        PanelConversation* c = conversation.get();
        c->set_trace(trace_.get());
        c->set_reply_wait(reply_wait_);
        QObject::connect(c, &PanelConversation::progress, c, [&board, i](int done, int total) {
            board.progress(std::size_t(i), done, total);
        });
        QObject::connect(c, &PanelConversation::finished, c,
                         [this, c, &result, &running, &board, &clock, &finished, &job, i](Outcome) {
                             result.take(c->result());
                             result.duration = std::chrono::milliseconds(clock.elapsed());
                             board.finish(std::size_t(i), result.line());
                             if (finished) {
                                 commit(job, result);
                                 board.above([&] { finished(result); });
                             }
                             if (--running == 0) QCoreApplication::exit(0);
                         });
        conversations.push_back(std::move(conversation));
    }
    const SignalTarget interruption([&conversations](int) {
        for (const auto& conversation : conversations)
            conversation->stop_at_boundary();
    });
    for (const auto& conversation : conversations)
        job.start(*conversation);
    // A port that cannot be opened finishes inside its start; the loop runs only while
    // some conversation is still talking.
    if (running > 0) QCoreApplication::exec();
    run.signal = interruption.signal();
    if (trace_) run.trace_failure = trace_->failure();
    if (!finished) commit(job, run.results);
    return run;
}

std::variant<GangRun, ExitCode> run_on_panels(const Invocation& invocation,
                                              const records::PanelJob& job, const QString& activity,
                                              const PanelGang::Finished& finished) {
    PanelGang gang;
    if (const std::optional<SetupFailure> failure = gang.prepare(invocation)) {
        print_error(failure->message);
        return failure->code;
    }
    ProgressBoard board(stderr, gang.names(), activity);
    GangRun run = gang.run(job, board, finished);
    board.close();
    if (!run.trace_failure.isEmpty())
        print_error(QStringLiteral("the trace %1 stopped being written: %2")
                        .arg(invocation.trace, run.trace_failure));
    if (run.stopped_by_signal())
        print_error(QStringLiteral("stopped by %1: every port stopped between two transactions")
                        .arg(os::signal_name(run.signal)));
    return run;
}

void report_failed_ports(const std::vector<PortResult>& results) {
    QStringList failed;
    for (const PortResult& result : results)
        if (!result.succeeded() && result.outcome != Outcome::interrupted)
            failed.append(result.device);
    if (failed.isEmpty()) return;
    print_error(QStringLiteral("%1 of %2 panels failed: %3")
                    .arg(failed.size())
                    .arg(results.size())
                    .arg(failed.join(QStringLiteral(", "))));
}

} // namespace kvr::cli
