// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sentences already made, so that a sentence spoken again, or made ahead of
// time, plays at once. What it holds is capped in bytes of samples; the least
// recently used sentence goes first.
//
// Sentences made ahead are made in the order they will be wanted, so one made
// later in the same round is wanted later: a round marks what it uses with its
// number, and an insert for that round never drops what the round has marked.
// When the cache is full of the round's own sentences, the round stops there;
// what could not be kept is made again when it is wanted.

#include "sound/SpeechText.h"

#include <QHash>
#include <QString>

#include <list>
#include <memory>

class SpeechCache final {
public:
    using Sentence = std::shared_ptr<const Pcm>;

    explicit SpeechCache(qint64 capBytes) : m_cap(capBytes) {}

    // The sentence kept under key, now the most recently used and marked with
    // round; null when it is not kept.
    Sentence Find(const QString& key, quint64 round);
    bool Contains(const QString& key) const { return m_index.contains(key); }

    // Keeps the sentence, dropping the least recently used to stay within the
    // cap, but none marked with round unless mayDropRound. False (and nothing
    // dropped) when it cannot be kept that way.
    bool Insert(const QString& key, Sentence pcm, quint64 round, bool mayDropRound);

    qint64 Bytes() const { return m_bytes; }
    qint64 Cap() const { return m_cap; }
    qsizetype Count() const { return m_index.size(); }

    static qint64 SizeOf(const Pcm& pcm) { return qint64(pcm.samples.size() * sizeof(qint16)); }

private:
    struct Item {
        QString key;
        Sentence pcm;
        quint64 round = 0;
    };
    using List = std::list<Item>; // least recently used first

    const qint64 m_cap;
    qint64 m_bytes = 0;
    List m_items;
    QHash<QString, List::iterator> m_index;
};
