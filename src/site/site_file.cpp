#include "site/site_file.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "configuration/texts.h"
#include "files/whole_input.h"

namespace kvr::site {
namespace {

// The JSON key of each field, one table for reading and writing.
struct FieldKey {
    const char* key;
    QString SiteFile::*field;
    QString SheetSite::*sheet;
};
const FieldKey kFieldKeys[] = {
    {"site", &SiteFile::site, &SheetSite::site},
    {"job", &SiteFile::job, &SheetSite::job},
    {"company", &SiteFile::company, &SheetSite::company},
    {"installer", &SiteFile::installer, &SheetSite::installer},
};

// A site file is a few kilobytes; anything larger is no site file of ours.
constexpr qint64 kLargestSiteFile = 4 * 1024 * 1024;

const QLatin1String kRoomsKey("rooms");
const QLatin1String kOrderKey("order");
const QLatin1String kExtraColumnsKey("extra_columns");
const QLatin1String kColumnsKey("columns");

QString type_name(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        return QStringLiteral("true or false");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    default:
        return QStringLiteral("no text");
    }
}

// Takes the text a value holds (none for null) into text; or gives why it is no text for
// one line of a sheet.
std::optional<QString> take_text(const QJsonValue& value, const QString& what, QString& text) {
    if (value.isNull() || value.isUndefined()) return std::nullopt;
    if (!value.isString())
        return QStringLiteral("%1 is %2, not a text").arg(what, type_name(value));
    text = value.toString();
    if (const std::optional<char16_t> refused = first_not_on_one_line(text.toStdU16String()))
        return QStringLiteral("%1 holds the control character U+%2, which would break the line "
                              "it is printed on")
            .arg(what)
            .arg(int(*refused), 4, 16, QLatin1Char('0'));
    return std::nullopt;
}

// Takes a list of texts (none for null) into list; or gives why it is none.
std::optional<QString> take_texts(const QJsonValue& value, const QString& what,
                                  QStringList& list) {
    if (value.isNull() || value.isUndefined()) return std::nullopt;
    if (!value.isArray()) return QStringLiteral("%1 is %2, not a list").arg(what, type_name(value));
    for (const QJsonValue& item : value.toArray())
        if (auto refusal = take_text(item, what + QStringLiteral(" item"), list.emplace_back()))
            return refusal;
    return std::nullopt;
}

// Takes an object of texts by name (none for null) into texts; item says what a text is
// ("the room": "the room of \"A.kcf\"").
std::optional<QString> take_named_texts(const QJsonValue& value, const QString& what,
                                        const QString& item, std::map<QString, QString>& texts) {
    if (value.isNull() || value.isUndefined()) return std::nullopt;
    if (!value.isObject())
        return QStringLiteral("%1 is %2, not an object").arg(what, type_name(value));
    const QJsonObject listed = value.toObject();
    for (auto text = listed.begin(); text != listed.end(); ++text)
        if (auto refusal = take_text(text.value(),
                                     QStringLiteral("%1 of \"%2\"").arg(item, text.key()),
                                     texts[text.key()]))
            return refusal;
    return std::nullopt;
}

// The site file in object, or why it cannot be read.
std::variant<SiteFile, QString> site_of(QJsonObject object) {
    SiteFile site;
    for (const FieldKey& key : kFieldKeys)
        if (auto refusal =
                take_text(object.take(QLatin1String(key.key)),
                          QStringLiteral("\"%1\"").arg(QLatin1String(key.key)), site.*key.field))
            return *refusal;
    if (auto refusal = take_named_texts(object.take(kRoomsKey), QStringLiteral("\"rooms\""),
                                        QStringLiteral("the room"), site.rooms))
        return *refusal;
    if (auto refusal = take_texts(object.take(kOrderKey), QStringLiteral("\"order\""), site.order))
        return *refusal;
    if (auto refusal = take_texts(object.take(kExtraColumnsKey), QStringLiteral("\"extra_columns\""),
                                  site.extra_columns))
        return *refusal;
    const QJsonValue columns = object.take(kColumnsKey);
    if (!columns.isObject() && !columns.isNull() && !columns.isUndefined())
        return QStringLiteral("\"columns\" is %1, not an object").arg(type_name(columns));
    const QJsonObject by_file = columns.toObject();
    for (auto file = by_file.begin(); file != by_file.end(); ++file)
        if (auto refusal = take_named_texts(
                file.value(), QStringLiteral("the columns of \"%1\"").arg(file.key()),
                QStringLiteral("the column of \"%1\"").arg(file.key()), site.columns[file.key()]))
            return *refusal;
    site.others = object;
    return site;
}

} // namespace

SiteFile read_site_file(const QString& folder, QString* error) {
    QFile file(QDir(folder).filePath(kSiteFileName));
    if (!file.exists() && !QFileInfo(file).isSymLink()) return {};
    const auto fail = [&](const QString& why) {
        if (error) *error = QDir::toNativeSeparators(file.fileName()) + QStringLiteral(": ") + why;
        return SiteFile{};
    };
    const WholeInput read = read_whole_file(file.fileName(), kLargestSiteFile);
    if (const QString* failure = std::get_if<QString>(&read)) return fail(*failure);
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(std::get<QByteArray>(read), &parse);
    if (!document.isObject())
        return fail(parse.error != QJsonParseError::NoError ? parse.errorString()
                                                            : QStringLiteral("it holds no object"));
    auto site = site_of(document.object());
    if (const QString* failure = std::get_if<QString>(&site)) return fail(*failure);
    return std::get<SiteFile>(site);
}

std::variant<QByteArray, QString> site_file_contents(const SiteFile& site) {
    QJsonObject object = site.others;
    for (const FieldKey& key : kFieldKeys)
        object.insert(QLatin1String(key.key), site.*key.field);
    QJsonObject rooms;
    for (const auto& [file_name, room] : site.rooms)
        rooms.insert(file_name, room);
    object.insert(kRoomsKey, rooms);
    // Written only once a schedule gave them, so a site file without them stays as it was.
    if (!site.order.isEmpty()) object.insert(kOrderKey, QJsonArray::fromStringList(site.order));
    if (!site.extra_columns.isEmpty())
        object.insert(kExtraColumnsKey, QJsonArray::fromStringList(site.extra_columns));
    QJsonObject columns;
    for (const auto& [file_name, texts] : site.columns) {
        QJsonObject named;
        for (const auto& [column, text] : texts)
            named.insert(column, text);
        columns.insert(file_name, named);
    }
    if (!columns.isEmpty()) object.insert(kColumnsKey, columns);
    QByteArray bytes = QJsonDocument(object).toJson();
    if (bytes.size() > kLargestSiteFile)
        return QStringLiteral("it would be %1, more than the %2 a site file may be")
            .arg(size_text(bytes.size()), size_text(kLargestSiteFile));
    return bytes;
}

std::optional<QString> write_site_file(const QString& folder, const SiteFile& site) {
    const auto contents = site_file_contents(site);
    if (const QString* refusal = std::get_if<QString>(&contents)) return *refusal;
    const QByteArray& bytes = std::get<QByteArray>(contents);
    QSaveFile file(QDir(folder).filePath(kSiteFileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    if (file.write(bytes) != bytes.size())
        return QStringLiteral("not all of the file could be written: the disk may be full");
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

QString column_text(const SiteFile& file, const QString& file_name, const QString& column) {
    const auto panel = file.columns.find(file_name);
    if (panel == file.columns.end()) return {};
    const auto text = panel->second.find(column);
    return text == panel->second.end() ? QString() : text->second;
}

SheetSite sheet_site(const SiteFile& file, const QString& file_name, const SheetSite& given) {
    SheetSite site = given;
    for (const FieldKey& key : kFieldKeys)
        if ((site.*key.sheet).isEmpty()) site.*key.sheet = file.*key.field;
    if (site.room.isEmpty()) {
        const auto room = file.rooms.find(file_name);
        if (room != file.rooms.end()) site.room = room->second;
    }
    return site;
}

SiteFile with_sheet_site(SiteFile file, const QString& file_name, const SheetSite& typed) {
    for (const FieldKey& key : kFieldKeys)
        file.*key.field = typed.*key.sheet;
    if (typed.room.isEmpty())
        file.rooms.erase(file_name);
    else
        file.rooms[file_name] = typed.room;
    return file;
}

} // namespace kvr::site
