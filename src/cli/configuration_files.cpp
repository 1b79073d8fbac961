#include "cli/configuration_files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace kvr::cli {

namespace {

// A configuration is under a kilobyte; a larger file can only hold it within its start.
constexpr qint64 kLargestFileRead = 16 * 1024 * 1024;

} // namespace

std::variant<ConfigurationRecord, QString> load_configuration(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("no such file");
    if (!info.isFile()) return QStringLiteral("not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    const QByteArray bytes = file.read(kLargestFileRead);
    const ReadResult result = read_configuration(std::string_view(bytes.constData(), bytes.size()));
    if (const auto* failure = std::get_if<ReadFailure>(&result)) {
        return failure->reason == ReadFailure::Reason::ended_early
                   ? QStringLiteral("the file ends before field %1 of 52").arg(failure->field)
                   : QStringLiteral("field %1 holds a number outside -32768..32767")
                         .arg(failure->field);
    }
    const auto& record = std::get<ConfigurationRecord>(result);
    if (record.model != model_tag)
        return QStringLiteral("the file was not created for the 07-04412 (its first field is "
                              "not \"%1\")")
            .arg(QLatin1String(model_tag.data(), qsizetype(model_tag.size())));
    const auto unplaceable =
        std::find_if(record.functions.begin(), record.functions.end(),
                     [](const TextAndNumber& function) { return function.number < -1; });
    if (unplaceable != record.functions.end())
        return QStringLiteral("assignment code %1 has no module and channel")
            .arg(unplaceable->number);
    return record;
}

std::optional<QString> save_configuration(const ConfigurationRecord& record, const QString& path) {
    const std::optional<std::string> contents = write_configuration(record);
    if (!contents)
        return QStringLiteral("a text holds a double quote, which the file cannot carry");
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) return QStringLiteral("not a regular file");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    if (file.write(contents->data(), qint64(contents->size())) != qint64(contents->size()))
        return QStringLiteral("not all of the file could be written: the disk may be full");
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

} // namespace kvr::cli
