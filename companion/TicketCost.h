// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What drawing a ticket may cost. The ticket is drawn at every board update,
// so a plugin whose drawing would hold the panel for longer than a frame is
// refused when it is read, and the values a drawing shows are cut to lengths
// the estimate counted on.
//
// The estimate is in units of about a microsecond of a normal build on a
// modest machine: each item 15; a character 40 (a glyph drawn for the first
// time at that size, as a new stop name's are), and above 64 pixels, where
// glyphs are drawn as outlines, 40 + 0.4 × size; filled and outlined area
// 0.1 per 1000 pixels, 1.5 with rounded corners; a barcode 50 and 1 per 1000
// pixels of its box. Areas count only what lies on the picture.

#include "companion/SeiriPlugin.h"

namespace ltm4 {

// Values longer than these are cut when they are drawn.
inline constexpr qsizetype kTicketMaxStopChars = 40;
inline constexpr qsizetype kTicketMaxDateTimeChars = 16;

// The estimate a plugin may reach: half a 60 Hz frame.
inline constexpr qint64 kTicketMaxDrawCost = 8000;

// The most characters a ticket text can come to with any values.
qsizetype TicketTextMaxChars(const TicketText& text, const QStringList& companies);

// The most digits a text of digits and numbers can come to, a number without
// its sign (a signed one cannot go into an ITF code at all).
qsizetype TicketTextMaxDigits(const TicketText& text);

// The estimated cost of drawing the plugin's ticket with the longest values.
qint64 TicketDrawCost(const SeiriPlugin& plugin);

} // namespace ltm4
