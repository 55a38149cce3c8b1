// SPDX-License-Identifier: GPL-3.0-or-later
// The route files fuzz target as an ordinary test: damaged routes made from a
// valid one, or the files named on the command line.

#include "companion/LTM4Res.h"
#include "fuzz/ReplayDriver.h"
#include "panel/FareData.h"

#include <QtEndian>

namespace {

QByteArray Framed(const QByteArray& part)
{
    char n[2];
    qToLittleEndian(quint16(part.size()), n);
    return QByteArray(n, 2) + part;
}

} // namespace

int main(int argc, char** argv)
{
    QList<StopRecord> stops(2);
    stops[0].StopName = QStringLiteral("駅前");
    stops[0].SeiriNo = 1;
    stops[0].Fare[1] = 160;
    stops[1].StopName = QStringLiteral("纊町");
    stops[1].SeiriNo = 2;
    const QByteArray fares = EncodeFareFile(stops).bytes;
    const QByteArray tape =
        ltm4::ToCp932(QStringLiteral("\"ようこそ\",0,0\r\n次は、纊町です,1,1\r\n"));
    const QByteArray readings = QByteArrayLiteral("\xEF\xBB\xBF# \xe8\xa1\xa8\xe8\xa8\x98\n"
                                                  "a,b\n\"q\"\"\",r\n");
    ReplayInputs in;
    in.valid = Framed(fares) + Framed(tape) + readings;
    in.extra << Framed(fares) << Framed(fares) + Framed({}) << Framed(fares + "tail")
             << Framed(fares) + Framed(tape) + ltm4::ToCp932(QStringLiteral("鹿,しか"));
    // Lengths of the parts and of the names at the edges.
    in.words = {0, 1, 2, 0x7FFF, 0xFFFF};
    in.maxBlobSize = 400;
    return RunReplay("fuzz_route_replay", argc, argv, in);
}
