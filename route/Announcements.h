// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The announcement entries made from a route's stop names, the same for the
// GTFS export and for the route editor's "次は" command.
//
// The board starts at the route's first row and "送り" steps it when the
// entry it moves onto has step flag 1. So the first entry is the welcome,
// which does not step, and then one "次は" entry with step flag 1 (and the
// first chime) for every stop from the second on; after entry t (t >= 2) the
// board shows row t, the stop that entry names.

#include "sound/TapeData.h"

#include <QList>
#include <QString>
#include <QStringList>

// A name as spoken in an announcement: tp.csv has no escape for a double
// quote, so quotes are left out.
QString SpokenName(const QString& name);

// "このバスは温泉行きです。", or for a loop "このバスは、市内循環です。".
QString WelcomeAnnouncement(const QString& heading, bool loop);

// The welcome, then "次は、<name>です。" for every stop from the second on,
// "次は、終点、<name>です。" for the last.
QList<TapeEntry> StopAnnouncements(const QString& welcome, const QStringList& names);

// The same with the welcome found from the names alone: the bus goes to its
// last stop, and a route that ends where it began is a loop named after its
// first stop ("駅前循環"). Empty for no names.
QList<TapeEntry> StopAnnouncements(const QStringList& names);
