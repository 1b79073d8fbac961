// kvr-panel log check: whether the commissioning log was edited by hand, entry by entry.
// kvr-panel log import: a colleague's log file merged into this one.
// kvr-panel log init-company and log sync: the company log on PostgreSQL.

#include <QDir>
#include <QJsonArray>

#include "cli/output.h"
#include "cli/subcommands.h"
#include "records/commissioning_log.h"
#include "records/company_log.h"

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

// "1 entry", "3 entries".
QString entries(qsizetype count) {
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
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
            return QStringLiteral("%1: THE CHAIN HOLDS - %2\n").arg(log_, entries(check_.entries));
        QString text = QStringLiteral("%1: THE CHAIN IS BROKEN - %2 of %3 edited by hand\n")
                           .arg(log_)
                           .arg(check_.breaks.size())
                           .arg(entries(check_.entries));
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
        ChainResult(QDir::toNativeSeparators(*invocation.log), check), format_of(invocation));
    return outranking(check.holds() ? done : differs, printed);
}

class MergeResult : public Result {
  public:
    MergeResult(const QString& from, const QString& log, const records::Merge& merge)
        : from_(from), log_(log), merge_(merge) {}
    QString text() const override {
        QString text = QStringLiteral("%1 into %2: %3 added, %4 held already\n")
                           .arg(from_, log_, entries(merge_.added))
                           .arg(merge_.held);
        if (!merge_.held_differently.isEmpty())
            text += QStringLiteral("HELD DIFFERENTLY - %1 of the file held otherwise here; "
                                   "this log's are kept:\n")
                        .arg(entries(merge_.held_differently.size()));
        for (const QString& entry : merge_.held_differently)
            text += QStringLiteral("  ") + entry + u'\n';
        return text;
    }
    QJsonObject data() const override {
        return {{"command", "log import"},
                {"file", from_},
                {"log", log_},
                {"added", qint64(merge_.added)},
                {"held", qint64(merge_.held)},
                {"held_differently", QJsonArray::fromStringList(merge_.held_differently)}};
    }

  private:
    QString from_;
    QString log_;
    const records::Merge& merge_;
};

ExitCode import_log(const Invocation& invocation) {
    if (invocation.files.size() != 2) {
        print_error(
            QStringLiteral("log import takes one log file: kvr-panel log import OTHER.sqlite"));
        return bad_input;
    }
    if (!invocation.log) {
        print_error(
            QStringLiteral("log import needs a log: --no-log or an empty KVR_LOG turned it off"));
        return bad_input;
    }
    records::CommissioningLog log(invocation.log);
    const records::Merge merge = log.merge_from(invocation.files[1]);
    if (!merge.refusal.isEmpty() || !merge.warning.isEmpty()) {
        print_error(merge.refusal.isEmpty() ? merge.warning : merge.refusal);
        return merge.refusal.isEmpty() ? output_failed : bad_input;
    }
    const ExitCode printed =
        print_result(MergeResult(QDir::toNativeSeparators(invocation.files[1]),
                                 QDir::toNativeSeparators(*invocation.log), merge),
                     format_of(invocation));
    return outranking(merge.held_differently.isEmpty() ? done : differs, printed);
}

class SyncResult : public Result {
  public:
    SyncResult(const QString& company, const records::CompanySync& sync)
        : company_(company), sync_(sync) {}
    QString text() const override {
        QString text = QStringLiteral("%1: %2 pushed, %3 pulled\n")
                           .arg(company_, entries(sync_.pushed))
                           .arg(sync_.pulled);
        if (!sync_.altered.isEmpty())
            text += QStringLiteral("ALTERED - %1 held here otherwise than in the company log:\n")
                        .arg(entries(sync_.altered.size()));
        for (const QString& entry : sync_.altered)
            text += QStringLiteral("  ") + entry + u'\n';
        return text;
    }
    QJsonObject data() const override {
        return {{"command", "log sync"},
                {"company_log", company_},
                {"pushed", qint64(sync_.pushed)},
                {"pulled", qint64(sync_.pulled)},
                {"altered", QJsonArray::fromStringList(sync_.altered)}};
    }

  private:
    QString company_;
    const records::CompanySync& sync_;
};

ExitCode sync_log(const Invocation& invocation) {
    if (invocation.files.size() != 1) {
        print_error(
            QStringLiteral("log sync takes no file: kvr-panel log sync [--company-log URL]"));
        return bad_input;
    }
    records::CommissioningLog log(invocation.log);
    log.set_company_log(invocation.company_log);
    const records::CompanySync sync = log.sync_company(records::kCompanySyncTimeoutSeconds);
    if (!sync.failure.isEmpty()) {
        print_error(sync.failure);
        return bad_input;
    }
    const ExitCode printed =
        print_result(SyncResult(records::company_log_text(*invocation.company_log), sync),
                     format_of(invocation));
    return outranking(sync.altered.isEmpty() ? done : differs, printed);
}

ExitCode init_company(const Invocation& invocation) {
    const QStringList& words = invocation.files;
    if (words.size() != 2) {
        print_error(QStringLiteral("log init-company takes one URL: kvr-panel log init-company "
                                   "URL [--station-role NAME]"));
        return bad_input;
    }
    const QString& role = invocation.station_role;
    if (const auto failure = records::init_company_log(words[1], role)) {
        print_error(QStringLiteral("%1: %2").arg(records::company_log_text(words[1]), *failure));
        return bad_input;
    }
    return print_output(QStringLiteral("%1: the company log is set up; the station role %2 may "
                                       "insert and select entries\n")
                            .arg(records::company_log_text(words[1]), role)
                            .toUtf8(),
                        QStringLiteral("the result"));
}

} // namespace

ExitCode run_log_action(const Invocation& invocation) {
    const QString action = invocation.files.value(0);
    if (action == QLatin1String("import")) return import_log(invocation);
    if (action == QLatin1String("sync")) return sync_log(invocation);
    if (action == QLatin1String("init-company")) return init_company(invocation);
    if (action != QLatin1String("check") || invocation.files.size() > 1) {
        print_error(QStringLiteral("unknown log action \"%1\"; kvr-panel log --help lists them")
                        .arg(invocation.files.join(u' ')));
        return bad_input;
    }
    return check_log(invocation);
}

} // namespace kvr::cli
