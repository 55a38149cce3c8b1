// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Likely mistakes in a ticket plugin that reads well: things the program
// draws, but not as the plugin's author meant. plgtool check tells them; the
// program itself says nothing.

#include "companion/SeiriPlugin.h"
#include "companion/SeiriTicket.h"

#include <QList>
#include <QString>

namespace ltm4 {

// The control panel's preview pane: a larger picture is not scaled down, so
// the window's edge and the company list cover part of it.
inline constexpr int kSeiriPreviewPaneWidth = 226;
inline constexpr int kSeiriPreviewPaneHeight = 188;

struct SeiriPluginWarning {
    int line = 0; // the item's line; 0 for the plugin as a whole
    QString text;
    friend bool operator==(const SeiriPluginWarning&, const SeiriPluginWarning&) = default;
};

// The values at their longest in ordinary use, with which a barcode's
// width is judged: a five-digit route, three-digit ticket and row numbers
// (tickets 1 to 150, rows 1 to 301), a full date and time.
TicketValues WidestOrdinaryTicketValues();

// In the order of the file: the preview's size first, then item by item.
QList<SeiriPluginWarning> SeiriPluginWarnings(const SeiriPlugin& plugin);

// "12行目: ..." as the refusals read.
QString SeiriPluginWarningText(const SeiriPluginWarning& warning);

} // namespace ltm4
