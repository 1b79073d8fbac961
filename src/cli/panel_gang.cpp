#include "cli/panel_gang.h"

#include <QCoreApplication>
#include <system_error>

#include "cli/output.h"
#include "cli/progress_board.h"
#include "simulator/pty_host.h"

namespace kvr::cli {

QString PortResult::line() const {
    QString text = device + QLatin1String(": ") + final_text;
    if (outcome == Outcome::mismatch)
        return text + QStringLiteral(" (model code %1)").arg(model_code);
    if (outcome != Outcome::bad_data) return text;
    const auto locations = configuration_locations();
    const Location& at = !identified ? *find_location(model_code_location)
                         : locations_done < int(locations.size()) ? locations[locations_done]
                                                                  : locations.back();
    text += QStringLiteral(" (location %1, %2")
                .arg(at.number)
                .arg(QLatin1String(at.holds.data(), qsizetype(at.holds.size())));
    if (!problem.isEmpty()) text += QLatin1String(": ") + problem;
    return text + u')';
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
    devices_ = invocation.ports;
    try {
        for (int i = 0; i < invocation.simulated; ++i) {
            simulated_.push_back(std::make_unique<sim::PtyHost>());
            devices_.append(QString::fromStdString(simulated_.back()->slave_path()));
        }
    } catch (const std::system_error& error) {
        return SetupFailure{panel_failed, QStringLiteral("cannot start a simulated panel: %1")
                                              .arg(QString::fromLocal8Bit(error.what()))};
    }
    return std::nullopt;
}

std::vector<PortResult> PanelGang::run(const Start& start, ProgressBoard& board) {
    std::vector<PortResult> results(devices_.size());
    std::vector<std::unique_ptr<PanelConversation>> conversations;
    qsizetype running = devices_.size();
    for (qsizetype i = 0; i < devices_.size(); ++i) {
        PortResult& result = results[i];
        result.device = devices_[i];
        auto conversation = std::make_unique<PanelConversation>(devices_[i]);
        PanelConversation* c = conversation.get();
        c->set_trace(trace_.get());
        QObject::connect(c, &PanelConversation::status, c,
                         [&result](const QString& text, StatusColour colour) {
                             if (colour == StatusColour::red || colour == StatusColour::green)
                                 result.final_text = text;
                             else if (text != StatusTexts::communications_ok &&
                                      colour == StatusColour::unchanged)
                                 result.problem = text;
                         });
        QObject::connect(c, &PanelConversation::panel_identified, c,
                         [&result] { result.identified = true; });
        QObject::connect(c, &PanelConversation::model_mismatch, c,
                         [&result](std::int16_t code) { result.model_code = code; });
        QObject::connect(c, &PanelConversation::value_read, c,
                         [&result](int location, std::int16_t value) {
                             result.values[std::size_t(location)] = value;
                         });
        QObject::connect(c, &PanelConversation::progress, c,
                         [&result, &board, i](int done, int total) {
                             result.locations_done = done;
                             board.progress(std::size_t(i), done, total);
                         });
        QObject::connect(c, &PanelConversation::finished, c,
                         [&result, &running, &board, i](Outcome outcome) {
                             result.outcome = outcome;
                             board.finish(std::size_t(i), result.line());
                             if (--running == 0) QCoreApplication::exit(0);
                         });
        conversations.push_back(std::move(conversation));
    }
    for (const auto& conversation : conversations)
        start(*conversation);
    // A port that cannot be opened finishes inside its start; the loop runs only while
    // some conversation is still talking.
    if (running > 0) QCoreApplication::exec();
    return results;
}

std::variant<std::vector<PortResult>, ExitCode> run_on_panels(const Invocation& invocation,
                                                              const PanelGang::Start& start,
                                                              const BoardStyle& style) {
    PanelGang gang;
    if (const std::optional<SetupFailure> failure = gang.prepare(invocation)) {
        print_error(failure->message);
        return failure->code;
    }
    ProgressBoard board(style.stream, gang.devices(), style.activity, style.final_lines);
    std::vector<PortResult> results = gang.run(start, board);
    board.close();
    return results;
}

ExitCode exit_code(const std::vector<PortResult>& results) {
    for (const PortResult& result : results)
        if (!result.succeeded()) return panel_failed;
    return done;
}

void report_failed_ports(const std::vector<PortResult>& results) {
    QStringList failed;
    for (const PortResult& result : results)
        if (!result.succeeded()) failed.append(result.device);
    if (failed.isEmpty()) return;
    print_error(QStringLiteral("%1 of %2 panels failed: %3")
                    .arg(failed.size())
                    .arg(results.size())
                    .arg(failed.join(QStringLiteral(", "))));
}

} // namespace kvr::cli
