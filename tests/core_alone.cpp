// SPDX-License-Identifier: GPL-3.0-or-later
// The pure logic stands without Qt Widgets: this program links every object
// of the core library (and of the companion's core) and nothing of Widgets,
// so a core file that used a window, a dialog or a message box would fail to
// link here. Run, it reads the demo's fare data through the core's reader.
#include "panel/FareData.h"

#include <cstdio>

int main()
{
    QList<StopRecord> stops(2);
    stops[0].StopName = QStringLiteral("駅前");
    stops[1].StopName = QStringLiteral("車庫前");
    const FareFileResult read = ParseFareFile(EncodeFareFile(stops).bytes);
    if (!read.ok() || read.records != stops) {
        std::fputs("core_alone: the fare data did not read back\n", stderr);
        return 1;
    }
    return 0;
}
