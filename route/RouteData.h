// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A route as the route editor edits it: its fare data (<n>.hy3), its
// announcement list (<n>tp.csv), its reading list (<n>yomi.csv) and its
// timetable (<n>time.csv) in one value. The editor does not change it directly: RouteDocument holds
// it and changes it by undoable commands; RouteFiles reads and writes it.
//
// Besides what the files mean, it remembers how they were written, so that a
// route opened and saved unchanged gives the same bytes, and lines nobody
// touched are written back as they were.

#include "panel/FareData.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <optional>

// How a file of the route was found when the route was opened; it decides how
// the file is written back (RouteFiles.h).
enum class RouteFileState {
    New,        // made here (a new route, an import): written as hy3tool writes
    Read,       // read whole: written back with its lines, line ends and encoding
    Missing,    // there was none: written as a new one once it has content
    Unreadable, // there is one the program cannot read: left alone unless given content
};

struct RouteStop {
    StopRecord record; // name as the board shows it, ticket issued there, Fare[1..150]
    // The name's bytes as the .hy3 held them, when encoding the name gives
    // others (CP932 has characters with two codes). Dropped when the name changes.
    QByteArray nameBytes;
    // The timetable's times at the stop, seconds after midnight of the service
    // day (run/Timetable.h); they go wherever the stop goes.
    std::optional<int> arrival;
    std::optional<int> departure;

    friend bool operator==(const RouteStop&, const RouteStop&) = default;
};

struct RouteTapeLine {
    QString text;
    qint16 stepFlag = 0; // 1: the board steps with the tape onto this entry
    qint16 preFlag = 0;  // 1..3: the chime played before it
    QByteArray raw;      // the line as read, line end included; empty when new or changed

    friend bool operator==(const RouteTapeLine&, const RouteTapeLine&) = default;
};

struct RouteReadingLine {
    QString written; // empty: a line that is no reading (comment, blank, unreadable)
    QString reading; // kana
    QByteArray raw;  // the line as read, line end included; empty when new or changed

    friend bool operator==(const RouteReadingLine&, const RouteReadingLine&) = default;
};

// How a text file of the route was written.
struct RouteTextForm {
    RouteFileState state = RouteFileState::New;
    bool utf8 = false;
    QByteArray bom;     // a UTF-8 byte-order mark before the first line
    QByteArray newline; // the line end for lines added to it
    QString problem;    // Unreadable: why, as a Japanese phrase

    friend bool operator==(const RouteTextForm&, const RouteTextForm&) = default;
};

struct RouteData {
    QList<RouteStop> stops; // in running order, at most 301
    QList<RouteTapeLine> tape;
    RouteTextForm tapeForm;
    QList<RouteReadingLine> readings; // in file order
    RouteTextForm readingForm;
    // The .hy3 as read, written again as it was while nothing of it changed
    // (with any bytes after its last record, which nothing reads).
    QByteArray fareFile;
    // The timetable's file: Read, Missing or Unreadable (with why); the bytes
    // as read, written again while its times are unchanged.
    RouteTextForm timetableForm;
    QByteArray timetableFile;

    friend bool operator==(const RouteData&, const RouteData&) = default;
};

inline constexpr int kRouteMaxStops = kFareTableRows;
inline constexpr int kRouteMaxNumber = 99999;

QList<StopRecord> StopRecords(const QList<RouteStop>& stops);

// Which tickets a passenger can hold at each stop: bit k is set when ticket
// k (1..150) is issued there or at an earlier stop. A cell of the fare
// matrix that nobody holds is never paid.
using HeldTickets = std::bitset<kFareColumns + 1>;
QList<HeldTickets> HeldAtStops(const QList<RouteStop>& stops);

// For each stop, the earliest stop at or before it that issues each ticket
// (-1 when none does): where a holder of the ticket got on, for fills.
QList<std::array<qint16, kFareColumns + 1>> BoardingStops(const QList<RouteStop>& stops);

// Written form -> reading; a later line for the same form wins, as the
// program reads the list.
QHash<QString, QString> ReadingMap(const QList<RouteReadingLine>& lines);

// The stop the board shows once the tape has moved onto each entry: it starts
// at the first row and each entry with step flag 1 steps it, never past the
// last row. beyondEnd: the entry's step would go past the last row.
struct TapeStop {
    int row = 0;
    bool beyondEnd = false;

    friend bool operator==(const TapeStop&, const TapeStop&) = default;
};
QList<TapeStop> TapeStops(const QList<RouteTapeLine>& tape, int stopCount);

// Whether any stop has a time.
bool HasTimes(const QList<RouteStop>& stops);

// What is wrong with each time of the stops, in the order arrival, departure
// of stop 0, then of stop 1, ...: empty where nothing is, else why (a time
// before one above it, which the run's timetable reader refuses).
QStringList TimeProblems(const QList<RouteStop>& stops);
