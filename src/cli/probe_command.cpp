// kvr-panel ports --probe: which port has a panel on it. Each port named, or every port
// present, is called at 9600 baud for the attention handshake and asked its model code,
// all at once; a port in use is not waited for.

#include <QJsonArray>

#include "cli/output.h"
#include "cli/panel_gang.h"
#include "cli/subcommands.h"
#include "panel/serial_ports.h"

namespace kvr::cli {

namespace {

// What a port was found to be, as JSON names it.
struct Finding {
    const char* state; // panel, no_answer, in_use, no_access, failed, interrupted
    QString text;      // the line's text after the device
    QString advice;    // what to do (no access)
};

Finding finding(const PortResult& result) {
    switch (result.outcome) {
    case Outcome::succeeded:
        return {"panel", QStringLiteral("a panel, model code %1").arg(result.model_code), {}};
    case Outcome::mismatch:
        return {"panel",
                QStringLiteral("a panel, model code %1 (not one this program programs)")
                    .arg(result.model_code),
                {}};
    case Outcome::no_response:
        return {"no_answer", QStringLiteral("no answer"), {}};
    case Outcome::port_failed: {
        const QString advice = access_advice(port_path(result.device));
        if (!advice.isEmpty())
            return {"no_access", QStringLiteral("no access - ") + advice, advice};
        if (result.port_in_use)
            return {"in_use", QStringLiteral("in use - ") + result.final_text, {}};
        return {"failed", result.final_text, {}};
    }
    case Outcome::interrupted:
        return {"interrupted", result.final_text, {}};
    default:
        return {"failed", result.line().mid(result.device.size() + 2), {}};
    }
}

class ProbeResult : public Result {
  public:
    explicit ProbeResult(const std::vector<PortResult>& ports) : ports_(ports) {}
    QString text() const override {
        if (ports_.empty()) return QStringLiteral("no serial port is present\n");
        QString text;
        for (const PortResult& port : ports_)
            text += port.device + QLatin1String(": ") + finding(port).text + u'\n';
        return text;
    }
    QJsonObject data() const override {
        QJsonArray ports;
        for (const PortResult& port : ports_) {
            const Finding found = finding(port);
            const bool panel = QLatin1String(found.state) == QLatin1String("panel");
            ports.append(QJsonObject{
                {"device", port.device},
                {"state", QLatin1String(found.state)},
                {"model_code", panel ? QJsonValue(port.model_code) : QJsonValue()},
                {"known_model", panel ? QJsonValue(port.succeeded()) : QJsonValue()},
                {"text", found.text},
                {"advice", found.advice.isEmpty() ? QJsonValue() : QJsonValue(found.advice)},
            });
        }
        return {{"command", "ports"}, {"probe", true}, {"ports", ports}};
    }

  private:
    const std::vector<PortResult>& ports_;
};

} // namespace

ExitCode probe_ports(const Invocation& invocation) {
    Invocation probing = invocation;
    if (probing.ports.isEmpty())
        for (const PortDescription& port : present_ports())
            probing.ports.append(port.device);
    std::vector<PortResult> results;
    ExitCode code = done;
    if (!probing.ports.isEmpty()) {
        records::PanelJob identify;
        identify.identify_only = true;
        auto run = run_on_panels(probing, identify, QStringLiteral("probing"));
        if (const ExitCode* failure = std::get_if<ExitCode>(&run)) return *failure;
        GangRun& gang = std::get<GangRun>(run);
        results = std::move(gang.results);
        if (gang.signal != 0) code = ExitCode(interrupted_base + gang.signal);
    }
    return outranking(code, print_result(ProbeResult(results), format_of(invocation)));
}

} // namespace kvr::cli
