#pragma once
// What kvr-panel refuses before anything is opened or sent: an output (-o, --trace) that
// is one of its inputs by any name, a folder's site.json, or a .kcf where the output is no
// configuration; standard input or output wanted twice, or taken for a folder; and an -o
// that a save would refuse once the panel had been read.

#include <QString>

#include "cli/invocation.h"

namespace kvr::cli {

// "-" as a file is standard input; as -o, standard output.
inline const QString kStandardStream = QStringLiteral("-");

// The same file or device by any name (a link, ./name, a second device node) gives the same
// identity; a name that leads nowhere yet is known by its absolute path.
QString file_identity(const QString& path);

// Why the invocation's outputs may not be written, or empty when they may.
QString output_refusal(const Invocation& invocation);

} // namespace kvr::cli
