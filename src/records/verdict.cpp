#include "records/verdict.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "configuration/windows1252.h"

namespace kvr::records {
namespace {

// What one entry, or one run of entries, says the panel holds.
enum class Held : std::uint8_t {
    nothing_new, // it changed nothing: a write that stopped before its first value, a
                 // read or verify that failed
    values,      // the panel holds these values (digest)
    partly,      // a write stopped after its first value: what it holds is unknown
    gang_failed, // one or more panels of a run failed: the run proves nothing
};

struct Evidence {
    Held held = Held::nothing_new;
    QString digest;                // of the values held
    QList<std::int16_t> read_back; // as read, for a verify or a read
    Record entry;                  // the newest entry it rests on
    std::int64_t rests_from = 0;   // the sequence of the oldest entry it rests on
    int failed = 0;                // of a run: the panels that failed, of panels
    int panels = 1;
};

QString digest_read(const QList<std::int16_t>& read_back) {
    PanelValues values{};
    if (read_back.size() != qsizetype(values.size())) return {};
    std::copy(read_back.begin(), read_back.end(), values.begin());
    return values_digest(values);
}

Evidence evidence_of(const Record& entry) {
    Evidence evidence{Held::nothing_new, {}, entry.read_back, entry, entry.sequence};
    switch (entry.operation) {
    case RecordOperation::write:
        if (entry.outcome == RecordOutcome::programmed_and_verified) {
            evidence.held = Held::values;
            evidence.digest = entry.values_digest;
        } else if (changed_the_panel(entry)) {
            evidence.held = Held::partly;
        }
        break;
    case RecordOperation::verify:
        if (entry.outcome == RecordOutcome::matches) {
            evidence.held = Held::values;
            evidence.digest = entry.values_digest;
        } else if (entry.outcome == RecordOutcome::differs) {
            evidence.held = Held::values;
            evidence.digest = digest_read(entry.read_back);
        }
        break;
    case RecordOperation::read:
        // Only a read in full says what the panel holds.
        if (entry.outcome == RecordOutcome::read && !entry.values_digest.isEmpty()) {
            evidence.held = Held::values;
            evidence.digest = entry.values_digest;
        }
        break;
    }
    return evidence;
}

// A run over several panels of one name: each counts. A write proves only when every panel
// was programmed and verified; a comparison that found one panel differing decides by it.
Evidence evidence_of_run(const std::vector<Record>& run) {
    std::vector<Evidence> each;
    for (const Record& entry : run)
        each.push_back(evidence_of(entry));
    Evidence combined = each.front(); // the newest
    std::int64_t oldest = combined.rests_from;
    for (const Evidence& one : each)
        oldest = std::min(oldest, one.entry.sequence);
    const auto held_values = [](const Evidence& one) { return one.held == Held::values; };
    if (combined.entry.operation != RecordOperation::write) {
        const auto differs = std::ranges::find_if(each, [&combined](const Evidence& one) {
            return one.held == Held::values && one.digest != combined.digest;
        });
        if (differs != each.end())
            combined = *differs;
        else if (!std::ranges::all_of(each, held_values))
            combined.held = Held::nothing_new;
    } else {
        combined.failed = int(std::ranges::count_if(each, std::not_fn(held_values)));
        combined.panels = int(each.size());
        if (std::ranges::all_of(each,
                                [](const Evidence& one) { return one.held == Held::nothing_new; }))
            combined.held = Held::nothing_new;
        else if (combined.failed > 0)
            combined.held = Held::gang_failed;
    }
    combined.rests_from = oldest;
    return combined;
}

// The panel name's history, newest first, down to the evidence that decides; and, when
// that evidence is of other values, whether the file's values were held before it.
struct Fold {
    std::optional<Evidence> deciding;
    bool held_the_file_before = false;
    bool simulated_seen = false;
    std::optional<Record> newest;
    std::optional<QString> unreadable;
};

bool proves_values(const Evidence& evidence, const QString& digest) {
    return evidence.held == Held::values && evidence.digest == digest;
}

Fold fold(CommissioningLog& log, const QString& name, const QString& digest) {
    Fold fold;
    std::set<QString> runs_seen;
    fold.unreadable = log.newest_first(name, [&](const Record& entry) {
        if (!fold.newest) fold.newest = entry;
        // A simulated panel is another panel: it neither proves nor contradicts.
        if (entry.simulated == true) {
            fold.simulated_seen = true;
            return true;
        }
        Evidence evidence;
        if (entry.run.isEmpty()) {
            evidence = evidence_of(entry);
        } else {
            if (!runs_seen.insert(entry.run).second) return true;
            std::vector<Record> run = log.run_entries(entry.run, name).entries;
            std::erase_if(run, [](const Record& e) { return e.simulated == true; });
            evidence = run.empty() ? evidence_of(entry) : evidence_of_run(run);
        }
        if (evidence.held == Held::nothing_new) return true;
        if (!fold.deciding) {
            fold.deciding = evidence;
            return !proves_values(evidence, digest);
        }
        fold.held_the_file_before = proves_values(evidence, digest);
        return !fold.held_the_file_before;
    });
    return fold;
}

QString utc_text(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

QString when_and_where(const Record& entry) {
    return QStringLiteral("(%1, %2)").arg(utc_text(entry.time), port_text(entry));
}

int differences(const QList<std::int16_t>& read_back, const PanelValues& values) {
    int count = 0;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (qsizetype(i) >= read_back.size() || read_back[qsizetype(i)] != values[i]) ++count;
    return count;
}

Verdict decided(VerdictStatus status, const QString& reason, const Evidence* evidence = nullptr) {
    Verdict verdict{status, reason, {}, {}, false};
    if (evidence) verdict.entry = evidence->entry;
    return verdict;
}

// What the newest evidence makes of the file's values.
Verdict verdict_of(const Fold& fold, const VerdictSubject& subject) {
    const Configuration& configuration = *subject.configuration;
    const QString& source_sha256 = subject.source_sha256;
    if (!fold.deciding)
        return decided(VerdictStatus::not_proven,
                       fold.simulated_seen
                           ? QStringLiteral("ONLY EVER WRITTEN TO A SIMULATED PANEL")
                           : QStringLiteral("NEVER PROGRAMMED"));
    const Evidence& evidence = *fold.deciding;
    const Record& entry = evidence.entry;
    const PanelValues values = programmed_values(configuration);
    switch (evidence.held) {
    case Held::partly:
        return decided(VerdictStatus::unknown,
                       QStringLiteral("THE LAST WRITE STOPPED AT LOCATION %1: PARTLY PROGRAMMED")
                           .arg(entry.failure.location.value_or(0)),
                       &evidence);
    case Held::gang_failed:
        return decided(VerdictStatus::not_proven,
                       QStringLiteral("%1 OF %2 PANELS OF THE LAST WRITE FAILED")
                           .arg(evidence.failed)
                           .arg(evidence.panels),
                       &evidence);
    case Held::nothing_new:
    case Held::values:
        break;
    }
    if (evidence.digest != values_digest(values)) {
        if (entry.operation == RecordOperation::write)
            return decided(VerdictStatus::not_proven,
                           (fold.held_the_file_before
                                ? QStringLiteral("WRITTEN WITH OTHER VALUES SINCE %1")
                                : QStringLiteral("WRITTEN WITH OTHER VALUES %1"))
                               .arg(when_and_where(entry)),
                           &evidence);
        const int count = differences(evidence.read_back, values);
        return decided(VerdictStatus::not_proven,
                       QStringLiteral("THE LAST %1 FOUND %2")
                           .arg(entry.operation == RecordOperation::verify
                                    ? QStringLiteral("COMPARISON")
                                    : QStringLiteral("READ"),
                                count == 1 ? QStringLiteral("1 DIFFERENCE")
                                           : QStringLiteral("%1 DIFFERENCES").arg(count)),
                       &evidence);
    }
    // Older logs did not say whether the window's pseudo-terminal was its own panel.
    if (!entry.simulated)
        return decided(VerdictStatus::unknown,
                       QStringLiteral("THE LOG DOES NOT SAY WHETHER THE PANEL WAS SIMULATED"),
                       &evidence);
    const QString how =
        entry.operation == RecordOperation::write    ? QStringLiteral("PROGRAMMED AND VERIFIED")
        : entry.operation == RecordOperation::verify ? QStringLiteral("THE LAST COMPARISON MATCHED")
                                                     : QStringLiteral("THE LAST READ MATCHED");
    QString reason = how + u' ' + when_and_where(entry);
    if (!entry.source_path.isEmpty())
        reason += QStringLiteral(" FROM ") + QFileInfo(entry.source_path).fileName();
    Verdict verdict = decided(VerdictStatus::proven, reason, &evidence);
    verdict.labels_changed_since =
        subject.texts_changed || (!source_sha256.isEmpty() && !entry.source_sha256.isEmpty() &&
                                  entry.source_sha256 != source_sha256);
    if (verdict.labels_changed_since) verdict.reason += QStringLiteral(" - LABELS CHANGED SINCE");
    return verdict;
}

// For each subject, the other files of the folder that give its panel name.
std::vector<QStringList> sharing_names(const std::vector<VerdictSubject>& subjects) {
    std::map<std::string, std::vector<std::size_t>> by_name;
    for (std::size_t i = 0; i < subjects.size(); ++i)
        if (subjects[i].configuration) by_name[subjects[i].configuration->panel_name].push_back(i);
    std::vector<QStringList> sharing(subjects.size());
    for (const auto& [name, holders] : by_name)
        for (const std::size_t i : holders)
            for (const std::size_t other : holders)
                if (other != i) sharing[i] << subjects[other].file_name;
    return sharing;
}

} // namespace

QString status_key(VerdictStatus status) {
    switch (status) {
    case VerdictStatus::proven:
        return QStringLiteral("proven");
    case VerdictStatus::not_proven:
        return QStringLiteral("not_proven");
    case VerdictStatus::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString status_words(VerdictStatus status) {
    return status_key(status).toUpper().replace(u'_', u' ');
}

QString port_text(const Record& entry) {
    return entry.line == LineKind::pseudo_terminal
               ? entry.device + QStringLiteral(" (PSEUDO-TERMINAL)")
               : entry.device;
}

Verdicts verdicts_of(CommissioningLog& log, const std::vector<VerdictSubject>& subjects) {
    Verdicts verdicts;
    const std::vector<QStringList> sharing = sharing_names(subjects);
    std::vector<std::int64_t> rests_from(subjects.size(), -1);
    struct Resting {
        QString station;
        QDateTime time;
    };
    std::vector<Resting> resting(subjects.size());
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        const VerdictSubject& subject = subjects[i];
        if (!subject.configuration) {
            verdicts.of.push_back(
                decided(VerdictStatus::not_proven, QStringLiteral("REFUSED: ") + subject.refusal));
            continue;
        }
        const Configuration& configuration = *subject.configuration;
        const QString name = QString::fromStdU16String(from_windows1252(configuration.panel_name));
        const Fold folded = fold(log, name, values_digest(programmed_values(configuration)));
        Verdict verdict;
        if (folded.unreadable && verdicts.unreadable.isEmpty())
            verdicts.unreadable = *folded.unreadable;
        if (!sharing[i].isEmpty()) {
            verdict = decided(VerdictStatus::not_proven, QStringLiteral("PANEL NAME ALSO IN ") +
                                                             sharing[i].join(QStringLiteral(", ")));
        } else if (folded.unreadable) {
            verdict = decided(VerdictStatus::unknown,
                              QStringLiteral("THE COMMISSIONING LOG COULD NOT BE READ"));
        } else {
            verdict = verdict_of(folded, subject);
            if (folded.deciding) {
                rests_from[i] = folded.deciding->rests_from;
                resting[i] = {folded.deciding->entry.station, folded.deciding->entry.time};
            }
        }
        verdict.newest = folded.newest;
        verdicts.of.push_back(std::move(verdict));
    }
    // Whether an entry from the oldest one a verdict rests on to the newest was edited by
    // hand: the chain is walked once, from there.
    std::int64_t from = -1;
    for (const std::int64_t sequence : rests_from)
        if (sequence >= 0) from = from < 0 ? sequence : std::min(from, sequence);
    if (from < 0) return verdicts;
    const ChainCheck chain = log.check_chain(from);
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        if (rests_from[i] < 0) continue;
        Verdict& verdict = verdicts.of[i];
        if (!chain.unreadable.isEmpty()) {
            if (verdicts.unreadable.isEmpty()) verdicts.unreadable = chain.unreadable;
            verdict.reason = QStringLiteral("THE COMMISSIONING LOG COULD NOT BE READ");
        } else if (chain.broken_for(resting[i].station, rests_from[i], resting[i].time)) {
            verdict.reason = QStringLiteral("AN ENTRY OF THE LOG WAS ALTERED");
        } else {
            continue;
        }
        verdict.status = VerdictStatus::unknown;
        verdict.labels_changed_since = false;
    }
    return verdicts;
}

} // namespace kvr::records
