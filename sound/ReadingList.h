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
// looks again at what it put in. It takes time linear in the text, whatever
// the number of entries: an automaton over the written forms is built at the
// first Apply (on whichever thread that is) and shared by copies of the list.

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>

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

    // At most limit characters come out (the rest of the text is dropped), so
    // that long readings cannot blow a text up; negative: no limit.
    QString Apply(const QString& text, qsizetype limit = -1) const;

    const QList<Entry>& Entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    struct Matcher;
    void sort();

    QHash<QString, QString> m_readings; // by written form
    QList<Entry> m_entries;             // longest written form first
    std::shared_ptr<Matcher> m_matcher; // made anew by every change
};

// Caps on what a reading list may hold.
inline constexpr qsizetype kReadingMaxFileBytes = 4 * 1024 * 1024;
inline constexpr int kReadingMaxEntries = 20000;
// A written form is a word or a name; longer lines are not readings (and would
// make the automaton large for nothing).
inline constexpr qsizetype kReadingMaxWrittenChars = 64;
