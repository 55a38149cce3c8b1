// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Readings for words the voice reads wrongly: lines of
//   表記,読み
// (written form, reading), UTF-8 or CP932; "#" starts a comment line, blank
// lines are skipped, either field may be in double quotes (with "" for a
// quote). A line without both fields is left out.
//
// The route's list <route>yomi.csv sits beside its announcement list, and a
// folder-wide yomi.csv may serve every route; the route's entries win.
// Apply replaces the longest written form first where forms overlap, and never
// looks again at what it put in.

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

class ReadingList final {
public:
    struct Entry {
        QString written;
        QString reading;
    };

    // Lines of a reading list; *skipped counts lines that were not readings.
    static ReadingList Parse(QByteArrayView bytes, int* skipped = nullptr);
    // The folder-wide list under the route's; missing files are simply empty.
    static ReadingList Load(const QString& folder, const QString& routeKey);

    // Entries of other for written forms this list lacks.
    void AddMissing(const ReadingList& other);
    void Add(const QString& written, const QString& reading);

    QString Apply(const QString& text) const;

    const QList<Entry>& Entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    void sort();

    QHash<QString, QString> m_readings; // by written form
    QList<Entry> m_entries;             // longest written form first
};

// Caps on what a reading list may hold.
inline constexpr qsizetype kReadingMaxFileBytes = 4 * 1024 * 1024;
inline constexpr int kReadingMaxEntries = 20000;
