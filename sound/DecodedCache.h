// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Decoded sounds kept for their next play, in the mixer's format, so a sound
// that repeats (a step chime, a route-set jingle) is decoded once and starts
// at once from then on. A file is known by its path, size and modification
// time, so an edited file is decoded afresh. The least recently played sounds
// make room for new ones. Every function may be called from any thread.

#include <QString>

#include <list>
#include <memory>
#include <mutex>
#include <vector>

class DecodedCache final {
public:
    struct Key {
        QString path;
        qint64 size = 0;
        qint64 modifiedMs = 0;
        bool operator==(const Key&) const = default;
    };
    using Samples = std::shared_ptr<const std::vector<qint16>>;

    // maxBytes: all kept sounds together; maxEntryBytes: one sound.
    DecodedCache(qint64 maxBytes, qint64 maxEntryBytes);

    // Null when the sound is not kept.
    Samples Find(const Key& key);
    // Keeps a sound unless it is larger than one entry may be. A voice still
    // playing a sound that makes room keeps its samples until it is closed.
    void Insert(const Key& key, std::vector<qint16>&& samples);

    qint64 MaxEntryBytes() const { return m_maxEntryBytes; }
    qint64 Bytes() const;

private:
    struct Entry {
        Key key;
        Samples samples;
    };
    static qint64 SizeOf(const Samples& s) { return qint64(s->size() * sizeof(qint16)); }

    const qint64 m_maxBytes;
    const qint64 m_maxEntryBytes;
    mutable std::mutex m_lock;
    std::list<Entry> m_entries; // most recently used first
    qint64 m_bytes = 0;
};
