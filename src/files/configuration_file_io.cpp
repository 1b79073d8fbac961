#include "files/configuration_file_io.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>

#include "configuration/texts.h"
#include "configuration/windows1252.h"

#include "system/system.h"

namespace kvr {
namespace {

// A configuration is under a kilobyte; a larger file can only hold it within its start.
constexpr qint64 kLargestFileRead = 16 * 1024 * 1024;

const QString kNotRegularFile =
    QStringLiteral("IT IS NOT A REGULAR FILE BUT A FOLDER, A DEVICE OR A PIPE");

bool is_control_character(char16_t character) {
    return QChar(character).category() == QChar::Other_Control;
}

// Opens a regular file for reading; otherwise gives why not. Whether the path is a regular
// file is decided before it is opened: opening a pipe or a device can wait for good.
std::optional<QString> open_regular_file(QFile& file) {
    const QFileInfo info(file.fileName());
    if (!info.exists()) return QStringLiteral("THE FILE DOES NOT EXIST");
    if (!info.isFile()) return kNotRegularFile;
    return os::open_regular_file(file, kNotRegularFile);
}

// A code of -2 or below would become a channel position that no list has.
bool every_code_has_list_positions(const ConfigurationRecord& record) {
    return std::ranges::all_of(record.functions,
                               [](const TextAndNumber& function) { return function.number >= -1; });
}

// Texts keep only what a name or designation box may hold, so that what is opened can be
// saved again as it is.
void keep_carried_texts(ConfigurationRecord& record) {
    const auto clean = [](std::string& text) { text = carried_file_text(text); };
    clean(record.panel_name);
    for (TextAndNumber& function : record.functions)
        clean(function.text);
    for (TextAndNumber* intensity :
         {&record.indicator_intensity, &record.backlighting_intensity, &record.dimmed_intensity})
        clean(intensity->text);
}

} // namespace

std::optional<QString> refusal_to_replace(const QString& path) {
    // The system would take the name as ending there and save under a shorter one.
    if (path.contains(QChar::Null)) return QStringLiteral("THE FILE NAME HOLDS A NUL CHARACTER");
    const QFileInfo target(path);
    if (!target.exists()) return std::nullopt;
    if (!target.isFile()) return kNotRegularFile;
    // Root may write anything; a file without its owner's write permission stays read-only
    // all the same, as it does on every platform.
    if (!target.isWritable() || !target.permissions().testFlag(QFileDevice::WriteOwner))
        return QStringLiteral("THE FILE IS READ-ONLY");
    return std::nullopt;
}

FileReadResult read_configuration_file(const QString& path) {
    QFile file(path);
    if (const std::optional<QString> reason = open_regular_file(file))
        return FileNotOpened{*reason};
    const QByteArray bytes = file.read(kLargestFileRead);
    ReadResult result = read_configuration(std::string_view(bytes.constData(), bytes.size()));
    if (const auto* failure = std::get_if<ReadFailure>(&result))
        return NotAConfigurationFile{
            QStringLiteral("FIELD %1 %2")
                .arg(failure->field)
                .arg(failure->reason == ReadFailure::Reason::ended_early
                         ? QStringLiteral("IS MISSING: THE FILE ENDS BEFORE ITS 52 FIELDS")
                         : QStringLiteral("HOLDS A NUMBER OUTSIDE -32768..32767"))};
    auto& record = std::get<ConfigurationRecord>(result);
    if (record.model != model_tag)
        return NotAConfigurationFile{QStringLiteral("ITS MODEL TAG IS NOT \"%1\"")
                                         .arg(QLatin1String(model_tag.data(), model_tag.size()))};
    if (!every_code_has_list_positions(record))
        return NotAConfigurationFile{
            QStringLiteral("AN ASSIGNMENT CODE BELOW -1 NAMES NO MODULE AND CHANNEL")};
    keep_carried_texts(record);
    return std::move(record);
}

std::optional<QString> save_configuration_file(const QString& path,
                                               const ConfigurationRecord& record) {
    const std::optional<std::string> contents = write_configuration(record);
    if (!contents) return kTextNotCarried;
    if (std::optional<QString> refusal = refusal_to_replace(path)) return refusal;
    // Unbuffered, so that a full disk shows at the write: a buffered write can lose the end
    // of the file at commit without saying so.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    if (file.write(contents->data(), qint64(contents->size())) != qint64(contents->size()))
        return QStringLiteral("NOT ALL OF THE FILE COULD BE WRITTEN: THE DISK MAY BE FULL");
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

QString proposed_file_name(const QString& panel_name, QStringView extension) {
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString name;
    for (const QChar character : panel_name)
        name += forbidden.contains(character) || is_control_character(character.unicode())
                    ? QChar(u'_')
                    : character;
    name += extension;
    // Windows takes these names for devices whatever extension and trailing blanks follow:
    // the serial and parallel ports 0..9 and the superscript 1, 2 and 3 too, and the
    // console's input and output.
    static const QRegularExpression device_name(
        QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|(COM|LPT)[0-9\\x{B9}\\x{B2}\\x{B3}]) "
                       "*\\."),
        QRegularExpression::CaseInsensitiveOption);
    if (device_name.match(name).hasMatch()) name.prepend(u'_');
    return name;
}

QString from_file_text(const std::string& bytes) {
    return QString::fromStdU16String(from_windows1252(bytes));
}

} // namespace kvr
