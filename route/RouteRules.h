// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What is wrong with a route's stops and fares, by one rule set that hy3tool
// (through its CSV reader) and the route editor both apply, so the two never
// disagree. Errors keep the route from being written as fare data; warnings
// name slips that may be deliberate.
//
// The editor calls CheckRoute after every change and shows each finding on
// the cell it names (stop and field, and the ticket column of a fare).

#include "panel/FareData.h"

#include <QList>
#include <QString>

#include <functional>

enum class RouteRule {
    NameNotCp932,    // error: a character of the name has no CP932 code
    NameTooLong,     // error: more than 65535 bytes in CP932
    TooManyStops,    // error: more than 301 stops, named at the first one beyond
    NoStops,         // error
    OneStop,         // warning: no section can be set
    TicketUsedTwice, // warning
    NegativeFare,    // warning: below -1 (-1 is the blank code)
    FareTooWide,     // warning: more than the four-digit cells show
    LateFareTooWide, // warning: fits, but not doubled late at night
};

enum class RouteField { Route, Name, Ticket, Fare };

struct RouteFinding {
    RouteRule rule = RouteRule::NoStops;
    bool error = false;
    int stop = -1; // 0-based; -1 for the route as a whole
    RouteField field = RouteField::Route;
    int ticket = 0;     // Fare: the ticket column 1..150
    int otherStop = -1; // TicketUsedTwice: the first stop that issues the number
    QString character;  // NameNotCp932: the first character CP932 cannot hold
    QString message;    // Japanese, as hy3tool prints it
};

// Words for "stop i" inside a message (TicketUsedTwice names the earlier stop).
using StopPlace = std::function<QString(int stop)>;

// Every finding, stop by stop in running order (name, fares by ticket column,
// ticket number), then those about the route as a whole. The rules about
// single stops look at the first 301 stops only. Without place, a stop is
// "<n>番目の停留所「<name>」".
QList<RouteFinding> CheckRoute(const QList<StopRecord>& stops, const StopPlace& place = {});

// The largest fare a four-digit cell shows whole.
inline constexpr int kLargestShownFare = 9999;

// The first character of text that CP932 cannot hold; empty when it holds all.
QString FirstNotCp932(const QString& text);

// The text with each character as CP932 gives it back (〜 becomes ～), so that
// a name reads the same in every file; characters CP932 lacks stay as they are.
QString Cp932Forms(const QString& text);
