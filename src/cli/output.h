#pragma once
// Results go to standard output; errors and progress to standard error, one line each.
// Each subcommand builds one Result, and print_result renders it in the format asked for
// (the table, one JSON document, a JSON line, CSV), so that no format drifts from the text.
// Standard output's failures (a closed pipe, a full disk) are handled here alone.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "cli/invocation.h"
#include "site/csv.h"

namespace kvr::cli {

// The version of every JSON document kvr-panel prints; the README documents the shapes.
inline constexpr int kJsonVersion = 1;

enum class Format { text, json, json_lines, csv };

// What the invocation asks for: --json, --json-lines, --csv, else the table.
Format format_of(const Invocation& invocation);

// A result's rows as CSV gives them, a header first.
struct CsvRows {
    std::vector<QStringList> rows;
    site::CsvLayout layout;
};

class Result {
  public:
    virtual ~Result() = default;
    virtual QString text() const = 0;     // lines for standard output
    virtual QJsonObject data() const = 0; // the JSON document, its version left out
    // Only the results of the subcommands that take --csv have rows.
    virtual CsvRows csv() const { return {}; }
};

// One line of a result printed as it comes (a port the moment it finishes, a fixture's
// summary): the text's lines, or one JSON object a line.
class LineResult : public Result {
  public:
    LineResult(QString text, QJsonObject object)
        : text_(std::move(text)), object_(std::move(object)) {}
    QString text() const override { return text_; }
    QJsonObject data() const override { return object_; }

  private:
    QString text_;
    QJsonObject object_;
};

// Prints the result in the format; output_failed, once standard error says so, when
// standard output could not take it all (a full disk, a closed pipe), else done. JSON lines
// are flushed one by one, the moment each is printed.
ExitCode print_result(const Result& result, Format format);

// Prints the bytes (a file written to standard output, the usage); output_failed when
// standard output could not take them. Standard error says what was not written and why,
// for the first failure only: once standard output has failed nothing more is sent to it,
// so that a closed pipe or a full disk is one failure, and the run goes on to the end of
// what it is doing.
ExitCode print_output(const QByteArray& bytes, const QString& what);

// "kvr-panel: " and the message, one line whatever it holds: a line end becomes a blank,
// any other control character (a NUL too) is shown escaped.
void print_error(const QString& message);

// A text as a table cell shows it: its control characters as escapes (\n, \t, \x1b, \\ for the
// backslash), so that none can end or overprint a line.
QString shown_escaped(const QString& text);

// A text as a JSON document gives it: null when it is empty.
QJsonValue or_null(const QString& text);

// The code that tells the most: an interruption, then a result not written, bad input, a
// failed panel, a difference.
ExitCode outranking(ExitCode a, ExitCode b);

} // namespace kvr::cli
