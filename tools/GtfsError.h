// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What went wrong while reading a GTFS feed, for hy3tool's messages.

#include <QString>

struct GtfsError {
    QString file; // the table ("stops.txt"), empty for the feed as a whole
    int line = 0; // 1-based line in that table, 0 when no line is to blame
    QString message;
    bool header = false; // the table's header lacks a column it needs
};

// "<feed>: <file>:<line>: <message>", leaving out what the error does not name.
inline QString FormatGtfsError(const QString& feed, const GtfsError& error)
{
    QString s = feed + QLatin1String(": ");
    if (!error.file.isEmpty()) {
        s += error.file;
        if (error.line > 0)
            s += u':' + QString::number(error.line);
        s += QLatin1String(": ");
    }
    return s + error.message;
}
