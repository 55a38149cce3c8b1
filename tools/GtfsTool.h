// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// hy3tool's "gtfs" command: lists a GTFS feed's routes and trips, and turns
// one trip into fare data, announcements and readings. args are the words
// after "gtfs". Exit code 0 on success, 1 for bad input, 2 for a wrong
// command line, 3 when the files could not be written (none of them then
// changed).
int GtfsCommand(int argc, char** argv);
