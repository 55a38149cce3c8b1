// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The readable form of a fare data file: one CSV line per stop, in running
// order: stop name, ticket number, then the fares for ticket numbers 1, 2, ...
// (at most 150; missing or empty fares are 0, -1 is the blank code).
//
// Rules of the reader:
// - UTF-8 (a leading BOM is skipped), or CP932 when the bytes are not UTF-8.
// - Fields are separated by commas; a field in double quotes may hold commas,
//   line breaks and doubled quotes (""). Blanks around a number are ignored;
//   a name is taken as written.
// - A line whose first character is "#" is a comment; blank lines are skipped.
// - The ticket number is required; numbers are whole numbers -32768..32767.
// - At least one and at most 301 stops; a name must fit CP932 in at most 65535
//   bytes.
// - Slips that may be deliberate are warnings, not errors: an empty field
//   between fares, a ticket number used twice, a negative fare other than -1,
//   a fare the four-digit cells cannot show (also when doubled late at night),
//   a name with a full-width comma before a number ("駅前，1").
// - An error caused by an everyday slip carries a hint at what was meant: a
//   tab-separated file, full-width commas (、，) or digits, a header line
//   without "#".

#include "panel/FareData.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct FareCsvError {
    int line = 0;   // 1-based line where the bad field (or the stop) begins
    int column = 0; // 1-based field: 1 name, 2 ticket number, 3.. fares; 0 = whole line
    QString message;
    QString hint = {}; // what was probably meant; empty when nothing is known
};

// What the records hold is judged by the route's rule set (route/RouteRules.h),
// the same that the route editor applies; the reader adds what is about the
// CSV form, and places each finding at its line and field.
struct FareCsvResult {
    QList<StopRecord> records; // empty unless ok
    bool ok = true;
    FareCsvError error;
    QList<FareCsvError> warnings; // in file order
    QStringList routeWarnings;    // about the route as a whole, with no line of its own
};

FareCsvResult ParseFareCsv(const QByteArray& bytes);

// UTF-8 CSV that ParseFareCsv reads back to the same records: a comment line
// naming the columns, then one line per stop with trailing zero fares left out.
QByteArray WriteFareCsv(const QList<StopRecord>& records);

// The reader's splitting of lines into fields, for other comma-separated files
// (GTFS tables): decoded and quoted as above, CRLF or LF, blank lines skipped,
// "#" lines comments only when hashComments is set. row gets each line's
// fields in turn and returns false to stop. False when row stopped, or on a
// quoting fault, which error then names.
struct CsvField {
    QString text;
    int line = 0;   // 1-based line where the field begins
    int column = 0; // 1-based field
};
bool SplitCsv(const QByteArray& bytes, bool hashComments,
              const std::function<bool(const QList<CsvField>&)>& row, FareCsvError& error);

// "<file>:<line>: <column>列目: <message>", without the column part for 0,
// and a second line "<file>:<line>: ヒント: <hint>" when there is a hint.
QString FormatFareCsvError(const QString& fileName, const FareCsvError& error);

// The same for a warning: "<file>:<line>: <column>列目: 警告: <message>".
QString FormatFareCsvWarning(const QString& fileName, const FareCsvError& warning);

// Why the control panel would never load a fare data file of this name (it
// looks for the route number, 0 to 99999 without leading zeros, and ".hy3");
// empty when it would.
QString FareFileNameProblem(const QString& fileName);
