#include "records/log_chain.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cstring>

#include "records/record_columns.h"

namespace kvr::records {

QString chain_digest(const QVariantList& stored) {
    QByteArray canonical("kvr commissioning log entry 1\n");
    canonical.reserve(1024);
    const auto columns = record_columns();
    for (std::size_t i = 0; i < columns.size() && qsizetype(i) < stored.size(); ++i) {
        // An empty field is no field: Qt stores an empty text as null.
        const QByteArray bytes = stored[qsizetype(i)].toString().toUtf8();
        if (bytes.isEmpty() || std::strcmp(columns[i].name, "digest") == 0) continue;
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

} // namespace kvr::records
