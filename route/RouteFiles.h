// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A route's files: <n>.hy3 and its timetable <n>time.csv in the fare folder,
// <n>tp.csv (or Tp.csv, as the panel finds it) and <n>yomi.csv in the
// announcement folder.
//
// Opening reads them through the program's own readers, so the editor sees
// what the panel and the announcements will. Saving writes them all, whole
// or none (the old files kept as <name>.bak):
// - fare data exactly as hy3tool writes it, names whose bytes the file had
//   in another of CP932's codes keeping those bytes;
// - an announcement or reading list that was read keeps its encoding, its
//   line ends, its comments and every line nobody changed, byte for byte;
//   added lines follow its line ends, and a CP932 list that cannot hold an
//   added character becomes UTF-8 as a whole (the readers take either);
// - a new list is written as hy3tool writes one (tp.csv CP932 with CRLF,
//   yomi.csv UTF-8 with a comment line naming the route).
// A list with no lines is written only over a file of it (a new route's
// reading list is, as hy3tool writes it); a list that could not be read is
// left alone while it has none.
// - the timetable as run/Timetable.h writes one (UTF-8, the stop's name as
//   memo), or the file as it was while its times are unchanged. A route
//   without any time writes none and leaves a file that is there alone:
//   clearing every time does not delete the timetable.
//
// The editor calls OpenRoute and SaveRoute; ReadRoute and EncodeRoute are the
// same without the file system.

#include "route/RouteData.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

struct RouteOpenResult {
    bool ok = false;
    QString error;                // why the fare data could not be read, naming the file
    bool fareFileMissing = false; // no fare data of that number: a new route, perhaps
    RouteData data;
    QStringList warnings; // a list that could not be read, and why
};

// A text file of the route as found: its bytes when Read.
struct RouteTextSource {
    QString name; // for messages
    RouteFileState state = RouteFileState::Missing;
    QByteArray bytes;
    QString problem; // Unreadable: why
};

// Reads one of those files, a regular file of at most maxBytes.
RouteTextSource ReadRouteTextSource(const QString& path, qint64 maxBytes);

RouteOpenResult ReadRoute(const QByteArray& fareFile, const QString& fareName,
                          const RouteTextSource& tape, const RouteTextSource& readings,
                          const RouteTextSource& timetable = {});

// The route's files in the folders. A missing fare file fails (the editor
// offers a new route then); a list that is missing is empty, one that cannot
// be read is empty with a warning.
RouteOpenResult OpenRoute(const QString& fareFolder, const QString& tapeFolder, int routeNo);

struct RouteBytes {
    bool ok = true;
    QString error; // the first error the route's rules find
    QByteArray fares;
    QByteArray tape;
    QByteArray readings;
    QByteArray timetable;
    // Whether each list is written where no file of it is.
    bool tapeWanted = true;
    bool readingsWanted = true;
    bool timetableWanted = false; // only when a stop has a time
};

RouteBytes EncodeRoute(const RouteData& data, int routeNo);

struct RouteFileNames {
    QString fares;
    QString tape;
    QString readings;
    QString timetable;
};

// Where the route's files are, or go: the announcement list under the name
// the panel would find, else <n>tp.csv; the timetable as the run finds
// it, else <n>time.csv.
RouteFileNames RouteFilePaths(const QString& fareFolder, const QString& tapeFolder, int routeNo);

struct RouteSaveResult {
    bool ok = true;
    QString error;       // Japanese, naming the file at fault; no file was changed then
    QStringList written; // paths
    QStringList kept;    // the previous files, as <path>.bak
};

// Route numbers are 0..99999; the folders are made when missing.
RouteSaveResult SaveRoute(const RouteData& data, const QString& fareFolder,
                          const QString& tapeFolder, int routeNo);
