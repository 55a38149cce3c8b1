// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the route editor needs of the rest of the program, handed over by the
// owner of the windows. The editor reads no other window's controls: the
// folders, the board and the panel's route come through here.

#include "panel/FareData.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"

#include <QList>
#include <QString>

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // The settings' fare data folder and announcement folder; either may be
    // empty, meaning the working folder.
    virtual QString FareFolder() const = 0;
    virtual QString TapeFolder() const = 0;

    // The route number as set on the panel ("00012"), empty when none is.
    virtual QString CurrentRoute() const { return {}; }

    // Shows one stop of the route being edited on the board, as a step to it
    // would: row is its 1-based row number; routeNo the route's number as
    // text, empty for a route without one yet.
    virtual void PreviewRow(const StopRecord& stop, int row, const QString& routeNo) = 0;
    // The board as the panel's own route shows it again.
    virtual void EndPreview() = 0;

    // Sets the route on the panel from the editor's content, unsaved changes
    // included, without writing a file. False when the panel refused it.
    virtual bool TryRoute(const QString& routeNo, const QList<StopRecord>& stops,
                          const QList<TapeEntry>& tape, const ReadingList& readings) = 0;
};
