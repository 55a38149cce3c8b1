// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One trip of a GTFS feed as the program's route data: the fare table rows of
// <route>.hy3, the announcement list <route>tp.csv and the reading list
// <route>yomi.csv.
//
// Rows: the trip's stops in stop_sequence order; the stop of row k issues
// ticket number k. Fare[i] of row j (i <= j) is the price of the fare rule for
// the trip's route from the zone of stop i to the zone of stop j; tickets not
// yet issued (i > j) are 0. Rules that name the route win over rules without
// route_id, and among those, rules naming both zones over rules naming one or
// none (an empty origin_id or destination_id matches any zone). Equal rules
// with different prices give the lower price and a warning. contains_id rules
// are not supported: they are left out with a warning. A pair of stops without
// a rule is 0 with a warning naming both stops, except a stop's own ticket in
// its own row, which nobody pays and which is 0 quietly when no rule covers it.
//
// Timetable: the arrival and departure of every stop row, from stop_times.txt
// (one time standing for both where the other is empty). A time the program
// cannot keep (not h:mm[:ss], past 47:59:59, or before a time above it) is left
// out with a warning; the run then times that stop from its neighbours.
//
// Announcements: a welcome, then one "次は" entry for every stop from the
// second on (route/Announcements.h, which the route editor shares).
//
// The welcome names where the bus goes: "このバスは温泉行きです。" from a
// headsign ("温泉" or "温泉行" or "温泉行き") or, without one, from the last
// stop. A loop has no such place: a trip that ends where it began, or whose
// headsign names its route or ends in 循環 / 回り, is welcomed by the loop's
// name without 行き ("このバスは、こみちオレンジルートです。"): its headsign,
// else the route's name, else the first stop's name with 循環. A loop's
// headsign that names one of its later stops is where it turns, and is
// announced with 行き.

#include "panel/FareData.h"
#include "run/Timetable.h"
#include "tools/GtfsFeed.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

inline constexpr int kGtfsMaxTickets = kFareColumns;

struct GtfsTapeLine {
    QString text;
    qint16 stepFlag = 0;
    qint16 preFlag = 0;
};

struct GtfsReading {
    QString written; // as it appears in the announcements
    QString reading; // kana
};

struct GtfsExport {
    QList<StopRecord> records;
    QList<GtfsTapeLine> tape;
    QList<GtfsReading> readings;
    QList<TimetableRow> timetable; // one per record
    QStringList warnings;
    bool ok = true;
    GtfsError error;
};

// Pair warnings beyond this many are summed up in one line.
inline constexpr int kGtfsPairWarnings = 20;

GtfsExport ExportGtfsTrip(const GtfsFeed& feed, const QString& tripId);

// One entry of an announcement list, "text",step,pre, without its line end.
// Line breaks in the text become blanks. The list has no escape for a double
// quote: a text with one is written without quotes when it can be read back
// so (no comma, no blanks around it), else without its quotes.
QString TapeCsvLine(const QString& text, qint16 stepFlag, qint16 preFlag);

// The announcement list: one line per entry, CP932, CRLF.
QByteArray WriteTapeCsv(const QList<GtfsTapeLine>& tape);

// One reading, 表記,読み, each quoted where it must be, without its line end;
// line breaks become blanks.
QString YomiCsvLine(const QString& written, const QString& reading);

// The reading list: a comment line, then one 表記,読み line per reading;
// UTF-8 without BOM, LF.
QByteArray WriteYomiCsv(const QList<GtfsReading>& readings, const QString& comment);

// A reading list the user already has, with those of readings it lacks
// added at its end under a comment line. Its own entries win where both name
// the same written form; its other entries, comments and bytes stay as they
// are.
struct YomiMerge {
    QByteArray bytes;
    int kept = 0;  // readings left out: the list reads the same written form otherwise
    int added = 0; // readings added
};
YomiMerge MergeYomiCsv(const QByteArray& existing, const QList<GtfsReading>& readings,
                       const QString& comment);

enum class GtfsSaveMode {
    NewFilesOnly, // refuse when any of the files is there
    Replace,      // replace them, keeping each as <name>.bak; merge the reading list
};

struct GtfsSaveResult {
    bool ok = true;
    QString error;        // names the file at fault
    QStringList existing; // the files that were there (paths)
    bool readingsMerged = false;
    int readingsKept = 0;
    int readingsAdded = 0;
};

// Writes <key>.hy3, <key>tp.csv, <key>yomi.csv and <key>time.csv into
// folder (made when missing): all four whole, or none of them (the old files
// stay as they were). With Replace, an existing <key>yomi.csv is merged (MergeYomiCsv)
// rather than overwritten.
GtfsSaveResult SaveGtfsExport(const QString& folder, const QString& routeKey,
                              const GtfsExport& data, GtfsSaveMode mode);
