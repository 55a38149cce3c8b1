// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechCache.h"

#include <vector>

SpeechCache::Sentence SpeechCache::Find(const QString& key, quint64 round)
{
    const auto it = m_index.constFind(key);
    if (it == m_index.cend())
        return nullptr;
    m_items.splice(m_items.end(), m_items, *it);
    (*it)->round = round;
    return (*it)->pcm;
}

bool SpeechCache::Insert(const QString& key, Sentence pcm, quint64 round, bool mayDropRound)
{
    if (!pcm)
        return false;
    const qint64 size = SizeOf(*pcm);
    if (size > m_cap)
        return false;
    qint64 freed = 0;
    if (const auto it = m_index.constFind(key); it != m_index.cend())
        freed = SizeOf(*(*it)->pcm); // replaced below
    // First find enough to drop, so that nothing goes for an insert that fails.
    std::vector<List::iterator> drop;
    for (auto it = m_items.begin(); m_bytes - freed + size > m_cap && it != m_items.end(); ++it) {
        if (it->key == key || (!mayDropRound && it->round == round))
            continue;
        drop.push_back(it);
        freed += SizeOf(*it->pcm);
    }
    if (m_bytes - freed + size > m_cap)
        return false;
    for (const List::iterator& it : drop) {
        m_index.remove(it->key);
        m_bytes -= SizeOf(*it->pcm);
        m_items.erase(it);
    }
    if (const auto it = m_index.constFind(key); it != m_index.cend()) {
        m_bytes -= SizeOf(*(*it)->pcm);
        m_items.erase(*it);
        m_index.remove(key);
    }
    m_items.push_back({key, std::move(pcm), round});
    m_index.insert(key, std::prev(m_items.end()));
    m_bytes += size;
    return true;
}
