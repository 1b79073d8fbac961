#include "cli/output.h"

#include <QJsonDocument>
#include <cstdio>

#include "options/standard_output.h"

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

} // namespace

Format format_of(const Invocation& invocation) {
    if (invocation.json) return Format::json;
    if (invocation.json_lines) return Format::json_lines;
    if (invocation.csv) return Format::csv;
    return Format::text;
}

ExitCode print_output(const QByteArray& bytes, const QString& what) {
    const bool failed_before = options::standard_output_failure().has_value();
    if (options::write_standard_output(bytes)) return done;
    if (!failed_before)
        print_error(QStringLiteral("%1 could not be written to standard output: %2; nothing more "
                                   "is written to it")
                        .arg(what, *options::standard_output_failure()));
    return output_failed;
}

ExitCode print_result(const Result& result, Format format) {
    const auto with_version = [&result] {
        QJsonObject document = result.data();
        document.insert(QStringLiteral("version"), kJsonVersion);
        return QJsonDocument(document);
    };
    switch (format) {
    case Format::json:
        return print_output(with_version().toJson(QJsonDocument::Indented),
                            QStringLiteral("the results"));
    case Format::json_lines:
        return print_output(with_version().toJson(QJsonDocument::Compact) + '\n',
                            QStringLiteral("a result"));
    case Format::csv: {
        const CsvRows rows = result.csv();
        return print_output(site::write_csv(rows.rows, rows.layout), QStringLiteral("the results"));
    }
    case Format::text:
        break;
    }
    return print_output(result.text().toUtf8(), QStringLiteral("the results"));
}

QString shown_escaped(const QString& text) {
    QString shown;
    for (const QChar character : text)
        shown += character == u'\\' ? QStringLiteral("\\\\") : shown_character(character);
    return shown;
}

QJsonValue or_null(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
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
