#include "options/standard_output.h"

#include <cerrno>
#include <cstdio>

namespace kvr::options {

namespace {

std::optional<QString> failure;

} // namespace

bool write_standard_output(const QByteArray& bytes) {
    if (failure) return false;
    const std::size_t size = std::size_t(bytes.size());
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size, stdout) == size;
    if (std::fflush(stdout) == 0 && written && !std::ferror(stdout)) return true;
    failure =
        errno != 0 ? qt_error_string(errno) : QStringLiteral("an error the system did not name");
    return false;
}

std::optional<QString> standard_output_failure() {
    return failure;
}

} // namespace kvr::options
