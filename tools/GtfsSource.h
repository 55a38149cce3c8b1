// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tables of a GTFS feed, taken from a .zip (read in memory, never unpacked
// to disk) or from a folder. Only the tables asked for are read, each within
// the limits below, so a damaged or hostile archive (a zip bomb) is refused
// before it costs memory.

#include "tools/GtfsError.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

struct GtfsLimits {
    qint64 maxTableBytes = qint64(256) << 20;   // one table, unpacked
    qint64 maxTotalBytes = qint64(768) << 20;   // all tables read, unpacked
    qint64 maxArchiveBytes = qint64(512) << 20; // the .zip file itself
    qint64 maxEntries = 10000;                  // entries in the .zip
};

struct GtfsFiles {
    QHash<QString, QByteArray> tables; // by table name ("stops.txt"); absent tables are missing
    bool ok = true;
    GtfsError error;
};

// In a .zip the tables sit in its root or in the one folder that holds the
// shallowest stops.txt (archives made by zipping the feed's folder).
// Table names match in either letter case.
GtfsFiles ReadGtfsZip(const QByteArray& zip, const QStringList& wanted, const GtfsLimits& limits);
GtfsFiles ReadGtfsFolder(const QString& folder, const QStringList& wanted,
                         const GtfsLimits& limits);
// A folder, or else a .zip file.
GtfsFiles ReadGtfsFeed(const QString& path, const QStringList& wanted, const GtfsLimits& limits);
