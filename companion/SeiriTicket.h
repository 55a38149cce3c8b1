// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Draws a ticket plugin's ticket: fills the placeholders of its texts with
// the current stop, date and numbers, and paints its items in order.

#include "companion/SeiriPlugin.h"

#include <QString>

#include <vector>

class QPainter;

namespace ltm4 {

// What the board update hands to the drawing.
struct TicketValues {
    QString stopName;
    QString dateText; // mm-dd-yyyy, or yyyy/mm/dd for a fixed date
    QString timeText; // hh:mm:ss
    qint32 routeNo = 0;
    qint16 seiriNo = 0;
    qint16 row = 0;
    qint16 corpIndex = -1; // the chosen company, -1 for none
};

// Where a ticket text goes: printed, the first year of an era reads 元 (令和元年);
// in a barcode it stays the number 1.
enum class TicketTextUse { Print, Barcode };

// A ticket text with its placeholders filled in. A date or time part that
// the texts given do not contain comes out empty. The stop name, date and time
// are cut to the lengths of TicketCost.h.
QString ExpandTicketText(const TicketText& text, const TicketValues& values,
                         const QStringList& companies, TicketTextUse use = TicketTextUse::Print);

// The quiet zone a barcode keeps on each side, in bar widths, where its box
// is wide enough.
inline constexpr int kBarcodeQuietModules = 10;

// The bars and spaces of a barcode, one entry per module (true = bar);
// empty when the symbology cannot carry the text.
std::vector<bool> BarcodeModules(TicketBarcode type, const QString& text);

// Paints every item of the plugin; the painter's device is the preview picture.
void DrawSeiriTicket(QPainter& painter, const SeiriPlugin& plugin, const TicketValues& values);

} // namespace ltm4
