// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One line of the benchmark report, beside the benchmark's own output:
//   figure <TAB> what <TAB> value <TAB> unit <TAB> goal <TAB> "<" or ">"
// scripts/bench.sh gathers these into one table and checks each against its
// goal ("<": the value must stay below it, ">": above it).

#include <cstdio>

inline void Figure(const char* what, double value, const char* unit, double goal,
                   bool lowerIsBetter = true)
{
    std::printf("figure\t%s\t%.3f\t%s\t%.3f\t%s\n", what, value, unit, goal,
                lowerIsBetter ? "<" : ">");
    std::fflush(stdout);
}
