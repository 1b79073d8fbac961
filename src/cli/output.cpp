#include "cli/output.h"

#include <QJsonDocument>
#include <cerrno>
#include <cstdio>
#include <optional>

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

// A character as a line shows it: a control character as an escape.
QString shown_character(QChar character) {
    switch (character.unicode()) {
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    case u'\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    if (character.category() == QChar::Other_Control || character == QChar::LineSeparator ||
        character == QChar::ParagraphSeparator)
        return QStringLiteral("\\x%1").arg(character.unicode(), 2, 16, QLatin1Char('0'));
    return character;
}

// Why standard output failed, once it has; nothing is written to it after that.
std::optional<QString> stdout_failure;

} // namespace

bool print_bytes(const QByteArray& bytes) {
    if (stdout_failure) return false;
    const std::size_t size = std::size_t(bytes.size());
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size, stdout) == size;
    if (std::fflush(stdout) == 0 && written && !std::ferror(stdout)) return true;
    stdout_failure =
        errno != 0 ? qt_error_string(errno) : QStringLiteral("an error the system did not name");
    return false;
}

ExitCode print_output(const QByteArray& bytes, const QString& what) {
    const bool failed_before = stdout_failure.has_value();
    if (print_bytes(bytes)) return done;
    if (!failed_before)
        print_error(QStringLiteral("%1 could not be written to standard output: %2; nothing more "
                                   "is written to it")
                        .arg(what, *stdout_failure));
    return output_failed;
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
    return print_output(bytes, QStringLiteral("the results"));
}

ExitCode print_json_line(QJsonObject object) {
    object.insert(QStringLiteral("version"), kJsonVersion);
    return print_output(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n',
                        QStringLiteral("a result"));
}

QString shown_escaped(const QString& text) {
    QString shown;
    for (const QChar character : text)
        shown += character == u'\\' ? QStringLiteral("\\\\") : shown_character(character);
    return shown;
}

void print_error(const QString& message) {
    // One line, whatever the message holds; written whole, a NUL included.
    QString line;
    for (const QChar character : message)
        line += character == u'\n' ? QString(u' ') : shown_character(character);
    const QByteArray bytes = ("kvr-panel: " + line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

ExitCode outranking(ExitCode a, ExitCode b) {
    return rank(a) >= rank(b) ? a : b;
}

} // namespace kvr::cli
