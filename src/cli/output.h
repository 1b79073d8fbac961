#pragma once
// Results go to standard output; errors to standard error, one line each.

#include <QByteArray>
#include <QString>

namespace kvr::cli {

void print(const QString& text); // as it is, no line end added
void print_line(const QString& text);
void print_bytes(const QByteArray& bytes);
// "kvr-panel: " and the message, one line.
void print_error(const QString& message);

} // namespace kvr::cli
