// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ReadingList.h"

#include "companion/RegularFile.h"

#include "sound/TapeData.h"


#include <algorithm>
#include <limits>
#include <mutex>
#include <vector>

// Aho-Corasick over the written forms reversed, run over the text reversed:
// a form reversed that ends at a position of the reversed text is a form that
// starts at the matching position of the text, so one pass finds, for every
// position, the longest form starting there. Apply then walks the text left
// to right as the list always has.
struct ReadingList::Matcher {
    struct Node {
        qint32 fail = 0;
        qint32 longest = -1; // entry of the longest form ending here, by fail links too
        qint32 firstChild = -1;
        qint32 nextSibling = -1;
        char16_t ch = 0;
    };
    std::once_flag built;
    std::vector<Node> nodes;
    QHash<quint64, qint32> edges; // (node << 16 | code unit) -> child

    static quint64 Key(qint32 node, char16_t c) { return quint64(node) << 16 | c; }

    qint32 child(qint32 node, char16_t c) const { return edges.value(Key(node, c), -1); }

    // The automaton's move: the longest suffix that is still a path of the trie.
    qint32 step(qint32 node, char16_t c) const
    {
        for (;;) {
            const qint32 next = child(node, c);
            if (next >= 0)
                return next;
            if (node == 0)
                return 0;
            node = nodes[size_t(node)].fail;
        }
    }

    void build(const QList<Entry>& entries)
    {
        nodes.assign(1, Node{});
        for (qsizetype e = 0; e < entries.size(); ++e) {
            const QString& w = entries[e].written;
            qint32 at = 0;
            for (qsizetype i = w.size() - 1; i >= 0; --i) {
                const char16_t c = w[i].unicode();
                qint32 next = child(at, c);
                if (next < 0) {
                    next = qint32(nodes.size());
                    Node n;
                    n.ch = c;
                    n.nextSibling = nodes[size_t(at)].firstChild;
                    nodes.push_back(n);
                    nodes[size_t(at)].firstChild = next;
                    edges.insert(Key(at, c), next);
                }
                at = next;
            }
            nodes[size_t(at)].longest = qint32(e);
        }
        // Breadth first, so that every fail link points to a node done before.
        // The root's children fail to the root (the default); a deeper node
        // fails to where its parent's link goes on with the node's unit.
        std::vector<qint32> queue;
        queue.reserve(nodes.size());
        for (qint32 c = nodes[0].firstChild; c >= 0; c = nodes[size_t(c)].nextSibling)
            queue.push_back(c);
        for (size_t q = 0; q < queue.size(); ++q) {
            const qint32 u = queue[q];
            // A node's own form is the longest ending here; else its fail chain's.
            if (nodes[size_t(u)].longest < 0)
                nodes[size_t(u)].longest = nodes[size_t(nodes[size_t(u)].fail)].longest;
            for (qint32 c = nodes[size_t(u)].firstChild; c >= 0; c = nodes[size_t(c)].nextSibling) {
                nodes[size_t(c)].fail = step(nodes[size_t(u)].fail, nodes[size_t(c)].ch);
                queue.push_back(c);
            }
        }
    }
};

namespace {

// The next field from at: quoted (with "" for a quote) or up to the comma.
// False when a quote is not closed.
bool NextField(QStringView line, qsizetype& at, QString& field)
{
    field.clear();
    while (at < line.size() && (line[at] == u' ' || line[at] == u'\t'))
        ++at;
    if (at < line.size() && line[at] == u'"') {
        ++at;
        for (;;) {
            if (at >= line.size())
                return false;
            if (line[at] == u'"') {
                if (at + 1 < line.size() && line[at + 1] == u'"') {
                    field += u'"';
                    at += 2;
                    continue;
                }
                ++at;
                break;
            }
            field += line[at++];
        }
        while (at < line.size() && line[at] != u',')
            ++at;
    } else {
        const qsizetype comma = line.indexOf(u',', at);
        const qsizetype end = comma < 0 ? line.size() : comma;
        field = line.mid(at, end - at).trimmed().toString();
        at = end;
    }
    if (at < line.size())
        ++at; // the comma
    return true;
}

QByteArray ReadCapped(const QString& path)
{
    // A regular file only: a pipe under the list's name never stalls.
    return ltm4::ReadRegularFile(path, kReadingMaxFileBytes).bytes;
}

} // namespace

ReadingList ReadingList::Parse(QByteArrayView bytes, int* skipped)
{
    ReadingList list;
    int bad = 0;
    const QString text = DecodeTextFile(bytes.first(std::min(bytes.size(), kReadingMaxFileBytes)));
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(u'\n', from);
        if (end < 0)
            end = text.size();
        const QStringView line = QStringView(text).mid(from, end - from).trimmed();
        from = end + 1;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        qsizetype at = 0;
        QString written;
        QString reading;
        if (!NextField(line, at, written) || !NextField(line, at, reading) || written.isEmpty() ||
            written.size() > kReadingMaxWrittenChars || reading.isEmpty() ||
            list.m_readings.size() >= kReadingMaxEntries) {
            ++bad;
            continue;
        }
        list.m_readings.insert(written, reading);
    }
    list.sort();
    if (skipped)
        *skipped = bad;
    return list;
}

ReadingList ReadingList::Load(const QString& folder, const QString& routeKey)
{
    ReadingList route = Parse(ReadCapped(folder + routeKey + QLatin1String("yomi.csv")));
    route.AddMissing(Parse(ReadCapped(folder + QLatin1String("yomi.csv"))));
    return route;
}

void ReadingList::Add(const QString& written, const QString& reading)
{
    if (written.isEmpty() || written.size() > kReadingMaxWrittenChars)
        return;
    // A later line for the same form replaces the earlier one.
    m_readings.insert(written, reading);
    sort();
}

void ReadingList::AddMissing(const ReadingList& other)
{
    for (auto it = other.m_readings.begin(); it != other.m_readings.end(); ++it) {
        if (m_readings.size() >= kReadingMaxEntries)
            break;
        if (!m_readings.contains(it.key()))
            m_readings.insert(it.key(), it.value());
    }
    sort();
}

void ReadingList::sort()
{
    m_entries.clear();
    m_entries.reserve(m_readings.size());
    for (auto it = m_readings.begin(); it != m_readings.end(); ++it)
        m_entries.push_back({it.key(), it.value()});
    // Longest first; equal lengths in a fixed order so results never vary.
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        return a.written.size() != b.written.size() ? a.written.size() > b.written.size()
                                                    : a.written < b.written;
    });
    m_matcher = m_entries.isEmpty() ? nullptr : std::make_shared<Matcher>();
}

QString ReadingList::Apply(const QString& text, qsizetype limit) const
{
    if (limit < 0)
        limit = std::numeric_limits<qsizetype>::max();
    if (!m_matcher)
        return text.left(limit);
    Matcher& m = *m_matcher;
    std::call_once(m.built, [&] { m.build(m_entries); });

    // The entry whose written form is the longest starting at each position.
    const qsizetype n = text.size();
    std::vector<qint32> startsHere(size_t(n), -1);
    qint32 state = 0;
    for (qsizetype i = n - 1; i >= 0; --i) {
        state = m.step(state, text[i].unicode());
        startsHere[size_t(i)] = m.nodes[size_t(state)].longest;
    }

    QString out;
    out.reserve(std::min(n, limit));
    qsizetype at = 0;
    while (at < n && out.size() < limit) {
        const qint32 e = startsHere[size_t(at)];
        if (e >= 0) {
            out += m_entries[e].reading;
            at += m_entries[e].written.size();
        } else {
            out += text[at++];
        }
    }
    out.truncate(limit);
    return out;
}
