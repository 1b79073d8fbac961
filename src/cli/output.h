#pragma once
// Results go to standard output; errors and progress to standard error, one line each.
// Each subcommand builds one Result, and print_result renders it as text or as one JSON
// document, so that --json never drifts from the text.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "cli/invocation.h"

namespace kvr::cli {

// The version of every JSON document kvr-panel prints; the README documents the shapes.
inline constexpr int kJsonVersion = 1;

class Result {
  public:
    virtual ~Result() = default;
    virtual QString text() const = 0;     // lines for standard output
    virtual QJsonObject data() const = 0; // the JSON document, its version left out
};

// Prints the result; output_failed, once standard error says so, when standard output
// could not take it all (a full disk, a closed pipe), else done.
ExitCode print_result(const Result& result, bool json);

// Prints one object of JSON lines, with the version, and flushes it at once; output_failed,
// once standard error says so, when standard output could not take it.
ExitCode print_json_line(QJsonObject object);

// Prints the bytes and flushes them; output_failed when standard output could not take
// them. Standard error says what was not written and why, for the first failure only: once
// standard output has failed nothing more is sent to it, so that a closed pipe or a full
// disk is one failure, and the run goes on to the end of what it is doing.
ExitCode print_output(const QByteArray& bytes, const QString& what);

// False when standard output could not take the bytes (or failed before).
bool print_bytes(const QByteArray& bytes);
bool print(const QString& text); // as it is, no line end added
// "kvr-panel: " and the message, one line whatever it holds: a line end becomes a blank,
// any other control character (a NUL too) is shown escaped.
void print_error(const QString& message);

// A text as a table cell shows it: its control characters as escapes (\n, \t, \x1b, \\ for the
// backslash), so that none can end or overprint a line.
QString shown_escaped(const QString& text);

// The code that tells the most: an interruption, then a result not written, bad input, a
// failed panel, a difference.
ExitCode outranking(ExitCode a, ExitCode b);

} // namespace kvr::cli
