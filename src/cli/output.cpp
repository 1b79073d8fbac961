#include "cli/output.h"

#include <cstdio>

namespace kvr::cli {

void print_bytes(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void print(const QString& text) {
    print_bytes(text.toUtf8());
}

void print_line(const QString& text) {
    print(text + u'\n');
}

void print_error(const QString& message) {
    // One line, whatever the message holds.
    QString line = message;
    line.replace(u'\n', u' ');
    std::fputs(("kvr-panel: " + line + u'\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace kvr::cli
