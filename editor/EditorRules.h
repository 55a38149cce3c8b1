// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The route editor's small rules, apart from its windows: route numbers as
// typed, what "open" was given, the window title, the live check of a stop
// name, and opening a route whose fare data does not exist yet.

#include "route/RouteFiles.h"

#include <QString>
#include <QStringView>

#include <optional>

// A route number as typed: 1 to 5 digits (ASCII or full-width), blanks
// around them allowed, leading zeros kept out of the value. 0..99999.
std::optional<int> RouteNumberFromText(QStringView text);

// A number as typed, full-width digits and point included ("１２．５");
// nothing for any other text.
std::optional<double> NumberFromText(QStringView text);

// What to open: a route number (in the host's folders) or a .hy3 file, whose
// folder is then the fare folder. The panel only ever reads <number>.hy3, so
// a file of another name is refused.
struct OpenTarget {
    bool ok = false;
    int routeNo = -1;
    QString fareFolder; // set for a file; empty: the host's fare folder
    bool fromFile = false;
    QString error; // Japanese
};
OpenTarget ParseOpenTarget(const QString& routeNumberOrPath);

// "路線エディター - 系統 12[*]", or "新しい系統" for a route without a number.
QString EditorTitle(int routeNo);

// A stop name as it is typed: how many bytes the fare data file gives it and
// what keeps it from being written.
struct NameCheck {
    qsizetype bytes = 0;
    QString badCharacter; // the first character CP932 cannot hold
    bool tooLong = false; // more bytes than the file's length field holds
    bool ok() const { return badCharacter.isEmpty() && !tooLong; }
    // One Japanese line for the status bar.
    QString message() const;
};
NameCheck CheckStopName(const QString& name);

// Spreadsheet text for a rectangle: a single cell repeated over rows x
// columns (pasting one value into a larger selection fills it); any other
// text as it is.
QString TileSheetText(const QString& text, int rows, int columns);

// A rectangle of one value, every cell the same.
QString UniformSheetText(const QString& cell, int rows, int columns);

// The route's files as OpenRoute reads them. When there is no fare data of
// that number yet, a new route with whatever announcement and reading lists
// the folder already has (newRoute set), so that saving it keeps them.
RouteOpenResult OpenRouteForEditing(const QString& fareFolder, const QString& tapeFolder,
                                    int routeNo, bool* newRoute = nullptr);
