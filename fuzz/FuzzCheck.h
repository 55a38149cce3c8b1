// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A broken invariant in a fuzz target aborts, so libFuzzer and the replay
// tests both report it as a finding.

#include <cstdlib>

inline void Require(bool ok)
{
    if (!ok)
        std::abort();
}
