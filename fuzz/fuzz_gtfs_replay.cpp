// SPDX-License-Identifier: GPL-3.0-or-later
// The GTFS fuzz target as an ordinary test: damaged feeds made from a valid
// one, as NUL-separated tables and as a .zip, or the files named on the
// command line.

#include "fuzz/ReplayDriver.h"
#include "tests/ZipSupport.h"
#include "tools/GtfsFeed.h"

namespace {

QList<QByteArray> Tables()
{
    return {
        "\xEF\xBB\xBFstop_id,stop_name,zone_id\r\nS1,駅前,Z1\r\nS2,\"富岸, 北\",Z2\r\n"
        "S3,市役所前,Z2\r\n",
        "route_id,route_short_name\nR1,31\n",
        "route_id,trip_id,trip_headsign,direction_id\nR1,T1,市役所前行,0\nR1,T2,,1\n",
        "trip_id,departure_time,stop_id,stop_sequence\nT1,7:00:00,S1,1\nT1,7:10:00,S2,2\n"
        "T1,7:20:00,S3,3\nT2,8:00:00,S3,1\nT2,8:20:00,S1,2\n",
        "fare_id,price\nA,160\nB,210.0\n",
        "fare_id,route_id,origin_id,destination_id,contains_id\nA,R1,Z1,Z1,\nB,R1,Z1,Z2,\n"
        "A,,Z2,Z2,\nB,R1,Z2,Z1,Z2\n",
        "table_name,field_name,language,translation,record_id,field_value\n"
        "stops,stop_name,ja-Hrkt,えきまえ,S1,\nstops,stop_name,ja-Hrkt,\"とんけし\",,\"富岸, 北\"\n",
    };
}

QByteArray Zip(const QList<QByteArray>& tables)
{
    const QStringList names = GtfsTableNames();
    QList<ZipEntry> entries;
    for (qsizetype i = 0; i < tables.size(); ++i)
        entries.append({"feed/" + names[i].toUtf8(), tables[i]});
    return MakeZip(entries, true);
}

} // namespace

int main(int argc, char** argv)
{
    const QList<QByteArray> tables = Tables();
    ReplayInputs text;
    text.valid = tables.join('\0');
    text.extra << QByteArray() << QByteArray("\0\0\0", 3) << tables.mid(0, 4).join('\0');
    text.maxBlobSize = 400;
    if (argc > 1)
        return RunReplay("fuzz_gtfs_replay", argc, argv, text);
    ReplayInputs zip;
    zip.valid = Zip(tables);
    zip.extra << QByteArray("PK\x03\x04", 4) << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
    zip.words = {0xFFFF, 0x0000, 0x7FFF};
    zip.maxBlobSize = 200;
    if (zip.valid.isEmpty())
        return 1;
    return RunReplay("fuzz_gtfs_replay (text)", argc, argv, text) |
           RunReplay("fuzz_gtfs_replay (zip)", argc, argv, zip);
}
