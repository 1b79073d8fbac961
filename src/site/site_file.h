#pragma once
// site.json, the file a folder of panels keeps about its site: the site's name, the job
// number, the company and installer, and the room each panel file is in. The sheet, the
// handover pack and the window's sheet dialog take their fields from it.

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <QString>
#include <map>
#include <optional>
#include <variant>

#include "sheet/sheet.h"

namespace kvr::site {

inline const QString kSiteFileName = QStringLiteral("site.json");

struct SiteFile {
    QString site;
    QString job;
    QString company;
    QString installer;
    std::map<QString, QString> rooms; // by panel file name ("LOBBY.kcf")
    // The panel files in the schedule's order, as import found them.
    QStringList order = {};
    // The schedule's columns beyond the ones import reads ("floor", "notes"), named in lower
    // case, in the schedule's order; and each panel file's text in them.
    QStringList extra_columns = {};
    std::map<QString, std::map<QString, QString>> columns = {};
    QJsonObject others = {};          // keys of the file's own that this program keeps as they are

    bool operator==(const SiteFile&) const = default;
};

// The folder's site file; an empty one when there is none. error (when given) says why a
// file that is there could not be read (a value of the wrong type or with a control
// character, too large, no JSON object); its fields are then left empty.
SiteFile read_site_file(const QString& folder, QString* error = nullptr);

// The bytes of the site file, or why it cannot be saved: larger than read_site_file reads.
std::variant<QByteArray, QString> site_file_contents(const SiteFile& file);

// Saves the site file in the folder, replacing the old one only once the new one is
// complete. Gives why it was not saved, or nothing.
[[nodiscard]] std::optional<QString> write_site_file(const QString& folder, const SiteFile& file);

// A panel file's text in one of the schedule's extra columns ("floor"); empty when none.
QString column_text(const SiteFile& file, const QString& file_name, const QString& column);

// The sheet's fields for a panel file of the folder: what was given (on the command line,
// in a dialog) wins over the site file where it is not empty.
SheetSite sheet_site(const SiteFile& file, const QString& file_name, const SheetSite& given = {});

// The site file with the sheet's fields taken back from what the installer typed for a
// panel file of the folder.
SiteFile with_sheet_site(SiteFile file, const QString& file_name, const SheetSite& typed);

} // namespace kvr::site
