// kvr-panel log check: whether the commissioning log was edited by hand, entry by entry.

#include <QDir>
#include <QJsonArray>

#include "cli/output.h"
#include "cli/subcommands.h"
#include "records/commissioning_log.h"

namespace kvr::cli {

namespace {

QString fault_key(records::ChainFault fault) {
    switch (fault) {
    case records::ChainFault::altered:
        return QStringLiteral("altered");
    case records::ChainFault::removed:
        return QStringLiteral("removed");
    case records::ChainFault::inserted:
        return QStringLiteral("inserted");
    case records::ChainFault::unlinked:
        break;
    }
    return QStringLiteral("unlinked");
}

class ChainResult : public Result {
  public:
    ChainResult(const QString& log, const records::ChainCheck& check) : log_(log), check_(check) {}
    QString text() const override {
        if (!check_.chained)
            return QStringLiteral("%1: not chained yet (a log of an older version); its entries "
                                  "are chained when the next one is recorded\n")
                .arg(log_);
        if (check_.breaks.empty())
            return QStringLiteral("%1: THE CHAIN HOLDS - %2 entries\n")
                .arg(log_)
                .arg(check_.entries);
        QString text = QStringLiteral("%1: THE CHAIN IS BROKEN - %2 of %3 entries edited by hand\n")
                           .arg(log_)
                           .arg(check_.breaks.size())
                           .arg(check_.entries);
        for (const records::ChainBreak& found : check_.breaks)
            text += QStringLiteral("  ") + found.text + u'\n';
        return text;
    }
    QJsonObject data() const override {
        QJsonArray breaks;
        for (const records::ChainBreak& found : check_.breaks)
            breaks.append(QJsonObject{
                {"fault", fault_key(found.fault)},
                {"sequence",
                 found.sequence > 0 ? QJsonValue(qint64(found.sequence)) : QJsonValue()},
                {"id", found.id ? QJsonValue(qint64(found.id)) : QJsonValue()},
                {"text", found.text},
            });
        return {{"command", "log check"},
                {"log", log_},
                {"chained", check_.chained},
                {"holds", check_.holds()},
                {"entries", qint64(check_.entries)},
                {"breaks", breaks}};
    }

  private:
    QString log_;
    const records::ChainCheck& check_;
};

ExitCode check_log(const Invocation& invocation) {
    if (!invocation.log) {
        print_error(
            QStringLiteral("log check needs a log: --no-log or an empty KVR_LOG turned it off"));
        return bad_input;
    }
    records::CommissioningLog log(invocation.log);
    const records::ChainCheck check = log.check_chain();
    if (!check.unreadable.isEmpty()) {
        print_error(check.unreadable);
        return bad_input;
    }
    const ExitCode printed = print_result(
        ChainResult(QDir::toNativeSeparators(*invocation.log), check), invocation.json);
    return outranking(check.holds() ? done : differs, printed);
}

} // namespace

ExitCode run_log_action(const Invocation& invocation) {
    if (invocation.files.value(0) == QLatin1String("check")) return check_log(invocation);
    print_error(QStringLiteral("unknown log action \"%1\"; kvr-panel log --help lists them")
                    .arg(invocation.files.value(0)));
    return bad_input;
}

} // namespace kvr::cli
