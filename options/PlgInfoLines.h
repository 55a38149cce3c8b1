// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The capability lines the options dialog lists for a ticket plugin.

#include "companion/PlgInfo.h"

#include <QStringList>

// Six lines, or ten when the plugin prints a barcode.
QStringList PlgInfoLines(const ltm4::PlgInfo& info);
