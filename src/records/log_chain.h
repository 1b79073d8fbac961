#pragma once
// The chain that shows an edit of the log by hand: every entry carries its sequence, the
// digest of the entry before it, and its own digest over its stored fields and that one.
// An edit that does not recompute the chain breaks it at the entry edited; a removed entry
// leaves a gap in the sequence, and one inserted has no place in it.
//
// The sequence and the chain are those of the log the entries were made in, one station's:
// entries another station made keep their own when they are merged, each station's chain
// checked on its own.
//
// The digest covers the columns an entry has a value in (not null, not empty), each named, so a
// column a later version adds (empty in the entries made before it) leaves their digests as they
// were.

#include <QString>
#include <QVariantList>
#include <cstdint>
#include <vector>

namespace kvr::records {

// SHA-256 (hex) of an entry's stored values, one per column of record_columns() in order;
// the digest column's own value plays no part.
QString chain_digest(const QVariantList& stored);

enum class ChainFault : std::uint8_t {
    altered,  // its fields are not those its digest was made over
    removed,  // the sequence has a gap, or ends before the last entry the log made
    inserted, // no sequence, or beyond the last entry the log made
    unlinked, // chained to a digest that is not the one of the entry before it
};

struct ChainBreak {
    ChainFault fault;
    // Where it sits in the order of the entries: a verdict that rests on an entry at or after
    // it rests on what may have been edited. 0 for an entry with no sequence, which the
    // order puts before every other: it matters only to a verdict that rests on it.
    std::int64_t sequence = 0;
    std::int64_t id = 0; // the entry's id; 0 for entries that are gone
    QString text;        // "entry 42 (sequence 40, 2026-12-09 13:39 UTC, LOBBY): altered"
};

struct ChainCheck {
    bool chained = false;           // false: a log of an older version, not chained yet
    std::int64_t entries = 0;       // looked at
    std::vector<ChainBreak> breaks; // in order of sequence
    QString unreadable;             // the log could not be read, and why

    bool holds() const { return unreadable.isEmpty() && breaks.empty(); }
    // Whether a break sits at or after sequence (every break counts for 0).
    bool broken_from(std::int64_t sequence) const;
};

} // namespace kvr::records
