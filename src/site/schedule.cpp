#include "site/schedule.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "configuration/texts.h"
#include "configuration/windows1252.h"
#include "files/configuration_file_io.h"
#include "site/csv.h"

namespace kvr::site {
namespace {

enum Column {
    panel_column,
    room_column,
    function_column,
    module_column,
    channel_column,
    designation_column,
    percent_column,
    column_count
};

// The schedule's names for the 22 functions and the three intensities, in that order.
constexpr int kScheduleFunctionCount = kFunctionCount + 3;
constexpr std::array<Intensity, 3> kScheduleIntensities = {Intensity::Backlighting,
                                                           Intensity::Indicator, Intensity::Dimmed};

QString schedule_name(int entry) {
    if (entry < kBacklighting) return QString::fromLatin1(kFunctions[entry].label);
    static const QString names[] = {
        QStringLiteral("BACKLIGHTING"),           QStringLiteral("DIMMING"),
        QStringLiteral("BACKLIGHTING INTENSITY"), QStringLiteral("INDICATOR INTENSITY"),
        QStringLiteral("DIMMED INTENSITY"),
    };
    return names[entry - kBacklighting];
}

std::optional<int> schedule_entry(const QString& text) {
    const QString name = text.simplified().toUpper();
    for (int entry = 0; entry < kScheduleFunctionCount; ++entry)
        if (schedule_name(entry) == name) return entry;
    return std::nullopt;
}

// The value of the list entry with this text, as the window's list would give it.
std::optional<int> list_value(ListContents list, const QString& text) {
    for (const ListEntry& entry : list_entries(list))
        if (text == QLatin1String(entry.text)) return entry.value;
    return std::nullopt;
}

// "U+2615 (☕)": a character as a refusal names it.
QString character_text(char16_t character) {
    const QString code = QStringLiteral("U+%1").arg(int(character), 4, 16, QLatin1Char('0'));
    return first_not_on_one_line(std::u16string_view(&character, 1))
               ? code
               : QStringLiteral("%1 (%2)").arg(code, QChar(character));
}

// Why a text cannot be a name or designation in a file, naming its first such character.
std::optional<QString> not_carried(const QString& text) {
    const std::optional<char16_t> refused = first_not_carried(text.toStdU16String());
    if (!refused) return std::nullopt;
    return QStringLiteral("%1 is a character a configuration file cannot carry (it carries the "
                          "characters of Windows-1252 but the double quote and control "
                          "characters)")
        .arg(character_text(*refused));
}

// The channel as the list names it: spreadsheets write 1 as "01" too.
QString channel_text(const QString& cell) {
    QString channel = cell.trimmed();
    while (channel.size() > 1 && channel.startsWith(u'0'))
        channel.remove(0, 1);
    return channel;
}

// The percent a cell gives: "50", "50%", "50 %", "50.00%" (or "50,00%"), or the fraction
// 0.5 of a spreadsheet's percentage cell written without its format.
std::optional<int> percent_of(const QString& cell) {
    QString text = cell.trimmed();
    const bool marked = text.endsWith(u'%');
    if (marked) text = text.chopped(1).trimmed();
    bool number = false;
    double value = text.replace(u',', u'.').toDouble(&number);
    if (!number) return std::nullopt;
    if (!marked && value > 0 && value <= 1) value *= 100;
    const double whole = std::round(value);
    if (std::abs(value - whole) > 1e-6 || std::abs(whole) > 1000) return std::nullopt;
    return int(whole);
}

// The key two panel names clash by: a folder may not tell names apart by case, and blanks
// at the ends are not seen on a sheet or in a list.
QString clash_key(const QString& name) {
    return name.trimmed().toCaseFolded();
}

std::string file_text(const QString& text) {
    return to_windows1252(text.toStdU16String()).value_or(std::string());
}

struct Draft {
    SchedulePanel panel;
    int first_row = 0;
    int room_row = 0;
    std::array<int, kScheduleFunctionCount> rows{}; // where each was given; 0: not yet
};

Draft new_draft(const QString& name, int row) {
    Draft draft;
    draft.first_row = row;
    Configuration& configuration = draft.panel.configuration;
    configuration.panel_name = file_text(name);
    configuration.codes.fill(kNotAssigned);
    configuration.designations.fill(kDesignationStartText);
    draft.panel.file_name = proposed_file_name(name);
    return draft;
}

// The header is looked for in this many lines at the top: spreadsheets put a title and
// blank rows above it.
constexpr int kHeaderLines = 10;

int known_columns(const CsvRow& row) {
    return int(std::ranges::count_if(row.fields, [](const QString& field) {
        return kScheduleColumns.contains(field.trimmed().toLower());
    }));
}

// The header's separator and line: of the rows at the top, the one that names the most
// columns (two at least), split by the separator that names the most.
struct HeaderPlace {
    QChar separator;
    int line = 0;
};
std::optional<HeaderPlace> header_place(QStringView text) {
    std::optional<HeaderPlace> best;
    int most = 1;
    for (const QChar separator : {u',', u';'})
        for (const CsvRow& row : read_csv(text, separator, kHeaderLines).rows)
            if (const int known = known_columns(row); known > most) {
                most = known;
                best = HeaderPlace{separator, row.line};
            }
    return best;
}

class Importer {
  public:
    ScheduleImport run(const QByteArray& csv) {
        const CsvText text = decode_csv(csv);
        if (text.encoding != QLatin1String("UTF-8"))
            note(0, QStringLiteral("read as %1%2")
                        .arg(text.encoding, text.encoding == QLatin1String("UTF-16")
                                                ? QStringLiteral(", as its byte order mark says")
                                                : QStringLiteral(": the bytes are not UTF-8")));
        if (text.text.trimmed().isEmpty())
            return refused(0, QStringLiteral("the schedule is empty"));
        const std::optional<HeaderPlace> header = header_place(text.text);
        if (!header)
            return refused(0, QStringLiteral("no header in the first %1 rows: a header row names "
                                             "the columns %2")
                                  .arg(kHeaderLines)
                                  .arg(kScheduleColumns.join(QStringLiteral(", "))));
        const CsvTable table = read_csv(text.text, header->separator);
        if (!table.error.isEmpty()) return refused(table.error_line, table.error);
        const auto first = std::ranges::find(table.rows, header->line, &CsvRow::line);
        if (first == table.rows.end())
            return refused(header->line, QStringLiteral("the header row cannot be read"));
        if (header->line > 1)
            note(header->line, QStringLiteral("the header is on this row; the rows above it are "
                                              "left out"));
        if (!find_columns(*first)) return std::move(result_);
        for (auto row = first + 1; row != table.rows.end(); ++row)
            take_row(*row);
        check_file_names();
        std::ranges::stable_sort(result_.problems, {}, &ScheduleRemark::row);
        for (Draft& draft : drafts_)
            settle(draft);
        if (result_.problems.empty())
            for (Draft& draft : drafts_)
                result_.panels.push_back(std::move(draft.panel));
        return std::move(result_);
    }

  private:
    ScheduleImport refused(int row, const QString& text) {
        result_.problems.push_back({row, text});
        return std::move(result_);
    }
    void problem(int row, const QString& text) { result_.problems.push_back({row, text}); }
    void note(int row, const QString& text) { result_.notes.push_back({row, text}); }

    bool find_columns(const CsvRow& header) {
        columns_.fill(-1);
        for (int i = 0; i < header.fields.size(); ++i) {
            const QString name = header.fields[i].trimmed().toLower();
            const qsizetype column = kScheduleColumns.indexOf(name);
            // The spreadsheet's own columns (floor, notes) go with the panels, as they are.
            if (column < 0 && !name.isEmpty() && !result_.extra_columns.contains(name)) {
                result_.extra_columns.append(name);
                extra_fields_.push_back(i);
            }
            if (column < 0) continue;
            if (columns_[column] >= 0)
                problem(header.line, QStringLiteral("the column \"%1\" is given twice")
                                         .arg(kScheduleColumns[column]));
            columns_[column] = i;
        }
        for (int column = 0; column < column_count; ++column)
            if (columns_[column] < 0)
                problem(header.line, QStringLiteral("the header has no column \"%1\"")
                                         .arg(kScheduleColumns[column]));
        return result_.problems.empty();
    }

    QString field(const CsvRow& row, Column column) const {
        const int i = columns_[column];
        return i < row.fields.size() ? row.fields[i] : QString();
    }

    // The panel's draft, or nullptr once a clash with another panel's name is reported.
    Draft* draft_for(const QString& name, int row) {
        const auto found = index_.constFind(clash_key(name));
        if (found == index_.constEnd()) {
            index_.insert(clash_key(name), int(drafts_.size()));
            drafts_.push_back(new_draft(name, row));
            return &drafts_.back();
        }
        Draft& draft = drafts_[*found];
        const QString known = from_file_text(draft.panel.configuration.panel_name);
        if (known == name) return &draft;
        // Said once for each name, at its first row.
        if (clashing_names_.contains(name)) return nullptr;
        clashing_names_.insert(name);
        problem(row, QStringLiteral("panel \"%1\" and panel \"%2\" (row %3) differ only in case "
                                    "or in blanks at the ends: give one name, or two that "
                                    "differ otherwise")
                         .arg(name, known)
                         .arg(draft.first_row));
        return nullptr;
    }

    // A cell holds one line: a line end, a tab or an escape would overprint the sheet.
    bool one_line_cells(const CsvRow& row) {
        for (int column = 0; column < column_count; ++column) {
            const QString cell = field(row, Column(column));
            if (const auto refused = first_not_on_one_line(cell.toStdU16String())) {
                problem(row.line,
                        QStringLiteral("%1 \"%2\": %3 is a control character (a line "
                                       "end, a tab or the like); a cell holds one line "
                                       "of text")
                            .arg(kScheduleColumns[column], cell, character_text(*refused)));
                return false;
            }
        }
        return true;
    }

    void take_row(const CsvRow& row) {
        const int line = row.line;
        if (!one_line_cells(row)) return;
        const QString name = field(row, panel_column);
        if (name.isEmpty()) return problem(line, QStringLiteral("the panel name is empty"));
        if (const std::optional<QString> refusal = not_carried(name))
            return problem(line, QStringLiteral("panel \"%1\": %2").arg(name, *refusal));
        if (const auto refusal = panel_name_refusal(name.toStdU16String()))
            return problem(line, QStringLiteral("panel \"%1\": %2")
                                     .arg(name, QString::fromStdString(*refusal).toLower()));
        Draft* found = draft_for(name, line);
        if (!found) return;
        Draft& draft = *found;
        take_room(draft, field(row, room_column).trimmed(), line);
        take_extra_columns(draft.panel, row);

        const QString function = field(row, function_column);
        const std::optional<int> entry = schedule_entry(function);
        if (!entry)
            return problem(line, QStringLiteral("function \"%1\" is none of SW1..SW10, "
                                                "LED1..LED10, BACKLIGHTING, DIMMING, "
                                                "BACKLIGHTING INTENSITY, INDICATOR INTENSITY, "
                                                "DIMMED INTENSITY")
                                     .arg(function));
        const QString what = schedule_name(*entry) + QStringLiteral(" of ") + name;
        if (const int first = draft.rows[*entry])
            return problem(
                line, QStringLiteral("%1 is given twice (first on row %2)").arg(what).arg(first));
        draft.rows[*entry] = line;
        if (*entry < kFunctionCount)
            take_function(draft.panel.configuration, *entry, row, what);
        else
            take_intensity(draft.panel.configuration, kScheduleIntensities[*entry - kFunctionCount],
                           row, what);
    }

    // A cell of a spreadsheet's own column may hold line ends: it is kept on one line.
    void take_extra_columns(SchedulePanel& panel, const CsvRow& row) {
        for (std::size_t e = 0; e < extra_fields_.size(); ++e) {
            const int i = extra_fields_[e];
            QString text = i < row.fields.size() ? row.fields[i].simplified() : QString();
            text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
            if (text.isEmpty()) continue;
            QString& kept = panel.columns[result_.extra_columns[qsizetype(e)]];
            if (kept.split(QStringLiteral("; ")).contains(text)) continue;
            kept = kept.isEmpty() ? text : kept + QStringLiteral("; ") + text;
        }
    }

    void take_room(Draft& draft, const QString& room, int line) {
        if (room.isEmpty()) return;
        if (draft.room_row && draft.panel.room != room)
            return problem(line, QStringLiteral("room \"%1\" differs from \"%2\" on row %3")
                                     .arg(room, draft.panel.room)
                                     .arg(draft.room_row));
        draft.panel.room = room;
        draft.room_row = line;
    }

    void take_function(Configuration& configuration, int function, const CsvRow& row,
                       const QString& what) {
        const int line = row.line;
        if (!field(row, percent_column).trimmed().isEmpty())
            problem(line, what + QStringLiteral(" takes no percent"));
        const QString designation = field(row, designation_column);
        const bool named = function < kBacklighting;
        if (!named && !designation.isEmpty())
            problem(line, what + QStringLiteral(" takes no designation"));
        else if (const std::optional<QString> refusal =
                     named ? not_carried(designation) : std::nullopt)
            problem(line,
                    what + QStringLiteral(": designation \"%1\": %2").arg(designation, *refusal));
        else if (named)
            configuration.designations[function] = file_text(designation);

        QString module = field(row, module_column).trimmed().toUpper();
        const QString channel = channel_text(field(row, channel_column));
        if (module.isEmpty())
            module = QString::fromLatin1(list_entries(ListContents::Module)[0].text);
        const std::optional<int> module_value = list_value(ListContents::Module, module);
        if (!module_value)
            return problem(line, what + QStringLiteral(": module \"%1\" is not one of A..P or N/A")
                                            .arg(field(row, module_column)));
        if (*module_value == kNotAssigned) {
            if (!channel.isEmpty()) problem(line, what + QStringLiteral(": N/A takes no channel"));
            configuration.codes[function] = kNotAssigned;
            return;
        }
        const std::optional<int> channel_value = list_value(ListContents::Channel, channel);
        if (!channel_value)
            return problem(line,
                           what + (channel.isEmpty()
                                       ? QStringLiteral(": module %1 has no channel").arg(module)
                                       : QStringLiteral(": channel \"%1\" is not one of 1..10")
                                             .arg(field(row, channel_column))));
        configuration.codes[function] = static_cast<int16_t>(*module_value + *channel_value);
    }

    void take_intensity(Configuration& configuration, Intensity which, const CsvRow& row,
                        const QString& what) {
        const int line = row.line;
        for (const Column column : {module_column, channel_column, designation_column})
            if (!field(row, column).trimmed().isEmpty())
                problem(line, what + QStringLiteral(" takes a percent only, no %1")
                                         .arg(kScheduleColumns[column]));
        const std::optional<int> percent = percent_of(field(row, percent_column));
        const std::optional<int> code =
            percent ? list_value(ListContents::Intensity, QString::number(*percent)) : std::nullopt;
        if (!code)
            return problem(line, what + QStringLiteral(": percent \"%1\" is not one of 100, 90, "
                                                       "80, 70, 60, 50, 40, 30 (written 50, 50%, "
                                                       "50 %, 50.00% or 0.5)")
                                            .arg(field(row, percent_column)));
        configuration.intensities[which] = static_cast<int16_t>(*code);
    }

    // Folders on Windows and macOS do not tell names apart by case.
    void check_file_names() {
        QHash<QString, const Draft*> seen;
        for (const Draft& draft : drafts_) {
            const QString key = draft.panel.file_name.toLower();
            if (const Draft* other = seen.value(key))
                problem(draft.first_row,
                        QStringLiteral("panels \"%1\" (row %2) and \"%3\" would both be saved "
                                       "as %4")
                            .arg(from_file_text(other->panel.configuration.panel_name))
                            .arg(other->first_row)
                            .arg(from_file_text(draft.panel.configuration.panel_name),
                                 draft.panel.file_name));
            else
                seen.insert(key, &draft);
        }
    }

    void settle(Draft& draft) {
        Configuration& configuration = draft.panel.configuration;
        const SettledIntensities settled = settle_intensities(configuration.intensities);
        if (!settled.backlighting_lowered) return;
        const int backlighting_row = draft.rows[kFunctionCount];
        result_.notes.push_back(
            {backlighting_row ? backlighting_row : draft.rows[kFunctionCount + 1],
             QStringLiteral("%1: backlighting intensity lowered to %2 %: %3")
                 .arg(from_file_text(configuration.panel_name))
                 .arg(intensity_percent(settled.codes[Intensity::Backlighting]))
                 .arg(QString::fromLatin1(kIntensityRuleMessage).replace(u'\n', u' '))});
        configuration.intensities = settled.codes;
    }

    std::array<int, column_count> columns_{};
    std::vector<int> extra_fields_; // the header fields of extra_columns, in their order
    std::vector<Draft> drafts_;
    QHash<QString, int> index_; // by clash_key
    QSet<QString> clashing_names_;
    ScheduleImport result_;
};

} // namespace

ScheduleImport import_schedule(const QByteArray& csv) {
    return Importer().run(csv);
}

QByteArray export_schedule(const std::vector<SchedulePanel>& panels) {
    std::vector<QStringList> rows = {kScheduleColumns};
    for (const SchedulePanel& panel : panels) {
        const Configuration& configuration = panel.configuration;
        const QString name = from_file_text(configuration.panel_name);
        for (int f = 0; f < kFunctionCount; ++f) {
            const int16_t code = programmed_assignment(configuration.codes[f]);
            const bool named = f < kBacklighting;
            const QString designation =
                named ? from_file_text(configuration.designations[f]) : QString();
            if (code == kNotAssigned &&
                (!named || designation == QLatin1String(kDesignationStartText)))
                continue;
            const Assignment assignment = assignment_of(code);
            rows.push_back({name, panel.room, schedule_name(f),
                            assignment.module.empty()
                                ? QString::fromLatin1(list_entries(ListContents::Module)[0].text)
                                : QString::fromStdString(assignment.module),
                            assignment.channel ? QString::number(*assignment.channel) : QString(),
                            designation, QString()});
        }
        for (std::size_t i = 0; i < kScheduleIntensities.size(); ++i)
            rows.push_back({name, panel.room, schedule_name(kFunctionCount + int(i)), QString(),
                            QString(), QString(),
                            QString::number(intensity_percent(
                                configuration.intensities[kScheduleIntensities[i]]))});
    }
    return write_csv(rows);
}

} // namespace kvr::site
