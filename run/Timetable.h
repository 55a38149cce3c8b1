// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A route's timetable <route>time.csv, beside its fare data: one line per
// stop row of the fare data, in running order,
//   arrival,departure[,memo]
// Times are h:mm or h:mm:ss after midnight of the service day; a trip past
// midnight goes on counting (24:10, as GTFS writes it), up to 47:59:59. Either
// time may be empty; the run times such a row from its neighbours. The memo
// (usually the stop's name) is for people reading the file and is not used.
//
// UTF-8 or CP932 as every text file the program reads; a line whose first
// character other than blanks is "#" is a comment, blank lines are skipped,
// CR LF or LF. A field may be in double quotes ("" for a quote inside).
// Time never goes back: in a row the arrival is not after the departure, and
// every time is at or after every time above it.
//
// All or nothing: the first fault refuses the file, naming its line and field.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

inline constexpr int kTimetableMaxRows = 301; // as many as a fare table holds
inline constexpr qsizetype kTimetableMaxFileBytes = 1024 * 1024;
inline constexpr int kTimetableMaxSeconds = 48 * 3600 - 1; // 47:59:59

struct TimetableRow {
    std::optional<int> arrival; // seconds after midnight of the service day
    std::optional<int> departure;
    QString memo;

    friend bool operator==(const TimetableRow&, const TimetableRow&) = default;
};

struct TimetableError {
    int line = 0;   // 1-based line of the file; 0: the file as a whole
    int column = 0; // 1 arrival, 2 departure, 3 memo; 0: the whole line
    QString message;
    QString hint = {}; // what was probably meant; empty when nothing is known
};

struct TimetableResult {
    QList<TimetableRow> rows; // one per stop line; empty unless ok()
    TimetableError error;
    bool ok() const { return error.message.isEmpty(); }
};

TimetableResult ParseTimetableCsv(QByteArrayView bytes);

// The timetable in the file at path: a regular file only, within the cap.
TimetableResult ReadTimetableFile(const QString& path);

// UTF-8 text that ParseTimetableCsv reads back to the same rows: a comment
// line naming the columns, then one line per row (",": a row without times).
QByteArray WriteTimetableCsv(const QList<TimetableRow>& rows);

// "<file>:<line>: <column>列目: <message>" (no column part for 0, no line
// part for 0), and "<file>:<line>: ヒント: <hint>" on a second line.
QString FormatTimetableError(const QString& fileName, const TimetableError& error);

// h:mm or h:mm:ss, 0:00 to 47:59:59, blanks around allowed; nothing otherwise.
std::optional<int> ParseTimetableTime(QStringView text);
// hh:mm, or hh:mm:ss when the seconds are not zero; 24 and later as they are.
QString FormatTimetableTime(int seconds);

// The route's timetable: folder (with its separator, or empty for the
// working folder) + route key + "time.csv" (or "Time.csv", "TIME.csv").
// Empty when there is none.
QString FindTimetableFile(const QString& folder, const QString& routeKey);
