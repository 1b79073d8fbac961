#include "cli/output.h"

#include <QJsonDocument>
#include <cstdio>

namespace kvr::cli {

namespace {

int rank(ExitCode code) {
    if (code >= interrupted_base) return 5;
    switch (code) {
    case output_failed:
        return 4;
    case bad_input:
        return 3;
    case panel_failed:
        return 2;
    case differs:
        return 1;
    default:
        return 0;
    }
}

} // namespace

bool print_bytes(const QByteArray& bytes) {
    const std::size_t size = std::size_t(bytes.size());
    const bool written = std::fwrite(bytes.constData(), 1, size, stdout) == size;
    return std::fflush(stdout) == 0 && written && !std::ferror(stdout);
}

bool print(const QString& text) {
    return print_bytes(text.toUtf8());
}

ExitCode print_result(const Result& result, bool json) {
    QByteArray bytes;
    if (json) {
        QJsonObject document = result.data();
        document.insert(QStringLiteral("version"), kJsonVersion);
        bytes = QJsonDocument(document).toJson(QJsonDocument::Indented);
    } else {
        bytes = result.text().toUtf8();
    }
    if (print_bytes(bytes)) return done;
    print_error(QStringLiteral("the results could not be written to standard output"));
    return output_failed;
}

ExitCode print_json_line(QJsonObject object) {
    object.insert(QStringLiteral("version"), kJsonVersion);
    if (print_bytes(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n')) return done;
    print_error(QStringLiteral("a result could not be written to standard output"));
    return output_failed;
}

void print_error(const QString& message) {
    // One line, whatever the message holds.
    QString line = message;
    line.replace(u'\n', u' ');
    std::fputs(("kvr-panel: " + line + u'\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
}

ExitCode outranking(ExitCode a, ExitCode b) {
    return rank(a) >= rank(b) ? a : b;
}

} // namespace kvr::cli
