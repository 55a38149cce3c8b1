// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/DecodedCache.h"

#include <algorithm>

DecodedCache::DecodedCache(qint64 maxBytes, qint64 maxEntryBytes)
    : m_maxBytes(maxBytes), m_maxEntryBytes(std::min(maxBytes, maxEntryBytes))
{
}

DecodedCache::Samples DecodedCache::Find(const Key& key)
{
    std::lock_guard lock(m_lock);
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e.key == key; });
    if (it == m_entries.end())
        return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, it);
    return it->samples;
}

void DecodedCache::Insert(const Key& key, std::vector<qint16>&& samples)
{
    if (samples.empty() || qint64(samples.size() * sizeof(qint16)) > m_maxEntryBytes)
        return;
    Samples kept = std::make_shared<const std::vector<qint16>>(std::move(samples));
    std::lock_guard lock(m_lock);
    m_entries.remove_if([&](const Entry& e) {
        if (!(e.key == key))
            return false;
        m_bytes -= SizeOf(e.samples);
        return true;
    });
    while (!m_entries.empty() && m_bytes + SizeOf(kept) > m_maxBytes) {
        m_bytes -= SizeOf(m_entries.back().samples);
        m_entries.pop_back();
    }
    m_bytes += SizeOf(kept);
    m_entries.push_front({key, std::move(kept)});
}

qint64 DecodedCache::Bytes() const
{
    std::lock_guard lock(m_lock);
    return m_bytes;
}
