#include "files/whole_input.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <filesystem>

#include "system/system.h"

namespace kvr {
namespace {

// Read in pieces of this size, so that a pipe's bursts are taken as they come.
constexpr qint64 kPiece = 1024 * 1024;

QString too_large(qint64 size, qint64 limit, bool at_least) {
    return QStringLiteral("it is %1%2, more than the %3 that may be read")
        .arg(at_least ? QStringLiteral("more than ") : QString(),
             at_least ? size_text(limit) : size_text(size), size_text(limit));
}

} // namespace

QString size_text(qint64 bytes) {
    const QLocale english(QLocale::English);
    constexpr qint64 kMebibyte = 1024 * 1024;
    if (bytes >= kMebibyte && bytes % kMebibyte == 0)
        return QStringLiteral("%1 bytes (%2 MiB)")
            .arg(english.toString(bytes), english.toString(bytes / kMebibyte));
    return QStringLiteral("%1 bytes").arg(english.toString(bytes));
}

std::optional<QString> unreadable_file(const QString& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path native(path.toStdU16String());
    const fs::file_status status = fs::status(native, error);
    if (error == std::errc::too_many_symbolic_link_levels)
        return QStringLiteral("it is a link that leads back to itself");
    const QFileInfo info(path);
    if (info.isSymLink() && !fs::exists(status))
        return QStringLiteral("it is a link to %1, which does not exist")
            .arg(QDir::toNativeSeparators(info.symLinkTarget()));
    if (!fs::exists(status) && (!error || error == std::errc::no_such_file_or_directory))
        return QStringLiteral("it does not exist");
    if (error == std::errc::permission_denied) return QStringLiteral("no permission to reach it");
    if (error == std::errc::not_a_directory)
        return QStringLiteral("a folder in its path is a file");
    if (error) return QString::fromStdString(error.message());
    switch (status.type()) {
    case fs::file_type::regular:
        break;
    case fs::file_type::directory:
        return QStringLiteral("it is a folder, not a file");
    case fs::file_type::fifo:
        return QStringLiteral("it is a FIFO (a named pipe), not a file; it was not opened");
    default:
        return QStringLiteral("it is a device or a socket, not a file; it was not opened");
    }
    if (!info.isReadable()) return QStringLiteral("no permission to read it");
    return std::nullopt;
}

WholeInput read_whole_file(const QString& path, qint64 limit) {
    if (const std::optional<QString> refusal = unreadable_file(path)) return *refusal;
    QFile file(path);
    const QString not_regular = QStringLiteral("it is no longer a regular file");
    if (const std::optional<QString> refusal = os::open_regular_file(file, not_regular))
        return *refusal;
    if (file.size() > limit) return too_large(file.size(), limit, false);
    // Read to the end, not to the size seen: a file still being written may have grown.
    return read_whole_stream(file, limit);
}

WholeInput read_whole_stream(QIODevice& stream, qint64 limit) {
    QByteArray bytes;
    for (;;) {
        const qint64 room = std::min(kPiece, limit + 1 - bytes.size());
        const qsizetype had = bytes.size();
        bytes.resize(had + qsizetype(room));
        const qint64 read = stream.read(bytes.data() + had, room);
        if (read < 0) return stream.errorString();
        bytes.resize(had + qsizetype(read));
        if (bytes.size() > limit) return too_large(bytes.size(), limit, true);
        // A read waits for the writer's next burst: nothing comes only at the end.
        if (read == 0) break;
    }
    return bytes;
}

} // namespace kvr
