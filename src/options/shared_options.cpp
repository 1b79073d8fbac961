#include "options/shared_options.h"

#include "records/company_log.h"

namespace kvr::options {

namespace {

// Options that are never given together.
constexpr std::pair<SharedOption, SharedOption> kExclusive[] = {
    {SharedOption::port, SharedOption::simulate},
    {SharedOption::log, SharedOption::no_log},
};

QCommandLineOption declared(const SharedOptionRow& row, const char* help, bool with_value) {
    return with_value ? QCommandLineOption(QLatin1String(row.name), QLatin1String(help),
                                           QLatin1String(row.value_name))
                      : QCommandLineOption(QLatin1String(row.name), QLatin1String(help));
}

// The value's check and where it is kept.
QString read_value(SharedOption option, const QString& value, bool has_value,
                   SharedValues& values) {
    switch (option) {
    case SharedOption::port:
        break; // each --port is a panel; the list is read whole
    case SharedOption::simulate: {
        bool number = !has_value;
        values.simulated = has_value ? value.toInt(&number) : 1;
        if (!number || values.simulated < 1 || values.simulated > kMostSimulated)
            return QStringLiteral("--simulate takes a number of panels from 1 to %1")
                .arg(kMostSimulated);
        break;
    }
    case SharedOption::trace:
        values.trace = value;
        break;
    case SharedOption::log:
        values.log_option = value;
        break;
    case SharedOption::no_log:
        values.no_log = true;
        break;
    case SharedOption::company_log:
        // Empty names none; anything else must be a company log's URL, without a password.
        if (const auto refusal = value.isEmpty() ? std::nullopt : records::company_url_refusal(value))
            return QStringLiteral("--company-log: ") + *refusal;
        values.company_log = value;
        break;
    case SharedOption::reply_wait: {
        bool number = false;
        values.reply_wait = std::chrono::milliseconds(value.toInt(&number));
        if (!number || !is_reply_wait(values.reply_wait))
            return QStringLiteral("--reply-wait takes milliseconds from %1 to %2")
                .arg(shortest_reply_wait.count())
                .arg(longest_reply_wait.count());
        break;
    }
    }
    return {};
}

} // namespace

QCommandLineOption config_option(SharedOption option) {
    const SharedOptionRow& row = shared_option_row(option);
    return declared(row, row.config_help, row.value_name && option != SharedOption::simulate);
}

QCommandLineOption panel_option(SharedOption option) {
    const SharedOptionRow& row = shared_option_row(option);
    return declared(row, row.panel_help, row.value_name != nullptr);
}

QString given_twice(const QCommandLineParser& parser, const QCommandLineOption& option) {
    if (parser.values(option).size() <= 1) return {};
    return QStringLiteral("--%1 is given twice").arg(option.names().constLast());
}

QString read_shared_options(const QCommandLineParser& parser, const DeclaredOptions& declared,
                            SharedValues& values) {
    for (const auto& [option, parsed] : declared) {
        if (!parser.isSet(parsed)) continue;
        if (option == SharedOption::port) {
            values.ports = parser.values(parsed);
            continue;
        }
        if (const QString twice = given_twice(parser, parsed); !twice.isEmpty()) return twice;
        const bool has_value = !parsed.valueName().isEmpty();
        const QString refusal =
            read_value(option, has_value ? parser.value(parsed) : QString(), has_value, values);
        if (!refusal.isEmpty()) return refusal;
    }
    for (const auto& [first, second] : kExclusive) {
        const auto is_set = [&](SharedOption wanted) {
            for (const auto& [option, parsed] : declared)
                if (option == wanted && parser.isSet(parsed)) return true;
            return false;
        };
        if (is_set(first) && is_set(second))
            return QStringLiteral("--%1 and --%2 exclude each other")
                .arg(QLatin1String(shared_option_row(first).name),
                     QLatin1String(shared_option_row(second).name));
    }
    return {};
}

} // namespace kvr::options
