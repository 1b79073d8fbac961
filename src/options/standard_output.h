#pragma once
// Standard output as both programs write it. Once it has failed (a closed pipe, a full disk)
// nothing more is sent to it, so that the failure is one, however much is still printed.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kvr::options {

// Writes and flushes the bytes (none: only flushes); false when standard output could not
// take them, now or before.
bool write_standard_output(const QByteArray& bytes);

// Why standard output failed, once it has.
std::optional<QString> standard_output_failure();

} // namespace kvr::options
