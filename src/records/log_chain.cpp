#include "records/log_chain.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cstring>

#include "records/record_columns.h"

namespace kvr::records {
namespace {

// The digest is over an entry's fields as the third version had them: the digest column is
// what it makes, and the fourth version's identity (uuid, station) names where the entry
// sits, which its station's chain already fixes. Entries of a third-version log keep their
// digests when the log is upgraded and they are given a uuid and a station.
bool in_digest(const char* name) {
    for (const char* left_out : {"digest", "uuid", "station", "station_host", "station_user"})
        if (std::strcmp(name, left_out) == 0) return false;
    return true;
}

} // namespace

QString chain_digest(const QVariantList& stored) {
    QByteArray canonical("kvr commissioning log entry 1\n");
    canonical.reserve(1024);
    const auto columns = record_columns();
    for (std::size_t i = 0; i < columns.size() && qsizetype(i) < stored.size(); ++i) {
        // An empty field is no field: Qt stores an empty text as null.
        const QByteArray bytes = stored[qsizetype(i)].toString().toUtf8();
        if (bytes.isEmpty() || !in_digest(columns[i].name)) continue;
        // Each field named and measured, so no text can pose as the end of one field and
        // the start of the next.
        canonical.append(columns[i].name).append(':').append(QByteArray::number(bytes.size()));
        canonical.append(':').append(bytes);
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex());
}

bool ChainCheck::broken_from(std::int64_t sequence) const {
    return std::ranges::any_of(breaks,
                               [sequence](const ChainBreak& b) { return b.sequence >= sequence; });
}

bool ChainCheck::broken_for(const QString& station, std::int64_t sequence,
                            const QDateTime& time) const {
    return std::ranges::any_of(breaks, [&](const ChainBreak& b) {
        if (b.station.isEmpty() || b.station == station) return b.sequence >= sequence;
        return !b.time.isValid() || b.time >= time;
    });
}

} // namespace kvr::records
