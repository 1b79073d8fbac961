#include "site/site_file.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

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

} // namespace

SiteFile read_site_file(const QString& folder, QString* error) {
    SiteFile site;
    QFile file(QDir(folder).filePath(kSiteFileName));
    if (!file.exists()) return site;
    const auto fail = [&](const QString& why) {
        if (error) *error = QDir::toNativeSeparators(file.fileName()) + QStringLiteral(": ") + why;
        return SiteFile{};
    };
    if (!QFileInfo(file).isFile()) return fail(QStringLiteral("it is not a file"));
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    if (file.size() > kLargestSiteFile) return fail(QStringLiteral("it is too large"));
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    if (!document.isObject())
        return fail(parse.error != QJsonParseError::NoError ? parse.errorString()
                                                            : QStringLiteral("it holds no object"));
    const QJsonObject object = document.object();
    for (const FieldKey& key : kFieldKeys)
        site.*key.field = object.value(QLatin1String(key.key)).toString();
    const QJsonObject rooms = object.value(QLatin1String("rooms")).toObject();
    for (auto room = rooms.begin(); room != rooms.end(); ++room)
        if (room.value().isString()) site.rooms[room.key()] = room.value().toString();
    return site;
}

std::optional<QString> write_site_file(const QString& folder, const SiteFile& site) {
    QJsonObject object;
    for (const FieldKey& key : kFieldKeys)
        object.insert(QLatin1String(key.key), site.*key.field);
    QJsonObject rooms;
    for (const auto& [file_name, room] : site.rooms)
        rooms.insert(file_name, room);
    object.insert(QLatin1String("rooms"), rooms);
    const QByteArray bytes = QJsonDocument(object).toJson();
    QSaveFile file(QDir(folder).filePath(kSiteFileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    if (file.write(bytes) != bytes.size())
        return QStringLiteral("not all of the file could be written: the disk may be full");
    if (!file.commit()) return file.errorString();
    return std::nullopt;
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
