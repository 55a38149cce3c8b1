// SPDX-License-Identifier: GPL-3.0-or-later
// The fare data fuzz target as an ordinary test: damaged fare files made from
// a valid one, or the files named on the command line.

#include "fuzz/ReplayDriver.h"
#include "panel/FareData.h"

#include <QtEndian>

namespace {

QByteArray Valid()
{
    QList<StopRecord> stops(4);
    const QString names[] = {QStringLiteral("駅前ターミナル"), QString(),
                             QStringLiteral("市立総合医療センター前"), QStringLiteral("①番～")};
    for (int r = 0; r < 4; ++r) {
        stops[r].StopName = names[r];
        stops[r].SeiriNo = qint16(r + 1);
        for (int k = 1; k <= r + 1; ++k)
            stops[r].Fare[size_t(k)] = qint16(160 + 30 * (r + 1 - k));
    }
    stops[3].Fare[150] = -1;
    return EncodeFareFile(stops).bytes;
}

} // namespace

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = Valid();
    in.extra << EncodeFareFile({}).bytes;
    // Counts the file cannot back, and the largest file the table holds.
    for (qint16 count : {qint16(301), qint16(302), qint16(32767)}) {
        QByteArray b = in.valid;
        qToLittleEndian(count, b.data());
        in.extra << b;
    }
    QList<StopRecord> full(kFareTableRows);
    full.last().StopName = QString(300, u'長');
    in.extra << EncodeFareFile(full).bytes;
    in.words = {0xFFFF, 0x8000, 301, 302, 0};
    in.maxBlobSize = 1600;
    return RunReplay("fuzz_faredata_replay", argc, argv, in);
}
