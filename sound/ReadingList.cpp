// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ReadingList.h"

#include "sound/TapeData.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

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
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    return f.read(kReadingMaxFileBytes);
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
            reading.isEmpty() || list.m_readings.size() >= kReadingMaxEntries) {
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
}

QString ReadingList::Apply(const QString& text) const
{
    if (m_entries.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const Entry* hit = nullptr;
        for (const Entry& e : m_entries) {
            if (QStringView(text).mid(at).startsWith(e.written)) {
                hit = &e;
                break;
            }
        }
        if (hit) {
            out += hit->reading;
            at += hit->written.size();
        } else {
            out += text[at++];
        }
    }
    return out;
}
