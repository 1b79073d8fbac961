#pragma once
// Inputs read whole: a file, or a stream such as standard input, to its very end however
// its writer hands the bytes over (a pipe gives them in bursts), or refused before they are
// used when there are more than the reader takes. Qt Core only.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <optional>
#include <variant>

namespace kvr {

// The bytes, or why they could not be read (in words for the operator, lower case).
using WholeInput = std::variant<QByteArray, QString>;

// Why path is no regular file that may be read, or nullopt when it is one: it does not
// exist, it is a link that leads nowhere or back to itself, a folder, a FIFO, a device or a
// socket (none of which is ever opened, as they can make a read wait for good), or this
// user has no permission to read it.
std::optional<QString> unreadable_file(const QString& path);

// The regular file at path, whole; one larger than limit bytes is refused with its size.
WholeInput read_whole_file(const QString& path, qint64 limit);

// The open stream to its end (until its writer closes it); refused once it has given more
// than limit bytes.
WholeInput read_whole_stream(QIODevice& stream, qint64 limit);

// "67,108,864 bytes (64 MiB)": a size as refusals give it.
QString size_text(qint64 bytes);

} // namespace kvr
